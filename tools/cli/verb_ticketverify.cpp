// ticket verify | ticket public-key: checking the code printed on a ticket.
#include <QFile>

#include "basedados.h"
#include "cli.h"
#include "rastreiotalao.h"

namespace {
const char* kUso = "balantrix-cli ticket verify --qr TEXTO [--public-key FICHEIRO] | ticket public-key";
}

int ticketPublicKey(Cli& cli) {
    if (!cli.args.isEmpty()) return cli.usage(QString::fromUtf8(kUso));
    BaseDados db;
    if (!abrirBaseDados(cli, db)) return Cli::Failed;
    try {
        RastreioTalao rastreio(db);
        cli.out << rastreio.chave().publicaPem();
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
    QString chave;
    if (temChave) {
        QFile f(ficheiroChave);
        if (!f.open(QIODevice::ReadOnly)) {
            cli.err << "Não foi possível ler a chave pública " << ficheiroChave << ": " << f.errorString()
                    << '\n';
            return Cli::Failed;
        }
        chave = QString::fromLatin1(f.read(64 * 1024));
    }
    // The database, when it can be reached, says whether the ticket still matches the weighing.
    BaseDados db;
    const bool comBase = abrirBaseDados(cli, db, !temChave);
    if (!comBase && !temChave) {
        cli.err << "Sem base de dados, indique a chave pública com --public-key.\n";
        return Cli::Failed;
    }
    try {
        std::unique_ptr<RastreioTalao> rastreio;
        if (comBase) rastreio = std::make_unique<RastreioTalao>(db);
        if (!temChave) chave = rastreio->chave().publicaPem();
        const RastreioTalao::Verificacao v = RastreioTalao::verificar(qr, chave, rastreio.get());
        cli.result(QStringLiteral("valid"), v.valida ? QStringLiteral("1") : QStringLiteral("0"));
        if (v.comRegisto && v.formatoOk) {
            cli.result(QStringLiteral("hist_id"), QString::number(v.histId));
            cli.result(QStringLiteral("matches_record"),
                       v.confere ? QStringLiteral("1") : QStringLiteral("0"));
        }
        if (!v.motivo.isEmpty()) cli.err << "Talão não confirmado: " << v.motivo << '\n';
        const bool ok = v.valida && (!v.comRegisto || v.confere);
        return ok ? Cli::Ok : Cli::Failed;
    } catch (const DbError& e) {
        cli.err << e.texto() << '\n';
        return Cli::Failed;
    }
}
