// The final save panel shows the effective weight the completion will write, even when
// a deduction was typed and the operator went straight to "Confirmar" without leaving it.
#include <QtTest>

#include "records/registohistorico.h"
#include "tests/desks/deskfixture.h"

class ResumoTest : public QObject {
    Q_OBJECT

  private slots:
    void theSummaryShowsWhatIsSaved() {
        DeskFixture f;
        auto d = f.desk(DeskKind::saidas());
        const qint32 id = f.primeiraPesagem(*d, QStringLiteral("C005"), QStringLiteral("TRIGO"), 25157);
        QVERIFY(f.segundaPesagem(*d, id, 38073));
        QCOMPARE(d->campo(Campo::Efectivo), QStringLiteral("12.916,00"));
        // Typed, not left: the container deduction is still taken.
        d->escrever(Campo::Vasilhame, QStringLiteral("1.250"));
        d->btConf();
        QVERIFY(d->painelFinal());
        QCOMPARE(d->rotulo(DeskCore::Resumo3), QStringLiteral("Peso Efectivo = 11.666,00 kg"));
        QCOMPARE(d->campo(Campo::Efectivo), QStringLiteral("11.666,00"));
        // Nothing typed while the panel is open reaches the record: the tabs are closed then.
        d->escrever(Campo::Vasilhame, QStringLiteral("2.000"));
        QCOMPARE(d->campo(Campo::Vasilhame), QStringLiteral("1.250"));
        d->btConfFinal(Gravacao::Confirmar);
        QCOMPARE(LerHistorico(f.t.db(), id).value(QStringLiteral("PesoEfectivo")).toDouble(), 11666.0);
    }
};

QTEST_GUILESS_MAIN(ResumoTest)
#include "resumo_test.moc"
