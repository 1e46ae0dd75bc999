#pragma once

#include "erp/sessaosage.h"

// An ERP session for tests that only care about connecting: every document
// operation refuses.
class FakeSessao : public SessaoSage {
  public:
    void setOpcao(int) override {}
    bool ligar(const QString&, const QString&, const QString&, const QString&, const QString&) override { return true; }
    bool ligado() const override { return true; }
    void desligar() override {}
    std::unique_ptr<ApiObject> criarObjecto(const QString&) override { return nullptr; }
    void setOpcaoCriacao(bool) override {}
    void criarDocumento(const PedidoDocumento&, short&, short&) override {}
    bool sucesso() const override { return false; }
    QString mensagem() const override { return QStringLiteral("Sem ERP."); }
    std::unique_ptr<DocumentoComercial> documentoCriado() override { return nullptr; }
    void gravarDocumento(int, int, DocumentoComercial&, long& erro) override { erro = 1; }
    void anularDocumento(int, const ChaveDocumento&, ResultadoAnulacao& r, long& erro) override {
        r.valores = {0};
        erro = 1;
    }
    bool procurarDocumentos(const PesquisaDocumentos&, QList<DocumentoEncontrado>& encontrados) override {
        encontrados.clear();
        return false;
    }
    bool tiposDocumento(int, QStringList& tipos) override {
        tipos.clear();
        return false;
    }
    long ultimoErroNumero() const override { return 0; }
    QString ultimoErro() const override { return {}; }
};
