#pragma once

#include <memory>

#include "basedados.h"
#include "sessaosage.h"

// A local ERP that keeps its documents in the ERP tables of the configured database,
// through a connection of its own (as a separate ERP server would). It works only on
// a database that carries its marker table, and only for the company and credentials
// recorded there, so it can never write into a real ERP's tables.
class SessaoSageLocal : public SessaoSage {
public:
    explicit SessaoSageLocal(SqlSettings database, QString connectionName = QStringLiteral("balantrix_erp"));
    ~SessaoSageLocal() override;

    void setOpcao(int opcao) override { m_opcao = opcao; }
    int opcao() const { return m_opcao; }
    bool ligar(const QString& s1, const QString& s2, const QString& s3, const QString& s4, const QString& s5) override;
    bool ligado() const override { return m_ligado; }
    void desligar() override;
    long ultimoErroNumero() const override { return m_erroNumero; }
    QString ultimoErro() const override { return m_erro; }

    QString empresa() const { return m_empresa; }
    // The ERP's own connection; null before a connect that reached the database.
    BaseDados* baseDados() { return m_db.get(); }

private:
    bool fail(long numero, const QString& texto);

    SqlSettings m_settings;
    QString m_connectionName;
    std::unique_ptr<BaseDados> m_db;
    int m_opcao = 0;
    bool m_ligado = false;
    QString m_empresa;
    long m_erroNumero = 0;
    QString m_erro;
};
