#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include "base/processidentity.h"
#include "base/sqlsettings.h"

class BaseDados;

// A note committed before the program creates, updates or cancels an ERP document for
// a weighing, and closed (deleted) in the transaction that finishes the weighing's
// side. A note found open belongs to work that was cut short; it is settled once its
// owner is surely gone (see ErpReconciler).
struct IntentNote {
    enum class Operation { Complete, Correct, Cancel };

    qint64 id = 0;
    qint32 histId = 0;
    Operation operation = Operation::Complete;
    // The document: type and series always; number and year once known (a correction
    // or a cancellation names the document it works on).
    QString tipoDoc;
    short serie = 0;
    int noDoc = 0;
    short ano = 0;
    QString referencia;  // the reference the document carries (VossoNoDocumento)
    short tipoTerc = 0;  // 1 supplier, 2 customer
    QString terceiro;
    ProcessIdentity owner;
    qint64 ageSeconds = 0;  // by the database's clock, when read
    QJsonObject dados;      // what is needed to finish or undo the work

    static QString operationName(Operation op);
    static bool operationFromName(const QString& name, Operation& op);
};

// The notes table (kel_PES_NotasERP), a table of the program's own beside the catalogue:
// created at start-up where missing, so the catalogue version and older workstations are
// unaffected. At most one note per weighing is open at a time: the note is also what
// keeps two workstations from writing the same weighing's ERP document at once.
class IntentNotes {
  public:
    static QString tableName() { return QStringLiteral("kel_PES_NotasERP"); }

    explicit IntentNotes(BaseDados& db);

    // The statements of a dialect, as run (tested as text for SQL Server).
    struct Statements {
        QStringList create;  // each guarded: running it again changes nothing
        QString insert;      // 13 parameters: Hist_Id ... Dados in the table's order
        QString idOf;        // Nota_Id of the note of a weighing
        QString list;        // every open note with its age in seconds
        QString listOf;      // the open note of one weighing
        QString claim;       // new owner (3), note id, old owner (3)
        QString close;       // note id, owner (3)
        QString release;     // note id, owner (3)
        QString count;
    };
    static Statements statements(Backend b);

    // Creates the table where it is missing. Throws DbError.
    static void garantirTabela(BaseDados& db);

    // Commits a new note owned by `note.owner` (outside any transaction of the caller:
    // it must be durable before the ERP is called). Gives its id, or 0 when another
    // note of the same weighing is open. Throws DbError.
    qint64 abrir(const IntentNote& note);
    // Deletes the note if `owner` still owns it; runs inside the caller's transaction
    // when there is one. False when the note is gone or taken over.
    bool fechar(qint64 id, const ProcessIdentity& owner);
    // Hands a note over to whoever settles it next (no owner).
    bool libertar(qint64 id, const ProcessIdentity& owner);
    // Takes a note over from `from`: exactly one of several takers succeeds.
    bool tomar(qint64 id, const ProcessIdentity& from, const ProcessIdentity& to);

    QList<IntentNote> abertas();
    QList<IntentNote> abertasDe(qint32 histId);
    int contar();

  private:
    QList<IntentNote> ler(const QString& sql, const QVariantList& params);

    BaseDados& m_db;
    Statements m_st;
};
