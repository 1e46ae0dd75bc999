#pragma once

#include <QList>
#include <QString>
#include <QVariantList>
#include <memory>

// Objects of the ERP's API are created by name and addressed by member name; this
// is the common base of everything such a creation can give back.
class ApiObject {
  public:
    virtual ~ApiObject() = default;
    virtual QString nomeClasse() const = 0;
};

// Key of an ERP commercial document.
struct ChaveDocumento {
    short ano = 0;
    QString tipo;
    short serie = 0;
    int numero = 0;
    // "TYPE/series/number/year", as manual-cancellation lists show it.
    QString texto() const {
        return tipo + QLatin1Char('/') + QString::number(serie) + QLatin1Char('/') + QString::number(numero) +
               QLatin1Char('/') + QString::number(ano);
    }
    bool operator==(const ChaveDocumento&) const = default;
};

// Header `Cab` of a commercial document. Members keep the API's names.
struct CabDocumento {
    short Ano = 0;
    QString Data;  // "dd-mm-yyyy"
    short AreaGestao = 0;
    QString Sector;
    short Serie = 0;
    QString TipoDocumento;
    short TipoTerceiro = 0;
    QString Terceiro;
    QString NumeroContribuinte;
    short DescontoCabecalho = 0;
    QString Processo;
    QString VossoNoDocumento;
    QString MeiodeTransporte;
    QString Matricula;
    QString LocalCarga;
    QString LocalDescarga;
    QString HoraCarga;     // "hh:mm"
    QString HoraDescarga;  // "hh:mm"
    QString DataCarga;     // "dd-mm-yyyy"
    QString DataDescarga;  // "dd-mm-yyyy"
    QString OndeEntregarDoc;
    short SerieOriginal = 0;
    int NumeroOriginal = 0;
    short TipoPreco = 0;
    // Read back from the ERP.
    int NossoNoDocumento = 0;
    short NumeroViasemitidas = 0;  // -1: cancelled
    short Convertido = 0;          // -1: converted into another document
};

struct LinhaDocumento {
    QString Artigo;
    QString Descricao;
    QString Quantidade;
    QString QuantidadeOrigem;
    QString Armazem;
};

// `Linhas`: items numbered from 1 to Count.
class LinhasDocumento {
  public:
    int Count() const { return int(m_linhas.size()); }
    LinhaDocumento& item(int i) { return m_linhas[i - 1]; }
    const LinhaDocumento& item(int i) const { return m_linhas[i - 1]; }
    void adicionar(LinhaDocumento l) { m_linhas << std::move(l); }
    void limpar() { m_linhas.clear(); }

  private:
    QList<LinhaDocumento> m_linhas;
};

// The API's commercial document (class "DocumentoComercial").
class DocumentoComercial : public ApiObject {
  public:
    QString nomeClasse() const override { return QStringLiteral("DocumentoComercial"); }

    CabDocumento Cab;
    LinhasDocumento Linhas;
    QString UltimaMensagem;

    // Reads an existing document into this object; 0 when read.
    virtual long Ler(short& ano, short& serie, int& numero, QString& tipo) = 0;
    // Gives a created document its number and stores it; 0 on success. The key
    // arguments receive the final key.
    virtual long Finalizar(short& ano, QString& tipo, short& serie, int& numero) = 0;
};
