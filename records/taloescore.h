#pragma once

#include <QString>
#include <QVariantList>
#include <array>
#include <optional>

class BaseDados;
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
    void setCampo(int i, const QString& texto) { m_campos.at(size_t(i)) = texto; }
    QString nomeCliente() const { return m_nomeCliente; }
    QString descricaoMorada() const { return m_descMorada; }
    QString descricaoTipoMorada() const { return m_descTipoMorada; }
    bool alterado() const { return m_alterado; }

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
    // "&Confirmar": refuses while a key field is empty ("Campo obrigatório"), giving
    // the field to focus; otherwise writes the counter and clears the form.
    // Returns -1 when saved, the field to focus when refused, -2 on a database error.
    int confirmar();
    // "A&nular": asks, then removes the counter of the key. True when removed.
    bool anular();

private:
    bool gravar();
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
};
