#pragma once

#include <QDate>
#include <QDateTime>
#include <QVector>
#include <array>
#include <optional>
#include <variant>

#include "desks/deskkind.h"
#include "desks/pesagem.h"

// What the desk hands to the gate: the texts of its fields and what its validations
// last accepted, with the choices and the ticket data of the weighing on the desk.
struct FormularioDesk {
    std::array<QString, kNumNomesCampo> campos;  // by field name
    // The code texts validation accepted (null: nothing accepted since the field changed).
    QString terceiroAceite;
    QString moradaAceite;  // with the party it was accepted for
    QString moradaDoTerceiro;
    QString artigoAceite;
    QString tipoMoradaAceite;
    // The effective weight as the desk computed it (net - deductions) rather than typed or loaded.
    bool efectivoCalculado = true;
    QDateTime agora;  // first weighing: the weighing day and the time of the clock
    QDate dataPesagem;
    int caracteristica = 0;
    bool materiasSubsidiarias = false;
    qint32 noTalao = 0;
    int anoTalao = 0;
    QString sigla;
    QString campanha;

    QString campo(Campo c) const { return campos[size_t(c)]; }
    QString& campo(Campo c) { return campos[size_t(c)]; }
};

// The one gate before every write of a desk: the fields become a Pesagem of typed,
// validated values, or a refusal naming the field. Nothing here touches the database;
// what the codes are checked against is what the desk's validation accepted.
class PortaoPesagem {
  public:
    enum class Momento {
        PrimeiroPeso,  // the first save: identification and the weight of the panel
        Conclusao,     // the completion: both weights, net, deductions, effective weight, dates
        Correccao,     // a finished weighing corrected from the history: deductions and effective weight
    };

    explicit PortaoPesagem(const DeskKind& kind) : m_kind(kind) {}

    std::variant<Pesagem, Recusa> ler(const FormularioDesk& f, Momento m) const;
    // A deduction or effective weight field when it is left; nullopt when it may be left.
    std::optional<Recusa> verificarCampo(const FormularioDesk& f, Campo campo) const;
    // The deductions of the fields; a refusal for the first one that is not a weight.
    std::variant<Pesos, Recusa> descontos(const FormularioDesk& f) const;
    QString nomeCampo(Campo campo) const { return m_kind.tabela().legenda(campo); }

  private:
    std::optional<Recusa> identificacao(const FormularioDesk& f, Pesagem& p) const;
    std::optional<Recusa> pesoEfectivo(const FormularioDesk& f, Pesagem& p) const;

    const DeskKind& m_kind;
};
