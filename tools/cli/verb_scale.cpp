#include <QCoreApplication>

#include "cli.h"
#include "configlocation.h"
#include "leitorbalanca.h"

namespace {
const char* kUso = "balantrix-cli scale read [--file BALANCA.TXT] [--log]";
}

// Takes one reading, as the desks do; installers use it to try an indicator.
int verbScale(Cli& cli) {
    if (cli.args.value(0) != QStringLiteral("read")) return cli.usage(QString::fromLatin1(kUso));
    cli.args.removeFirst();
    bool temFicheiro = false, semValor = false;
    const QString ficheiro = cli.take(QStringLiteral("--file"), &temFicheiro, &semValor);
    const bool log = cli.takeFlag(QStringLiteral("--log"));
    if (semValor || !cli.args.isEmpty()) return cli.usage(QString::fromLatin1(kUso));

    const QString pastaPrograma = QCoreApplication::applicationDirPath();
    LeitorBalanca leitor(pastaPrograma, ConfigLocation::configFolder(pastaPrograma));
    if (temFicheiro) leitor.setFicheiro(ficheiro);
    if (log)
        QObject::connect(&leitor, &LeitorBalanca::passo, [&cli](const QString& t) {
            cli.err << t << '\n';
            cli.err.flush();
        });
    qint64 peso = 0;
    QString mensagem;
    const bool estavel = leitor.pesar(peso, mensagem);
    cli.result(QStringLiteral("stable"), estavel ? QStringLiteral("1") : QStringLiteral("0"));
    cli.result(QStringLiteral("weight"), QString::number(peso));
    // One line per key: the reader's CR LF separated error text is joined with spaces.
    cli.result(QStringLiteral("message"), mensagem.simplified());
    return estavel ? Cli::Ok : Cli::Failed;
}
