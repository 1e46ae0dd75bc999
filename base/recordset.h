#pragma once

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QVariant>
#include <QVector>

// A read-only result, fully fetched: rows in the order the query returned them,
// read by column name (case-insensitive, as the database compares names).
class RecordSet {
  public:
    RecordSet() = default;
    RecordSet(QStringList columns, QVector<QVector<QVariant>> rows);

    bool isEmpty() const { return m_rows.isEmpty(); }
    int count() const { return int(m_rows.size()); }
    bool eof() const { return m_pos >= m_rows.size(); }
    void moveFirst() { m_pos = 0; }
    void moveNext() { ++m_pos; }
    int position() const { return m_pos; }
    void setPosition(int row) { m_pos = row; }

    const QStringList& columns() const { return m_columns; }
    bool hasColumn(const QString& name) const;

    // Values of the current row. An unknown column throws DbError.
    QVariant value(const QString& column) const;
    QVariant value(int row, const QString& column) const;
    bool isNull(const QString& column) const;
    // Text of the value; null gives an empty text.
    QString text(const QString& column) const;
    QString text(int row, const QString& column) const;
    // Date-time stored as ISO text (sqlite) or as a native value (SQL Server).
    QDateTime dateTime(const QString& column) const;

    static QDateTime toDateTime(const QVariant& v);

  private:
    int indexOf(const QString& column) const;

    QStringList m_columns;
    QHash<QString, int> m_index;  // lower-case name -> column
    QVector<QVector<QVariant>> m_rows;
    int m_pos = 0;
};
