#pragma once

#include <QString>
#include <QStringList>

// What differs between the outgoing desk (customer loads, empty truck first) and
// the incoming desk (supplier deliveries, loaded truck first). The desk core is one;
// every difference between the two desks is a value here.
struct DeskKind {
    bool entrada = false;  // incoming desk
    QString caption;       // window caption and idle title
    QString nome;          // "saidas" / "entradas" (command line)
    int numCampos = 24;
    QStringList tabs;  // the four tab captions
    QString btEntradaCaption;
    QString btPendentesCaption;

    // Third party.
    QString tabelaTerceiro;  // Clientes / Fornec
    int tpTerc = 2;          // MORADAS.TPTERC of its addresses
    QString terceiroNaoExiste;
    QString colunaEmail;  // email_envio_documentos / Email
    int campoEmail = 22;  // field holding the e-mail
    bool listaTerceiroSoActivos = true;
    QString tituloListaTerceiro;
    QString tituloListaMoradas;

    // Weights: which field the first weighing fills, which the second.
    int campoPrimeiroPeso = 17;  // tare on the outgoing desk, gross on the incoming one
    int campoSegundoPeso = 16;
    QString legendaPrimeiroPeso;
    QString legendaSegundoPeso;
    QList<int> descontos;        // deduction fields subtracted from the net weight
    QList<int> camposRecalculo;  // fields validated as soon as they change
    QString faltaPesoFinal;      // btConf with no weight

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

    static const DeskKind& saidas();
    static const DeskKind& entradas();
    static const DeskKind* porNome(const QString& nome);
};
