#include "sessaosagelocal.h"

#include "erpschema.h"

SessaoSageLocal::SessaoSageLocal(SqlSettings database, QString connectionName)
    : m_settings(std::move(database)), m_connectionName(std::move(connectionName)) {}

SessaoSageLocal::~SessaoSageLocal() { desligar(); }

bool SessaoSageLocal::fail(long numero, const QString& texto) {
    m_erroNumero = numero;
    m_erro = texto;
    m_db.reset();
    m_ligado = false;
    return false;
}

bool SessaoSageLocal::ligar(const QString& s1, const QString& s2, const QString& s3, const QString& s4,
                            const QString& s5) {
    Q_UNUSED(s2);  // the instance: the local ERP has one
    desligar();
    m_erroNumero = 0;
    m_erro.clear();
    if (s1.trimmed().isEmpty() || s3.trimmed().isEmpty() || s4.trimmed().isEmpty() || s5.isEmpty())
        return fail(1, QStringLiteral("Parâmetros de ligação ao ERP incompletos."));

    auto db = std::make_unique<BaseDados>(m_connectionName);
    if (!db->abrir(m_settings, BaseDados::OpenMode::MustExist)) {
        // The database itself is reported by the program's own open, which follows at
        // start-up; the ERP verifies the company as soon as the database can be reached.
        m_ligado = true;
        m_empresa = s3.trimmed();
        return true;
    }
    try {
        if (!db->tableExists(ErpSchema::markerTable()))
            return fail(2, QStringLiteral("A base de dados indicada não é uma base de dados do ERP local."));
        const RecordSet rs = db->consultar(
            QStringLiteral("SELECT Empresa, Utilizador, Password FROM ERP_Local WHERE Empresa = ? AND Utilizador = ?"),
            {s3.trimmed(), s4.trimmed()});
        if (rs.isEmpty() || rs.text(QStringLiteral("Password")) != s5)
            return fail(3, QStringLiteral("Empresa, utilizador ou palavra-passe do ERP inválidos."));
        m_empresa = rs.text(QStringLiteral("Empresa"));
    } catch (const DbError& e) {
        return fail(e.numero(), e.descricao());
    }
    m_db = std::move(db);
    m_ligado = true;
    return true;
}

void SessaoSageLocal::desligar() {
    m_db.reset();
    m_ligado = false;
}
