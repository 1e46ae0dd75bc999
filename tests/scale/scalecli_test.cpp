// balantrix-cli scale read, as installers use it to try an indicator.
#include <QDir>
#include <QProcess>
#include <QTest>

#include "tests/scale/simulador.h"
#include "tests/support/testsupport.h"

class TstScaleCli : public QObject {
    Q_OBJECT
  private slots:
    void leituras_data();
    void leituras();
    void ficheiroDaPastaDeConfiguracao();
    void usoErrado();

  private:
    struct Saida {
        int codigo;
        QString out, err;
    };
    Saida correr(const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());
};

TstScaleCli::Saida TstScaleCli::correr(const QStringList& args, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("BALANTRIX_BIN") + QStringLiteral("/balantrix-cli"), args);
    p.waitForFinished(15000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

void TstScaleCli::leituras_data() {
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

void TstScaleCli::leituras() {
    QFETCH(QStringList, simulador);
    QFETCH(int, codigo);
    QFETCH(QString, saida);
    Simulador sim(simulador);
    QVERIFY(sim.iniciado());
    FicheiroBalanca f(sim.caminho());
    const Saida s = correr({QStringLiteral("scale"), QStringLiteral("read"), QStringLiteral("--file"), f.caminho()});
    QCOMPARE(s.out, saida);
    QCOMPARE(s.codigo, codigo);
}

void TstScaleCli::ficheiroDaPastaDeConfiguracao() {
    TempDataDir dados;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BALANTRIX_DATA_DIR"), dados.path());
    // Without the configuration folder and without a file beside the program.
    Saida s = correr({QStringLiteral("scale"), QStringLiteral("read")}, env);
    QCOMPARE(s.codigo, 1);
    QCOMPARE(s.out, QStringLiteral("stable=0\nweight=0\nmessage=Não existe o ficheiro de configuração da balança\n"));

    // The simulator writes the demo's BALANCA.TXT into the configuration folder.
    QVERIFY(QDir().mkpath(dados.norvak()));
    Simulador sim({QStringLiteral("--demo"), QStringLiteral("--weight"), QStringLiteral("777")});
    QVERIFY(sim.iniciado());
    QVERIFY(QFile::exists(dados.norvak() + QStringLiteral("/BALANCA.TXT")));
    s = correr({QStringLiteral("scale"), QStringLiteral("read"), QStringLiteral("--log")}, env);
    QCOMPARE(s.codigo, 0);
    QCOMPARE(s.out, QStringLiteral("stable=1\nweight=777\nmessage=Pesagem Estável\n"));
    QVERIFY(s.err.contains(QStringLiteral("Abrir a porta")));
}

void TstScaleCli::usoErrado() {
    QCOMPARE(correr({QStringLiteral("scale")}).codigo, 2);
    QCOMPARE(correr({QStringLiteral("scale"), QStringLiteral("read"), QStringLiteral("--file")}).codigo, 2);
    QCOMPARE(correr({QStringLiteral("scale"), QStringLiteral("read"), QStringLiteral("extra")}).codigo, 2);
}

QTEST_GUILESS_MAIN(TstScaleCli)
#include "scalecli_test.moc"
