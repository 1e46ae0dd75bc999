#pragma once

#include <QString>

// Identity of the program as windows, messages and the database show it.
namespace ProgramInfo {
inline QString title() {
    return QStringLiteral("Balantrix");
}
// The file description: title of outcome messages and of the about box.
inline QString description() {
    return QStringLiteral("Balantrix - Gestão de Pesagens");
}
inline QString version() {
    return QStringLiteral(BALANTRIX_VERSION);
}

// major.minor.revision as twelve digits, four per number ("21.1.3" -> 002100010003);
// a number longer than four digits keeps its last four.
QString versionText(const QString& version);
}  // namespace ProgramInfo
