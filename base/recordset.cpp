#include "base/recordset.h"

#include "base/dberror.h"

RecordSet::RecordSet(QStringList columns, QVector<QVector<QVariant>> rows)
    : m_columns(std::move(columns)), m_rows(std::move(rows)) {
    for (int i = 0; i < m_columns.size(); ++i) {
        const QString key = m_columns[i].toLower();
        if (!m_index.contains(key)) m_index.insert(key, i);
    }
}

bool RecordSet::hasColumn(const QString& name) const {
    return m_index.contains(name.toLower());
}

int RecordSet::indexOf(const QString& column) const {
    const auto it = m_index.constFind(column.toLower());
    if (it == m_index.constEnd()) {
        // Asking for a column the table lacks is an error in the command, as the
        // database would report for the same name in the statement.
        DbError e(-1, QStringLiteral("Coluna desconhecida no resultado: ") + column);
        e.setCommandError(true);
        throw e;
    }
    return *it;
}

QVariant RecordSet::value(int row, const QString& column) const {
    const int col = indexOf(column);
    if (row < 0 || row >= m_rows.size())
        throw DbError(-1, QStringLiteral("Não existe registo actual (fim dos dados)."));
    return m_rows[row][col];
}

QVariant RecordSet::value(const QString& column) const {
    return value(m_pos, column);
}

bool RecordSet::isNull(const QString& column) const {
    return value(column).isNull();
}

QString RecordSet::text(int row, const QString& column) const {
    const QVariant v = value(row, column);
    return v.isNull() ? QString() : v.toString();
}

QString RecordSet::text(const QString& column) const {
    return text(m_pos, column);
}

QDateTime RecordSet::toDateTime(const QVariant& v) {
    if (v.isNull()) return {};
    if (v.typeId() == QMetaType::QDateTime) return v.toDateTime();
    if (v.typeId() == QMetaType::QDate) return QDateTime(v.toDate(), QTime(0, 0));
    const QString s = v.toString().trimmed();
    QDateTime dt = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!dt.isValid()) dt = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    if (!dt.isValid()) dt = QDateTime::fromString(s, Qt::ISODate);
    if (!dt.isValid()) dt = QDateTime(QDate::fromString(s, QStringLiteral("yyyy-MM-dd")), QTime(0, 0));
    return dt;
}

QDateTime RecordSet::dateTime(const QString& column) const {
    return toDateTime(value(column));
}
