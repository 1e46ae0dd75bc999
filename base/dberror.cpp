#include "base/dberror.h"

DbError::DbError(qint64 numero, const QString& descricao, const QString& statement)
    : std::runtime_error(descricao.toStdString()), m_numero(numero), m_descricao(descricao), m_statement(statement) {}

QString DbError::texto() const {
    return QString::number(m_numero) + QStringLiteral(" - ") + m_descricao;
}
