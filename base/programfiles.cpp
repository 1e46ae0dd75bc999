#include "base/programfiles.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool holdsFiles(const QString& folder) {
    return QFileInfo(folder + QStringLiteral("/mapas")).isDir() ||
           QFileInfo(folder + QStringLiteral("/Catalogos")).isDir();
}

// Relative to the executable, so an installation under any prefix finds its files.
QString installedFolder(const QString& programFolder) {
    return QDir::cleanPath(programFolder + QLatin1Char('/') + QStringLiteral(BALANTRIX_INSTALLED_DATA));
}

}  // namespace

bool ProgramFiles::installed(const QString& programFolder) {
    return !programFolder.isEmpty() && !holdsFiles(programFolder) && holdsFiles(installedFolder(programFolder));
}

QString ProgramFiles::dataFolder(const QString& programFolder) {
    return installed(programFolder) ? installedFolder(programFolder) : programFolder;
}
