#include "output/pastas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "base/programfiles.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#endif

namespace {

QString falha(QString* erro, const QString& texto) {
    if (erro) *erro = texto;
    return {};
}

}  // namespace

QString Pastas::trabalho(QString* erro) {
    const QString env = qEnvironmentVariable("BALANTRIX_DATA_DIR");
    QString folder;
    if (!env.isEmpty()) {
        folder = env + QStringLiteral("/trabalho");
    } else {
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        if (cache.isEmpty())
            return falha(erro, QStringLiteral("Não foi possível determinar a pasta de trabalho deste utilizador "
                                              "(defina BALANTRIX_DATA_DIR)."));
        folder = cache + QStringLiteral("/Balantrix");
    }
    folder = QDir::cleanPath(QDir(folder).absolutePath());
#ifdef Q_OS_UNIX
    const QByteArray local = QFile::encodeName(folder);
    QDir().mkpath(QFileInfo(folder).absolutePath());
    if (::mkdir(local.constData(), 0700) != 0 && errno != EEXIST)
        return falha(erro, QStringLiteral("Não foi possível criar a pasta de trabalho %1: %2")
                               .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    struct stat st {};
    if (::lstat(local.constData(), &st) != 0)
        return falha(erro, QStringLiteral("Não foi possível ler a pasta de trabalho %1: %2")
                               .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    if (S_ISLNK(st.st_mode))
        return falha(
            erro,
            QStringLiteral("A pasta de trabalho %1 é uma ligação simbólica; por segurança não é usada.").arg(folder));
    if (!S_ISDIR(st.st_mode)) return falha(erro, QStringLiteral("A pasta de trabalho %1 não é uma pasta.").arg(folder));
    if (st.st_uid != ::geteuid())
        return falha(erro, QStringLiteral("A pasta de trabalho %1 pertence a outro utilizador (uid %2); por segurança "
                                          "não é usada. Apague-a ou indique outra pasta em BALANTRIX_DATA_DIR.")
                               .arg(folder)
                               .arg(st.st_uid));
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return falha(erro, QStringLiteral("A pasta de trabalho %1 pode ser alterada por outros utilizadores "
                                          "(permissões %2); por segurança não é usada. Corrija-a (chmod 700) ou "
                                          "apague-a.")
                               .arg(folder)
                               .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0')));
    // Ours and closed to writers: only readers left to shut out.
    if (st.st_mode & 077) ::chmod(local.constData(), 0700);
#else
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        return falha(erro, QStringLiteral("Não foi possível criar a pasta de trabalho %1.").arg(folder));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#endif
    return folder;
}

QString Pastas::modelo(const QString& programFolder, const QString& configFolder, const QString& nome) {
    const QString own = QDir::cleanPath(ProgramFiles::dataFolder(programFolder) + QStringLiteral("/mapas/") + nome);
    if (!configFolder.isEmpty()) {
        const QString user = QDir::cleanPath(configFolder + QStringLiteral("/mapas/") + nome);
        if (user != own && QFileInfo(user).isFile()) return user;
    }
    return own;
}
