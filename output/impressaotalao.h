#pragma once

#include <QString>

#include "output/tipotalao.h"

class Impressora;
class ModeloTalao;
class OperacoesTalao;
class ParametrosAplic;

// Printing of tickets on the printer named in the configuration file (section "PRINT",
// key "Impressora"; the system's default printer when empty), through the program's
// printer queue; into a PDF file when one is given.
class ImpressaoTalao {
  public:
    // Without `impressora` only printing into a file works; asked for a printer, it says so.
    explicit ImpressaoTalao(OperacoesTalao& operacoes, Impressora* impressora = nullptr);

    // False: failures are only given back (ultimoErro), for a caller that reports them
    // itself, so the operator reads each failure once.
    void setMostrarFalhas(bool mostrar) { m_mostrar = mostrar; }
    // The reason given when the parameter NoVias asks for no copy at all.
    static QString textoSemVias();

    // ImprimeDoc: prints the ticket with the weighing's current copy rows. Failures
    // (template, printer, no copies) are shown to the operator and give false.
    // `ficheiro` prints into a PDF file through the same path instead of a printer
    // (tests, "print to file").
    bool imprimeDoc(qint32 id, TipoTalao tipo, const QString& ficheiro = {});

    // The driver's slip of a first weighing (one page, template kel_PES_Senha.rpt), on
    // the same printer or into `ficheiro`.
    bool imprimeSenha(qint32 id, const QString& ficheiro = {});

    // Reprint from the history and print after completion: the NoVias copies, then
    // ImprimeDoc. A weighing without a ticket number is not printed (false); NoVias 0
    // prints nothing and says so.
    bool imprimirVias(qint32 id, qint32 noTalao, TipoTalao tipo, const ParametrosAplic& parametros,
                      const QString& ficheiro = {});

    QString ultimoErro() const { return m_erro; }
    int paginasImpressas() const { return m_paginas; }
    QString impressoraUsada() const { return m_impressora; }

  private:
    bool imprimirModelo(const ModeloTalao& modelo, qint32 id, const QString& ficheiro, const QString& nomeDoc,
                        const QString& semPaginas);
    bool falha(const QString& texto);

    OperacoesTalao& m_ops;
    Impressora* m_impressoraFila;
    QString m_erro;
    QString m_impressora;
    int m_paginas = 0;
    bool m_mostrar = true;
};
