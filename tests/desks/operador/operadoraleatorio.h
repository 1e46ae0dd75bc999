#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "tests/desks/operador/accao.h"
#include "tests/desks/operador/invariantes.h"

// Plays a seeded randomized operator on both desks and checks the invariants after
// every action. A failure is shrunk to the shortest action list that still breaks the
// same rule, replayed each time on a fresh database.
class OperadorAleatorio {
  public:
    struct Resultado {
        quint64 semente = 0;
        int passos = 0;  // actions played
        std::optional<Falha> falha;
        QList<Accao> accoes;  // after a failure: the shortest list found that still fails
        int finalizadas = 0, correccoes = 0, anulacoes = 0;  // what the run got through (from the database)
        int repetidas = 0;  // first weighings of a plate already pending (the desk asked)
        QString relatorio() const;
    };

    // `progresso` (optional) is told the number of actions played now and then.
    static Resultado correr(quint64 semente, int passos, const std::function<void(int)>& progresso = {});
    // Plays a list on a fresh database; the first rule it breaks, with the index of its action.
    static std::optional<QPair<int, Falha>> reproduzir(const QList<Accao>& accoes);
    // The shortest sub-list found for which `falha` still gives the index of a failing
    // action (the list is cut after it); `falha` is asked at most `maxTentativas` times.
    using Teste = std::function<std::optional<int>(const QList<Accao>&)>;
    static QList<Accao> encolher(QList<Accao> accoes, const Teste& falha, int maxTentativas = 400);
};
