// option show | option set NAME VALUE: the installation's options, kept in the database.
#include "base/basedados.h"
#include "records/opcoesinstalacao.h"
#include "tools/cli/cli.h"

namespace {
const char* kUso = "balantrix-cli option show | option set NOME VALOR";
}

int verbOption(Cli& cli) {
    const QString sub = cli.args.isEmpty() ? QString() : cli.args.takeFirst();
    if (!((sub == QStringLiteral("show") && cli.args.isEmpty()) ||
          (sub == QStringLiteral("set") && cli.args.size() == 2)))
        return cli.usage(QString::fromLatin1(kUso));
    BaseDados db;
    if (!abrirBaseDados(cli, db)) return Cli::Failed;
    try {
        OpcoesInstalacao opcoes(db);
        if (sub == QStringLiteral("set")) {
            QString erro;
            if (!opcoes.definir(cli.args[0], cli.args[1], erro)) {
                cli.err << erro << '\n';
                return Cli::Usage;
            }
        }
        for (const OpcoesInstalacao::Opcao& o : OpcoesInstalacao::conhecidas())
            cli.result(o.nome, opcoes.valor(o.nome));
        return Cli::Ok;
    } catch (const DbError& e) {
        cli.err << e.texto() << '\n';
        return Cli::Failed;
    }
}
