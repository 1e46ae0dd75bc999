// PDF export of one ticket with 3 copies, as the e-mail and the history do it:
// template read and checked, query on the read-only connection, 3 pages painted.
// Prints the first export (connection, fonts) and the median of the next ones, in wall
// time and in this process's CPU time (steadier on a machine shared with other work).
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "output/operacoestalao.h"
#include "output/registarvias.h"
#include "tests/support/testsupport.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    TempDataDir data;
    TempDatabase t(TempDatabase::Demo);
    BaseDados& db = t.db();
    const QList<ProcParam> params = {
        {QStringLiteral("Hist_Id"), 0, ProcParam::Int, 0},
        {QStringLiteral("Tipo"), QStringLiteral("S")},
        {QStringLiteral("TpDoc"), QStringLiteral("GR")},
        {QStringLiteral("Serie"), 1, ProcParam::SmallInt, 0},
        {QStringLiteral("NoDoc"), 245, ProcParam::Int, 0},
        {QStringLiteral("Ano"), 2026, ProcParam::SmallInt, 0},
        {QStringLiteral("PesoBruto"), 40560, ProcParam::Money, 0},
        {QStringLiteral("PesoTara"), 14220, ProcParam::Money, 0},
        {QStringLiteral("PesoLiquido"), 26340, ProcParam::Money, 0},
        {QStringLiteral("PesoEfectivo"), 26240, ProcParam::Money, 0},
        {QStringLiteral("Justificacao"), QStringLiteral("Carga verificada.")},
        {QStringLiteral("DataHoraPB"), QDateTime(QDate(2026, 3, 12), QTime(8, 41)), ProcParam::DateTime, 0},
        {QStringLiteral("DataHoraPL"), QDateTime(QDate(2026, 3, 12), QTime(9, 27)), ProcParam::DateTime, 0},
        {QStringLiteral("Terceiro"), QStringLiteral("C001")},
        {QStringLiteral("Artigo"), QStringLiteral("RAC-VL")},
        {QStringLiteral("CodMorada"), QStringLiteral("001")},
        {QStringLiteral("Motorista"), QString()},
        {QStringLiteral("Carro"), QStringLiteral("12-AB-34")},
        {QStringLiteral("TipoTerc"), 2, ProcParam::SmallInt, 0},
        {QStringLiteral("AnoTalao"), 2026, ProcParam::SmallInt, 0},
        {QStringLiteral("NoTalao"), 1234, ProcParam::Int, 0},
        {QStringLiteral("RefCliente"), QStringLiteral("ENC-7781")},
        {QStringLiteral("RefEntrega"), QStringLiteral("E-2026/118")},
        {QStringLiteral("Sigla"), QStringLiteral("A")},
        {QStringLiteral("Campanha"), QStringLiteral("2025/2026")},
        {QStringLiteral("TipoMorada"), QStringLiteral("ARM")},
    };
    const qint32 id = qint32(db.procedimento(QStringLiteral("sp_kel_Gravar_PES_Historico"), params).returnValue);
    RegistarVias(db, id, 3);

    RecordingMessages msgs;
    const QString source = qEnvironmentVariable("BALANTRIX_SOURCE", QStringLiteral(BALANTRIX_SOURCE_DIR));
    OperacoesTalao ops(db, msgs, source, QString());
    QList<double> ms, cpu;
    for (int i = 0; i <= runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const std::clock_t c0 = std::clock();
        const QString path = ops.exportaPDF(id, TipoTalao::Cliente);
        ms << timer.nsecsElapsed() / 1e6;
        cpu << double(std::clock() - c0) * 1000.0 / CLOCKS_PER_SEC;
        if (path.isEmpty()) {
            std::fprintf(stderr, "export failed: %s\n", qPrintable(ops.ultimoErro()));
            return 1;
        }
    }
    // A copy of the last export, to look at (bench ticket_pdf_bench RUNS FILE).
    if (argc > 2) {
        QFile::remove(QString::fromLocal8Bit(argv[2]));
        QFile::copy(ops.exportaPDF(id, TipoTalao::Cliente), QString::fromLocal8Bit(argv[2]));
    }
    const double first = ms.takeFirst();
    cpu.removeFirst();
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf(
        "ticket_pdf_export copies=3 first_ms=%.1f median_ms=%.1f min_ms=%.1f max_ms=%.1f cpu_median_ms=%.1f "
        "target_ms=20 runs=%d\n",
        first, ms[ms.size() / 2], ms.first(), ms.last(), cpu[cpu.size() / 2], int(ms.size()));
    return 0;
}
