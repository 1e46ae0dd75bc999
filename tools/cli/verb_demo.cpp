#include "cli.h"
#include "demo.h"

int verbDemo(Cli& cli) {
    if (cli.args.value(0) != QStringLiteral("init")) return cli.usage(QStringLiteral("balantrix-cli demo init [--force]"));
    cli.args.removeFirst();
    const bool force = cli.takeFlag(QStringLiteral("--force"));
    if (!cli.args.isEmpty()) return cli.usage(QStringLiteral("balantrix-cli demo init [--force]"));
    const Demo::Resultado r = Demo::criar(cli.configName, force);
    if (!r.ok) {
        cli.err << r.mensagem << '\n';
        return Cli::Failed;
    }
    cli.result(QStringLiteral("config"), r.configFile);
    cli.result(QStringLiteral("database"), r.database);
    return Cli::Ok;
}
