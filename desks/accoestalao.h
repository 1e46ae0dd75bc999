#pragma once

#include "desks/deskservices.h"

class Impressora;
class OperacoesTalao;

// Printing and mailing the desk's tickets through the ticket output, on the printer
// queue the program supplies (the window's or the command line's).
class AccoesTalao : public TicketActions {
  public:
    // `ficheiroImpressao` prints into that PDF file instead of a printer (tests).
    AccoesTalao(OperacoesTalao& operacoes, Impressora* impressora, QString ficheiroImpressao = {});
    bool imprimir(qint32 idHistorico, bool entrada, int copias, QString& erro) override;
    bool imprimirSenha(qint32 idHistorico, QString& erro) override;
    // The PDF goes to a new file of its own in the temporary folder (created exclusively,
    // readable by this user only), which the viewer then opens.
    bool previsualizar(qint32 idHistorico, bool entrada, QString& erro) override;
    bool enviarEmail(qint32 idHistorico, bool entrada, const QString& destinatario) override;

  private:
    OperacoesTalao& m_ops;
    Impressora* m_impressora;
    QString m_ficheiro;
};
