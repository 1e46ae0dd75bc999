#include "widgets/catalogscript.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

QString CatalogScript::resolve(const QString& path) {
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    if (QFileInfo(clean).isFile()) return clean;
    const QStringList parts = clean.split(QLatin1Char('/'));
    // Walk from the root, keeping the parts that exist as written and looking up the others.
    QString current = parts.value(0).isEmpty() ? QStringLiteral("/") : parts.value(0);
    for (int i = 1; i < parts.size(); ++i) {
        const QString& part = parts[i];
        if (part.isEmpty()) continue;
        const QDir dir(current);
        QString found;
        if (QFileInfo::exists(dir.filePath(part))) {
            found = part;
        } else {
            const QStringList entries = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
            for (const QString& e : entries)
                if (e.compare(part, Qt::CaseInsensitive) == 0) {
                    found = e;
                    break;
                }
        }
        if (found.isEmpty()) return {};
        current = dir.filePath(found);
    }
    return QFileInfo(current).isFile() ? current : QString();
}

QStringList CatalogScript::batches(const QString& script) {
    static const QRegularExpression separator(
        QStringLiteral("^\\s*GO\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
    QStringList out;
    for (const QString& piece : script.split(separator)) {
        const QString t = piece.trimmed();
        bool onlyComments = true;
        for (const QString& line : t.split(QLatin1Char('\n')))
            if (!line.trimmed().isEmpty() && !line.trimmed().startsWith(QStringLiteral("--"))) onlyComments = false;
        if (!onlyComments) out << t;
    }
    return out;
}
