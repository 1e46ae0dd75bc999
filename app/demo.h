#pragma once

#include <QString>

#include "base/sqlsettings.h"

// Creates the embedded demo installation: the configuration file in the "norvak"
// folder and a SQLite database beside it with a demo company in the ERP tables,
// the program's catalogue at the current version and the parameters row.
namespace Demo {
struct Resultado {
    bool ok = false;
    QString configFile;
    QString database;
    QString mensagem;  // what went wrong, when not ok
};
Resultado criar(const QString& configName, bool force);
// The demo in an existing, empty PostgreSQL database (the configuration file still in
// the "norvak" folder). A database that holds tables is refused without `force`; one
// that holds weighings is refused always.
Resultado criarEmServidor(const QString& configName, bool force, const SqlSettings& servidor);

// Credentials the demo ERP company keeps.
inline QString empresa() {
    return QStringLiteral("DEMO");
}
inline QString utilizador() {
    return QStringLiteral("admin");
}
inline QString password() {
    return QStringLiteral("demo");
}
inline QString databaseFileName() {
    return QStringLiteral("balantrix-demo.db");
}
}  // namespace Demo
