// The simulated indicator's window: what the operator sets there is what the scale
// reader gets over the pseudo-terminal, and control lines show in it.
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include "scale/leitorbalanca.h"
#include "tests/scale/simulador.h"
#include "tests/support/fotografia.h"
#include "tests/support/janelas.h"
#include "tools/indicator-sim/indicador.h"
#include "tools/indicator-sim/janelaindicador.h"

class TstJanelaIndicador : public QObject {
    Q_OBJECT
  private slots:
    void trucksAndMarksReachTheReader() {
        Indicador ind;
        QString erro;
        QVERIFY2(ind.abrir(&erro), qPrintable(erro));
        JanelaIndicador janela(ind);
        QVERIFY(activa(janela));
        QCOMPARE(rotulo(&janela, "lblPeso"), QStringLiteral("1.250 kg"));
        QCOMPARE(rotulo(&janela, "lblEstado"), QStringLiteral("Estável"));

        FicheiroBalanca f(ind.caminho());
        QTemporaryDir vazia;
        LeitorBalanca leitor(f.pasta(), vazia.path());
        auto ler = [&](qint64& kg, QString& mensagem) { return leitor.pesar(kg, mensagem); };

        // The empty truck, then the loaded one: each button is one reading.
        clicar(&janela, "btCamiao_0");
        QCOMPARE(rotulo(&janela, "lblPeso"), QStringLiteral("14.220 kg"));
        qint64 kg = 0;
        QString mensagem;
        QVERIFY2(ler(kg, mensagem), qPrintable(mensagem));
        QCOMPARE(kg, 14220);
        clicar(&janela, "btCamiao_1");
        QVERIFY(ler(kg, mensagem));
        QCOMPARE(kg, 40560);

        // Unstable: the reader refuses; silent: it waits and says so.
        QTest::mouseClick(janela.findChild<QRadioButton*>(QStringLiteral("optInstavel")), Qt::LeftButton);
        QCOMPARE(rotulo(&janela, "lblEstado"), QStringLiteral("Instável"));
        QVERIFY(!ler(kg, mensagem));
        QTest::mouseClick(janela.findChild<QRadioButton*>(QStringLiteral("optEstavel")), Qt::LeftButton);
        QVERIFY(ler(kg, mensagem));
        fotografar(&janela, QStringLiteral("indicador"));

        // A control line (as the tests send on standard input) shows in the window.
        QVERIFY(ind.comando(QStringLiteral("weight 2000"), &erro));
        QCOMPARE(janela.findChild<QSpinBox*>(QStringLiteral("spinPeso"))->value(), 2000);
        QCOMPARE(rotulo(&janela, "lblPeso"), QStringLiteral("2.000 kg"));
        QVERIFY(ind.comando(QStringLiteral("silent on"), &erro));
        QVERIFY(janela.findChild<QRadioButton*>(QStringLiteral("optSilencio"))->isChecked());
        QCOMPARE(rotulo(&janela, "lblPeso"), QStringLiteral("------"));
    }
};

QTEST_MAIN(TstJanelaIndicador)
#include "janelaindicador_test.moc"
