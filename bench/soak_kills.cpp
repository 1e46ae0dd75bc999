// Crash soak: kills balantrix-cli with SIGKILL at random moments of completions and
// cancellations on a demo installation of its own, then starts once more and counts
// what a crash may never leave behind. Prints key=value lines; exit 1 when an
// invariant is broken.
//   soak-kills --kills N [--seed S] [--cli PATH] [--keep]
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

#include "base/basedados.h"

namespace {

struct Saida {
    int code = -1;
    bool morto = false;
    QString out, err;
    QString value(const QString& key) const {
        for (const QString& l : out.split(QLatin1Char('\n')))
            if (l.startsWith(key + QLatin1Char('='))) return l.mid(key.size() + 1);
        return {};
    }
};

class Soak {
  public:
    Soak(QString cli, QString dataDir, quint32 seed) : m_cli(std::move(cli)), m_rng(seed) {
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("BALANTRIX_DATA_DIR"), dataDir);
        m_env.remove(QStringLiteral("BALANTRIX_CRASH_AT"));
    }

    // Runs the tool; with a delay, kills it (SIGKILL) if it is still running by then.
    Saida correr(const QStringList& args, int matarAposMs = -1) {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.start(m_cli, args);
        Saida s;
        if (!p.waitForStarted(10000)) return s;
        if (matarAposMs >= 0 && !p.waitForFinished(matarAposMs)) {
            p.kill();
            p.waitForFinished(10000);
            s.morto = true;
        } else {
            p.waitForFinished(120000);
        }
        s.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        s.out = QString::fromUtf8(p.readAllStandardOutput());
        s.err = QString::fromUtf8(p.readAllStandardError());
        return s;
    }

    bool preparar() {
        const Saida init = correr({QStringLiteral("demo"), QStringLiteral("init")});
        if (init.code != 0) {
            fprintf(stderr, "demo init: %s\n", qPrintable(init.err));
            return false;
        }
        m_db = std::make_unique<BaseDados>(QStringLiteral("soak"));
        return m_db->abrir(SqlSettings{QStringLiteral("sqlite"), {}, init.value(QStringLiteral("database")), {}, {}});
    }

    QList<qint32> ids(const QString& tipo, bool pendentes) {
        const RecordSet rs = m_db->consultar(
            QStringLiteral("SELECT Hist_Id FROM kel_PES_Historico WHERE Tipo = ? AND DataHoraPL IS %1 NULL")
                .arg(pendentes ? QString() : QStringLiteral("NOT")),
            {tipo});
        QList<qint32> out;
        for (int i = 0; i < rs.count(); ++i) out << rs.value(i, QStringLiteral("Hist_Id")).toInt();
        return out;
    }

    // One random step; gives whether the kill landed (the process was still running).
    bool passo(int& notasDeixadas) {
        const bool saidas = m_rng.bounded(2) == 0;
        const QString desk = saidas ? QStringLiteral("saidas") : QStringLiteral("entradas");
        const QString tipo = saidas ? QStringLiteral("S") : QStringLiteral("E");
        QList<qint32> pendentes = ids(tipo, true);
        if (pendentes.size() < 3) {
            correr({QStringLiteral("weigh"), QStringLiteral("first"), QStringLiteral("--desk"), desk,
                    QStringLiteral("--third"), saidas ? QStringLiteral("C001") : QStringLiteral("F001"),
                    QStringLiteral("--article"), QStringLiteral("MILHO"), QStringLiteral("--weight"),
                    saidas ? QStringLiteral("14000") : QStringLiteral("31000")});
            pendentes = ids(tipo, true);
        }
        const QList<qint32> concluidas = ids(tipo, false);
        const bool anular = !concluidas.isEmpty() && m_rng.bounded(100) < 40;
        QStringList args;
        int& duracao = anular ? m_duracaoAnular : m_duracaoConcluir;
        if (anular) {
            args = {QStringLiteral("weigh"),
                    QStringLiteral("cancel"),
                    QStringLiteral("--desk"),
                    desk,
                    QStringLiteral("--id"),
                    QString::number(concluidas.at(int(m_rng.bounded(qsizetype(concluidas.size())))))};
        } else {
            if (pendentes.isEmpty()) return false;
            args = {QStringLiteral("weigh"),
                    QStringLiteral("second"),
                    QStringLiteral("--desk"),
                    desk,
                    QStringLiteral("--id"),
                    QString::number(pendentes.at(int(m_rng.bounded(qsizetype(pendentes.size()))))),
                    QStringLiteral("--weight"),
                    saidas ? QStringLiteral("25000") : QStringLiteral("12000")};
        }
        // Half the kills anywhere in the run, half in its last third, where the ERP is
        // written and the weighing committed.
        const int atraso = m_rng.bounded(2) == 0 ? int(m_rng.bounded(duracao + 1))
                                                 : duracao * 2 / 3 + int(m_rng.bounded(duracao / 3 + 10));
        QElapsedTimer t;
        t.start();
        // One run in four is left to finish, so trucks keep being completed and the
        // finished weighings the invariants look at keep coming.
        const Saida s = correr(args, m_rng.bounded(4) == 0 ? -1 : atraso);
        if (!s.morto) {
            // A whole run: the kill delays follow how long runs take.
            duracao = (duracao * 3 + int(t.elapsed())) / 4;
            return false;
        }
        if (m_db->escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_NotasERP")).toInt() > 0) ++notasDeixadas;
        return true;
    }

    int valor(const QString& sql) { return m_db->escalar(sql).toInt(); }
    BaseDados& db() { return *m_db; }

  private:
    QString m_cli;
    QProcessEnvironment m_env;
    QRandomGenerator m_rng;
    std::unique_ptr<BaseDados> m_db;
    int m_duracaoConcluir = 300;
    int m_duracaoAnular = 300;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("kills"), QStringLiteral("Kills to make."), QStringLiteral("N"), QStringLiteral("1000")});
    parser.addOption(
        {QStringLiteral("seed"), QStringLiteral("Random seed."), QStringLiteral("S"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("cli"), QStringLiteral("balantrix-cli to run."), QStringLiteral("PATH")});
    parser.addOption({QStringLiteral("keep"), QStringLiteral("Keep the installation (its folder is printed).")});
    parser.process(app);
    const int kills = parser.value(QStringLiteral("kills")).toInt();
    if (kills < 1) {
        fprintf(stderr, "--kills must be at least 1\n");
        return 2;
    }
    QString cli = parser.value(QStringLiteral("cli"));
    if (cli.isEmpty()) {
        const QString bin =
            qEnvironmentVariable("BALANTRIX_BIN", QCoreApplication::applicationDirPath() + QStringLiteral("/../bin"));
        cli = bin + QStringLiteral("/balantrix-cli");
    }
    if (!QFileInfo(cli).isExecutable()) {
        fprintf(stderr, "balantrix-cli not found: %s\n", qPrintable(cli));
        return 2;
    }
    QTemporaryDir dir;
    dir.setAutoRemove(!parser.isSet(QStringLiteral("keep")));
    Soak soak(cli, dir.path(), parser.value(QStringLiteral("seed")).toUInt());
    if (!soak.preparar()) return 1;

    QElapsedTimer timer;
    timer.start();
    int feitas = 0, tentativas = 0, notas = 0;
    while (feitas < kills && tentativas < kills * 20) {
        ++tentativas;
        if (soak.passo(notas)) ++feitas;
        if (feitas > 0 && feitas % 100 == 0 && tentativas > 0) {
            fprintf(stderr, "\r%d/%d", feitas, kills);
            fflush(stderr);
        }
    }
    fprintf(stderr, "\n");
    // One more start settles whatever the last kills left.
    const Saida fim = soak.correr({QStringLiteral("erp"), QStringLiteral("reconcile")});

    const int semPesagem =
        soak.valor(QStringLiteral("SELECT COUNT(*) FROM DocGCCab d WHERE d.NumVias <> -1 AND NOT EXISTS "
                                  "(SELECT 1 FROM kel_PES_Historico h WHERE "
                                  "h.DataHoraPL IS NOT NULL AND h.TpDoc = d.Tpdoc AND h.Serie = d.Serie AND "
                                  "h.NoDoc = d.NNumdoc AND h.Ano = d.Ano)"));
    const int semDocumento =
        soak.valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico h WHERE h.DataHoraPL IS NOT NULL "
                                  "AND (SELECT COUNT(*) FROM DocGCCab d WHERE "
                                  "d.Tpdoc = h.TpDoc AND d.Serie = h.Serie AND d.NNumdoc = h.NoDoc AND d.Ano "
                                  "= h.Ano AND d.NumVias <> -1) <> 1"));
    const int repetidos =
        soak.valor(
            QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM kel_PES_Historico WHERE Tipo = 'S' GROUP BY Campanha, "
                           "Terceiro, TipoMorada, NoTalao HAVING COUNT(*) > 1)")) +
        soak.valor(
            QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM kel_PES_Historico WHERE Tipo = 'E' GROUP BY Campanha, "
                           "NoTalao HAVING COUNT(*) > 1)"));
    const int abertas = soak.valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_NotasERP"));
    const QString integridade = soak.db().escalar(QStringLiteral("PRAGMA integrity_check")).toString();

    QTextStream out(stdout);
    out << "kills=" << feitas << '\n'
        << "runs=" << tentativas << '\n'
        << "kills_with_open_note=" << notas << '\n'
        << "final_reconcile_exit=" << fim.code << '\n'
        << "live_documents_without_finished_weighing=" << semPesagem << '\n'
        << "finished_weighings_without_one_live_document=" << semDocumento << '\n'
        << "repeated_ticket_numbers=" << repetidos << '\n'
        << "open_notes=" << abertas << '\n'
        << "integrity_check=" << integridade << '\n'
        << "finished="
        << soak.valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE DataHoraPL IS NOT NULL")) << '\n'
        << "seconds=" << QString::number(timer.elapsed() / 1000.0, 'f', 1) << '\n';
    if (parser.isSet(QStringLiteral("keep"))) out << "folder=" << dir.path() << '\n';
    const bool ok = feitas == kills && fim.code == 0 && semPesagem == 0 && semDocumento == 0 && repetidos == 0 &&
                    abertas == 0 && integridade == QStringLiteral("ok");
    return ok ? 0 : 1;
}
