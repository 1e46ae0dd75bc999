#pragma once

#include "base/errooperacao.h"

// A database failure as the operator sees it: a number and a description.
// Raised by BaseDados and carried up to the action that started the work.
class DbError : public ErroOperacao {
  public:
    DbError(qint64 numero, const QString& descricao, const QString& statement = {});

    QString statement() const { return m_statement; }
    // "Errors in the command": the statement itself was refused (unknown column,
    // syntax). The catalogue check reacts to these by repairing kel_sistema.
    bool isCommandError() const { return m_commandError; }
    void setCommandError(bool v) { m_commandError = v; }

    // The SQLSTATE of the failure where the driver gives one (PostgreSQL), e.g. "23505".
    QString estadoSql() const { return m_estadoSql; }
    void setEstadoSql(const QString& v) { m_estadoSql = v; }

  private:
    QString m_statement;
    bool m_commandError = false;
    QString m_estadoSql;
};
