#include "base/pastarede.h"

#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <sys/vfs.h>
#endif

QString PastaRede::nomeDoTipo(qint64 tipo) {
    switch (quint32(tipo)) {
        case 0x6969u:
            return QStringLiteral("NFS");
        case 0x517Bu:
            return QStringLiteral("SMB");
        case 0xFF534D42u:
            return QStringLiteral("CIFS/SMB");
        case 0xFE534D42u:
            return QStringLiteral("SMB2");
        case 0x564Cu:
            return QStringLiteral("NCP");
        case 0x5346414Fu:
            return QStringLiteral("AFS");
        case 0x6B414653u:
            return QStringLiteral("AFS");
        case 0x73757245u:
            return QStringLiteral("Coda");
        case 0x01021997u:
            return QStringLiteral("9P");
        case 0x00C36400u:
            return QStringLiteral("Ceph");
        case 0x0BD00BD0u:
            return QStringLiteral("Lustre");
        case 0x01161970u:
            return QStringLiteral("GFS2");
        case 0x7461636Fu:
            return QStringLiteral("OCFS2");
        default:
            return {};
    }
}

QString PastaRede::sistemaDe(const QString& path) {
#ifdef Q_OS_LINUX
    const QFileInfo info(path);
    // The folder decides: the file may not exist yet, and it is where the -wal and -shm
    // files go as well.
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    struct statfs st {};
    if (::statfs(folder.constData(), &st) != 0) return {};
    return nomeDoTipo(qint64(st.f_type));
#else
    Q_UNUSED(path);
    return {};
#endif
}
