#pragma once

#include <QString>

// PostgreSQL's form of the program's tables. The tables are written once, for sqlite, and
// turned into PostgreSQL's types here, so both engines keep the same tables, columns and
// meanings. Identifiers stay unquoted: PostgreSQL folds them to lower case, in the
// creation and in every query alike.
namespace DialectoPg {

// Every text column is citext: compared (=, LIKE, keys, ORDER BY) without case and with
// accents, as the catalogue's columns compare on SQL Server (and with NOCASE on sqlite).
// The extension is PostgreSQL's own (trusted: a database owner may create it).
QString extensaoTexto();  // "citext"
// The statement that creates it where it is missing.
QString criarExtensao();

// A CREATE/ALTER TABLE or CREATE INDEX text written for sqlite, in PostgreSQL's types:
// money and NUMERIC become numeric(19,4), datetime timestamp, image bytea, every text
// column citext (without a length, as on sqlite), an AUTOINCREMENT key an
// identity that also takes given values (a copied installation keeps its ids).
QString deSqlite(const QString& sql);

// The server's clock in UTC, as the program's own tables keep it (sqlite's CURRENT_TIMESTAMP).
QString agoraUtc();

}  // namespace DialectoPg
