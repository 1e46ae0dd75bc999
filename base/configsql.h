#pragma once

#include "base/sqlsettings.h"

class FicheiroConfig;

// Section "SQL" of the configuration file.
namespace ConfigSQL {
SqlSettings ler(const FicheiroConfig& f);
void gravar(FicheiroConfig& f, const SqlSettings& s);
inline QString section() {
    return QStringLiteral("SQL");
}
}  // namespace ConfigSQL
