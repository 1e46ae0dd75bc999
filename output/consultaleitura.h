#pragma once

#include <QStringList>
#include <QVariantList>
#include <memory>

#include "base/dberror.h"
#include "base/recordset.h"
#include "base/sqlsettings.h"

class BaseDados;
class QSqlQuery;
struct GuardaConsulta;

// Runs the queries of ticket templates, which administrators edit and copy between
// sites, on a connection of their own that cannot change data, read secrets or hold
// the program up:
// - sqlite: opened read-only with "PRAGMA query_only", defensive mode on, the
//   two-argument fts3_tokenizer() and extensions off, small length limits, an
//   authorizer that lets it read only what PermissoesModelo allows and call only its
//   functions, and a time limit through the progress handler;
// - SQL Server: the templates' own login when configured (SQL LoginModelos), the ODBC
//   read-only access mode, a query time-out, inside a transaction that is always
//   rolled back.
// Both stop at a row limit. The connection is opened at the first query and kept.
class ConsultaLeitura {
  public:
    explicit ConsultaLeitura(SqlSettings settings);
    ~ConsultaLeitura();
    ConsultaLeitura(const ConsultaLeitura&) = delete;
    ConsultaLeitura& operator=(const ConsultaLeitura&) = delete;

    static constexpr int tempoLimiteMs = 5000;

    // Throws DbError when the connection cannot be opened or the database fails the query;
    // ErroModelo when the query is refused, runs past the time limit, or gives more than
    // `maxLinhas` rows (0: no limit). The description says which in Portuguese.
    RecordSet consultar(const QString& sql, const QVariantList& params, int maxLinhas = 0);
    void setTempoLimite(int ms) { m_tempoLimite = ms; }
    // Only prepares the query (sqlite: through the authorizer), so a template can be
    // judged before it is installed. Throws as consultar() does.
    void preparar(const QString& sql);

    // The settings the template connection opens with (on SQL Server the templates' login).
    static SqlSettings ligacao(const SqlSettings& s);
    // What runs on SQL Server around a template's query, in order; the last one runs
    // whether the query succeeded or not.
    static QStringList instrucoesMssql(const QString& consulta);
    static QStringList instrucoesPostgresql(const QString& consulta);

  private:
    void abrir();
    RecordSet ler(QSqlQuery& q, const QString& sql, int maxLinhas);
    [[noreturn]] void falhar(const QSqlQuery& q, const QString& sql) const;

    SqlSettings m_settings;
    int m_tempoLimite = tempoLimiteMs;
    std::unique_ptr<BaseDados> m_db;
    std::unique_ptr<GuardaConsulta> m_guarda;
};
