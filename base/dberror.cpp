#include "base/dberror.h"

DbError::DbError(qint64 numero, const QString& descricao, const QString& statement)
    : ErroOperacao(numero, descricao), m_statement(statement) {}
