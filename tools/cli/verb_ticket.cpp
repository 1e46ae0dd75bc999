#include <QCoreApplication>

#include "base/basedados.h"
#include "base/configlocation.h"
#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "output/impressaotalao.h"
#include "output/operacoestalao.h"
#include "output/registarvias.h"
#include "records/parametrosaplic.h"
#include "tools/cli/cli.h"
#include "tools/cli/impressoracups.h"

namespace {

const char* kUsage =
    "balantrix-cli ticket pdf ID [--copies N] [--out FICHEIRO] | ticket print ID [--out FICHEIRO] | ticket "
    "mail ID | ticket slip ID [--out FICHEIRO] | "
    "ticket verify --qr TEXTO [--public-key FICHEIRO] | ticket public-key";

struct Registo {
    qint32 id = 0;
    qint32 noTalao = 0;
    TipoTalao tipo = TipoTalao::Cliente;
};

// The weighing and the kind of its ticket, which follows the record's Tipo.
bool lerRegisto(Cli& cli, BaseDados& db, qint32 id, Registo& r, bool avisarPendente) {
    const RecordSet rs =
        db.consultar(QStringLiteral("Select Tipo, NoTalao, DataHoraPL from kel_PES_Historico where Hist_Id=?"), {id});
    if (rs.isEmpty()) {
        cli.err << "O registo de pesagem " << id << " não existe.\n";
        return false;
    }
    if (!TiposTalao::deTipoRegisto(rs.text(0, QStringLiteral("Tipo")), r.tipo)) {
        cli.err << "O registo de pesagem " << id << " tem um tipo desconhecido: " << rs.text(0, QStringLiteral("Tipo"))
                << '\n';
        return false;
    }
    if (avisarPendente && rs.value(0, QStringLiteral("DataHoraPL")).isNull())
        cli.err << "Aviso: a pesagem " << id << " ainda está pendente.\n";
    r.id = id;
    r.noTalao = rs.text(0, QStringLiteral("NoTalao")).toInt();
    return true;
}

int run(Cli& cli, const QString& sub) {
    bool copiesGiven = false, missing = false, missing2 = false;
    const QString copies = cli.take(QStringLiteral("--copies"), &copiesGiven, &missing);
    const QString out = cli.take(QStringLiteral("--out"), nullptr, &missing2);
    if (missing || missing2 || cli.args.size() != 1) return cli.usage(QString::fromUtf8(kUsage));
    if (copiesGiven && sub != QStringLiteral("pdf")) return cli.usage(QString::fromUtf8(kUsage));
    if (sub == QStringLiteral("mail") && !out.isEmpty()) return cli.usage(QString::fromUtf8(kUsage));
    bool ok = false;
    const qint32 id = cli.args[0].toInt(&ok);
    bool okN = true;
    const int n = copiesGiven ? copies.toInt(&okN) : 1;
    if (!ok || id <= 0 || !okN || n < 0 || n > 99) return cli.usage(QString::fromUtf8(kUsage));

    const QString programFolder = QCoreApplication::applicationDirPath();
    const FicheiroConfig file(ConfigLocation::configFile(programFolder, cli.configName));
    if (!file.exists()) {
        cli.err << "O ficheiro de configuração não existe: " << file.path() << '\n';
        return Cli::Failed;
    }
    BaseDados db;
    if (!db.abrir(ConfigSQL::ler(file))) {
        cli.err << "Não foi possível abrir a base de dados: " << db.ultimoErro() << '\n';
        return Cli::Failed;
    }
    CliMessages messages(cli.err);
    try {
        Registo r;
        if (!lerRegisto(cli, db, id, r, sub != QStringLiteral("slip"))) return Cli::Failed;
        OperacoesTalao ops(db, messages, programFolder, file.path());
        if (sub == QStringLiteral("slip")) {
            // The driver's slip of the first weighing; no copy rows are recorded for it.
            const QString path = ops.exportaSenhaPDF(id, out);
            if (path.isEmpty()) {
                cli.err << ops.ultimoErro() << '\n';
                return Cli::Failed;
            }
            cli.result(QStringLiteral("pdf"), path);
            return Cli::Ok;
        }
        if (sub == QStringLiteral("pdf")) {
            RegistarVias(db, id, qint16(n));
            const QString path = ops.exportaPDF(id, r.tipo, out);
            if (path.isEmpty()) {
                cli.err << ops.ultimoErro() << '\n';
                return Cli::Failed;
            }
            cli.result(QStringLiteral("pdf"), path);
            return Cli::Ok;
        }
        if (sub == QStringLiteral("print")) {
            ParametrosAplic parametros;
            if (!parametros.ler(db, messages)) return Cli::Failed;
            if (r.noTalao <= 0) {
                cli.err << "A pesagem " << id << " não tem número de talão; não é impressa.\n";
                return Cli::Failed;
            }
            ImpressoraCups cups;
            ImpressaoTalao impressao(ops, &cups);
            if (!impressao.imprimirVias(id, r.noTalao, r.tipo, parametros, out)) return Cli::Failed;
            cli.result(QStringLiteral("printer"), impressao.impressoraUsada());
            cli.result(QStringLiteral("pages"), QString::number(impressao.paginasImpressas()));
            return Cli::Ok;
        }
        const int status = ops.enviarMail(id, r.tipo, OperacoesTalao::emailTerceiro(db, id));
        cli.result(QStringLiteral("status"), QString::number(status));
        return status == OperatorMessages::Info ? Cli::Ok : Cli::Failed;
    } catch (const DbError& e) {
        cli.err << e.texto() << '\n';
        return Cli::Failed;
    }
}

}  // namespace

int verbTicket(Cli& cli) {
    const QString sub = cli.args.isEmpty() ? QString() : cli.args.takeFirst();
    if (sub == QStringLiteral("pdf") || sub == QStringLiteral("print") || sub == QStringLiteral("mail") ||
        sub == QStringLiteral("slip"))
        return run(cli, sub);
    if (sub == QStringLiteral("verify")) return ticketVerify(cli);
    if (sub == QStringLiteral("public-key")) return ticketPublicKey(cli);
    return cli.usage(QString::fromUtf8(kUsage));
}
