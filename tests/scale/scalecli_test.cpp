// balantrix-cli scale read, as installers use it to try an indicator.
#include <QDir>
#include <QTest>

#include "tests/scale/simulador.h"
#include "tests/support/clirun.h"
#include "tests/support/testsupport.h"

class TstScaleCli : public QObject {
    Q_OBJECT
  private slots:
    void leituras_data() {
        QTest::addColumn<QStringList>("simulador");
        QTest::addColumn<int>("codigo");
        QTest::addColumn<QString>("saida");
        QTest::newRow("estavel") << QStringList{} << 0
                                 << QStringLiteral("stable=1\nweight=1250\nmessage=Pesagem Estável\n");
        QTest::newRow("instavel") << QStringList{QStringLiteral("--mark"), QStringLiteral("gu")} << 1
                                  << QStringLiteral("stable=0\nweight=1250\nmessage=Pesagem Instável\n");
        QTest::newRow("ocupada") << QStringList{QStringLiteral("--hold")} << 1
                                 << QStringLiteral(
                                        "stable=0\nweight=0\nmessage=Erro na função de Pesagem após 3 tentativas "
                                        "Erro Número:2 (Permission error while locking the device)\n");
    }

    void leituras() {
        QFETCH(QStringList, simulador);
        QFETCH(int, codigo);
        QFETCH(QString, saida);
        Simulador sim(simulador);
        QVERIFY(sim.iniciado());
        FicheiroBalanca f(sim.caminho());
        const CliRun s =
            runCli({QStringLiteral("scale"), QStringLiteral("read"), QStringLiteral("--file"), f.caminho()});
        QCOMPARE(s.out, saida);
        QCOMPARE(s.code, codigo);
    }

    void ficheiroDaPastaDeConfiguracao() {
        TempDataDir dados;
        // The simulator writes the demo's BALANCA.TXT into the configuration folder.
        QVERIFY(QDir().mkpath(dados.norvak()));
        Simulador sim({QStringLiteral("--demo"), QStringLiteral("--weight"), QStringLiteral("777")});
        QVERIFY(sim.iniciado());
        QVERIFY(QFile::exists(dados.norvak() + QStringLiteral("/BALANCA.TXT")));
        const CliRun s = runCli({QStringLiteral("scale"), QStringLiteral("read"), QStringLiteral("--log")});
        QCOMPARE(s.code, 0);
        QCOMPARE(s.out, QStringLiteral("stable=1\nweight=777\nmessage=Pesagem Estável\n"));
        QVERIFY(s.err.contains(QStringLiteral("Abrir a porta")));
    }

    void usoErrado() {
        const QString scale = QStringLiteral("scale"), read = QStringLiteral("read");
        for (const QStringList& a : {QStringList{scale}, QStringList{scale, read, QStringLiteral("--file")},
                                     QStringList{scale, read, QStringLiteral("extra")}})
            QCOMPARE(runCli(a).code, 2);
    }
};

QTEST_GUILESS_MAIN(TstScaleCli)
#include "scalecli_test.moc"
