// The outgoing desk's window with a registered truck: the plate typed and left offers
// the stored tare, one typed weight finishes the load, and "Guardar tara" in the history
// stores the tare of a finished load.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "desks/ui/deskwindow.h"
#include "records/viaturas.h"
#include "tests/desks/deskfixture.h"
#include "tests/support/janelas.h"

namespace {

void escrever(QWidget* w, Campo campo, const QString& texto) {
    auto* c = filho<QLineEdit>(w, objecto(campo));
    c->setFocus();
    QTest::keyClicks(c, texto);
    QTest::keyClick(c, Qt::Key_Tab);
}

}  // namespace

class ViaturasWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void onePassOfferAndSavedTareInTheWindow() {
        DeskFixture fx;
        RegistoViaturas(fx.t.db()).gravar({.matricula = QStringLiteral("12-AB-34"),
                                           .terceiro = QStringLiteral("C001"),
                                           .artigo = QStringLiteral("MILHO"),
                                           .tara = Money::fromInteger(9000),
                                           .pesadaEm = QDateTime::currentDateTime().addDays(-1),
                                           .validaAte = QDate::currentDate().addDays(20),
                                           .manual = true});
        DeskWindow w(DeskKind::saidas(), fx.t.db(), fx.parametros, fx.msgs, *fx.erp);
        QVERIFY(activa(w));

        clicar(&w, "btEntrada");
        escrever(&w, Campo::Matricula, QStringLiteral("12-ab-34"));
        QVERIFY2(fx.msgs.last().contains(QStringLiteral("Pesar uma só vez")), qPrintable(fx.msgs.last()));
        QCOMPARE(filho<QLineEdit>(&w, objecto(Campo::Terceiro))->text(), QStringLiteral("C001"));
        clicar(&w, "btPeso");
        auto* peso = filho<QLineEdit>(&w, objecto(Campo::Peso));
        peso->setFocus();
        QTest::keyClicks(peso, QStringLiteral("26500"));
        fx.msgs.clear();
        clicar(&w, "btConfPeso_0");
        QVERIFY2(fx.msgs.all.isEmpty(), qPrintable(fx.msgs.all.join(QLatin1Char('|'))));
        QVERIFY(!PesagemLida::ler(fx.t.db(), w.core().idHistorico()).pendente);
        QVERIFY(!filho(&w, "btConfPeso_0")->isVisible());

        // A load weighed twice, opened from the history: its tare becomes the truck's.
        DeskCore& d = w.core();
        const qint32 outra =
            fx.primeiraPesagem(d, QStringLiteral("C002"), QStringLiteral("TRIGO"), 10500, QStringLiteral("55-CC-55"));
        QVERIFY(fx.segundaPesagem(d, outra, 29000));
        DeskFixture::concluir(d);
        QVERIFY(fx.abrirHistorico(d, outra));
        QTRY_VERIFY(filho(&w, "btGuardarTara")->isVisible());
        clicar(&w, "btGuardarTara");
        const auto guardada = RegistoViaturas(fx.t.db()).ler(QStringLiteral("55-cc-55"));
        QVERIFY(guardada);
        QCOMPARE(guardada->tara, Money::fromInteger(10500));
        clicar(&w, "btCancGeral");
        QVERIFY(!filho(&w, "btGuardarTara")->isVisible());
    }
};

QTEST_MAIN(ViaturasWindowTest)
#include "viaturas_window_test.moc"
