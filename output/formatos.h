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
// Text a user typed (names, observations), as a ticket prints it inside a line: its
// direction controls balanced (a closing one without its opening dropped, an open one
// closed at its end) and, when it holds right-to-left text or such controls, set apart
// between FSI and PDI, so it can never reverse the rest of the line.
QString isolado(const QString& texto);
}  // namespace Formatos
