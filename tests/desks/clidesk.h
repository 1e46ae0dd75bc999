#pragma once

#include <QStringList>

#include "tests/support/clirun.h"

// balantrix-cli with its words written as one line, split on spaces; `mais` adds words
// that hold spaces themselves.
inline CliRun cli(const QString& linha, const QStringList& mais = {}) {
    return runCli(linha.split(QLatin1Char(' '), Qt::SkipEmptyParts) + mais);
}
