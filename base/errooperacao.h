#pragma once

#include <QString>
#include <stdexcept>

// A failure the operator reads: a number and a description. The kinds below and
// DbError (the database's own) are caught together where one button shows them all.
class ErroOperacao : public std::runtime_error {
  public:
    ErroOperacao(qint64 numero, const QString& descricao)
        : std::runtime_error(descricao.toStdString()), m_numero(numero), m_descricao(descricao) {}

    qint64 numero() const { return m_numero; }
    QString descricao() const { return m_descricao; }
    // "number - description", as messages show it.
    QString texto() const { return QString::number(m_numero) + QStringLiteral(" - ") + m_descricao; }

  private:
    qint64 m_numero;
    QString m_descricao;
};

// A setting the work needs is missing or wrong (mail server, PDF folder, a period asked for).
class ErroConfiguracao : public ErroOperacao {
  public:
    explicit ErroConfiguracao(const QString& descricao) : ErroOperacao(-1, descricao) {}
};

// A rule of the program refuses the work (a copy onto a database of another shape, a
// demonstration weighing the desk turned down).
class RegraRecusada : public ErroOperacao {
  public:
    explicit RegraRecusada(const QString& descricao) : ErroOperacao(-1, descricao) {}
};
