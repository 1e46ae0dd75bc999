#pragma once

#include <QStringList>

#include "base/sqlsettings.h"

class BaseDados;

// The program's own tables for legal-for-trade work: the alibi log of indicator
// readings, the installation options and the public keys that check tickets. They live beside
// the catalogue (never new columns in its tables), so older workstations on the same
// database keep working. Created at start-up where missing, like the indexes.
class TabelasRastreio {
  public:
    // The creation statements of a dialect, each guarded so that running it again
    // changes nothing.
    static QStringList instrucoes(Backend backend);
    // Runs them; throws DbError when one fails.
    static void garantir(BaseDados& db);
};
