#pragma once

#include <memory>

#include "base/basedados.h"
#include "erp/sessaosage.h"

// A local ERP that keeps its documents in the ERP tables of the configured database
// (DocGCCab and DocGCLin), through a connection of its own, outside the program's
// transactions, as a separate ERP server would. It works only on a database that
// carries its marker table, and only for the company and credentials recorded there,
// so it can never write into a real ERP's tables.
class SessaoSageLocal : public SessaoSage {
  public:
    // Error numbers of its refusals.
    enum Erro : long {
        SemLigacao = 1001,
        DocumentoInexistente = 1002,
        DocumentoAnulado = 1003,
        DocumentoConvertido = 1004,
        DadosInvalidos = 1005,
        DocumentoExistente = 1006,
    };

    explicit SessaoSageLocal(SqlSettings database, QString connectionName = QStringLiteral("balantrix_erp"));
    ~SessaoSageLocal() override;

    void setOpcao(int opcao) override { m_opcao = opcao; }
    int opcao() const { return m_opcao; }
    bool ligar(const QString& s1, const QString& s2, const QString& s3, const QString& s4, const QString& s5) override;
    bool ligado() const override { return m_ligado; }
    void desligar() override;

    std::unique_ptr<ApiObject> criarObjecto(const QString& nome) override;
    void setOpcaoCriacao(bool valor) override { m_opcaoCriacao = valor; }
    void criarDocumento(const PedidoDocumento& pedido, short& resultado1, short& resultado2) override;
    bool sucesso() const override { return m_sucesso; }
    QString mensagem() const override { return m_mensagem; }
    std::unique_ptr<DocumentoComercial> documentoCriado() override;
    void gravarDocumento(int modo, int valor, DocumentoComercial& doc, long& erro) override;
    void anularDocumento(int tipo, const ChaveDocumento& chave, ResultadoAnulacao& resultado, long& erro) override;

    long ultimoErroNumero() const override { return m_erroNumero; }
    bool tiposDocumento(int tipoDocumento, QStringList& tipos) override;
    bool procurarDocumentos(const PesquisaDocumentos& pesquisa, QList<DocumentoEncontrado>& encontrados) override;
    QString ultimoErro() const override { return m_erro; }

    // What another ERP program does when it turns a document into another one.
    bool marcarConvertido(const ChaveDocumento& chave);

    QString empresa() const { return m_empresa; }
    // The ERP's own connection; null before a connect that reached the database.
    BaseDados* baseDados() { return m_db.get(); }

    // Used by the documents this session gives out.
    long lerDocumento(DocumentoComercial& doc, const ChaveDocumento& chave);
    long finalizarDocumento(DocumentoComercial& doc, ChaveDocumento& chave);

  private:
    bool fail(long numero, const QString& texto);
    void setErro(long numero, const QString& texto);
    bool requireDb();
    // The ERP's list of document types, made sure of once per connection.
    bool garantirTipos();
    // Stores header and lines; a new number is given when `numero` is 0.
    void inserir(DocumentoComercial& doc);
    void escreverLinhas(const DocumentoComercial& doc);
    RecordSet estado(const ChaveDocumento& chave);

    SqlSettings m_settings;
    QString m_connectionName;
    std::unique_ptr<BaseDados> m_db;
    int m_opcao = 0;
    bool m_opcaoCriacao = false;
    bool m_ligado = false;
    bool m_tiposGarantidos = false;
    QString m_empresa;
    QString m_utilizador;
    QString m_password;
    long m_erroNumero = 0;
    QString m_erro;
    bool m_sucesso = false;
    QString m_mensagem;
    std::unique_ptr<DocumentoComercial> m_criado;
};
