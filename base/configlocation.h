#pragma once

#include <QString>

// Where the workstation's configuration lives: the "norvak" folder under the base
// data folder, or the program's own folder when that folder does not exist (never an
// installed program's folder).
namespace ConfigLocation {
// BALANTRIX_DATA_DIR when set (tests, portable installs), else the platform's data folder.
QString baseDataFolder();
QString norvakFolder();
QString configFolder(const QString& programFolder);
// No argument: Balantrix.kel; otherwise the argument taken as a file name in that folder.
QString configFile(const QString& programFolder, const QString& argument = {});
inline QString defaultFileName() {
    return QStringLiteral("Balantrix.kel");
}
}  // namespace ConfigLocation
