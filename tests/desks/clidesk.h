#pragma once

#include <QStringList>

#include "tests/support/clirun.h"

// balantrix-cli with its words written as one line, split on spaces; `mais` adds words
// that hold spaces themselves.
inline CliRun cli(const QString& linha, const QStringList& mais = {}) {
    return runCli(linha.split(QLatin1Char(' '), Qt::SkipEmptyParts) + mais);
}

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
