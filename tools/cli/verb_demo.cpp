#include <QFile>

#include "app/demo.h"
#include "tools/cli/cli.h"

namespace {

const char* kUso =
    "balantrix-cli demo init [--force] | demo init --backend postgresql --server HOST[:PORT] --database NAME "
    "--login USER [--password-file FILE] [--force]";

// The first line of the file, without its line end: a password never goes on the command
// line, where other users of the computer can read it.
bool lerPassword(const QString& ficheiro, QString& password, QString& erro) {
    QFile f(ficheiro);
    if (!f.open(QIODevice::ReadOnly)) {
        erro = QStringLiteral("Não foi possível ler o ficheiro da password %1: %2").arg(ficheiro, f.errorString());
        return false;
    }
    QByteArray linha = f.readLine(4096);
    while (linha.endsWith('\n') || linha.endsWith('\r')) linha.chop(1);
    password = QString::fromUtf8(linha);
    return true;
}

}  // namespace

int verbDemo(Cli& cli) {
    if (cli.args.value(0) != QStringLiteral("init")) return cli.usage(QString::fromUtf8(kUso));
    cli.args.removeFirst();
    const bool force = cli.takeFlag(QStringLiteral("--force"));
    bool temBackend = false, semValor = false;
    const QString backend = cli.take(QStringLiteral("--backend"), &temBackend, &semValor);
    Demo::Resultado r;
    if (temBackend) {
        if (semValor || backend != QStringLiteral("postgresql")) return cli.usage(QString::fromUtf8(kUso));
        SqlSettings s;
        s.backend = backend;
        s.servidor = cli.take(QStringLiteral("--server"));
        s.baseDados = cli.take(QStringLiteral("--database"));
        s.login = cli.take(QStringLiteral("--login"));
        bool temFicheiro = false;
        const QString ficheiro = cli.take(QStringLiteral("--password-file"), &temFicheiro);
        if (!cli.args.isEmpty() || s.servidor.isEmpty() || s.baseDados.isEmpty() || s.login.isEmpty() ||
            (temFicheiro && ficheiro.isEmpty()))
            return cli.usage(QString::fromUtf8(kUso));
        QString erro;
        if (temFicheiro && !lerPassword(ficheiro, s.password, erro)) {
            cli.err << erro << '\n';
            return Cli::Failed;
        }
        r = Demo::criarEmServidor(cli.configName, force, s);
    } else {
        if (!cli.args.isEmpty()) return cli.usage(QString::fromUtf8(kUso));
        r = Demo::criar(cli.configName, force);
    }
    if (!r.ok) {
        cli.err << r.mensagem << '\n';
        return Cli::Failed;
    }
    cli.result(QStringLiteral("config"), r.configFile);
    cli.result(QStringLiteral("database"), r.database);
    return Cli::Ok;
}
