#pragma once

#include "deskservices.h"

class OperacoesTalao;

// Printing and mailing the desk's tickets through the ticket output.
class TalaoDesk : public TicketActions {
public:
    // `ficheiroImpressao` prints into that PDF file instead of a printer (tests).
    explicit TalaoDesk(OperacoesTalao& operacoes, QString ficheiroImpressao = {});
    bool imprimir(qint32 idHistorico, bool entrada, int copias, QString& erro) override;
    bool imprimirSenha(qint32 idHistorico, QString& erro) override;
    void enviarEmail(qint32 idHistorico, bool entrada, const QString& destinatario) override;

private:
    OperacoesTalao& m_ops;
    QString m_ficheiro;
};
