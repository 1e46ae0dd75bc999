#pragma once

#include "desks/camposdesk.h"

// What the desk shows around its fields, as one value: the mode it stands in, the panel
// over it, the search bar, and the facts of the weighing on it. Buttons, tabs, panels and
// the list's visibility are derived here and nowhere else, so no action can leave a
// combination no mode has.
struct EcraDesk {
    enum Botao {
        BtEntrada,
        BtPeso,
        BtPendentes,
        BtHistorico,
        BtLer,
        BtCancGeral,
        BtSair,
        BtAnularHist,
        BtImpHist,
        BtMailHist,
        BtConf,
        BtPesar,
        BtConfPeso,
        BtCancPeso,
        BtConfFinal,
        BtCancFinal,
        BtGuardarTara,
        NumBotoes
    };
    enum class Modo {
        Inicio,          // nothing on the desk
        Nova,            // a new weighing being typed
        Recolhida,       // a saved pending truck, recalled (or just saved by the one-pass weighing)
        Concluida,       // a finished weighing opened from the history, open to corrections
        ListaPendentes,  // the pending list (shown when it has rows)
        ListaHistorico,  // the history list (shown when it has rows)
    };
    // A panel over the weighing closes the tabs: what it shows is what gets saved.
    enum class Painel { Nenhum, Pesagem, Final };
    // The weight the weighing on the desk waits for.
    enum class Peso { Nenhum, Primeiro, Segundo };

    Modo modo = Modo::Inicio;
    Painel painel = Painel::Nenhum;
    Peso peso = Peso::Nenhum;
    bool comLinhas = false;  // the list of a list mode has rows
    bool pesquisa = false;   // the history's date range is open
    bool pesou = false;      // the weighing panel was opened for this weighing (it closes "Anular")
    bool aPesar = false;     // the scale is being read
    bool aConcluir = false;  // a completion is under way
    Pagina pagina = Pagina::Dados;
    // What the operator changed on this weighing.
    bool campoAlterado = false;  // the field being typed into
    bool dadosAlterados = false;
    bool obsAlteradas = false;

    // A mode of its own: no panel, search or weight pending from the one before.
    void entrar(Modo m, bool linhas = false) {
        limpar();
        modo = m;
        comLinhas = linhas;
    }
    // The weighing's own facts gone (the mode stays).
    void limpar() {
        painel = Painel::Nenhum;
        peso = Peso::Nenhum;
        pesquisa = false;
        pesou = false;
        pagina = Pagina::Dados;
        dadosAlterados = false;
        obsAlteradas = false;
    }

    bool registoAberto() const { return modo == Modo::Nova || modo == Modo::Recolhida || modo == Modo::Concluida; }
    bool tabsActivas() const { return painel == Painel::Nenhum && registoAberto(); }
    bool tabActiva(Pagina p) const {
        // A new weighing has no weights to show until it is saved.
        return modo == Modo::Recolhida || modo == Modo::Concluida || (modo == Modo::Nova && p != Pagina::Carga);
    }
    bool painelPesagem() const { return painel == Painel::Pesagem; }
    bool painelFinal() const { return painel == Painel::Final; }
    bool grelhaVisivel() const { return comLinhas && (modo == Modo::ListaPendentes || modo == Modo::ListaHistorico); }
    bool verHistorico() const { return modo == Modo::Concluida || (modo == Modo::ListaHistorico && comLinhas); }
    bool primeiroPeso() const { return peso == Peso::Primeiro; }
    bool segundoPeso() const { return peso == Peso::Segundo; }

    bool botaoActivo(Botao b) const {
        const bool livre = painel != Painel::Final;  // the final save panel holds the desk until it is answered
        switch (b) {
            case BtEntrada:
                return livre && !pesquisa && (modo == Modo::Inicio || modo == Modo::Nova);
            case BtPendentes:
                return livre && !pesquisa &&
                       (modo == Modo::Inicio || modo == Modo::ListaPendentes || modo == Modo::Recolhida);
            case BtHistorico:
                return livre && (modo == Modo::Inicio || modo == Modo::ListaHistorico || modo == Modo::Concluida);
            case BtPeso:
                return livre && peso != Peso::Nenhum;
            case BtPesar:
                return !aPesar;
            case BtConfFinal:
            case BtCancFinal:
                return !aConcluir;
            default:
                return true;
        }
    }
    bool botaoVisivel(Botao b) const {
        switch (b) {
            case BtLer:
                return pesquisa;
            case BtAnularHist:
                return !pesquisa && !pesou && (modo == Modo::Recolhida || modo == Modo::Concluida);
            case BtImpHist:
            case BtMailHist:
            case BtGuardarTara:  // the desk's kind decides whether it stands beside the reprint
                return !pesquisa && modo == Modo::Concluida;
            default:
                return true;
        }
    }

    bool operator==(const EcraDesk&) const = default;
};
