// The outgoing desk's window with a registered truck: the plate typed and left offers
// the stored tare, one typed weight finishes the load, and "Guardar tara" in the history
// stores the tare of a finished load.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "desks/ui/deskwindow.h"
#include "records/registohistorico.h"
#include "tests/desks/deskfixture.h"

namespace {

template <typename T = QWidget>
T* filho(QWidget* w, const QString& nome) {
    T* f = w->findChild<T*>(nome);
    if (!f) qFatal("missing control %s", qPrintable(nome));
    return f;
}

void clicar(QWidget* w, const QString& botao) {
    auto* b = filho<QPushButton>(w, botao);
    QVERIFY2(b->isVisible() && b->isEnabled(), qPrintable(botao));
    QTest::mouseClick(b, Qt::LeftButton);
}

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
        Viatura v;
        v.matricula = QStringLiteral("12-AB-34");
        v.terceiro = QStringLiteral("C001");
        v.artigo = QStringLiteral("MILHO");
        v.tara = Money::fromInteger(9000);
        v.pesadaEm = QDateTime::currentDateTime().addDays(-1);
        v.validaAte = QDate::currentDate().addDays(20);
        v.manual = true;
        RegistoViaturas(fx.t.db()).gravar(v);
        DeskWindow w(DeskKind::saidas(), fx.t.db(), fx.parametros, fx.msgs, *fx.erp);
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        clicar(&w, QStringLiteral("btEntrada"));
        escrever(&w, Campo::Matricula, QStringLiteral("12-ab-34"));
        QVERIFY2(fx.msgs.last().contains(QStringLiteral("Pesar uma só vez")), qPrintable(fx.msgs.last()));
        QCOMPARE(filho<QLineEdit>(&w, objecto(Campo::Terceiro))->text(), QStringLiteral("C001"));
        QCOMPARE(filho<QLineEdit>(&w, objecto(Campo::Artigo))->text(), QStringLiteral("MILHO"));
        clicar(&w, QStringLiteral("btPeso"));
        auto* peso = filho<QLineEdit>(&w, objecto(Campo::Peso));
        peso->setFocus();
        QTest::keyClicks(peso, QStringLiteral("26500"));
        fx.msgs.clear();
        clicar(&w, QStringLiteral("btConfPeso_0"));
        QVERIFY2(fx.msgs.all.isEmpty(), qPrintable(fx.msgs.all.join(QLatin1Char('|'))));
        const qint32 id = w.core().idHistorico();
        const RecordSet r = LerHistorico(fx.t.db(), id);
        QVERIFY(!r.isNull(QStringLiteral("DataHoraPL")));
        QCOMPARE(Money::fromVariant(r.value(QStringLiteral("PesoLiquido"))), Money::fromInteger(17500));
        QVERIFY(!filho<QPushButton>(&w, QStringLiteral("btConfPeso_0"))->isVisible());

        // A load weighed twice, opened from the history: its tare becomes the truck's.
        DeskCore& d = w.core();
        const qint32 outra =
            fx.primeiraPesagem(d, QStringLiteral("C002"), QStringLiteral("TRIGO"), 10500, QStringLiteral("55-CC-55"));
        QVERIFY(fx.segundaPesagem(d, outra, 29000));
        DeskFixture::concluir(d);
        QVERIFY(fx.abrirHistorico(d, outra));
        QTRY_VERIFY(filho<QPushButton>(&w, QStringLiteral("btGuardarTara"))->isVisible());
        clicar(&w, QStringLiteral("btGuardarTara"));
        const auto guardada = RegistoViaturas(fx.t.db()).ler(QStringLiteral("55-cc-55"));
        QVERIFY(guardada);
        QCOMPARE(guardada->tara, Money::fromInteger(10500));
        clicar(&w, QStringLiteral("btCancGeral"));
        QVERIFY(!filho<QPushButton>(&w, QStringLiteral("btGuardarTara"))->isVisible());
    }
};

QTEST_MAIN(ViaturasWindowTest)
#include "viaturas_window_test.moc"
