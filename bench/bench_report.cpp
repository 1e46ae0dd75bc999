// Period report over a year of weighings: N finished weighings (half of each desk)
// spread over 2025, then the year's report grouped each way, timed after one warm-up.
// Prints rows=, then by=<grouping> groups= ms= for each, and max_ms=.
//   bench-report [--weighings N] [--runs R]
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "base/basedados.h"
#include "base/catalogo.h"
#include "base/programinfo.h"
#include "bench/mensagensstderr.h"
#include "erp/erpschema.h"
#include "output/relatorioperiodo.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser p;
    p.addOption({QStringLiteral("weighings"), QStringLiteral("weighings in the year"), QStringLiteral("N"),
                 QStringLiteral("100000")});
    p.addOption(
        {QStringLiteral("runs"), QStringLiteral("timed runs per grouping"), QStringLiteral("R"), QStringLiteral("5")});
    p.process(app);
    const int n = p.value(QStringLiteral("weighings")).toInt();
    const int runs = std::max(1, p.value(QStringLiteral("runs")).toInt());

    QTemporaryDir dir;
    BaseDados db(QStringLiteral("bench"));
    if (!db.abrir(SqlSettings{QStringLiteral("sqlite"), QStringLiteral("local"), dir.filePath(QStringLiteral("b.db")),
                              QString(), QString()},
                  BaseDados::OpenMode::CreateIfMissing)) {
        fprintf(stderr, "%s\n", qPrintable(db.ultimoErro()));
        return 1;
    }
    StderrMessages messages;
    try {
        Catalogo catalogo(db, messages, ProgramInfo::version());
        ErpSchema::criar(db, QStringLiteral("DEMO"), QStringLiteral("admin"), QStringLiteral("demo"));
        catalogo.criarCatalogoBase();
        catalogo.verificarVersao(true);
        catalogo.garantirIndices();
        QRandomGenerator rng(25);
        db.executar(QStringLiteral("BEGIN"));
        for (int i = 0; i < n; ++i) {
            const QDateTime saida = QDateTime(QDate(2025, 1, 1), QTime(0, 0)).addSecs(qint64(rng.bounded(365 * 86400)));
            const qint64 tara = 10000 + rng.bounded(6000), bruto = tara + 8000 + rng.bounded(20000);
            const bool entrada = i % 2;
            db.executar(
                QStringLiteral("INSERT INTO kel_PES_Historico (Tipo, PesoBruto, PesoTara, PesoLiquido, "
                               "PesoEfectivo, DataHoraPB, DataHoraPL, Terceiro, Artigo, Carro, TipoTerc) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {entrada ? QStringLiteral("E") : QStringLiteral("S"), double(bruto), double(tara), double(bruto - tara),
                 double(bruto - tara - 20), saida.addSecs(-1800), saida,
                 QStringLiteral("%1%2").arg(entrada ? u'F' : u'C').arg(rng.bounded(300), 3, 10, QLatin1Char('0')),
                 QStringLiteral("ART%1").arg(rng.bounded(25)),
                 QStringLiteral("%1-AA-%2").arg(rng.bounded(100), 2, 10, QLatin1Char('0')).arg(rng.bounded(20)),
                 entrada ? 1 : 2});
            db.executar(
                QStringLiteral("INSERT INTO kel_PES_Historico_Comp (Cab_Id, Vasilhame, Qualidade, "
                               "Caracteristica) VALUES (last_insert_rowid(), 20, 0, 0)"));
        }
        db.executar(QStringLiteral("COMMIT"));
        db.executar(QStringLiteral("ANALYZE"));
    } catch (const DbError& e) {
        fprintf(stderr, "%s\n", qPrintable(e.texto()));
        return 1;
    }
    printf("rows=%d\n", n);
    qint64 pior = 0;
    for (auto por : {RelatorioPeriodo::Agrupamento::Dia, RelatorioPeriodo::Agrupamento::Terceiro,
                     RelatorioPeriodo::Agrupamento::Artigo, RelatorioPeriodo::Agrupamento::Matricula}) {
        QList<qint64> tempos, cpu;
        RelatorioPeriodo r;
        for (int i = 0; i <= runs; ++i) {
            QElapsedTimer t;
            t.start();
            const std::clock_t cpu0 = std::clock();
            QString erro;
            if (!r.calcular(db, QDate(2025, 1, 1), QDate(2025, 12, 31), por, RelatorioPeriodo::Banca::Ambas, erro)) {
                fprintf(stderr, "%s\n", qPrintable(erro));
                return 1;
            }
            if (i > 0) {  // the first run warms the cache
                tempos << t.elapsed();
                cpu << qint64((std::clock() - cpu0) * 1000 / CLOCKS_PER_SEC);
            }
        }
        if (r.total().pesagens != n) {
            fprintf(stderr, "the report counted %lld of %d weighings\n", r.total().pesagens, n);
            return 1;
        }
        std::sort(tempos.begin(), tempos.end());
        const qint64 mediana = tempos[tempos.size() / 2];
        pior = std::max(pior, tempos.last());
        std::sort(cpu.begin(), cpu.end());
        // Wall time on a shared machine waits for other processes too; the CPU time does not.
        printf("by=%s groups=%lld median_ms=%lld max_ms=%lld median_cpu_ms=%lld\n",
               qPrintable(RelatorioPeriodo::nomeAgrupamento(por)), qint64(r.linhas().size()), mediana, tempos.last(),
               cpu[cpu.size() / 2]);
    }
    printf("max_ms=%lld\n", pior);
    return 0;
}
