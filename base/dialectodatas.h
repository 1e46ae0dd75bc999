#pragma once

#include <QString>

#include "base/sqlsettings.h"

// The calendar day (yyyy-MM-dd text) of a date-time column, for grouping: SQLite keeps
// date-times as ISO text, SQL Server and PostgreSQL as values.
inline QString sqlDiaDe(Backend b, const QString& coluna) {
    if (b == Backend::Mssql) return QStringLiteral("CONVERT(char(10), %1, 120)").arg(coluna);
    if (b == Backend::Postgresql) return QStringLiteral("to_char(%1, 'YYYY-MM-DD')").arg(coluna);
    return QStringLiteral("substr(%1, 1, 10)").arg(coluna);
}

// An exact sum of a money column as a whole number of ten-thousandths.
inline QString sqlSomaExacta(const QString& coluna) {
    return QStringLiteral("SUM(CAST(ROUND(COALESCE(%1, 0) * 10000, 0) AS BIGINT))").arg(coluna);
}
