// The scale's diagnostic window, driven as an installer would.
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

#include "scale/ui/frmpesar.h"
#include "tests/scale/simulador.h"
#include "tests/support/fotografia.h"
#include "tests/support/janelas.h"

class TstFrmPesar : public QObject {
    Q_OBJECT
  private slots:
    void pesarMostraPesoEMensagem() {
        Simulador sim(
            {QStringLiteral("--delay"), QStringLiteral("300"), QStringLiteral("--weight"), QStringLiteral("23480")});
        QVERIFY(sim.iniciado());
        FicheiroBalanca f(sim.caminho());
        QTemporaryDir vazia;
        LeitorBalanca leitor(f.pasta(), vazia.path());
        FrmPesar janela(&leitor);
        janela.show();
        QVERIFY(QTest::qWaitForWindowExposed(&janela));

        auto* bt = filho<QPushButton>(&janela, "btPesar");
        auto* registo = filho<QListWidget>(&janela, "lstRegisto");
        auto* recebido = filho<QPlainTextEdit>(&janela, "txtRecebido");
        QCOMPARE(rotulo(&janela, "lblPeso"), QStringLiteral("0"));
        QCOMPARE(rotulo(&janela, "lblMensagem"), QString());

        QSignalSpy fim(&leitor, &LeitorBalanca::concluida);
        QTest::mouseClick(bt, Qt::LeftButton);
        // While the indicator thinks, the button cannot start a second reading.
        QVERIFY(!bt->isEnabled());
        QTest::mouseClick(bt, Qt::LeftButton);
        QVERIFY(fim.wait(5000));
        QVERIFY(bt->isEnabled());
        QCOMPARE(rotulo(&janela, "lblPeso"), QStringLiteral("23480"));
        QCOMPARE(rotulo(&janela, "lblMensagem"), QStringLiteral("Pesagem Estável"));
        QCOMPARE(registo->item(registo->count() - 1)->text(), QStringLiteral("Fim de pesagem - Fechar Porta"));
        QVERIFY(recebido->toPlainText().startsWith(QStringLiteral("GS  023480kg<CR><LF>")));
        QCOMPARE(sim.pedidos(), 1);

        fotografar(&janela, QStringLiteral("frmPesar"));
    }

    void semFicheiroMostraAMensagem() {
        QTemporaryDir vazia;
        LeitorBalanca leitor(vazia.path(), vazia.path());
        FrmPesar janela(&leitor);
        janela.show();
        auto* bt = filho<QPushButton>(&janela, "btPesar");
        QTest::mouseClick(bt, Qt::LeftButton);
        QVERIFY(bt->isEnabled());
        QCOMPARE(rotulo(&janela, "lblPeso"), QStringLiteral("0"));
        QCOMPARE(rotulo(&janela, "lblMensagem"), QStringLiteral("Não existe o ficheiro de configuração da balança"));
    }
};

QTEST_MAIN(TstFrmPesar)
#include "frmpesar_test.moc"
