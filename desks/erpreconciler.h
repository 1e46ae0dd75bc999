#pragma once

#include <QList>
#include <QString>

#include "base/intentnotes.h"
#include "base/processidentity.h"
#include "erp/documentocomercial.h"

class BaseDados;
class RecordSet;
class SessaoSage;

// What settling one open intent note did.
struct ReconciliationResult {
    enum class Action { Cancelled, Restored, Finished, Adopted, Refused, Waiting };
    qint32 histId = 0;
    IntentNote::Operation operation = IntentNote::Operation::Complete;
    QString document;  // the document(s) acted on, "-" when none
    Action action = Action::Waiting;
    QString message;  // for the operator, in Portuguese

    bool settled() const { return action != Action::Refused && action != Action::Waiting; }
    static QString actionName(Action a);
    // "hist_id=… operation=… document=… action=…"
    QString line() const;
};

// Settles the intent notes of work that was cut short (a crash, a power cut, a killed
// process) between an ERP write and the program's commit. A note is settled only when
// its owner is surely gone: a process of this workstation that no longer runs (id and
// start mark), a note handed over, or a note of another workstation older than any ERP
// call can take. The note is taken over first, so of several workstations starting at
// once exactly one settles it. The rules:
// - completion: every live document with the note's reference, party, type and series
//   that the weighing does not record is cancelled; one the ERP refuses to cancel while
//   the weighing is still pending finishes the weighing (from the note's values), so
//   the load is never invoiced twice; any other refusal is reported with its key;
// - correction: the document is brought back to what it was (what the record holds);
// - cancellation: finished, the weighing goes back to pending as the operator asked.
class ErpReconciler {
  public:
    static constexpr int kIdadeMaxima = 600;  // seconds: longer than any ERP call

    ErpReconciler(BaseDados& db, SessaoSage& sessao, ProcessIdentity eu = ProcessIdentity::current(),
                  int idadeMaxima = kIdadeMaxima);

    // Every open note, or those of one weighing. Database failures are reported in the
    // results (action waiting), never thrown.
    QList<ReconciliationResult> settleAll();
    QList<ReconciliationResult> settle(qint32 histId);
    // Notes still open.
    int abertas();

    // The operator's text for a list of results (empty when there is nothing to say).
    static QString textoOperador(const QList<ReconciliationResult>& rs);

    // A finished weighing back to pending: the first weighing, its ticket number and
    // the truck's data stay; the second weighing, the document and the complement go.
    // Only while it still records `k`. Gives whether it did.
    static bool voltarAPendente(BaseDados& db, qint32 histId, bool entrada, const ChaveDocumento& k);
    static ChaveDocumento chaveDoRegisto(const RecordSet& r);

  private:
    QList<ReconciliationResult> run(const QList<IntentNote>& notes);
    bool donoVivo(const IntentNote& n) const;
    ReconciliationResult settleOne(const IntentNote& n);
    ReconciliationResult conclusao(const IntentNote& n);
    ReconciliationResult correccao(const IntentNote& n);
    ReconciliationResult anulacao(const IntentNote& n);
    bool anularNoErp(const ChaveDocumento& k, QString& erro);
    void fecharNota(const IntentNote& n);

    BaseDados& m_db;
    SessaoSage& m_sessao;
    ProcessIdentity m_eu;
    int m_idadeMaxima;
    IntentNotes m_notas;
};
