#include "base/programinfo.h"

#include <QStringList>

QString ProgramInfo::versionText(const QString& version) {
    QStringList parts = version.split(QLatin1Char('.'));
    while (parts.size() < 3) parts << QStringLiteral("0");
    QString out;
    for (int i = 0; i < 3; ++i) {
        QString n = QString::number(parts[i].trimmed().toLongLong());
        n = n.rightJustified(4, QLatin1Char('0'));
        out += n.right(4);
    }
    return out;
}
