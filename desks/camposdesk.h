#pragma once

#include <QHashFunctions>
#include <QString>
#include <QVector>
#include <optional>

// The desk's fields by meaning. A position of the window (campo_11, campo_19) may
// mean one thing on the outgoing desk and another on the incoming one: each meaning
// has its own name, and each desk's table says where (and whether) it stands.
enum class Campo {
    Terceiro,       // customer / supplier code
    Morada,         // delivery / alternative address code
    Artigo,         // article code
    Vasilhame,      // container deduction
    Nome,           // party name
    Endereco,       // address line
    Localidade,     // locality
    CodPostal,      // postal code
    Contribuinte,   // tax number
    Peso,           // the weight being taken (weighing panel)
    Matricula,      // vehicle plate
    RefCliente,     // outgoing: customer reference
    Qualidade,      // incoming: quality deduction
    Observacoes,    // observations
    Efectivo,       // effective weight
    DataEntrada,    // date/time of the first weighing
    DataSaida,      // date/time of the second weighing
    Bruto,          // gross weight
    Tara,           // tare
    Liquido,        // net weight
    LocalCarga,     // outgoing: place of loading
    LocalDescarga,  // outgoing: place of unloading
    RefEntrega,     // outgoing: delivery reference
    Email,          // the party's e-mail for documents
    TipoMorada,     // outgoing: address type code
};
inline constexpr int kNumNomesCampo = int(Campo::TipoMorada) + 1;
inline size_t qHash(Campo c, size_t seed = 0) {
    return ::qHash(int(c), seed);
}

enum class TipoCampo {
    Texto,
    Codigo,    // checked against a table, with a lookup list
    Peso,      // a weight or deduction the operator may type (every decimal held)
    Leitura,   // the weight of the panel: digits only
    Registo,   // a weight of the record: written by the desk, never typed
    DataHora,  // written by the desk, never typed
    Memo,      // multi-line
};

// One field of a desk: where the window shows it (its index: campo_N, btlista_N),
// the name messages give it, the window's tooltip, its longest text and its kind.
struct CampoDesk {
    Campo nome;
    int indice;
    QString legenda;
    QString dica;
    int maximo;
    TipoCampo tipo;
};

// The tab pages of the desk.
enum class Pagina { Dados, Terceiro, Observacoes, Carga };
inline constexpr int kNumPaginas = 4;

// What a confirmation does once it has saved: nothing more, print, or e-mail the ticket.
enum class Gravacao { Confirmar, Imprimir, Email };

// Every field of a desk, in the order of their window indices.
class CamposDesk {
  public:
    explicit CamposDesk(QVector<CampoDesk> campos);

    const QVector<CampoDesk>& todos() const { return m_campos; }
    bool tem(Campo c) const { return m_porNome[int(c)] >= 0; }
    // Fields this desk lacks have no entry (null).
    const CampoDesk* campo(Campo c) const { return tem(c) ? &m_campos[m_porNome[int(c)]] : nullptr; }
    int indice(Campo c) const { return tem(c) ? m_campos[m_porNome[int(c)]].indice : -1; }
    std::optional<Campo> noIndice(int indice) const;
    QString legenda(Campo c) const { return tem(c) ? campo(c)->legenda : QString(); }
    // The window's object name of the field: campo_N.
    QString objecto(Campo c) const { return QStringLiteral("campo_%1").arg(indice(c)); }
    QString objectoLista(Campo c) const { return QStringLiteral("btlista_%1").arg(indice(c)); }

    static const CamposDesk& saidas();
    static const CamposDesk& entradas();

  private:
    QVector<CampoDesk> m_campos;
    int m_porNome[kNumNomesCampo];
};
