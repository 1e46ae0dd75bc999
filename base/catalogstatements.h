#pragma once

#include <QList>
#include <QString>

#include "base/sqlsettings.h"

// One statement of the catalogue. CopyWarehouse is the update of the upgrade that
// copies row 1's ArmCentral into ArmSaida: it runs only when row 1 exists, with
// that warehouse bound to its one parameter.
struct CatalogStatement {
    enum Kind { Plain, CopyWarehouse };
    QString sql;
    Kind kind = Plain;
};

// The catalogue statements of one dialect, in the order the program runs them.
struct CatalogStatements {
    QList<CatalogStatement> baseCatalogue;
    QList<CatalogStatement> stepA;  // from catalogue version 0
    QList<CatalogStatement> stepB;  // from version 1
    QList<CatalogStatement> stepC;  // from version 2

    static CatalogStatements forBackend(Backend b);

    static QString probe() { return QStringLiteral("SELECT * From kel_PES_Parametros"); }
    static QString versionRow() { return QStringLiteral("SELECT *  From kel_sistema Where (Numero = 200)"); }
    static QString parametersRow1() { return QStringLiteral("Select * from kel_PES_Parametros where Numero=1"); }
    static QString versionUpdate(int target) {
        return QStringLiteral(" update kel_sistema set versaocatalogo=%1 where Numero=200").arg(target);
    }
    static QString repairStatement(Backend b);
};

// An index the program keeps on its own tables. Not part of the versioned catalogue:
// created at start-up where missing, so databases of any version and older
// workstations sharing them are left as they were.
struct CatalogIndex {
    QString nome;
    QString tabela;
    QString colunas;    // "Tipo, DataHoraPL, DataHoraPB"
    QString unicaOnde;  // PostgreSQL only: a unique index over the rows matching this

    static QList<CatalogIndex> all();
    // The indexes the program keeps on a backend: all() and, on PostgreSQL, the unique
    // keys its row locks rely on.
    static QList<CatalogIndex> all(Backend b);
    // The statement that creates it only where it is missing.
    QString statement(Backend b) const;
    // Statement giving one row when it exists.
    QString existsQuery(Backend b) const;
};

namespace mssql {
QList<CatalogStatement> baseCatalogue();
QList<CatalogStatement> stepA();
QList<CatalogStatement> stepB();
}  // namespace mssql
