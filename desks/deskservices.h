#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

#include "base/money.h"
#include "desks/camposdesk.h"

// A lookup list as the desk asks for it: title, query (values bound), window and
// column widths in twips. The GUI shows the lookup dialog; tests and the
// command-line tool answer directly.
struct LookupSpec {
    Campo campo = Campo::Terceiro;
    QString titulo;
    QString sql;
    QVariantList params;
    int largura = 0;
    QList<int> larguras;
};

class LookupProvider {
  public:
    virtual ~LookupProvider() = default;
    // The first column of the chosen row, or empty text when nothing was chosen.
    virtual QString escolher(const LookupSpec& spec) = 0;
};

// Where the desk gets a weight from the indicator.
class WeightSource {
  public:
    virtual ~WeightSource() = default;
    // True with a stable weight; false with the reason in `mensagem`.
    virtual bool pesar(Money& peso, QString& mensagem) = 0;
    // The indicator's reply to the last reading, as received (for the alibi log).
    virtual QByteArray resposta() const { return {}; }
};

// Printing and mailing the ticket of a finished weighing.
class TicketActions {
  public:
    virtual ~TicketActions() = default;
    // Records the copies and prints the ticket; false with a reason when it could not.
    virtual bool imprimir(qint32 idHistorico, bool entrada, int copias, QString& erro) = 0;
    // The driver's slip after a first weighing; false with a reason when it could not.
    virtual bool imprimirSenha(qint32 idHistorico, QString& erro) {
        Q_UNUSED(idHistorico);
        erro = QStringLiteral("Impressão indisponível.");
        return false;
    }
    // Shows the ticket as a PDF in the system's viewer, recording no copy; false with a
    // reason when it could not.
    virtual bool previsualizar(qint32 idHistorico, bool entrada, QString& erro) {
        Q_UNUSED(idHistorico);
        Q_UNUSED(entrada);
        erro = QStringLiteral("Pré-visualização indisponível.");
        return false;
    }
    // The e-mail steps (one copy, PDF, send) and their outcome message; false when it was not sent.
    virtual bool enviarEmail(qint32 idHistorico, bool entrada, const QString& destinatario) = 0;
};
