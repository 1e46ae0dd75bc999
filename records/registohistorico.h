#pragma once

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <optional>

#include "base/money.h"
#include "base/recordset.h"
#include "records/numeracao.h"

class BaseDados;

// The weighing record store: kel_PES_Historico (one row per weighing, written only
// through sp_kel_Gravar_PES_Historico), its complement kel_PES_Historico_Comp and the
// plates kel_PES_Carros. Free of widgets: the desks and the command-line tool call these
// with typed values. Database errors are thrown as DbError, refused values as RegraRecusada.
namespace RegistoHistorico {

// Indexes of the 26 values of a save, in the procedure's parameter order.
enum Campo {
    Hist_Id = 0,
    Tipo,
    TpDoc,
    Serie,
    NoDoc,
    Ano,
    PesoBruto,
    PesoTara,
    PesoLiquido,
    PesoEfectivo,
    Justificacao,
    DataHoraPB,
    DataHoraPL,
    Terceiro,
    Artigo,
    CodMorada,
    Motorista,
    Carro,
    TipoTerc,
    AnoTalao,
    NoTalao,
    RefCliente,
    RefEntrega,
    Sigla,
    Campanha,
    TipoMorada,
    NumCampos
};

// Date-time texts of the desks: "dd-MM-yyyy HH:mm:ss" (seconds and time optional);
// ISO "yyyy-MM-dd HH:mm:ss" is accepted too. Empty or unreadable gives nullopt.
std::optional<QDateTime> lerDataHora(const QString& texto);
QString textoDataHora(const QDateTime& dt);  // "dd-MM-yyyy HH:mm:ss"
// A weight as the intent notes carry it: every decimal, ',' as the decimal mark ("1250", "20,5").
QString textoPeso(const Money& m);

}  // namespace RegistoHistorico

// One weighing record as sp_kel_Gravar_PES_Historico stores it, every value typed. The store
// checks the values against the procedure's parameters (text lengths, small integers) before
// anything is written and refuses with RegraRecusada.
struct RegistoPesagem {
    qint32 histId = 0;  // 0 inserts a row, any other number rewrites every column of that row
    QString tipo;       // "S" outgoing, "E" incoming
    QString tpDoc;      // the ERP document, 0 / empty until the weighing is finished
    int serie = 0;
    qint32 noDoc = 0;
    int ano = 0;
    // The column takes no NULL from this program: a weight not yet weighed is stored as 0.
    Money pesoBruto, pesoTara, pesoLiquido, pesoEfectivo;
    QString justificacao;
    QDateTime dataHoraPB;
    QDateTime dataHoraPL;  // invalid (pending): NULL
    QString terceiro, artigo, codMorada, motorista, carro;
    int tipoTerc = 0;
    int anoTalao = 0;
    qint32 noTalao = 0;
    QString refCliente, refEntrega, sigla, campanha, tipoMorada;

    // The 26 texts of a completion's intent note (index = RegistoHistorico::Campo), as the
    // notes have always carried them, and back: nullopt (with the reason) when a text of a
    // note is not what the program writes there.
    QStringList textos() const;
    static std::optional<RegistoPesagem> deTextos(const QStringList& textos, QString& erro);
};

// Saves the weighing. On success the record number receives the row's Hist_Id and the result is
// true; a refused value (RegraRecusada) or a database failure (DbError) leaves the number unchanged.
bool GravarRegistoHistorico(BaseDados& db, const RegistoPesagem& registo, qint32& idRegisto);

// The deduction fields of a desk as the complement row stores them.
struct CamposComplemento {
    Money vasilhame;         // container deduction (an empty field: none)
    Money qualidade;         // quality deduction (incoming desk; outgoing stores 0)
    int caracteristica = 0;  // incoming desk: 0 "Tipo A", 1 "Tipo B", -1 none
    bool entrada = false;    // incoming desk: quality and characteristic are kept
};

// Writes complement row noIdComp (adds a row when it does not exist, so 0 always
// adds one) for weighing noIdHist. Gives the complement row's number.
qint32 GravarComplementoHistorico(BaseDados& db, qint32 noIdHist, qint32 noIdComp, const CamposComplemento& campos);

// Correction of a completed weighing: Justificacao and PesoEfectivo of the row, and
// the first complement row when there is one. False when the weighing does not exist.
bool ActualizaHistorico(BaseDados& db, qint32 idRegisto, const QString& justificacao, const Money& pesoEfectivo,
                        const CamposComplemento& campos);

// Adds the plate to kel_PES_Carros unless it is already listed (an empty plate is not listed).
void RegistarCarro(BaseDados& db, const QString& matricula);

// Reads and the delete used by the lists, printing and cancellation.
RecordSet LerHistorico(BaseDados& db, qint32 idRegisto);
RecordSet LerComplementosHistorico(BaseDados& db, qint32 idRegisto);
// Complement rows first, then the weighing, in one transaction (joins an open one).
void ApagarHistorico(BaseDados& db, qint32 idRegisto);

// The first save of a new weighing as one operation: takes the ticket number of the
// key for the weighing date, inserts the pending row with that number (and for kind 2
// its prefix), AnoTalao and Campanha, and registers the plate - all in one transaction
// that holds the write lock, so a failure leaves neither a used number nor a row
// without its number. Hist_Id, NoTalao, Sigla, AnoTalao and Campanha are filled here.
// Throws RegraRecusada for a refused value, DbError for the database.
struct NovaPesagem {
    qint32 idRegisto = 0;
    Talao talao;
    QString campanha;
    int anoTalao = 0;
};
NovaPesagem GravarNovaPesagem(BaseDados& db, RegistoPesagem registo, const QDate& dataPesagem, ChaveTalao chave);
