#pragma once

#include "desks/accoestalao.h"
#include "output/ui/impressorasistema.h"

// The desk window's ticket actions: printing through Qt's print system.
class TalaoDesk : public AccoesTalao {
  public:
    explicit TalaoDesk(OperacoesTalao& operacoes, QString ficheiroImpressao = {})
        : AccoesTalao(operacoes, &m_sistema, std::move(ficheiroImpressao)) {}

  private:
    ImpressoraSistema m_sistema;
};
