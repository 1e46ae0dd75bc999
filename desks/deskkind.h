#pragma once

#include <QString>
#include <QStringList>

#include "desks/camposdesk.h"

// What differs between the outgoing desk (customer loads, empty truck first) and
// the incoming desk (supplier deliveries, loaded truck first). The desk core is one;
// every difference between the two desks is a value here.
struct DeskKind {
    bool entrada = false;                // incoming desk
    QString caption;                     // window caption and idle title
    QString nome;                        // "saidas" / "entradas" (command line)
    const CamposDesk* campos = nullptr;  // the fields, where each stands and what it takes
    QStringList tabs;                    // the four tab captions, by Pagina
    QString btEntradaCaption;
    QString btPendentesCaption;

    // Third party.
    QString tabelaTerceiro;  // Clientes / Fornec
    int tpTerc = 2;          // MORADAS.TPTERC of its addresses
    QString terceiroNaoExiste;
    QString colunaEmail;  // email_envio_documentos / Email
    bool listaTerceiroSoActivos = true;
    QString tituloListaTerceiro;
    QString tituloListaMoradas;

    // Weights: which field the first weighing fills, which the second.
    Campo campoPrimeiroPeso = Campo::Tara;  // tare on the outgoing desk, gross on the incoming one
    Campo campoSegundoPeso = Campo::Bruto;
    QString legendaPrimeiroPeso;
    QString legendaSegundoPeso;
    QList<Campo> descontos;        // deduction fields subtracted from the net weight
    QList<Campo> camposRecalculo;  // fields validated as soon as they change
    QString faltaPesoFinal;        // btConf with no weight

    // Record and documents.
    QString tipo;      // "S" / "E"
    int tipoTerc = 2;  // TipoTerc of the record
    int tipoDocumentoErp = 3;
    int tipoContador = 2;
    QString parametroArmazem;  // ArmSaida / ArmCentral
    QString pendentesVazio;
    QString anulacaoFinalizada;  // question for a finished weighing (first line)
    QString anulacaoPendente;    // question for a pending one
    QString resumoTerceiro;      // "Cliente: " / "Fornecedor: "
    QString pdfNome;             // ticket PDF file name

    const CamposDesk& tabela() const { return *campos; }
    QString tab(Pagina p) const { return tabs.value(int(p)); }

    static const DeskKind& saidas();
    static const DeskKind& entradas();
    static const DeskKind* porNome(const QString& nome);
};
