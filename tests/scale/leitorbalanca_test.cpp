// The scale reader over real pseudo-terminals: the indicator simulator, or a far end
// driven by the test.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include "scale/leitorbalanca.h"
#include "tests/scale/simulador.h"

class TstLeitorBalanca : public QObject {
    Q_OBJECT
  private slots:
    void init() { QVERIFY(m_vazia.isValid()); }
    // The reader's own outcomes; what each reply means is the parser's table (respostabalanca_test).
    void respostasDoIndicador_data() {
        QTest::addColumn<QString>("comando");
        QTest::addColumn<bool>("estavel");
        QTest::addColumn<qint64>("peso");
        QTest::addColumn<QString>("mensagem");
        QTest::newRow("GS") << QStringLiteral("mark gs") << true << qint64(1250) << QStringLiteral("Pesagem Estável");
        QTest::newRow("sem marca") << QStringLiteral("mark none") << false << qint64(1250) << QStringLiteral("antes");
        QTest::newRow("sem KG") << QStringLiteral("unit off") << false << qint64(0)
                                << QStringLiteral("A resposta da balança não traz o peso em kg.");
        QTest::newRow("ruido") << QStringLiteral("garbage on") << false << qint64(0) << QStringLiteral("antes");
    }

    void respostasDoIndicador() {
        QFETCH(QString, comando);
        QFETCH(bool, estavel);
        QFETCH(qint64, peso);
        QFETCH(QString, mensagem);
        Simulador sim;
        QVERIFY(sim.iniciado());
        QCOMPARE(sim.comando(comando), QStringLiteral("ok"));
        FicheiroBalanca f(sim.caminho());
        LeitorBalanca leitor(f.pasta(), m_vazia.path());
        qint64 p = -1;
        QString m = QStringLiteral("antes");
        QCOMPARE(leitor.pesar(p, m), estavel);
        QCOMPARE(p, peso);
        QCOMPARE(m, mensagem);
        QCOMPARE(sim.pedidos(), 1);
        QCOMPARE(leitor.registo().last(), QStringLiteral("Fim de pesagem - Fechar Porta"));
    }

    void respostaPartidaEmMuitasLeituras() {
        PeerPty peer;
        QVERIFY(!peer.caminho().isEmpty());
        // The far end answers the request one byte every 10 ms.
        const QByteArray resposta("GS  001250kg\r\n");
        int enviado = 0;
        QByteArray pedido;
        QTimer gotas;
        QObject::connect(&gotas, &QTimer::timeout, [&] {
            pedido += peer.ler();
            if (!pedido.contains("\r\n") || enviado >= resposta.size()) return;
            peer.enviar(resposta.mid(enviado++, 1));
        });
        gotas.start(10);
        FicheiroBalanca f(peer.caminho());
        LeitorBalanca leitor(f.pasta(), m_vazia.path());
        QSignalSpy pedacos(&leitor, &LeitorBalanca::recebidoMudou);
        qint64 p = 0;
        QString m;
        QVERIFY(leitor.pesar(p, m));
        QCOMPARE(p, qint64(1250));
        QCOMPARE(m, QStringLiteral("Pesagem Estável"));
        QCOMPARE(pedido, QByteArray("\r\n"));
        QVERIFY2(pedacos.count() > 5, "the reply should have arrived in many reads");
        QVERIFY(leitor.recebido().startsWith("GS  001250kg\r"));
    }

    void semRespostaTerminaPeloTempo() {
        Simulador sim({QStringLiteral("--silent")});
        QVERIFY(sim.iniciado());
        FicheiroBalanca f(sim.caminho(), QStringLiteral("9600,N,8,1"), QStringLiteral("1"));
        LeitorBalanca leitor(f.pasta(), m_vazia.path());
        // The window must keep working while the reading waits.
        int batidas = 0;
        QTimer relogio;
        QObject::connect(&relogio, &QTimer::timeout, [&] { ++batidas; });
        relogio.start(50);
        QElapsedTimer t;
        t.start();
        qint64 p = -1;
        QString m = QStringLiteral("do chamador");
        QVERIFY(!leitor.pesar(p, m));
        const qint64 ms = t.elapsed();
        QVERIFY2(ms > 1000 && ms < 2500, qPrintable(QString::number(ms)));  // more than 1 s, at most one more
        QCOMPARE(p, qint64(0));
        QCOMPARE(m, QStringLiteral("do chamador"));
        QVERIFY2(batidas >= 10, qPrintable(QString::number(batidas)));

        // Nothing passed by the caller: the failure still says why.
        m.clear();
        QVERIFY(!leitor.pesar(p, m));
        QCOMPARE(m, QStringLiteral("A balança não respondeu em 1 segundos."));
    }

    void semFicheiroNaoAbrePorta() {
        Simulador sim;
        QVERIFY(sim.iniciado());
        QTemporaryDir config;
        LeitorBalanca leitor(m_vazia.path(), config.path());
        QElapsedTimer t;
        t.start();
        qint64 p = -1;
        QString m;
        QVERIFY(!leitor.pesar(p, m));
        QVERIFY(t.elapsed() < 500);
        QCOMPARE(p, qint64(0));
        QCOMPARE(m, QStringLiteral("Não existe o ficheiro de configuração da balança"));
        QCOMPARE(sim.pedidos(), 0);
        QCOMPARE(leitor.registo().size(), 1);
        QVERIFY(leitor.registo().first().startsWith(QStringLiteral("Ler configuração ")));
    }

    void ficheiroNaPastaDeConfiguracao() {
        Simulador sim({QStringLiteral("--weight"), QStringLiteral("4321")});
        QVERIFY(sim.iniciado());
        FicheiroBalanca config(sim.caminho());
        LeitorBalanca leitor(m_vazia.path(), config.pasta());
        qint64 p = 0;
        QString m;
        QVERIFY(leitor.pesar(p, m));
        QCOMPARE(p, qint64(4321));
        QCOMPARE(leitor.ficheiroUsado(), config.caminho());
    }

    void ficheiroInvalidoDaMensagemClara() {
        FicheiroBalanca f(QStringLiteral("porta um"));
        LeitorBalanca leitor(f.pasta(), m_vazia.path());
        qint64 p = -1;
        QString m;
        QVERIFY(!leitor.pesar(p, m));
        QCOMPARE(p, qint64(0));
        QVERIFY2(m.contains(QStringLiteral("linha 1")) && m.contains(QStringLiteral("porta um")), qPrintable(m));
        QVERIFY(leitor.registo().contains(QStringLiteral("Porta porta um")));
    }

    void portaOcupadaTentaQuatroVezes() {
        Simulador sim({QStringLiteral("--hold")});
        QVERIFY(sim.iniciado());
        FicheiroBalanca f(sim.caminho());
        LeitorBalanca leitor(f.pasta(), m_vazia.path());
        leitor.setPausaTentativas(20);
        qint64 p = -1;
        QString m;
        QVERIFY(!leitor.pesar(p, m));
        QCOMPARE(p, qint64(0));
        QVERIFY2(m.startsWith(QStringLiteral("Erro na função de Pesagem após 3 tentativas \r\nErro Número:")),
                 qPrintable(m));
        QVERIFY2(m.endsWith(QStringLiteral(" (Permission error while locking the device)")), qPrintable(m));
        QCOMPARE(leitor.registo().filter(QStringLiteral("Porta ocupada")).size(), 3);
        QCOMPARE(sim.pedidos(), 0);

        // Once the other program lets go, the next reading works.
        QCOMPARE(sim.comando(QStringLiteral("hold off")), QStringLiteral("ok"));
        QVERIFY(leitor.pesar(p, m));
        QCOMPARE(p, qint64(1250));
    }

    void portaInexistente() {
        FicheiroBalanca f(m_vazia.filePath(QStringLiteral("nao-existe")));
        LeitorBalanca leitor(f.pasta(), m_vazia.path());
        qint64 p = -1;
        QString m;
        QVERIFY(!leitor.pesar(p, m));
        QVERIFY2(m.startsWith(QStringLiteral("Erro na função de Pesagem \r\nErro Número:")), qPrintable(m));
        QVERIFY(!m.contains(QStringLiteral("tentativas")));
        QVERIFY(m.endsWith(QLatin1Char(')')));
    }

    void linhaCaiDuranteAEspera() {
        auto peer = std::make_unique<PeerPty>();
        FicheiroBalanca f(peer->caminho(), QStringLiteral("9600,N,8,1"), QStringLiteral("30"));
        LeitorBalanca leitor(f.pasta(), m_vazia.path());
        QTimer::singleShot(200, [&] { peer.reset(); });
        QElapsedTimer t;
        t.start();
        qint64 p = -1;
        QString m;
        QVERIFY(!leitor.pesar(p, m));
        QVERIFY2(t.elapsed() < 5000, "a broken line ends the reading at once, not after the 30 s");
        QCOMPARE(p, qint64(0));
        QVERIFY2(m.startsWith(QStringLiteral("Erro na função de Pesagem \r\nErro Número:")), qPrintable(m));
    }

    void leiturasSeguidasNaMesmaPorta() {
        Simulador sim;
        QVERIFY(sim.iniciado());
        FicheiroBalanca f(sim.caminho());
        for (int i = 1; i <= 3; ++i) {
            // A fresh reader each time, as the desks do: the port is free again after each.
            LeitorBalanca leitor(f.pasta(), m_vazia.path());
            QCOMPARE(sim.comando(QStringLiteral("weight %1").arg(i * 1000)), QStringLiteral("ok"));
            qint64 p = 0;
            QString m;
            QVERIFY(leitor.pesar(p, m));
            QCOMPARE(p, qint64(i * 1000));
        }
        QCOMPARE(sim.pedidos(), 3);
    }

    void porSinalSemBloquear() {
        Simulador sim(
            {QStringLiteral("--delay"), QStringLiteral("200"), QStringLiteral("--mark"), QStringLiteral("gu")});
        QVERIFY(sim.iniciado());
        FicheiroBalanca f(sim.caminho());
        LeitorBalanca leitor(f.pasta(), m_vazia.path());
        QSignalSpy fim(&leitor, &LeitorBalanca::concluida);
        leitor.iniciar();
        QVERIFY(leitor.emCurso());
        QCOMPARE(fim.count(), 0);
        leitor.iniciar();  // a second start while one runs changes nothing
        qint64 p = 0;
        QString m;
        QVERIFY(!leitor.pesar(p, m));  // nor does a synchronous call
        QCOMPARE(m, QStringLiteral("Já está a decorrer uma pesagem nesta balança."));
        QVERIFY(fim.wait(5000));
        QCOMPARE(fim.count(), 1);
        const auto l = fim.first().first().value<LeituraBalanca>();
        QVERIFY(!l.estavel);
        QCOMPARE(l.peso, qint64(1250));
        QCOMPARE(l.mensagem, QStringLiteral("Pesagem Instável"));
        QVERIFY(!leitor.emCurso());
        QCOMPARE(sim.pedidos(), 1);
    }

  private:
    QTemporaryDir m_vazia;  // a program folder without BALANCA.TXT
};

QTEST_GUILESS_MAIN(TstLeitorBalanca)
#include "leitorbalanca_test.moc"
