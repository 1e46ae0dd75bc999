#pragma once

#include <sys/stat.h>
#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>

// A file's or folder's permission bits (of a link itself, never its target); -1 when missing.
inline int permissoes(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// A database file and its log as bytes: what anyone who can read them has. Read by another
// process: closing a descriptor of the file here would drop the locks of this process's own
// connection to it.
inline QByteArray bytesDaBase(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("cat"), {path, path + QStringLiteral("-wal")});
    p.waitForFinished(20000);
    return p.readAllStandardOutput();
}
