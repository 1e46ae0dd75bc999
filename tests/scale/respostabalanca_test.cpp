// The indicator's reply and the scale file, without a serial line.
#include <QTest>

#include "scale/configbalanca.h"
#include "scale/respostabalanca.h"
#include "tests/scale/simulador.h"

class TstRespostaBalanca : public QObject {
    Q_OBJECT
  private slots:
    void respostas_data() {
        QTest::addColumn<QByteArray>("resposta");
        QTest::addColumn<bool>("estavel");
        QTest::addColumn<qint64>("peso");
        QTest::addColumn<QString>("mensagem");
        const QString est = RespostaBalanca::estavel(), inst = RespostaBalanca::instavel();
        QTest::newRow("estavel") << QByteArray("GS  001250kg\r") << true << qint64(1250) << est;
        QTest::newRow("instavel") << QByteArray("GU  001250kg\r") << false << qint64(1250) << inst;
        QTest::newRow("decimais descartados") << QByteArray("GS 12.34 KG\r") << true << qint64(1234) << est;
        QTest::newRow("maiusculas e minusculas") << QByteArray("gs 000800Kg\r\n") << true << qint64(800) << est;
        QTest::newRow("as duas marcas contam como estavel")
            << QByteArray("GU GS 000500kg\r") << true << qint64(500) << est;
        QTest::newRow("sinal mais e separadores ignorados")
            << QByteArray("GS +1,250 kg\r") << true << qint64(1250) << est;
        // A scale below zero must never read as a positive tare.
        const QString neg = RespostaBalanca::pesoNegativo();
        QTest::newRow("negativo estavel") << QByteArray("GS -1,250 kg\r") << false << qint64(0) << neg;
        QTest::newRow("negativo com espacos") << QByteArray("GS -    20kg\r\n") << false << qint64(0) << neg;
        QTest::newRow("negativo instavel") << QByteArray("GU-000020kg\r") << false << qint64(0) << neg;
        QTest::newRow("hifen longe do peso nao e sinal") << QByteArray("GS-A 000020kg\r") << true << qint64(20) << est;
        QTest::newRow("so conta ate ao primeiro KG") << QByteArray("GS 10kg 99kg\r") << true << qint64(10) << est;
        QTest::newRow("zero e uma leitura") << QByteArray("GS  000000kg\r") << true << qint64(0) << est;
        QTest::newRow("instavel sem unidade") << QByteArray("GU  001250\r") << false << qint64(0) << inst;
        // A stable mark with nothing weighed must not pass for a reading of 0 kg.
        QTest::newRow("estavel sem unidade")
            << QByteArray("GS  001250\r") << false << qint64(0) << RespostaBalanca::semPeso();
        QTest::newRow("estavel sem algarismos")
            << QByteArray("GS kg\r") << false << qint64(0) << RespostaBalanca::semPeso();
        // Without a mark the caller's message stays.
        QTest::newRow("sem marca") << QByteArray("  001250kg\r") << false << qint64(1250) << QStringLiteral("anterior");
        QTest::newRow("vazia") << QByteArray() << false << qint64(0) << QStringLiteral("anterior");
    }

    void respostas() {
        QFETCH(QByteArray, resposta);
        QFETCH(bool, estavel);
        QFETCH(qint64, peso);
        QFETCH(QString, mensagem);
        const LeituraBalanca l = RespostaBalanca::interpretar(resposta, QStringLiteral("anterior"));
        QCOMPARE(l.estavel, estavel);
        QCOMPARE(l.peso, peso);
        QCOMPARE(l.mensagem, mensagem);
    }

    void respostaCompletaSoComRetorno() {
        QVERIFY(!RespostaBalanca::completa("GS  001250kg"));
        QVERIFY(!RespostaBalanca::completa("GS  001250kg\n"));
        QVERIFY(RespostaBalanca::completa("GS  001250kg\r"));
        QVERIFY(RespostaBalanca::completa("GS  001250kg\r\n"));
    }

    void pesoDemasiadoGrandeNaoEValido() {
        const LeituraBalanca l = RespostaBalanca::interpretar("GS 99999999999999999999999kg\r");
        QVERIFY(!l.estavel);
        QCOMPARE(l.peso, qint64(0));
        QVERIFY(l.mensagem.startsWith(QStringLiteral("Erro na função de Pesagem")));
        // The largest weight a currency value holds still reads.
        QCOMPARE(RespostaBalanca::interpretar("GS 922337203685477kg\r").peso, RespostaBalanca::kPesoMaximo);
    }

    void ficheiroValido() {
        FicheiroBalanca f(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("4800,E,7,2"),
                          QStringLiteral("5\r\nlinha a mais"));
        ConfigBalanca c;
        QString erro;
        QVERIFY2(c.ler(f.caminho(), &erro), qPrintable(erro));
        QCOMPARE(c.porta, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(c.baud, 4800);
        QCOMPARE(c.paridade, QSerialPort::EvenParity);
        QCOMPARE(c.dados, QSerialPort::Data7);
        QCOMPARE(c.paragem, QSerialPort::TwoStop);
        QCOMPARE(c.segundos, 5);

        FicheiroBalanca comBom(
            QByteArray("\xEF\xBB\xBF"
                       "3\r\n9600,N,8,1\r\n2\r\n"));
        QVERIFY2(c.ler(comBom.caminho(), &erro), qPrintable(erro));
        QCOMPARE(c.porta, ConfigBalanca::dispositivo(3));

        // A number names the serial device; the settings may be spaced and in lower case.
        FicheiroBalanca numero(QStringLiteral("1"), QStringLiteral(" 19200 , o , 8 , 1.5 "));
        QVERIFY(c.ler(numero.caminho(), &erro));
        QCOMPARE(c.baud, 19200);
        QCOMPARE(c.paridade, QSerialPort::OddParity);
        QCOMPARE(c.paragem, QSerialPort::OneAndHalfStop);
#ifndef Q_OS_WIN
        QCOMPARE(c.porta, QStringLiteral("/dev/ttyS0"));
#endif
    }

    void ficheiroInvalido_data() {
        QTest::addColumn<QByteArray>("conteudo");
        QTest::addColumn<QString>("motivo");
        QTest::newRow("duas linhas") << QByteArray("1\n9600,N,8,1\n") << QStringLiteral("três linhas");
        QTest::newRow("vazio") << QByteArray() << QStringLiteral("três linhas");
        QTest::newRow("porta texto") << QByteArray("COMUM\n9600,N,8,1\n3\n") << QStringLiteral("linha 1");
        QTest::newRow("porta zero") << QByteArray("0\n9600,N,8,1\n3\n") << QStringLiteral("linha 1");
        QTest::newRow("paridade") << QByteArray("1\n9600,X,8,1\n3\n") << QStringLiteral("linha 2");
        QTest::newRow("campos a menos") << QByteArray("1\n9600,N,8\n3\n") << QStringLiteral("linha 2");
        QTest::newRow("baud texto") << QByteArray("1\nrapido,N,8,1\n3\n") << QStringLiteral("linha 2");
        QTest::newRow("bits de dados") << QByteArray("1\n9600,N,9,1\n3\n") << QStringLiteral("linha 2");
        QTest::newRow("segundos texto") << QByteArray("1\n9600,N,8,1\ndez\n") << QStringLiteral("linha 3");
        QTest::newRow("segundos negativos") << QByteArray("1\n9600,N,8,1\n-1\n") << QStringLiteral("linha 3");
    }

    void ficheiroInvalido() {
        QFETCH(QByteArray, conteudo);
        QFETCH(QString, motivo);
        FicheiroBalanca f(conteudo);
        ConfigBalanca c;
        QString erro;
        QVERIFY(!c.ler(f.caminho(), &erro));
        QVERIFY2(erro.contains(motivo), qPrintable(erro));
    }

    void localizarPrefereAPastaDoPrograma() {
        FicheiroBalanca programa(QStringLiteral("1"));
        FicheiroBalanca config(QStringLiteral("2"));
        QTemporaryDir vazia;
        QCOMPARE(ConfigBalanca::localizar(programa.pasta(), config.pasta()), programa.caminho());
        QCOMPARE(ConfigBalanca::localizar(vazia.path(), config.pasta()), config.caminho());
        QCOMPARE(ConfigBalanca::localizar(vazia.path(), vazia.path()), QString());
    }
};

QTEST_GUILESS_MAIN(TstRespostaBalanca)
#include "respostabalanca_test.moc"
