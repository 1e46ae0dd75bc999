// Intent notes of ERP writes and their settling, in one process: the notes table and
// its SQL Server statements, owner liveness, and each rule of the settling, reached
// through the desk's own failure paths (made to fail with triggers on a real file).
#include <QtTest>

#include "base/intentnotes.h"
#include "desks/erpreconciler.h"
#include "tests/desks/regrasdesk.h"

namespace {

using Action = ReconciliationResult::Action;

IntentNote nota(qint32 hist, const ProcessIdentity& owner) {
    IntentNote n;
    n.histId = hist;
    n.operation = IntentNote::Operation::Complete;
    n.tipoDoc = QStringLiteral("GR");
    n.serie = 1;
    n.referencia = QStringLiteral("A/7/2026/2027");
    n.tipoTerc = 2;
    n.terceiro = QStringLiteral("C001");
    n.owner = owner;
    return n;
}

ProcessIdentity outroPosto() {
    return ProcessIdentity{QStringLiteral("posto-da-portaria"), 4242, QStringLiteral("x:1")};
}

// A failure planted in the database (a trigger), on either engine.
void falhar(DeskFixture& f, const QString& quando, const QString& tabela) {
    if (f.t.postgresql()) {
        f.t.db().executar(
            QStringLiteral("CREATE OR REPLACE FUNCTION falha() RETURNS trigger LANGUAGE plpgsql AS "
                           "$$ BEGIN RAISE EXCEPTION 'disco cheio'; END $$"));
        f.t.db().executar(QStringLiteral("CREATE TRIGGER falha BEFORE %1 ON %2 FOR EACH ROW EXECUTE FUNCTION falha()")
                              .arg(quando, tabela));
    } else {
        f.t.db().executar(
            QStringLiteral("CREATE TRIGGER falha BEFORE %1 ON %2 BEGIN SELECT RAISE(ABORT, 'disco cheio'); END")
                .arg(quando, tabela));
    }
}

// Takes a planted trigger away again (PostgreSQL names its table).
void tirar(DeskFixture& f, const QString& gatilho, const QString& tabela) {
    f.t.db().executar(QStringLiteral("DROP TRIGGER ") + gatilho +
                      (f.t.postgresql() ? QStringLiteral(" ON ") + tabela : QString()));
}

}  // namespace

class ReconcilerTest : public QObject {
    Q_OBJECT

  private slots:
    // SQL Server does not run here: its statements are checked for what would break them
    // (the guard, the one-note rule, the parameter counts, UTC times), not for their text.
    void sqlServerStatements() {
        const IntentNotes::Statements s = IntentNotes::statements(Backend::Mssql);
        QCOMPARE(s.create.size(), 1);
        QVERIFY(s.create.first().startsWith(QStringLiteral("IF OBJECT_ID(N'dbo.kel_PES_NotasERP', N'U') IS NULL ")));
        QVERIFY(s.create.first().contains(QStringLiteral("UNIQUE ([Hist_Id])")));
        QVERIFY(s.create.first().contains(QStringLiteral("DEFAULT (GETUTCDATE())")));
        const QList<QPair<QString, int>> parametros{{s.insert, 13}, {s.claim, 7}, {s.close, 4}, {s.release, 4}};
        for (const auto& [st, n] : parametros) QCOMPARE(int(st.count(u'?')), n);
        for (const QString& st : {s.insert, s.claim, s.list}) QVERIFY(st.contains(QStringLiteral("GETUTCDATE()")));
        QVERIFY(s.list.contains(QStringLiteral("DATEDIFF(second, DataHora, GETUTCDATE()) AS Idade")));
        // Taking, closing and releasing a note only as its owner.
        for (const QString& st : {s.claim, s.close, s.release})
            QVERIFY(st.endsWith(QStringLiteral("WHERE Nota_Id = ? AND Posto = ? AND Pid = ? AND InicioProcesso = ?")));
        // Every value is a parameter: the texts hold no value of a note.
        for (const QString& st : {s.insert, s.claim, s.close, s.release, s.listOf})
            QVERIFY(!st.contains(QStringLiteral("C001")) && !st.contains(QStringLiteral("GR")));
    }

    void oneOpenNotePerWeighingAndOneTaker() {
        TempDatabase t;
        IntentNotes notas(t.db());
        IntentNotes::garantirTabela(t.db());  // a second time changes nothing
        const ProcessIdentity eu = ProcessIdentity::current();
        const qint64 a = notas.abrir(nota(7, eu));
        QVERIFY(a > 0);
        QCOMPARE(notas.abrir(nota(7, outroPosto())), 0);  // the weighing is taken
        QVERIFY(notas.abrir(nota(8, eu)) > a);
        // Only the owner closes; of two takers exactly one gets it.
        QVERIFY(!notas.fechar(a, outroPosto()));
        const ProcessIdentity b{QStringLiteral("b"), 2, QStringLiteral("m")},
            c{QStringLiteral("c"), 3, QStringLiteral("m")};
        QVERIFY(notas.tomar(a, eu, b));
        QVERIFY(!notas.tomar(a, eu, c));
        QVERIFY(!notas.fechar(a, eu));
        QVERIFY(notas.libertar(a, b));
        QVERIFY(notas.tomar(a, ProcessIdentity{}, c));
        const QList<IntentNote> abertas = notas.abertasDe(7);
        QCOMPARE(abertas.size(), 1);
        QCOMPARE(abertas.first().owner, c);
        QCOMPARE(abertas.first().referencia, QStringLiteral("A/7/2026/2027"));
        QVERIFY(abertas.first().ageSeconds < 5);
        QVERIFY(notas.fechar(a, c));
        QCOMPARE(notas.contar(), 1);
    }

    // A process is named by its id and its start: the same id with another start is another
    // process, and the owner is gone (an owner alive, then killed: aNoteWaitsWhileItsOwnerMayStillWork).
    void ownerLiveness() {
        const ProcessIdentity eu = ProcessIdentity::current();
        QVERIFY(!eu.startMark.isEmpty());
        QVERIFY(ProcessIdentity::isAlive(eu.pid, eu.startMark));
        QVERIFY(!ProcessIdentity::isAlive(eu.pid, eu.startMark + QStringLiteral("1")));
    }

    void aNoteWaitsWhileItsOwnerMayStillWork() {
        DeskFixture f;
        auto d = f.desk(DeskKind::saidas());
        const qint32 id = f.primeiraPesagem(*d, QStringLiteral("C001"), QStringLiteral("MILHO"), 14000);
        IntentNotes notas(f.t.db());
        // Another workstation's note, one minute old: its owner may be inside an ERP call.
        QVERIFY(notas.abrir(nota(id, outroPosto())) > 0);
        ErpReconciler rec(f.t.db(), *f.erp);
        QList<ReconciliationResult> rs = rec.settleAll();
        QCOMPARE(rs.size(), 1);
        QCOMPARE(rs.first().line(), QStringLiteral("hist_id=%1 operation=complete document=- action=waiting").arg(id));
        // A desk does not open the truck meanwhile.
        d->btPendentes();
        d->activarLinha(0);
        QVERIFY(f.msgs.last().contains(QStringLiteral("está a ser tratada noutro posto (posto-da-portaria)")));
        QVERIFY(d->campo(Campo::Terceiro).isEmpty());
        // Older than any ERP call: settled.
        // (by the database's clock, on either engine)
        f.t.db().executar(
            f.t.postgresql()
                ? QStringLiteral("UPDATE kel_PES_NotasERP SET DataHora = (now() AT TIME ZONE 'UTC') - "
                                 "interval '700 seconds'")
                : QStringLiteral("UPDATE kel_PES_NotasERP SET DataHora = datetime('now', '-700 seconds')"));
        rs = rec.settleAll();
        QCOMPARE(rs.first().action, Action::Cancelled);
        QCOMPARE(rec.abertas(), 0);

        // A live process of this workstation keeps its note; a dead one does not.
        QProcess vivo;
        vivo.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(vivo.waitForStarted());
        ProcessIdentity dono = ProcessIdentity::current();
        dono.pid = vivo.processId();
        dono.startMark = ProcessIdentity::startMarkOf(dono.pid);
        QVERIFY(notas.abrir(nota(id, dono)) > 0);
        QCOMPARE(rec.settle(id).first().action, Action::Waiting);
        vivo.kill();
        vivo.waitForFinished();
        QCOMPARE(rec.settle(id).first().action, Action::Cancelled);
        QVERIFY(f.segundaPesagem(*d, id, 25000));
    }

    void aStrayDocumentIsCancelledAndTheRecordedOneKept() {
        DeskFixture f;
        auto d = f.desk(DeskKind::entradas());
        const qint32 id = f.primeiraPesagem(*d, QStringLiteral("F001"), QStringLiteral("MILHO"), 31000);
        QVERIFY(f.segundaPesagem(*d, id, 12000));
        // The program's transaction fails after the document was finalised.
        falhar(f, QStringLiteral("INSERT"), QStringLiteral("kel_PES_Historico_Comp"));
        DeskFixture::concluir(*d);
        QVERIFY(f.msgs.all.join(QLatin1Char('|')).contains(QStringLiteral("disco cheio")));
        // The undo cancelled it and closed its note.
        QCOMPARE(f.contar(QStringLiteral("DocGCCab WHERE NumVias <> -1")), 0);
        QCOMPARE(f.contar(QStringLiteral("kel_PES_NotasERP")), 0);
        tirar(f, QStringLiteral("falha"), QStringLiteral("kel_PES_Historico_Comp"));

        // A truck finished elsewhere (by an older program) while a note of a dead owner
        // still names a live document of the same reference: only that one goes.
        QVERIFY(f.segundaPesagem(*d, id, 12000));
        DeskFixture::concluir(*d);
        const RecordSet w = LerHistorico(f.t.db(), id);
        const ChaveDocumento registado = ErpReconciler::chaveDoRegisto(w);
        const QString ref = f.valor(QStringLiteral("SELECT VossoNo FROM DocGCCab WHERE NNumdoc = ? AND Tpdoc = ?"),
                                    {registado.numero, registado.tipo})
                                .toString();
        f.t.db().executar(
            QStringLiteral("INSERT INTO DocGCCab (Tpdoc, Serie, NNumdoc, Ano, TipoTerc, Terceiro, VossoNo) "
                           "VALUES (?, ?, 99, ?, 1, 'F001', ?)"),
            {registado.tipo, registado.serie, registado.ano, ref});
        IntentNote n = nota(id, ProcessIdentity{});
        n.tipoDoc = registado.tipo;
        n.serie = registado.serie;
        n.tipoTerc = 1;
        n.terceiro = QStringLiteral("F001");
        n.referencia = ref;
        IntentNotes(f.t.db()).abrir(n);
        const QList<ReconciliationResult> rs = ErpReconciler(f.t.db(), *f.erp).settleAll();
        QCOMPARE(rs.size(), 1);
        QCOMPARE(rs.first().action, Action::Cancelled);
        const ChaveDocumento estranho{registado.ano, registado.tipo, registado.serie, 99};
        QCOMPARE(rs.first().document, estranho.texto());
        QCOMPARE(regrasQuebradas(f, {}, true), QString());  // the recorded document is the one live
    }

    void aDocumentTheErpKeepsFinishesThePendingWeighing_data() {
        QTest::addColumn<bool>("notaAdulterada");
        QTest::newRow("note as written") << false;
        QTest::newRow("note edited by hand") << true;
    }
    void aDocumentTheErpKeepsFinishesThePendingWeighing() {
        QFETCH(bool, notaAdulterada);
        DeskFixture f;
        auto d = f.desk(DeskKind::saidas());
        const qint32 id = f.primeiraPesagem(*d, QStringLiteral("C001"), QStringLiteral("MILHO"), 14000);
        QVERIFY(f.segundaPesagem(*d, id, 25000));
        d->escrever(Campo::LocalCarga, QStringLiteral("Cais 3"));
        // Converted the moment it is made (another ERP program is fast), and the
        // program's transaction fails: the ERP refuses the undo.
        if (f.t.postgresql()) {
            f.t.db().executar(QStringLiteral(
                "CREATE FUNCTION converte() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN UPDATE DocGCCab SET "
                "Convertido = -1 WHERE Tpdoc = NEW.Tpdoc AND NNumdoc = NEW.NNumdoc; RETURN NULL; END $$"));
            f.t.db().executar(QStringLiteral(
                "CREATE TRIGGER converte AFTER INSERT ON DocGCCab FOR EACH ROW EXECUTE FUNCTION converte()"));
        } else {
            f.t.db().executar(
                QStringLiteral("CREATE TRIGGER converte AFTER INSERT ON DocGCCab BEGIN UPDATE DocGCCab SET "
                               "Convertido = -1 WHERE Tpdoc = NEW.Tpdoc AND NNumdoc = NEW.NNumdoc; END"));
        }
        falhar(f, QStringLiteral("INSERT"), QStringLiteral("kel_PES_Historico_Comp"));
        DeskFixture::concluir(*d);
        QVERIFY(f.msgs.last().startsWith(QStringLiteral("Os documentos seguintes devem ser anulados manualmente")));
        QVERIFY(PesagemLida::ler(f.t.db(), id).pendente);
        tirar(f, QStringLiteral("falha"), QStringLiteral("kel_PES_Historico_Comp"));
        tirar(f, QStringLiteral("converte"), QStringLiteral("DocGCCab"));
        if (notaAdulterada) {
            // A deduction that is no weight: nothing of the note is written, the document is
            // left for the operator to cancel.
            f.t.db().executar(QStringLiteral(
                "UPDATE kel_PES_NotasERP SET Dados = REPLACE(Dados, '\"vasilhame\":\"0\"', '\"vasilhame\":\"x\"')"));
            const QList<ReconciliationResult> rs = ErpReconciler(f.t.db(), *f.erp).settleAll();
            QCOMPARE(rs.first().action, Action::Refused);
            QVERIFY2(rs.first().message.contains(QStringLiteral("vasilhame na nota: 'x'")),
                     qPrintable(rs.first().message));
            QVERIFY(PesagemLida::ler(f.t.db(), id).pendente);
            QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico_Comp")), 0);
            return;
        }

        // The note was handed over: opening the truck settles it, finishing the weighing
        // with the document so the load is never invoiced twice.
        f.msgs.clear();
        d->btPendentes();
        d->activarLinha(0);
        QVERIFY2(f.msgs.last().contains(QStringLiteral("foi concluída com o documento GR/1/1/")),
                 qPrintable(f.msgs.last()));
        const RecordSet w = LerHistorico(f.t.db(), id);
        QVERIFY(!w.isNull(QStringLiteral("DataHoraPL")));
        QCOMPARE(w.value(QStringLiteral("PesoBruto")).toDouble(), 25000.0);
        QCOMPARE(ErpReconciler::chaveDoRegisto(w).numero, 1);
        QCOMPARE(f.valor(QStringLiteral("SELECT LocalCG FROM DocGCCab WHERE NNumdoc = 1")).toString(),
                 QStringLiteral("Cais 3"));
        // Its ticket and reference, one complement row, no note left.
        QCOMPARE(regrasQuebradas(f, {}, true), QString());

        // The same refusal for a weighing already finished with another document is
        // reported with the document's key, never dropped.
        f.t.db().executar(
            QStringLiteral("INSERT INTO DocGCCab (Tpdoc, Serie, NNumdoc, Ano, TipoTerc, Terceiro, VossoNo, "
                           "Convertido) SELECT Tpdoc, Serie, 50, Ano, TipoTerc, Terceiro, VossoNo, -1 FROM "
                           "DocGCCab WHERE NNumdoc = 1"));
        IntentNote n = nota(id, ProcessIdentity{});
        n.referencia = f.valor(QStringLiteral("SELECT VossoNo FROM DocGCCab WHERE NNumdoc = 1")).toString();
        IntentNotes(f.t.db()).abrir(n);
        const QList<ReconciliationResult> rs = ErpReconciler(f.t.db(), *f.erp).settleAll();
        QCOMPARE(rs.first().action, Action::Refused);
        QVERIFY(rs.first().document.startsWith(QStringLiteral("GR/1/50/")));
        QVERIFY(rs.first().message.contains(QStringLiteral("GR/1/50/")));
    }

    void anUnsavedCorrectionBringsTheDocumentBack() {
        DeskFixture f;
        auto d = f.desk(DeskKind::saidas());
        const qint32 id = f.concluida(*d, QStringLiteral("C001"), QStringLiteral("MILHO"), 14000, 24000);
        QVERIFY(id > 0);
        QVERIFY(f.abrirHistorico(*d, id));
        DeskFixture::tab(*d, Campo::Vasilhame, QStringLiteral("100"));
        d->escrever(Campo::LocalCarga, QStringLiteral("Outro cais"));
        falhar(f, QStringLiteral("UPDATE"), QStringLiteral("kel_PES_Historico"));
        f.corrigir(*d);
        QVERIFY2(f.msgs.last().startsWith(QStringLiteral("A correcção não foi gravada.")), qPrintable(f.msgs.last()));
        QVERIFY(f.msgs.last().contains(QStringLiteral("foi reposto como estava")));
        // The document is what the record holds again.
        QCOMPARE(f.valor(QStringLiteral("SELECT LocalCG FROM DocGCCab")).toString(),
                 QStringLiteral("Nossas instalações"));
        QCOMPARE(f.valor(QStringLiteral("SELECT PesoEfectivo FROM kel_PES_Historico")).toDouble(), 10000.0);
        QCOMPARE(regrasQuebradas(f, {}, true), QString());
        tirar(f, QStringLiteral("falha"), QStringLiteral("kel_PES_Historico"));
    }

    void aCancellationCutShortIsFinished() {
        DeskFixture f;
        auto d = f.desk(DeskKind::entradas());
        const qint32 id = f.concluida(*d, QStringLiteral("F001"), QStringLiteral("MILHO"), 31000, 12000);
        QVERIFY(id > 0);
        falhar(f, QStringLiteral("UPDATE"), QStringLiteral("kel_PES_Historico"));
        QVERIFY(f.abrirHistorico(*d, id));
        f.msgs.answers = {true};
        d->btAnularHist();
        QVERIFY(f.msgs.last().contains(QStringLiteral("disco cheio")));
        QCOMPARE(f.contar(QStringLiteral("DocGCCab WHERE NumVias <> -1")),
                 0);  // the document went, the weighing could not follow yet
        QCOMPARE(f.contar(QStringLiteral("kel_PES_NotasERP WHERE Posto = ''")), 1);
        tirar(f, QStringLiteral("falha"), QStringLiteral("kel_PES_Historico"));
        const QList<ReconciliationResult> rs = ErpReconciler(f.t.db(), *f.erp).settleAll();
        QCOMPARE(rs.size(), 1);
        QCOMPARE(rs.first().action, Action::Finished);
        QVERIFY(PesagemLida::ler(f.t.db(), id).pendente);
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico_Comp")), 0);
        // ... and the truck completes again with its ticket.
        QVERIFY(f.segundaPesagem(*d, id, 12500));
        DeskFixture::concluir(*d);
        QCOMPARE(f.contar(QStringLiteral("DocGCCab WHERE NumVias <> -1")), 1);
    }
};

QTEST_GUILESS_MAIN(ReconcilerTest)
#include "reconciler_test.moc"
