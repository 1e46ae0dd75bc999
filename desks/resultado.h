#pragma once

#include <QString>
#include <optional>

#include "desks/camposdesk.h"
#include "desks/pesagem.h"

// What a desk action that saves came to. The desk has already told the operator; the
// command line takes its exit code from this, never from whether a message was shown.
//   done:    the work is saved; a message, when there is one, says what failed after it
//            (the ticket not printed or not mailed) and the work stays saved
//   refused: nothing was written; the field to go back to (when the refusal is about one)
//   failed:  a database or ERP failure; nothing half-saved stays
class Resultado {
  public:
    enum class Estado { Feito, Recusado, Falhou };

    static Resultado feito(const QString& depois = {}) { return Resultado(Estado::Feito, std::nullopt, depois); }
    static Resultado recusado(std::optional<Campo> campo, const QString& mensagem) {
        return Resultado(Estado::Recusado, campo, mensagem);
    }
    static Resultado recusado(const Recusa& r) { return recusado(r.campo, r.mensagem); }
    static Resultado falhou(const QString& mensagem) { return Resultado(Estado::Falhou, std::nullopt, mensagem); }

    explicit operator bool() const { return m_estado == Estado::Feito; }
    Estado estado() const { return m_estado; }
    bool recusado() const { return m_estado == Estado::Recusado; }
    bool falhou() const { return m_estado == Estado::Falhou; }
    const std::optional<Campo>& campo() const { return m_campo; }
    const QString& mensagem() const { return m_mensagem; }
    // Done, and nothing after it failed either.
    bool semFalhas() const { return m_estado == Estado::Feito && m_mensagem.isEmpty(); }

  private:
    Resultado(Estado e, std::optional<Campo> c, QString m) : m_estado(e), m_campo(c), m_mensagem(std::move(m)) {}
    Estado m_estado;
    std::optional<Campo> m_campo;
    QString m_mensagem;
};
