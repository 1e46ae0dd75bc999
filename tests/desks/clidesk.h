#pragma once

#include <QStringList>

#include "base/basedados.h"
#include "tests/support/clirun.h"
#include "tests/support/testsupport.h"

// balantrix-cli with its words written as one line, split on spaces; `mais` adds words
// that hold spaces themselves.
inline CliRun cli(const QString& linha, const QStringList& mais = {}) {
    return runCli(linha.split(QLatin1Char(' '), Qt::SkipEmptyParts) + mais);
}

// A demo installation made by the tool in a temporary data folder, with a connection of the
// test's own to its database; made once per test binary (initTestCase).
struct DemoCli {
    TempDataDir dados;
    CliRun init = cli(QStringLiteral("demo init"));
    BaseDados db{QStringLiteral("demo_cli")};
    QString base = init.value(QStringLiteral("database"));
    bool aberta = init.code == 0 && db.abrir(SqlSettings{QStringLiteral("sqlite"), {}, base, {}, {}});

    QVariant valor(const QString& sql, const QVariantList& p = {}) { return db.escalar(sql, p); }
    // Rows of a table, with its WHERE when given.
    int contar(const QString& tabela, const QVariantList& p = {}) {
        return valor(QStringLiteral("SELECT COUNT(*) FROM ") + tabela, p).toInt();
    }
};

// A ticket PDF's text (its layout kept), and the QR code read back from its rendered page.
inline QString textoPdf(const QString& pdf) {
    return runProgram(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}).out;
}
inline QString qrDoPdf(const QString& pdf) {
    const QString png = pdf + QStringLiteral("-pagina");
    runProgram(QStringLiteral("pdftoppm"), QStringLiteral("-r 200 -png -singlefile").split(u' ') << pdf << png);
    return runProgram(QStringLiteral("zbarimg"),
                      {QStringLiteral("-q"), QStringLiteral("--raw"), png + QStringLiteral(".png")})
        .out.trimmed();
}
