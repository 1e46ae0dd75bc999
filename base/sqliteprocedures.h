#pragma once

#include <QList>
#include <QString>

#include "base/basedados.h"

// The program's stored procedures for the sqlite backend, with the behaviour of
// their T-SQL texts: same parameters, same results, texts cut to the declared
// parameter sizes as SQL Server does on assignment.
namespace SqliteProcedures {
ProcResult call(BaseDados& db, const QString& name, const QList<ProcParam>& params);
}
