// Inactive parties: what the desks accept the local ERP accepts, the operator is warned
// at the first weighing, and a completion an ERP refuses leaves a truck that is told
// about and can still be cancelled.
#include <QtTest>

#include "records/registohistorico.h"
#include "tests/desks/deskfixture.h"

class InactivosTest : public QObject {
    Q_OBJECT

    static bool avisado(const RecordingMessages& m, const QString& codigo) {
        for (int i = 0; i < m.all.size(); ++i)
            if (m.kinds[i] == 100 + OperatorMessages::Info && m.all[i].contains(codigo) &&
                m.all[i].contains(QStringLiteral("inactivo")))
                return true;
        return false;
    }

  private slots:
    // Accepted, warned about at the first weighing (an active party is not), and finished.
    void anInactivePartyIsWarnedAboutAndFinished_data() {
        QTest::addColumn<bool>("entrada");
        QTest::addColumn<QString>("inactivo");
        QTest::addColumn<QString>("activo");
        QTest::newRow("supplier") << true << QStringLiteral("F015") << QStringLiteral("F001");
        QTest::newRow("customer") << false << QStringLiteral("C012") << QStringLiteral("C001");
    }
    void anInactivePartyIsWarnedAboutAndFinished() {
        QFETCH(bool, entrada);
        QFETCH(QString, inactivo);
        QFETCH(QString, activo);
        DeskFixture f;
        auto d = f.desk(entrada ? DeskKind::entradas() : DeskKind::saidas());
        const qint32 id = f.primeiraPesagem(*d, inactivo, QStringLiteral("MILHO"), entrada ? 30000 : 11000);
        QVERIFY2(avisado(f.msgs, inactivo), qPrintable(f.msgs.all.join(QLatin1Char('|'))));
        QVERIFY(f.segundaPesagem(*d, id, entrada ? 12000 : 29000));
        f.msgs.clear();
        DeskFixture::concluir(*d);
        QVERIFY2(f.msgs.all.isEmpty(), qPrintable(f.msgs.all.join(QLatin1Char('|'))));
        QVERIFY(!PesagemLida::ler(f.t.db(), id).pendente);
        QCOMPARE(f.valor(QStringLiteral("SELECT Terceiro FROM DocGCCab WHERE NumVias <> -1")).toString(), inactivo);
        f.primeiraPesagem(*d, activo, QStringLiteral("TRIGO"), 11000);
        QVERIFY2(f.msgs.all.isEmpty(), qPrintable(f.msgs.all.join(QLatin1Char('|'))));
    }

    void aRefusedCompletionIsToldAndTheTruckCanBeCancelled() {
        DeskFixture f;
        auto d = f.desk(DeskKind::entradas());
        const qint32 id = f.primeiraPesagem(*d, QStringLiteral("F003"), QStringLiteral("CEVADA"), 26000);
        QVERIFY(f.segundaPesagem(*d, id, 9000));
        // The ERP refuses the document: the article was withdrawn meanwhile.
        f.t.db().executar(QStringLiteral("UPDATE Artigos SET Inactivo = -1 WHERE CODIGO = 'CEVADA'"));
        QVERIFY(DeskFixture::concluir(*d).falhou());
        QVERIFY(f.msgs.last().startsWith(QStringLiteral("Situação Anómala\n\rErro: ")));
        QVERIFY2(f.msgs.last().contains(QStringLiteral("CEVADA")), qPrintable(f.msgs.last()));
        QVERIFY(PesagemLida::ler(f.t.db(), id).pendente);
        QVERIFY(!f.t.db().inTransaction());
        QCOMPARE(PesagemLida::ler(f.t.db(), id).tpDoc, QString());
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico_Comp")), 0);
        QCOMPARE(f.contar(QStringLiteral("DocGCCab")), 0);
        QVERIFY(d->botaoActivo(DeskCore::BtPendentes));
        // It is in the pending list and the desk cancels it.
        d->btPendentes();
        QCOMPARE(d->grelha().linhas.size(), 1);
        d->activarLinha(0);
        QVERIFY(d->botaoVisivel(DeskCore::BtAnularHist));
        f.msgs.answers = {true};
        d->btAnularHist();
        QVERIFY(LerHistorico(f.t.db(), id).isEmpty());
        QCOMPARE(f.contar(QStringLiteral("DocGCCab WHERE NumVias <> -1")), 0);
    }
};

QTEST_GUILESS_MAIN(InactivosTest)
#include "inactivos_test.moc"
