#pragma once

#include <QStringList>

#include "base/sqlsettings.h"

class BaseDados;

// The tables of an installation: the ERP's (local ERP), the catalogue's and the program's
// own beside it, named as their creation statements name them. Read from those
// statements, so a table added to any of them is known here without a second list.
namespace TabelasInstalacao {
QStringList todas();
// Those of todas() that exist in the database, in the same order.
QStringList presentes(BaseDados& db);
// Creates, in an empty database, every table and index an installation has (the ERP's
// only when `comErp`), the catalogue at the current version, without rows. Throws DbError.
void criarVazias(BaseDados& db, bool comErp);
}  // namespace TabelasInstalacao
