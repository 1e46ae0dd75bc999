#pragma once

#include <QString>
#include <QStringList>

// The catalogue script shipped beside the program ("Catalogos/bd.sql").
namespace CatalogScript {
// The file as it lies on disk: callers write the folder as "Catalogos" or "catalogos",
// and on a case-sensitive file system only one spelling exists. Each missing part of
// the path is looked up without regard to case. Empty when nothing matches.
QString resolve(const QString& path);

// The batches of a T-SQL script: the text between lines holding only "GO" (any case),
// trimmed, empty batches left out.
QStringList batches(const QString& script);
}  // namespace CatalogScript
