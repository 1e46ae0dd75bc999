#include "pastas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString Pastas::trabalho() {
    const QString env = qEnvironmentVariable("BALANTRIX_DATA_DIR");
    QString folder = env.isEmpty()
                         ? QStandardPaths::writableLocation(QStandardPaths::TempLocation) + QStringLiteral("/Balantrix")
                         : env + QStringLiteral("/trabalho");
    folder = QDir::cleanPath(folder);
    if (!QFileInfo(folder).isDir()) {
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    return folder;
}

QString Pastas::modelo(const QString& programFolder, const QString& configFolder, const QString& nome) {
    const QString own = QDir::cleanPath(programFolder + QStringLiteral("/mapas/") + nome);
    if (!configFolder.isEmpty()) {
        const QString user = QDir::cleanPath(configFolder + QStringLiteral("/mapas/") + nome);
        if (user != own && QFileInfo(user).isFile()) return user;
    }
    return own;
}
