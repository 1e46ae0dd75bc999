#include "consultaleitura.h"

#include <QAtomicInt>

#include "basedados.h"

namespace {
QAtomicInt g_counter;
}

ConsultaLeitura::ConsultaLeitura(SqlSettings settings) : m_settings(std::move(settings)) {}

ConsultaLeitura::~ConsultaLeitura() = default;

RecordSet ConsultaLeitura::consultar(const QString& sql, const QVariantList& params) {
    if (!m_db) {
        auto db = std::make_unique<BaseDados>(QStringLiteral("balantrix-leitura-%1").arg(g_counter.fetchAndAddRelaxed(1)));
        if (!db->abrir(m_settings)) throw DbError(-1, db->ultimoErro());
        if (db->backend() == Backend::Sqlite) db->executar(QStringLiteral("PRAGMA query_only = ON"));
        m_db = std::move(db);
    }
    if (m_db->backend() == Backend::Sqlite) return m_db->consultar(sql, params);
    m_db->beginTransaction();
    try {
        RecordSet rs = m_db->consultar(sql, params);
        m_db->rollback();
        return rs;
    } catch (...) {
        m_db->rollback();
        throw;
    }
}
