// The scale reader over real pseudo-terminals: the indicator simulator, or a far end
// driven by the test.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include "scale/leitorbalanca.h"
#include "tests/scale/simulador.h"
#include "tests/support/testsupport.h"

namespace {

// One synchronous reading: stable or not, the weight, the message (the caller's until the reader gives one).
struct Pesada {
    bool estavel = false;
    qint64 peso = 0;
    QString mensagem;
    bool operator==(const Pesada&) const = default;
};

char* toString(const Pesada& p) {
    return qstrdup(qPrintable(QStringLiteral("%1 %2 kg \"%3\"")
                                  .arg(p.estavel ? QStringLiteral("estável") : QStringLiteral("não"))
                                  .arg(p.peso)
                                  .arg(p.mensagem)));
}

Pesada pesar(LeitorBalanca& leitor, const QString& anterior = {}) {
    Pesada r{false, -1, anterior};
    r.estavel = leitor.pesar(r.peso, r.mensagem);
    return r;
}

}  // namespace

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
        QCOMPARE(pesar(leitor, QStringLiteral("antes")), (Pesada{estavel, peso, mensagem}));
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
        QCOMPARE(pesar(leitor), (Pesada{true, 1250, QStringLiteral("Pesagem Estável")}));
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
        QCOMPARE(pesar(leitor, QStringLiteral("do chamador")), (Pesada{false, 0, QStringLiteral("do chamador")}));
        const qint64 ms = t.elapsed();
        QVERIFY2(ms > 1000 && ms < 2500, qPrintable(QString::number(ms)));  // more than 1 s, at most one more
        QVERIFY2(batidas >= 10, qPrintable(QString::number(batidas)));

        // Nothing passed by the caller: the failure still says why.
        QCOMPARE(pesar(leitor), (Pesada{false, 0, QStringLiteral("A balança não respondeu em 1 segundos.")}));
    }

    void semFicheiroNaoAbrePorta() {
        Simulador sim;
        QVERIFY(sim.iniciado());
        QTemporaryDir config;
        LeitorBalanca leitor(m_vazia.path(), config.path());
        QElapsedTimer t;
        t.start();
        QCOMPARE(pesar(leitor), (Pesada{false, 0, QStringLiteral("Não existe o ficheiro de configuração da balança")}));
        QVERIFY(t.elapsed() < 500);
        QCOMPARE(sim.pedidos(), 0);
        QCOMPARE(leitor.registo().size(), 1);
        QVERIFY(leitor.registo().first().startsWith(QStringLiteral("Ler configuração ")));
    }

    void ficheiroInvalidoDaMensagemClara() {
        FicheiroBalanca f(QStringLiteral("porta um"));
        LeitorBalanca leitor(f.pasta(), m_vazia.path());
        const Pesada r = pesar(leitor);
        QVERIFY(!r.estavel && r.peso == 0);
        QCOMPARE(foraDoLugar(r.mensagem, {QStringLiteral("linha 1"), QStringLiteral("porta um")}), QString());
        QVERIFY(leitor.registo().contains(QStringLiteral("Porta porta um")));
    }

    void portaOcupadaTentaQuatroVezes() {
        Simulador sim({QStringLiteral("--hold")});
        QVERIFY(sim.iniciado());
        FicheiroBalanca f(sim.caminho());
        LeitorBalanca leitor(f.pasta(), m_vazia.path());
        leitor.setPausaTentativas(20);
        const Pesada r = pesar(leitor);
        QVERIFY(!r.estavel && r.peso == 0);
        QVERIFY2(
            r.mensagem.startsWith(QStringLiteral("Erro na função de Pesagem após 3 tentativas \r\nErro Número:")) &&
                r.mensagem.endsWith(QStringLiteral(" (Permission error while locking the device)")),
            qPrintable(r.mensagem));
        QCOMPARE(leitor.registo().filter(QStringLiteral("Porta ocupada")).size(), 3);
        QCOMPARE(sim.pedidos(), 0);

        // Once the other program lets go, the next reading works.
        QCOMPARE(sim.comando(QStringLiteral("hold off")), QStringLiteral("ok"));
        QCOMPARE(pesar(leitor).peso, 1250);
    }

    void portaInexistente() {
        FicheiroBalanca f(m_vazia.filePath(QStringLiteral("nao-existe")));
        LeitorBalanca leitor(f.pasta(), m_vazia.path());
        const QString m = pesar(leitor).mensagem;
        QVERIFY2(m.startsWith(QStringLiteral("Erro na função de Pesagem \r\nErro Número:")) &&
                     !m.contains(QStringLiteral("tentativas")) && m.endsWith(QLatin1Char(')')),
                 qPrintable(m));
    }

    void linhaCaiDuranteAEspera() {
        auto peer = std::make_unique<PeerPty>();
        FicheiroBalanca f(peer->caminho(), QStringLiteral("9600,N,8,1"), QStringLiteral("30"));
        LeitorBalanca leitor(f.pasta(), m_vazia.path());
        QTimer::singleShot(200, [&] { peer.reset(); });
        QElapsedTimer t;
        t.start();
        const Pesada r = pesar(leitor);
        QVERIFY2(t.elapsed() < 5000, "a broken line ends the reading at once, not after the 30 s");
        QVERIFY(!r.estavel && r.peso == 0);
        QVERIFY2(r.mensagem.startsWith(QStringLiteral("Erro na função de Pesagem \r\nErro Número:")),
                 qPrintable(r.mensagem));
    }

    void leiturasSeguidasNaMesmaPorta() {
        Simulador sim;
        QVERIFY(sim.iniciado());
        FicheiroBalanca f(sim.caminho());
        for (int i = 1; i <= 3; ++i) {
            // A fresh reader each time, as the desks do: the port is free again after each.
            LeitorBalanca leitor(f.pasta(), m_vazia.path());
            QCOMPARE(sim.comando(QStringLiteral("weight %1").arg(i * 1000)), QStringLiteral("ok"));
            QCOMPARE(pesar(leitor).peso, i * 1000);
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
        // Nor does a synchronous call.
        QCOMPARE(pesar(leitor).mensagem, QStringLiteral("Já está a decorrer uma pesagem nesta balança."));
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
