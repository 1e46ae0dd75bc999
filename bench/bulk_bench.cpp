// A month's bulk run in PDF mode: N customers (500 by default) with 4 finished
// weighings each, one statement per party written to the PDF folder. Prints the
// selection time, the whole run and the time per party (wall and processor).
// `bulk_bench [PARTIES] [THREADS]`: THREADS statements drawn at once (as the program
// does by default; 1 draws each on the run's own thread).
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdio>
#include <ctime>

#include "output/enviotaloes.h"
#include "records/registohistorico.h"
#include "tests/support/testsupport.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int partes = argc > 1 ? std::max(1, atoi(argv[1])) : 500;
    TempDataDir data;
    TempDatabase t(TempDatabase::Demo);
    BaseDados& db = t.db();
    {
        Transaccao tr(db, true);
        for (int p = 0; p < partes; ++p) {
            const QString codigo = QStringLiteral("B%1").arg(p, 4, 10, QLatin1Char('0'));
            db.executar(
                QStringLiteral("INSERT INTO Clientes (CODIGO, NOME, Morada, Local, CdPostal, NContrib, Inactivo) "
                               "VALUES (?, ?, 'Rua do Campo, 1', 'Barcelos', '4750-281', '501234567', 0)"),
                {codigo, QStringLiteral("Cliente de ensaio %1, Lda.").arg(p)});
            for (int w = 0; w < 4; ++w) {
                const QDateTime pb(QDate(2024, 3, 1 + (p + w * 7) % 31), QTime(8 + w, 10));
                RegistoPesagem r;
                r.tipo = QStringLiteral("S");
                r.tpDoc = QStringLiteral("GR");
                r.serie = 1;
                r.noDoc = r.noTalao = p * 4 + w + 1;
                r.ano = r.anoTalao = 2024;
                r.pesoBruto = Money::fromInteger(40560);
                r.pesoTara = Money::fromInteger(14220);
                r.pesoLiquido = Money::fromInteger(26340);
                r.pesoEfectivo = Money::fromInteger(26240);
                r.dataHoraPB = pb;
                r.dataHoraPL = pb.addSecs(2400);
                r.terceiro = codigo;
                r.artigo = w % 2 ? QStringLiteral("MILHO") : QStringLiteral("RAC-VL");
                r.carro = QStringLiteral("12-AB-34");
                r.tipoTerc = 2;
                r.sigla = QStringLiteral("A");
                qint32 id = 0;
                GravarRegistoHistorico(db, r, id);
            }
        }
        tr.commit();
    }
    const QString config = data.path() + QStringLiteral("/Balantrix.kel");
    QFile f(config);
    f.open(QIODevice::WriteOnly);
    f.write(QStringLiteral("[PDF]\nPasta=%1/PDF\n").arg(data.path()).toUtf8());
    f.close();

    const QString source = qEnvironmentVariable("BALANTRIX_SOURCE", QStringLiteral(BALANTRIX_SOURCE_DIR));
    EnvioTaloes envio(db, source, config);
    if (argc > 2) envio.setDesenhosEmParalelo(atoi(argv[2]));
    const int desenhos = envio.desenhosEmParalelo();
    PedidoEnvio pedido;
    pedido.modo = 2;
    pedido.inicio = QDate(2024, 3, 1);
    pedido.fim = QDate(2024, 3, 31);
    pedido.pdf = true;
    QElapsedTimer timer;
    timer.start();
    const int selecionados = int(envio.selecionar(pedido).size());
    const double selecaoMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    const std::clock_t c0 = std::clock();
    const ResumoEnvio r = envio.executar(pedido);
    const double totalMs = timer.nsecsElapsed() / 1e6;
    const double cpuMs = double(std::clock() - c0) * 1000.0 / CLOCKS_PER_SEC;
    if (!r.erro.isEmpty() || r.contar(ResultadoTerceiro::Gravado) != partes) {
        std::fprintf(stderr, "run failed: %s\n", qPrintable(r.texto(true)));
        return 1;
    }
    std::printf(
        "bulk_pdf parties=%d weighings=%d threads=%d selection_ms=%.1f run_s=%.2f per_party_ms=%.1f "
        "cpu_per_party_ms=%.1f target_ms=10\n",
        selecionados, partes * 4, desenhos, selecaoMs, totalMs / 1000, totalMs / partes, cpuMs / partes);
    return 0;
}
