#pragma once

#include <QVariantList>
#include <memory>

#include "recordset.h"
#include "sqlsettings.h"

class BaseDados;

// Runs the queries of ticket templates, which users may edit, so that they cannot
// change data: on sqlite through a connection of its own with "PRAGMA query_only";
// on SQL Server inside a transaction that is always rolled back. The connection is
// opened at the first query and kept for the next ones.
class ConsultaLeitura {
public:
    explicit ConsultaLeitura(SqlSettings settings);
    ~ConsultaLeitura();
    ConsultaLeitura(const ConsultaLeitura&) = delete;
    ConsultaLeitura& operator=(const ConsultaLeitura&) = delete;

    // Throws DbError when the connection cannot be opened or the query fails.
    RecordSet consultar(const QString& sql, const QVariantList& params);

private:
    SqlSettings m_settings;
    std::unique_ptr<BaseDados> m_db;
};
