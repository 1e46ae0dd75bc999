// balantrix-cli counters on the demo installation, as an installer scripts it.
#include <QtTest>

#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "tests/desks/clidesk.h"

class CliCountersTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDataDir> m_data;
    std::unique_ptr<BaseDados> m_db;
    QStringList m_chave;   // the demo's busiest customer counter (kind 2)
    QStringList m_chave1;  // a kind 1 key of a campaign without a counter
    int m_contador = 0;
    QString m_tipoDoc, m_sigla;

    int guardado() {
        return m_db
            ->escalar(QStringLiteral("SELECT Contador FROM kel_PES_Taloes WHERE iTipo = 2 AND Ano = ? AND "
                                     "Cliente = ? AND TipoDoc = ? AND TipoMorada = ?"),
                      {m_chave[3], m_chave[7], m_tipoDoc, m_chave[9]})
            .toInt();
    }

  private slots:
    void initTestCase() {
        m_data = std::make_unique<TempDataDir>();
        QCOMPARE(runCli({QStringLiteral("demo"), QStringLiteral("init")}).code, 0);
        m_db = std::make_unique<BaseDados>(QStringLiteral("check"));
        QVERIFY(m_db->abrir(ConfigSQL::ler(FicheiroConfig(m_data->norvak() + QStringLiteral("/Balantrix.kel")))));
        const RecordSet c = m_db->consultar(QStringLiteral(
            "SELECT Ano, TipoDoc, Cliente, TipoMorada, Sigla, Contador FROM kel_PES_Taloes WHERE iTipo = 2 "
            "ORDER BY Contador DESC"));
        QVERIFY(!c.isEmpty());
        m_contador = c.value(0, QStringLiteral("Contador")).toInt();
        QVERIFY(m_contador >= 2);
        m_tipoDoc = c.text(0, QStringLiteral("TipoDoc"));
        m_sigla = c.text(0, QStringLiteral("Sigla"));
        m_chave = QStringList{QStringLiteral("--kind"),         QStringLiteral("2"),
                              QStringLiteral("--campaign"),     c.text(0, QStringLiteral("Ano")),
                              QStringLiteral("--doc-type"),     m_tipoDoc.toLower(),
                              QStringLiteral("--customer"),     c.text(0, QStringLiteral("Cliente")),
                              QStringLiteral("--address-type"), c.text(0, QStringLiteral("TipoMorada"))};
        m_chave1 =
            QStringLiteral("--kind 1 --campaign 2031/2032 --doc-type").split(u' ')
            << m_db->escalar(QStringLiteral("SELECT TpGuiaEntMP FROM kel_PES_Parametros WHERE Numero = 1")).toString();
    }
    void cleanupTestCase() {
        m_db.reset();
        m_data.reset();
    }

    void customerCounterShownSetAndGuarded() {
        CliRun r = cli(QStringLiteral("counters show"), m_chave);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("counter")), QString::number(m_contador));
        QCOMPARE(r.value(QStringLiteral("prefix")), m_sigla);

        // Only the prefix: the counter stays.
        r = cli(QStringLiteral("counters set --prefix ZZ"), m_chave);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("counter")), QString::number(m_contador));
        QCOMPARE(r.value(QStringLiteral("prefix")), QStringLiteral("ZZ"));

        // Below the last ticket issued: refused, then forced.
        const QStringList baixo = m_chave + QStringList{QStringLiteral("--counter"), QStringLiteral("1")};
        r = cli(QStringLiteral("counters set"), baixo);
        QCOMPARE(r.code, 1);
        QVERIFY2(
            r.err.contains(QStringLiteral("O contador 1 é inferior ao último talão já emitido (%1)").arg(m_contador)),
            qPrintable(r.err));
        QVERIFY(r.err.contains(QStringLiteral("--force")));
        QCOMPARE(r.out, QString());
        QCOMPARE(guardado(), m_contador);
        r = cli(QStringLiteral("counters set"), baixo + QStringList{QStringLiteral("--force")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("counter")), QStringLiteral("1"));
        QCOMPARE(guardado(), 1);
        r = cli(QStringLiteral("counters set --counter %1").arg(m_contador), m_chave);
        QVERIFY2(r.code == 0, qPrintable(r.err));
    }

    // A refusal of the form with its message (1) and usage errors (2): nothing changes.
    void refusalsChangeNothing_data() {
        QTest::addColumn<QString>("verbo");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QStringList contador5{QStringLiteral("--counter"), QStringLiteral("5")};
        QTest::newRow("counter") << "set" << m_chave + QStringList{QStringLiteral("--counter"), QStringLiteral("12a")}
                                 << 1 << "Contador inválido!";
        QTest::newRow("kind 3") << "show" << QStringList{QStringLiteral("--kind"), QStringLiteral("3")} << 2 << "";
        QTest::newRow("customer on kind 1")
            << "show" << m_chave1 + QStringList{QStringLiteral("--customer"), QStringLiteral("C001")} << 2 << "";
        QTest::newRow("counter to show") << "show" << m_chave1 + contador5 << 2 << "";
        QTest::newRow("unknown verb") << "list" << m_chave1 << 2 << "";
    }
    void refusalsChangeNothing() {
        QFETCH(QString, verbo);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        const CliRun r = cli(QStringLiteral("counters ") + verbo, args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(guardado(), m_contador);
        QCOMPARE(m_db->escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Taloes WHERE Ano = '2031/2032'")).toInt(),
                 0);
    }

    void campaignStartedAtANumberThenRemoved() {
        CliRun r = cli(QStringLiteral("counters show"), m_chave1);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.value(QStringLiteral("counter")), QStringLiteral("0"));
        QVERIFY(r.err.contains(QStringLiteral("Não existe contador")));
        r = cli(QStringLiteral("counters set --counter 499"), m_chave1);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("counter")), QStringLiteral("499"));
        QVERIFY(r.lines().contains(QStringLiteral("prefix=")));
        QCOMPARE(cli(QStringLiteral("counters delete"), m_chave1).code, 0);
        QCOMPARE(cli(QStringLiteral("counters delete"), m_chave1).code, 1);
        QCOMPARE(m_db->escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Taloes WHERE Ano = '2031/2032'")).toInt(),
                 0);
    }
};

QTEST_GUILESS_MAIN(CliCountersTest)
#include "cli_counters_test.moc"
