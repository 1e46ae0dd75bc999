#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

#include "base/money.h"
#include "desks/camposdesk.h"
#include "desks/pesos.h"

// A desk's refusal to write: the field to go back to (none: the refusal is not about one) and
// the operator's message.
struct Recusa {
    std::optional<Campo> campo;
    QString mensagem;
};

// One weighing as the desk writes it: every value typed and checked. The first save,
// the completion and a correction write only from this.
struct Pesagem {
    // Accepted by validation for the texts now in the fields.
    QString terceiro;
    QString morada;  // delivery address code, may be empty
    QString artigo;
    QString tipoMorada;  // outgoing: address type, upper case, may be empty
    QString matricula;
    QString refCliente;
    QString refEntrega;
    QString justificacao;

    Pesos pesos;
    Money liquido;   // completion and correction: gross - tare, above 0
    Money efectivo;  // completion and correction: 0 < effective <= net
    QDate dataPesagem;
    QDateTime entrada;  // first weighing
    QDateTime saida;    // second weighing (completion)
    int caracteristica = 0;
    bool materiasSubsidiarias = false;

    // Ticket data as taken at the first weighing (completion and correction).
    qint32 noTalao = 0;
    int anoTalao = 0;
    QString sigla;
    QString campanha;
};
