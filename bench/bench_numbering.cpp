// Ticket numbering under contention: P processes take N numbers each for the same
// counter on one SQLite file, or on a PostgreSQL server (--server HOST:PORT: in the
// database given, or in a new one made and dropped for the run). Prints
// duplicates=<count> and numbers_per_second=<rate>.
// Each number is one durable commit: --synchronous normal measures what the program's
// synchronous=FULL (every commit survives a power cut) costs against WAL's usual NORMAL.
//   bench-numbering --processes P --numbers N [--database FILE] [--synchronous full|normal]
//   bench-numbering --processes P --numbers N --server HOST:PORT [--database NAME] [--login USER]
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

#include "base/basedados.h"
#include "base/catalogo.h"
#include "base/programinfo.h"
#include "bench/mensagensstderr.h"
#include "records/numeracao.h"

namespace {

QString g_servidor, g_login = QStringLiteral("postgres");

SqlSettings settingsFor(const QString& path) {
    if (!g_servidor.isEmpty()) return SqlSettings{QStringLiteral("postgresql"), g_servidor, path, g_login, QString()};
    return SqlSettings{QStringLiteral("sqlite"), QStringLiteral("local"), path, QString(), QString()};
}

bool administrar(const QString& sql) {
    BaseDados admin(QStringLiteral("admin"));
    if (!admin.abrir(settingsFor(QStringLiteral("postgres")))) {
        fprintf(stderr, "%s\n", qPrintable(admin.ultimoErro()));
        return false;
    }
    try {
        admin.executar(sql);
    } catch (const DbError& e) {
        fprintf(stderr, "%s\n", qPrintable(e.texto()));
        return false;
    }
    return true;
}

const ChaveTalao kChave{2, QStringLiteral("2025/2026"), QStringLiteral("GR"), QStringLiteral("C001"),
                        QStringLiteral("")};

int worker(const QString& path, int numbers, const QString& synchronous) {
    BaseDados db(QStringLiteral("worker"));
    if (!db.abrir(settingsFor(path))) {
        fprintf(stderr, "%s\n", qPrintable(db.ultimoErro()));
        return 1;
    }
    // The program opens with FULL; anything else is only for comparison.
    if (synchronous == QStringLiteral("normal") && g_servidor.isEmpty())
        db.executar(QStringLiteral("PRAGMA synchronous=NORMAL"));
    QTextStream out(stdout);
    for (int i = 0; i < numbers; ++i) {
        try {
            out << ProximoTalao(db, kChave).numero << '\n';
        } catch (const ErroOperacao& e) {
            fprintf(stderr, "erro: %s\n", qPrintable(e.texto()));
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("processes"), QStringLiteral("Processes."), QStringLiteral("P"), QStringLiteral("4")});
    parser.addOption({QStringLiteral("numbers"), QStringLiteral("Numbers per process."), QStringLiteral("N"),
                      QStringLiteral("500")});
    parser.addOption(
        {QStringLiteral("database"), QStringLiteral("SQLite file, or PostgreSQL database."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("server"), QStringLiteral("PostgreSQL server."), QStringLiteral("HOST:PORT")});
    parser.addOption({QStringLiteral("login"), QStringLiteral("PostgreSQL login."), QStringLiteral("USER"),
                      QStringLiteral("postgres")});
    parser.addOption({QStringLiteral("worker"), QStringLiteral("Internal: run as one worker.")});
    parser.addOption({QStringLiteral("synchronous"), QStringLiteral("full (as the program) or normal."),
                      QStringLiteral("LEVEL"), QStringLiteral("full")});
    parser.process(app);
    const int processes = parser.value(QStringLiteral("processes")).toInt();
    const int numbers = parser.value(QStringLiteral("numbers")).toInt();
    const QString synchronous = parser.value(QStringLiteral("synchronous"));
    if (synchronous != QStringLiteral("full") && synchronous != QStringLiteral("normal")) {
        fprintf(stderr, "--synchronous is full or normal\n");
        return 2;
    }
    if (processes < 1 || numbers < 1) {
        fprintf(stderr, "--processes and --numbers must be at least 1\n");
        return 2;
    }

    g_servidor = parser.value(QStringLiteral("server"));
    g_login = parser.value(QStringLiteral("login"));
    QTemporaryDir tmp;
    QString path = parser.value(QStringLiteral("database"));
    bool baseTemporaria = false;
    if (path.isEmpty() && g_servidor.isEmpty()) path = tmp.filePath(QStringLiteral("numbering.db"));
    if (parser.isSet(QStringLiteral("worker"))) return worker(path, numbers, synchronous);
    if (path.isEmpty()) {
        path = QStringLiteral("bench_numbering_%1").arg(QCoreApplication::applicationPid());
        if (!administrar(QStringLiteral("CREATE DATABASE %1").arg(path))) return 1;
        baseTemporaria = true;
    }
    struct Apagar {
        bool sim;
        QString nome;
        ~Apagar() {
            if (sim) administrar(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(nome));
        }
    } apagar{baseTemporaria, path};

    {
        const bool exists = g_servidor.isEmpty() ? QFileInfo(path).isFile() : !baseTemporaria;
        BaseDados db(QStringLiteral("setup"));
        if (!db.abrir(settingsFor(path), BaseDados::OpenMode::CreateIfMissing)) {
            fprintf(stderr, "%s\n", qPrintable(db.ultimoErro()));
            return 1;
        }
        StderrMessages messages;
        Catalogo catalogo(db, messages, ProgramInfo::version());
        try {
            const bool criar = !exists || !catalogo.existe();
            if (criar) catalogo.criarCatalogoBase();
            if (!catalogo.verificarVersao(criar).ok) return 1;
            // The unique keys of the counters that PostgreSQL's numbering relies on.
            if (!catalogo.garantirIndices().ok) return 1;
            db.executar(
                QStringLiteral("DELETE FROM kel_PES_Taloes WHERE Ano=? AND iTipo=2 AND TipoDoc=? AND Cliente=?"),
                {kChave.campanha, kChave.tipoDoc, kChave.cliente});
        } catch (const DbError& e) {
            fprintf(stderr, "%s\n", qPrintable(e.texto()));
            return 1;
        }
    }

    QElapsedTimer timer;
    timer.start();
    QList<QProcess*> workers;
    for (int p = 0; p < processes; ++p) {
        auto* proc = new QProcess(&app);
        proc->setProcessChannelMode(QProcess::SeparateChannels);
        proc->setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        proc->start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--worker"), QStringLiteral("--numbers"), QString::number(numbers),
                     QStringLiteral("--database"), path, QStringLiteral("--synchronous"), synchronous,
                     QStringLiteral("--server"), g_servidor, QStringLiteral("--login"), g_login});
        workers << proc;
    }
    QHash<qint64, int> seen;
    int failed = 0, taken = 0;
    for (QProcess* proc : workers) {
        proc->waitForFinished(-1);
        if (proc->exitCode() != 0 || proc->exitStatus() != QProcess::NormalExit) ++failed;
        fputs(proc->readAllStandardError().constData(), stderr);
        for (const QByteArray& line : proc->readAllStandardOutput().split('\n')) {
            if (line.trimmed().isEmpty()) continue;
            ++seen[line.trimmed().toLongLong()];
            ++taken;
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    int duplicates = 0;
    for (int n : std::as_const(seen))
        if (n > 1) duplicates += n - 1;

    QTextStream out(stdout);
    out << "backend=" << (g_servidor.isEmpty() ? "sqlite" : "postgresql") << '\n'
        << "synchronous=" << synchronous << '\n'
        << "processes=" << processes << '\n'
        << "numbers=" << taken << '\n'
        << "failed_processes=" << failed << '\n'
        << "duplicates=" << duplicates << '\n'
        << "seconds=" << QString::number(seconds, 'f', 3) << '\n'
        << "numbers_per_second=" << QString::number(taken / seconds, 'f', 1) << '\n';
    return (duplicates == 0 && failed == 0 && taken == processes * numbers) ? 0 : 1;
}
