#pragma once

#include <QStringList>

#include "base/sqlsettings.h"

class BaseDados;

// The ERP tables the program reads (master data and document headers and lines),
// as the local ERP keeps them. Created only in a database of its own (demo or test),
// together with the marker table that lets the local ERP recognise such a database.
namespace ErpSchema {
QStringList createStatements();
// The same tables in a backend's dialect (sqlite's texts, or PostgreSQL's form of them).
QStringList createStatements(Backend b);
// Name of the marker table: the local ERP refuses any database without it.
inline QString markerTable() {
    return QStringLiteral("ERP_Local");
}
// Creates the ERP tables and the marker row with the company and its credentials.
void criar(BaseDados& db, const QString& empresa, const QString& utilizador, const QString& password);

struct TipoDocumento {
    QString codigo;
    QString descricao;
    int tipoDocumento;  // 1 goods receipt, 3 delivery note
};
// The document types a new local ERP knows.
QList<TipoDocumento> tiposIniciais();
// Makes sure the list of document types exists and is not empty (an ERP made by an
// older version has none): it then gets the usual types and those it already used.
void garantirTiposDocumento(BaseDados& db);
}  // namespace ErpSchema
