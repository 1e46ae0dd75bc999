#pragma once

#include <QString>
#include <QVariantList>
#include <array>
#include <optional>

#include "base/sqlsettings.h"
#include "records/numeracao.h"

class BaseDados;
class RecordSet;
class OperatorMessages;
class ParametrosAplic;

// What a lookup list needs: title, statement with its bound values, window width
// and column widths (twips, as the lists have always been sized).
struct PedidoLista {
    QString titulo;
    QString sql;
    QVariantList parametros;
    int largura = 0;
    QList<int> colunas;
};

// The ticket counters form without its widgets. Mode 1 works on the incoming
// counters (kind 1: campaign and document type), mode 2 on the outgoing ones
// (kind 2: also customer, address type, address and prefix).
class TaloesCore {
  public:
    static constexpr int kCampos = 7;
    enum Campo { Campanha = 0, Contador, MoradaAlt, TipoDoc, Sigla, Cliente, TipoMorada };

    TaloesCore(BaseDados& db, ParametrosAplic& parametros, OperatorMessages& messages, int modo);

    int modo() const { return m_modo; }
    QString titulo() const;
    static QString rotulo(int campo);
    static QString dica(int campo);
    static int tamanhoMaximo(int campo);
    // Fields 2, 4, 5 and 6 exist only in mode 2.
    bool visivel(int campo) const;

    QString campo(int i) const { return m_campos.at(size_t(i)); }
    // A field's text as typed, picked or shown; a change of the counter's text marks it
    // as the operator's own value (a counter read from the database is not).
    void setCampo(int i, const QString& texto);
    QString nomeCliente() const { return m_nomeCliente; }
    QString descricaoMorada() const { return m_descMorada; }
    QString descricaoTipoMorada() const { return m_descTipoMorada; }
    bool alterado() const { return m_alterado; }
    // The last read found a counter for the key on the form.
    bool contadorExiste() const { return m_lido && m_lido->existe; }

    // Typing into a field (or a pick from a list) marks it changed.
    void teclaPremida() { m_alterado = true; }
    // Esc: the change is dropped; true when the form should close (Esc in field 0).
    bool escape(int campo);
    // Leaving a field: validates it when it was changed; false keeps the focus in it.
    bool validarSaida(int campo);
    // The list of a field (2, 5 or 6), or nothing.
    std::optional<PedidoLista> lista(int campo) const;

    void limparForm();
    // Reads the counter of the key on the form into the fields (counter "0" when none).
    bool lerFicha();
    // "&Confirmar": refuses while a key field is empty ("Campo obrigatório") or the
    // campaign is not written as a campaign, giving the field to focus; otherwise
    // writes the counter and clears the form. The counter written is the one typed, or
    // else the stored one is kept: a value the operator neither read nor typed is never
    // written. Nothing is written when the stored counter is no longer the value read
    // (another workstation took a ticket meanwhile): the form then shows the new value.
    // A counter below the last ticket already issued for the key is written only when
    // the operator agrees. Returns -1 when saved, the field to focus when refused, -2 on
    // a database error.
    int confirmar();
    // "A&nular": asks, then removes the counter of the key. True when removed.
    bool anular();

    static const QString kCampanhaInvalida;
    // The statement that reads the counter of the key on the form (bound: campaign, type,
    // and in mode 2 customer and address type). `bloquear`: the read that precedes a
    // write, which on SQL Server keeps an update lock on the key to the end of the
    // transaction, so no ticket can be taken between it and the write.
    static QString sqlContador(int modo, Backend backend, bool bloquear);

  private:
    // A counter as stored for the key on the form.
    struct Leitura {
        QStringList chave;  // the key it was read for, upper case
        bool existe = false;
        qint64 contador = 0;
    };
    int gravar();
    QStringList chave() const;
    ChaveTalao chaveTalao() const;
    // The key's counter as lerFicha reads it; `bloquear` holds it until the end of the
    // transaction on SQL Server (sqlite writers are serialised by the transaction).
    Leitura lerContador(bool bloquear, RecordSet* linhas = nullptr);
    // A field's text as it is bound: never a null string (that would be bound as NULL).
    QString v(int c) const {
        const QString& s = m_campos.at(size_t(c));
        return s.isNull() ? QStringLiteral("") : s;
    }
    void erro(const QString& operacao, const class DbError& e);

    BaseDados& m_db;
    ParametrosAplic& m_parametros;
    OperatorMessages& m_messages;
    int m_modo;
    std::array<QString, kCampos> m_campos;
    QString m_nomeCliente, m_descMorada, m_descTipoMorada;
    bool m_alterado = false;
    std::optional<Leitura> m_lido;    // the last counter read, while the form shows it
    bool m_contadorDigitado = false;  // the counter field holds the operator's value
};
