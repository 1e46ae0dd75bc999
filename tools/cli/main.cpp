// balantrix-cli: the program's work without windows, for installers, scheduled jobs
// and tests.
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

#include "base/configlocation.h"
#include "base/ficheiroconfig.h"
#include "tools/cli/cli.h"

namespace {

struct Verb {
    const char* name;
    int (*run)(Cli&);
    const char* help;
};

const Verb kVerbs[] = {
    {"demo", verbDemo, "demo init [--force]"},
    {"db", verbDb, "db upgrade | db script --dialect sqlite|mssql"},
    {"erp", verbErp, "erp convert TIPO SERIE NUMERO ANO | erp reconcile"},
    {"scale", verbScale, "scale read [--file BALANCA.TXT] [--log]"},
    {"ticket", verbTicket,
     "ticket pdf ID [--copies N] [--out FICHEIRO] | ticket print ID [--out FICHEIRO] | ticket mail ID | "
     "ticket slip ID [--out FICHEIRO] | "
     "ticket verify --qr TEXTO [--public-key FICHEIRO] | ticket public-key"},
    {"bulk", verbBulk,
     "bulk --mode customers|suppliers --from DD-MM-YYYY --to DD-MM-YYYY [--first CODIGO] [--last CODIGO] "
     "(--pdf | --email)"},
    {"weigh", verbWeigh,
     "weigh first|second|cancel|correct --desk saidas|entradas ... (balantrix-cli weigh para as opções)"},
    {"pending", verbPending, "pending --desk saidas|entradas"},
    {"alibi", verbAlibi, "alibi verify [--from DD-MM-YYYY] [--to DD-MM-YYYY] | alibi list --hist ID"},
    {"option", verbOption, "option show | option set NOME VALOR"},
    {"counters", verbCounters,
     "counters show|set|delete --kind 1|2 --campaign AAAA/AAAA --doc-type TIPO [--customer CODIGO] "
     "[--address-type CODIGO] [--address CODIGO] [--counter N] [--prefix SIGLA] [--force]"},
    {"template", verbTemplate, "template check FICHEIRO [--dialect sqlite|mssql|postgresql]"},
    {"history", verbHistory, "history --desk saidas|entradas [--from DD-MM-AAAA] [--to DD-MM-AAAA]"},
    {"truck", verbTruck,
     "truck set --plate MATRICULA [--third CODIGO] [--article CODIGO] (--tare KG --valid-until DD-MM-AAAA | "
     "--tare-from HIST_ID [--valid-until DD-MM-AAAA]) | truck show|delete --plate MATRICULA | truck list"},
    {"report", verbReport,
     "report --from DD-MM-YYYY --to DD-MM-YYYY --by day|party|article|truck [--desk saidas|entradas|both] "
     "[--csv FICHEIRO] [--pdf FICHEIRO]"},
};

int usage(QTextStream& err) {
    err << "Utilização: balantrix-cli [--config NOME] VERBO ...\n";
    for (const Verb& v : kVerbs) err << "  " << v.help << '\n';
    err.flush();
    return Cli::Usage;
}

}  // namespace

int main(int argc, char** argv) {
    // Tickets are rendered to PDF even here, which needs a GUI application; never a window.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // The offscreen platform wants a private runtime folder; make one quietly.
        const QByteArray dir = QDir::tempPath().toLocal8Bit() + "/balantrix-runtime-" + QByteArray::number(getuid());
        QDir().mkpath(QString::fromLocal8Bit(dir));
        QFile::setPermissions(QString::fromLocal8Bit(dir),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir);
    }
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Balantrix"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = app.arguments().mid(1);
    QString configName;
    const int ci = int(args.indexOf(QStringLiteral("--config")));
    if (ci >= 0) {
        if (ci + 1 >= args.size()) return usage(err);
        configName = args.at(ci + 1);
        args.remove(ci, 2);
    }
    if (args.isEmpty()) return usage(err);
    const QString verb = args.takeFirst();
    if (verb != QStringLiteral("demo")) {
        // A file that cannot be a configuration stops every verb that would read it.
        const QString erro =
            FicheiroConfig(ConfigLocation::configFile(QCoreApplication::applicationDirPath(), configName)).erro();
        if (!erro.isEmpty()) {
            err << erro << '\n';
            return Cli::Failed;
        }
    }
    for (const Verb& v : kVerbs) {
        if (verb == QLatin1String(v.name)) {
            Cli cli{args, configName, out, err};
            return v.run(cli);
        }
    }
    return usage(err);
}
