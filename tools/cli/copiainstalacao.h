#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

class BaseDados;

// Moves a whole installation from one database into another, empty one (SQLite to
// PostgreSQL, or back): every table the installation has, with its rows and ids as they
// are, in one transaction on the target.
class CopiaInstalacao {
  public:
    using Progresso = std::function<void(const QString&)>;
    CopiaInstalacao(BaseDados& origem, BaseDados& destino, Progresso progresso);

    // Refuses (with a reason) a target whose installation tables hold rows.
    bool destinoVazio(QString& motivo);
    // Creates what is missing on the target and copies every row. Throws DbError, or
    // RegraRecusada for a target of another shape; the target is then left as it was.
    void copiar();
    // Row counts of every copied table on both sides; the differences as texts.
    QStringList compararContagens();

    const QStringList& tabelas() const { return m_tabelas; }
    qint64 linhasCopiadas() const { return m_linhas; }

  private:
    void copiarTabela(const QString& tabela, int n, int total);
    void acertarIdentidades();

    BaseDados& m_origem;
    BaseDados& m_destino;
    Progresso m_progresso;
    QStringList m_tabelas;
    qint64 m_linhas = 0;
};
