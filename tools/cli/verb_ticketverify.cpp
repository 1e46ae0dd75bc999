// ticket verify | ticket public-key: checking the code printed on a ticket.
#include <QCoreApplication>
#include <QFile>

#include "base/basedados.h"
#include "base/configlocation.h"
#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "output/rastreiotalao.h"
#include "tools/cli/cli.h"

namespace {
const char* kUso = "balantrix-cli ticket verify --qr TEXTO [--public-key FICHEIRO] | ticket public-key";

// The database for reading only: a verification never writes, not even the tables a
// start-up would create.
bool abrirSoLeitura(Cli& cli, BaseDados& db, bool avisar) {
    const FicheiroConfig file(ConfigLocation::configFile(QCoreApplication::applicationDirPath(), cli.configName));
    if (!file.exists()) {
        if (avisar) cli.err << "O ficheiro de configuração não existe: " << file.path() << '\n';
        return false;
    }
    if (!db.abrir(ConfigSQL::ler(file), BaseDados::OpenMode::ReadOnly)) {
        if (avisar) cli.err << "Não foi possível abrir a base de dados: " << db.ultimoErro() << '\n';
        return false;
    }
    return true;
}
}  // namespace

// Every public key on file, oldest first: a comment line with its id, fingerprint,
// workstation and first date, then the key in PEM. The whole output is a file that
// `ticket verify --public-key` (and OpenSSL, for the first key) reads.
int ticketPublicKey(Cli& cli) {
    if (!cli.args.isEmpty()) return cli.usage(QString::fromUtf8(kUso));
    BaseDados db;
    if (!abrirSoLeitura(cli, db, true)) return Cli::Failed;
    try {
        const QList<ChaveInstalacao::Publica> chaves = ChaveInstalacao::publicas(db);
        if (chaves.isEmpty()) {
            cli.err << "Ainda não há chaves de assinatura: nenhum talão foi assinado nesta base de dados.\n";
            return Cli::Failed;
        }
        for (const ChaveInstalacao::Publica& c : chaves) {
            cli.out << "key_id=" << c.id << " fingerprint=" << c.impressao()
                    << " since=" << c.desde.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) << " workstation=\""
                    << QString(c.posto).replace(QLatin1Char('"'), QLatin1Char('\'')) << "\"\n"
                    << c.pem;
        }
        cli.out.flush();
        return Cli::Ok;
    } catch (const DbError& e) {
        cli.err << e.texto() << '\n';
        return Cli::Failed;
    }
}

int ticketVerify(Cli& cli) {
    bool temQr = false, semQr = false, temChave = false, semChave = false;
    const QString qr = cli.take(QStringLiteral("--qr"), &temQr, &semQr);
    const QString ficheiroChave = cli.take(QStringLiteral("--public-key"), &temChave, &semChave);
    if (!temQr || semQr || semChave || !cli.args.isEmpty()) return cli.usage(QString::fromUtf8(kUso));
    QList<ChaveInstalacao::Publica> chaves;
    if (temChave) {
        QFile f(ficheiroChave);
        if (!f.open(QIODevice::ReadOnly)) {
            cli.err << "Não foi possível ler a chave pública " << ficheiroChave << ": " << f.errorString() << '\n';
            return Cli::Failed;
        }
        chaves = ChaveInstalacao::lerPem(QString::fromLatin1(f.read(1024 * 1024)));
        if (chaves.isEmpty()) {
            cli.err << "O ficheiro " << ficheiroChave << " não tem nenhuma chave pública Ed25519.\n";
            return Cli::Failed;
        }
    }
    // The database, when it can be reached, says whether the ticket still matches the weighing.
    BaseDados db;
    const bool comBase = abrirSoLeitura(cli, db, !temChave);
    if (!comBase && !temChave) {
        cli.err << "Sem base de dados, indique a chave pública com --public-key.\n";
        return Cli::Failed;
    }
    try {
        std::unique_ptr<RastreioTalao> rastreio;
        if (comBase) rastreio = std::make_unique<RastreioTalao>(db);
        if (!temChave) chaves = ChaveInstalacao::publicas(db);
        const RastreioTalao::Verificacao v = RastreioTalao::verificar(qr, chaves, rastreio.get());
        cli.result(QStringLiteral("valid"), v.valida ? QStringLiteral("1") : QStringLiteral("0"));
        if (v.valida) cli.result(QStringLiteral("key_id"), v.chaveId);
        if (v.comRegisto && v.formatoOk) {
            cli.result(QStringLiteral("hist_id"), QString::number(v.histId));
            cli.result(QStringLiteral("matches_record"), v.confere ? QStringLiteral("1") : QStringLiteral("0"));
            if (!v.confere) cli.result(QStringLiteral("differs"), v.difere.join(QLatin1Char(',')));
        }
        if (!v.motivo.isEmpty()) cli.err << "Talão não confirmado: " << v.motivo << '\n';
        const bool ok = v.valida && (!v.comRegisto || v.confere);
        return ok ? Cli::Ok : Cli::Failed;
    } catch (const DbError& e) {
        cli.err << e.texto() << '\n';
        return Cli::Failed;
    }
}
