#include <QCoreApplication>

#include <QSysInfo>
#include "base/basedados.h"
#include "base/configlocation.h"
#include "base/money.h"
#include "records/registoalibi.h"
#include "scale/leitorbalanca.h"
#include "tools/cli/cli.h"

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
    // Every reply of the indicator goes to the alibi log, as at the desks.
    if (estavel || !leitor.recebido().isEmpty()) {
        BaseDados db;
        if (!abrirBaseDados(cli, db, false)) {
            cli.err << "Aviso: sem base de dados acessível, a leitura não foi registada no registo alibi.\n";
        } else {
            try {
                RegistoAlibi registo(db, QSysInfo::machineHostName());
                const LinhaAlibi l =
                    registo.registarLeitura(QString(), leitor.recebido(), Money::fromInteger(peso), estavel);
                cli.result(QStringLiteral("alibi"), QString::number(l.id));
            } catch (const DbError& e) {
                cli.err << "A leitura não pôde ser registada no registo alibi: " << e.texto() << '\n';
                return Cli::Failed;
            }
        }
    }
    return estavel ? Cli::Ok : Cli::Failed;
}
