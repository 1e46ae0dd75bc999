// The scale's diagnostic window, driven as an installer would.
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "scale/ui/frmpesar.h"
#include "tests/scale/simulador.h"
#include "tests/support/fotografia.h"

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

        auto* bt = janela.findChild<QPushButton*>(QStringLiteral("btPesar"));
        auto* peso = janela.findChild<QLabel*>(QStringLiteral("lblPeso"));
        auto* mensagem = janela.findChild<QLabel*>(QStringLiteral("lblMensagem"));
        auto* registo = janela.findChild<QListWidget*>(QStringLiteral("lstRegisto"));
        auto* recebido = janela.findChild<QPlainTextEdit*>(QStringLiteral("txtRecebido"));
        QVERIFY(bt && peso && mensagem && registo && recebido);
        QCOMPARE(bt->text(), QStringLiteral("&Pesar"));
        QCOMPARE(peso->text(), QStringLiteral("0"));
        QCOMPARE(mensagem->text(), QString());

        QSignalSpy fim(&leitor, &LeitorBalanca::concluida);
        QTest::mouseClick(bt, Qt::LeftButton);
        // While the indicator thinks, the button cannot start a second reading.
        QVERIFY(!bt->isEnabled());
        QTest::mouseClick(bt, Qt::LeftButton);
        QVERIFY(fim.wait(5000));
        QVERIFY(bt->isEnabled());
        QCOMPARE(peso->text(), QStringLiteral("23480"));
        QCOMPARE(mensagem->text(), QStringLiteral("Pesagem Estável"));
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
        auto* bt = janela.findChild<QPushButton*>(QStringLiteral("btPesar"));
        QTest::mouseClick(bt, Qt::LeftButton);
        QVERIFY(bt->isEnabled());
        QCOMPARE(janela.findChild<QLabel*>(QStringLiteral("lblPeso"))->text(), QStringLiteral("0"));
        QCOMPARE(janela.findChild<QLabel*>(QStringLiteral("lblMensagem"))->text(),
                 QStringLiteral("Não existe o ficheiro de configuração da balança"));
    }
};

QTEST_MAIN(TstFrmPesar)
#include "frmpesar_test.moc"
