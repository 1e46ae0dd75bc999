#pragma once

#include <QDate>
#include <QString>

#include "desks/camposdesk.h"

// One action of the randomized operator, with every value it needs, so a list of
// actions replays the same way on a fresh database (and can be shrunk).
struct Accao {
    enum Tipo {
        Escrever,        // types `texto` into field `campo`
        Sair,            // leaves field `campo` (Tab)
        EscreverESair,   // both
        Escape,          // Esc in field `campo`
        Lista,           // asks for the lookup list of `campo`; the list answers `texto`
        Botao,           // presses button `indice` (DeskCore::Botao)
        Pesar,           // btPesar with the scale answering `kg` (or failing when kg < 0)
        Linha,           // activates grid row `indice`
        Data,            // the weighing date picker
        Periodo,         // the history range: `data` .. `data2`
        Subsidiarias,    // the box, `indice` != 0 ticks it
        Caracteristica,  // the category list, `indice`
    };
    Tipo tipo = Botao;
    int posto = 0;  // 0, 1 outgoing desks A and B; 2, 3 incoming desks A and B
    Campo campo = Campo::Terceiro;
    int indice = 0;
    Gravacao gravacao = Gravacao::Confirmar;  // btConfPeso, btConfFinal
    qint64 kg = 0;
    QString texto;
    QDate data, data2;
    bool resposta = true;  // the answer to any question the action raises

    QString descricao() const;
};
