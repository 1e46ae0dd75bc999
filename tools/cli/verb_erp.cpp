#include <QCoreApplication>

#include "app/arranque.h"
#include "base/configlocation.h"
#include "base/configsage.h"
#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "erp/sessaosagelocal.h"
#include "tools/cli/cli.h"

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

// Settles the notes of ERP writes that were cut short, now: one line per note, then
// how many are still open. Exit 1 when a note could not be settled.
int reconcile(Cli& cli) {
    if (!cli.args.isEmpty()) return cli.usage(QStringLiteral("balantrix-cli erp reconcile"));
    CliMessages messages(cli.err);
    CliDialogs dialogs(cli.err);
    Arranque arranque(QCoreApplication::applicationDirPath(), cli.configName, messages, dialogs);
    arranque.setAcertarNotas(false);
    if (!arranque.ligar()) return Cli::Failed;
    ErpReconciler reconciler(*arranque.baseDados(), *arranque.sessao());
    const QList<ReconciliationResult> rs = reconciler.settleAll();
    bool ok = true;
    for (const ReconciliationResult& r : rs) {
        cli.out << r.line() << '\n';
        if (!r.settled()) ok = false;
        if (!r.message.isEmpty()) cli.err << r.message << '\n';
    }
    const int abertas = reconciler.abertas();
    cli.result(QStringLiteral("open"), QString::number(abertas));
    arranque.sessao()->desligar();
    return ok && abertas == 0 ? Cli::Ok : Cli::Failed;
}

}  // namespace

int verbErp(Cli& cli) {
    const QString sub = cli.args.isEmpty() ? QString() : cli.args.takeFirst();
    if (sub == QStringLiteral("convert")) return convert(cli);
    if (sub == QStringLiteral("reconcile")) return reconcile(cli);
    return cli.usage(QStringLiteral("balantrix-cli erp convert TIPO SERIE NUMERO ANO | erp reconcile"));
}
