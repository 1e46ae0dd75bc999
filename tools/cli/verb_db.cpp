#include <QCoreApplication>

#include "arranque.h"
#include "catalogo.h"
#include "cli.h"
#include "programinfo.h"

namespace {

int upgrade(Cli& cli) {
    CliMessages messages(cli.err);
    CliDialogs dialogs(cli.err);
    Arranque arranque(QCoreApplication::applicationDirPath(), cli.configName, messages, dialogs);
    cli.result(QStringLiteral("config"), arranque.configFile());
    if (!arranque.ligar()) return Cli::Failed;
    const Catalogo::Resultado& c = arranque.catalogo();
    cli.result(QStringLiteral("created"), arranque.catalogoCriado() ? QStringLiteral("1") : QStringLiteral("0"));
    cli.result(QStringLiteral("catalogue"), QString::number(c.versaoCatalogo));
    cli.result(QStringLiteral("program"), ProgramInfo::versionText(ProgramInfo::version()));
    cli.result(QStringLiteral("versaoEXE"), c.versaoExe);
    const bool parametros = arranque.lerParametros();
    cli.result(QStringLiteral("parameters"), parametros && arranque.parametros().carregado() ? QStringLiteral("1")
                                                                                             : QStringLiteral("0"));
    arranque.sessao()->desligar();
    return c.ok && parametros ? Cli::Ok : Cli::Failed;
}

int script(Cli& cli) {
    const QString dialect = cli.take(QStringLiteral("--dialect"));
    Backend b;
    if (dialect == QStringLiteral("sqlite"))
        b = Backend::Sqlite;
    else if (dialect == QStringLiteral("mssql"))
        b = Backend::Mssql;
    else
        return cli.usage(QStringLiteral("balantrix-cli db script --dialect sqlite|mssql"));
    for (const QString& st : Catalogo::script(b)) cli.out << st << '\n';
    cli.out.flush();
    return Cli::Ok;
}

}  // namespace

int verbDb(Cli& cli) {
    const QString sub = cli.args.isEmpty() ? QString() : cli.args.takeFirst();
    if (sub == QStringLiteral("upgrade") && cli.args.isEmpty()) return upgrade(cli);
    if (sub == QStringLiteral("script")) return script(cli);
    return cli.usage(QStringLiteral("balantrix-cli db upgrade | db script --dialect sqlite|mssql"));
}
