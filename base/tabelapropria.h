#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "base/sqlsettings.h"

class BaseDados;

// A small table of the program's own beside the versioned catalogue. Like the
// indexes, it is created at start-up where it is missing and never changes a table
// of the catalogue, so the catalogue version and older workstations sharing the
// database are unaffected (they simply never read it).
struct TabelaPropria {
    QString nome;
    QString sqlite;  // CREATE TABLE text for sqlite
    QString mssql;   // CREATE TABLE text for SQL Server (without the existence guard)

    static QList<TabelaPropria> all();
    // The statement that creates it only where it is missing.
    QString statement(Backend b) const;

    // Creates every table of all() that is missing. Gives the failures as
    // "name: error" texts (empty when all are there).
    static QStringList garantir(BaseDados& db);
};
