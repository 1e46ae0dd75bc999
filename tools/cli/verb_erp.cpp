#include <QCoreApplication>

#include "cli.h"
#include "configlocation.h"
#include "configsage.h"
#include "configsql.h"
#include "ficheiroconfig.h"
#include "sessaosagelocal.h"

namespace {

// What another ERP program does when it turns a document into another one (an
// invoice from a delivery note, say): the program must then refuse to change it.
int convert(Cli& cli) {
    const QString usage = QStringLiteral("balantrix-cli erp convert TIPO SERIE NUMERO ANO");
    if (cli.args.size() != 4) return cli.usage(usage);
    bool okS = false, okN = false, okA = false;
    const ChaveDocumento k{short(cli.args[3].toShort(&okA)), cli.args[0], short(cli.args[1].toShort(&okS)),
                           cli.args[2].toInt(&okN)};
    if (!okS || !okN || !okA || k.tipo.trimmed().isEmpty()) return cli.usage(usage);

    const FicheiroConfig file(ConfigLocation::configFile(QCoreApplication::applicationDirPath(), cli.configName));
    const ConfigSage erp = ConfigSage::ler(file);
    if (!erp.missing().isEmpty()) {
        CliDialogs(cli.err).configurarErp(file.path(), erp.missing());
        return Cli::Failed;
    }
    SessaoSageLocal sessao(ConfigSQL::ler(file));
    sessao.setOpcao(2);
    if (!sessao.ligar(erp.servidor, erp.instancia, erp.empresa, erp.utilizador, erp.password)) {
        cli.err << "Não foi possivel ligar ao Sage 100c ...\n" << sessao.ultimoErro() << '\n';
        return Cli::Failed;
    }
    if (!sessao.marcarConvertido(k)) {
        cli.err << sessao.ultimoErro() << '\n';
        return Cli::Failed;
    }
    cli.result(QStringLiteral("document"), k.texto());
    cli.result(QStringLiteral("converted"), QStringLiteral("1"));
    return Cli::Ok;
}

}  // namespace

int verbErp(Cli& cli) {
    const QString sub = cli.args.isEmpty() ? QString() : cli.args.takeFirst();
    if (sub == QStringLiteral("convert")) return convert(cli);
    return cli.usage(QStringLiteral("balantrix-cli erp convert TIPO SERIE NUMERO ANO"));
}
