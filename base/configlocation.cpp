#include "base/configlocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "base/programfiles.h"

QString ConfigLocation::baseDataFolder() {
    const QString env = qEnvironmentVariable("BALANTRIX_DATA_DIR");
    QString base = env.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) : env;
    while (base.size() > 1 && (base.endsWith(QLatin1Char('/')) || base.endsWith(QLatin1Char('\\')))) base.chop(1);
    return base;
}

QString ConfigLocation::norvakFolder() {
    return baseDataFolder() + QStringLiteral("/norvak");
}

QString ConfigLocation::configFolder(const QString& programFolder) {
    const QString norvak = norvakFolder();
    // An installed program's folder (/usr/bin) is no place for a configuration: there the
    // norvak folder is used even before it exists (it is created when the file is written).
    return QFileInfo(norvak).isDir() || ProgramFiles::installed(programFolder) ? norvak : programFolder;
}

QString ConfigLocation::configFile(const QString& programFolder, const QString& argument) {
    const QString folder = configFolder(programFolder);
    const QString name = argument.trimmed().isEmpty() ? defaultFileName() : argument.trimmed();
    return QDir::cleanPath(folder + QLatin1Char('/') + name);
}
