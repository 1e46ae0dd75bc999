#pragma once

#include <QString>
#include <QStringList>

#include "base/sqlsettings.h"

// What a template's query may read and call. A ticket or a statement shows the weighing,
// its copies and complement, the party, its address, the article, the plate, the driver
// and the company's heading; nothing else. The program's keys, notes, options and
// counters, the ERP's login table and the database's own catalogue stay out of reach.
namespace PermissoesModelo {

// Whether a template may read this column of this table (names without case). An empty
// column asks about the table alone (a COUNT(*) reads no column).
bool podeLer(const QString& tabela, const QString& coluna = {});
QStringList tabelas();

// Plain functions with no side effect, no access to files or the library, and no way to
// make a value much larger than their arguments.
bool funcaoPermitida(const QString& nome, Backend dialecto);

// Names a query may not even mention: the key and notes tables, the ERP's password
// table, the database's catalogue (sqlite_master, sys, INFORMATION_SCHEMA).
bool nomeReservado(const QString& nome);

// Longest query text accepted (a ticket's is about 2,000 characters).
constexpr int tamanhoMaximo = 20000;

}  // namespace PermissoesModelo
