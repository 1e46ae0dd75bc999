#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

// Display formats of tickets. Weights follow the program's one rule (see Money):
// "###,###.#0" written the Portuguese way, '.' between thousands and ',' before the
// two decimals, whatever the workstation's regional settings are.
namespace Formatos {
// 12340 -> "12.340,00"; -1234.5 -> "-1.234,50"; a null or non-numeric value -> "".
QString peso(const QVariant& kg);
QString peso(double kg);
// "dd-MM-yyyy hh:mm" and "dd-MM-yyyy"; empty for a null or invalid value.
QString dataHora(const QDateTime& dt);
QString data(const QDateTime& dt);
}  // namespace Formatos
