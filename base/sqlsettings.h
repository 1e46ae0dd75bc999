#pragma once

#include <QString>

enum class Backend { Sqlite, Mssql, Postgresql };

// The database settings of the workstation (section "SQL" of the configuration file).
struct SqlSettings {
    QString backend;    // "sqlite" (default), "mssql" or "postgresql"
    QString servidor;   // "host" or "host:port" (PostgreSQL); SQL Server's own form
    QString baseDados;  // database name, or the file path for sqlite
    QString login;
    QString password;
    // SQL Server: the login ticket templates run their queries under (keys LoginModelos,
    // PasswordModelos), one that can only read what a ticket shows. Empty: Login/Password.
    QString loginModelos{};
    QString passwordModelos{};

    Backend kind() const {
        const QString b = backend.trimmed();
        if (b.compare(QStringLiteral("mssql"), Qt::CaseInsensitive) == 0) return Backend::Mssql;
        if (b.compare(QStringLiteral("postgresql"), Qt::CaseInsensitive) == 0) return Backend::Postgresql;
        return Backend::Sqlite;
    }
    // The name kept in SQL/Backend for a backend.
    static QString nomeBackend(Backend b);
    // Names of the required settings that are empty. For sqlite only the file is needed.
    QStringList missing() const;
};
