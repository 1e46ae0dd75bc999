#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

// The days a date of the program can be: those SQL Server's datetime holds (1753 to
// 9999). Every date typed at a desk or given on the command line is checked here before
// it reaches a statement, so no backend stores a date another cannot read.
namespace DatasBase {
inline QDate primeiroDia() {
    return QDate(1753, 1, 1);
}
inline QDate ultimoDia() {
    return QDate(9999, 12, 31);
}
bool aceite(const QDate& d);
// Empty when the date can be used, else why not (naming `oque`, e.g. "A data da pesagem").
QString erro(const QDate& d, const QString& oque);
// A date typed as DD-MM-AAAA: the date, or nothing with `motivo` set.
std::optional<QDate> ler(const QString& texto, QString* motivo = nullptr);
// Empty when the period is sound, else why not (a start after its end).
QString erroPeriodo(const QDate& de, const QDate& ate);
// The first instant after day `d`, as a bound "before": for the last day of the
// calendar, whose next day no database holds, its last second.
QDateTime depoisDoDia(const QDate& d);
}  // namespace DatasBase
