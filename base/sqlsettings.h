#pragma once

#include <QString>

enum class Backend { Sqlite, Mssql };

// The database settings of the workstation (section "SQL" of the configuration file).
struct SqlSettings {
    QString backend;  // "sqlite" (default) or "mssql"
    QString servidor;
    QString baseDados;  // database name, or the file path for sqlite
    QString login;
    QString password;
    // SQL Server: the login ticket templates run their queries under (keys LoginModelos,
    // PasswordModelos), one that can only read what a ticket shows. Empty: Login/Password.
    QString loginModelos{};
    QString passwordModelos{};

    Backend kind() const {
        return backend.trimmed().compare(QStringLiteral("mssql"), Qt::CaseInsensitive) == 0 ? Backend::Mssql
                                                                                           : Backend::Sqlite;
    }
    // Names of the required settings that are empty. For sqlite only the file is needed.
    QStringList missing() const;
};
