// A month's bulk run in PDF mode: N customers (500 by default) with 4 finished
// weighings each, one statement per party written to the PDF folder. Prints the
// selection time, the whole run and the time per party.
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
                QStringList v(RegistoHistorico::NumCampos);
                const QDateTime pb(QDate(2024, 3, 1 + (p + w * 7) % 31), QTime(8 + w, 10));
                v[RegistoHistorico::Hist_Id] = QStringLiteral("0");
                v[RegistoHistorico::Tipo] = QStringLiteral("S");
                v[RegistoHistorico::TpDoc] = QStringLiteral("GR");
                v[RegistoHistorico::Serie] = QStringLiteral("1");
                v[RegistoHistorico::NoDoc] = QString::number(p * 4 + w + 1);
                v[RegistoHistorico::Ano] = QStringLiteral("2024");
                v[RegistoHistorico::PesoBruto] = QStringLiteral("40560");
                v[RegistoHistorico::PesoTara] = QStringLiteral("14220");
                v[RegistoHistorico::PesoLiquido] = QStringLiteral("26340");
                v[RegistoHistorico::PesoEfectivo] = QStringLiteral("26240");
                v[RegistoHistorico::DataHoraPB] = RegistoHistorico::textoDataHora(pb);
                v[RegistoHistorico::DataHoraPL] = RegistoHistorico::textoDataHora(pb.addSecs(2400));
                v[RegistoHistorico::Terceiro] = codigo;
                v[RegistoHistorico::Artigo] = w % 2 ? QStringLiteral("MILHO") : QStringLiteral("RAC-VL");
                v[RegistoHistorico::Carro] = QStringLiteral("12-AB-34");
                v[RegistoHistorico::TipoTerc] = QStringLiteral("2");
                v[RegistoHistorico::AnoTalao] = QStringLiteral("2024");
                v[RegistoHistorico::NoTalao] = QString::number(p * 4 + w + 1);
                v[RegistoHistorico::Sigla] = QStringLiteral("A");
                qint32 id = 0;
                GravarRegistoHistorico(db, v, id);
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
        "bulk_pdf parties=%d weighings=%d selection_ms=%.1f run_s=%.2f per_party_ms=%.1f "
        "cpu_per_party_ms=%.1f target_ms=10\n",
        selecionados, partes * 4, selecaoMs, totalMs / 1000, totalMs / partes, cpuMs / partes);
    return 0;
}
