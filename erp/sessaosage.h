#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>

#include "erp/documentocomercial.h"

// Arguments of the document creation of a completed weighing, in the order the
// completion passes them. The five line lists start at index 1; index 0 stays empty.
struct PedidoDocumento {
    int tipoDocumento = 0;  // kind: 3 outgoing delivery note, 1 incoming receipt
    int zero1 = 0;
    QString tipo;  // document type
    QString sector;
    short serie = 0;
    QString terceiro;    // customer or supplier code
    QString referencia;  // ticket reference text
    QString texto1;
    QString data;  // "dd-mm-yyyy"
    QString texto2;
    QString armazem;
    int zero2 = 0;
    QString texto3;
    QStringList artigos;
    QStringList descricoes;
    QList<double> quantidades;
    QList<double> numeros2;
    QStringList textos2;
};

// Result record of a cancellation: its first value is -1 when the document ended
// up cancelled.
struct ResultadoAnulacao {
    QVariantList valores;
    bool anulado() const { return !valores.isEmpty() && valores.first().toInt() == -1; }
};

// A search for the documents of a weighing: a reference alone is not unique, so the
// party, document type and series go with it.
struct PesquisaDocumentos {
    QString referencia;      // VossoNoDocumento
    short tipoTerceiro = 0;  // 1 supplier, 2 customer
    QString terceiro;
    QString tipo;
    short serie = 0;
};

struct DocumentoEncontrado {
    ChaveDocumento chave;
    bool anulado = false;     // NumeroViasemitidas -1
    bool convertido = false;  // Convertido -1
    bool vivo() const { return !anulado; }
};

// The ERP session: one per run, connected at start-up and disconnected when the main
// window closes; every document operation of the program goes through it.
class SessaoSage {
  public:
    virtual ~SessaoSage() = default;

    // Option number given before connecting (start-up gives 2).
    virtual void setOpcao(int opcao) = 0;
    // Connects with the five ERP settings in order; settings 1, 3, 4 and 5 are required.
    virtual bool ligar(const QString& s1, const QString& s2, const QString& s3, const QString& s4,
                       const QString& s5) = 0;
    virtual bool ligado() const = 0;
    virtual void desligar() = 0;

    // Creates an API object by its name ("Library.Class"); null when it cannot.
    virtual std::unique_ptr<ApiObject> criarObjecto(const QString& nome) = 0;

    // The option set before a document creation.
    virtual void setOpcaoCriacao(bool valor) = 0;
    // Creates a document; the outcome is read with sucesso()/mensagem(), the document
    // (a draft until Finalizar) with documentoCriado().
    virtual void criarDocumento(const PedidoDocumento& pedido, short& resultado1, short& resultado2) = 0;
    virtual bool sucesso() const = 0;
    virtual QString mensagem() const = 0;
    virtual std::unique_ptr<DocumentoComercial> documentoCriado() = 0;

    // The three save operations: 0 a new document, 1 a new document keeping the
    // number it carries, 2 an update of an existing one. `erro` is 0 on success.
    virtual void gravarDocumento(int modo, int valor, DocumentoComercial& doc, long& erro) = 0;

    // Cancels a document (kind 1, or 3 for one a failed completion created).
    virtual void anularDocumento(int tipo, const ChaveDocumento& chave, ResultadoAnulacao& resultado, long& erro) = 0;

    // Every document, live or cancelled, that carries the reference for that party,
    // type and series. False (with ultimoErro) when the ERP could not be asked.
    virtual bool procurarDocumentos(const PesquisaDocumentos& pesquisa, QList<DocumentoEncontrado>& encontrados) = 0;

    // The document types the ERP makes for a kind (3 delivery note, 1 goods receipt).
    // False (with ultimoErro) when the ERP could not be asked.
    virtual bool tiposDocumento(int tipoDocumento, QStringList& tipos) = 0;

    // Number and text of the last failure (0 and empty when the last call succeeded).
    virtual long ultimoErroNumero() const = 0;
    virtual QString ultimoErro() const = 0;
};
