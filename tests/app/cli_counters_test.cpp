// balantrix-cli counters on the demo installation, as an installer scripts it.
#include <QtTest>

#include "tests/support/clirun.h"

#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "tests/support/testsupport.h"

namespace {

struct Run : CliRun {
    QString value(const QString& key) const {
        for (const QString& l : lines())
            if (l.startsWith(key + QLatin1Char('='))) return l.mid(key.size() + 1);
        return QStringLiteral("<none>");
    }
};

Run cli(QStringList args) {
    args.prepend(QStringLiteral("counters"));
    return {runCli(args)};
}

}  // namespace

class CliCountersTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDataDir> m_data;
    std::unique_ptr<BaseDados> m_db;

  private slots:
    void initTestCase() {
        m_data = std::make_unique<TempDataDir>();
        QProcess p;
        p.start(qEnvironmentVariable("BALANTRIX_BIN") + QStringLiteral("/balantrix-cli"),
                {QStringLiteral("demo"), QStringLiteral("init")});
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitCode(), 0);
        m_db = std::make_unique<BaseDados>(QStringLiteral("check"));
        QVERIFY(m_db->abrir(ConfigSQL::ler(FicheiroConfig(m_data->norvak() + QStringLiteral("/Balantrix.kel")))));
    }
    void cleanupTestCase() {
        m_db.reset();
        m_data.reset();
    }

    void customerCounterShownSetAndGuarded() {
        // The demo's busiest customer counter.
        const RecordSet c = m_db->consultar(QStringLiteral(
            "SELECT Ano, TipoDoc, Cliente, TipoMorada, Sigla, Contador FROM kel_PES_Taloes WHERE iTipo = 2 "
            "ORDER BY Contador DESC"));
        QVERIFY(!c.isEmpty());
        const int contador = c.value(0, QStringLiteral("Contador")).toInt();
        QVERIFY(contador >= 2);
        const QStringList chave{QStringLiteral("--kind"),         QStringLiteral("2"),
                                QStringLiteral("--campaign"),     c.text(0, QStringLiteral("Ano")),
                                QStringLiteral("--doc-type"),     c.text(0, QStringLiteral("TipoDoc")).toLower(),
                                QStringLiteral("--customer"),     c.text(0, QStringLiteral("Cliente")),
                                QStringLiteral("--address-type"), c.text(0, QStringLiteral("TipoMorada"))};
        Run r = cli(QStringList{QStringLiteral("show")} + chave);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("counter")), QString::number(contador));
        QCOMPARE(r.value(QStringLiteral("prefix")), c.text(0, QStringLiteral("Sigla")));

        // Only the prefix: the counter stays.
        r = cli(QStringList{QStringLiteral("set")} + chave +
                QStringList{QStringLiteral("--prefix"), QStringLiteral("ZZ")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("counter")), QString::number(contador));
        QCOMPARE(r.value(QStringLiteral("prefix")), QStringLiteral("ZZ"));

        // Below the last ticket issued: refused, then forced.
        const QStringList baixo = chave + QStringList{QStringLiteral("--counter"), QStringLiteral("1")};
        r = cli(QStringList{QStringLiteral("set")} + baixo);
        QCOMPARE(r.code, 1);
        QVERIFY2(
            r.err.contains(QStringLiteral("O contador 1 é inferior ao último talão já emitido (%1)").arg(contador)),
            qPrintable(r.err));
        QVERIFY(r.err.contains(QStringLiteral("--force")));
        QCOMPARE(r.out, QString());
        r = cli(QStringList{QStringLiteral("show")} + chave);
        QCOMPARE(r.value(QStringLiteral("counter")), QString::number(contador));
        r = cli(QStringList{QStringLiteral("set")} + baixo + QStringList{QStringLiteral("--force")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("counter")), QStringLiteral("1"));
        r = cli(QStringList{QStringLiteral("set")} + chave +
                QStringList{QStringLiteral("--counter"), QString::number(contador)});
        QVERIFY2(r.code == 0, qPrintable(r.err));

        // The form's refusals, with its messages.
        QStringList mau = chave;
        mau[3] = QStringLiteral("2025/26");
        r = cli(QStringList{QStringLiteral("show")} + mau);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("Campanha inválida!")), qPrintable(r.err));
        mau = chave;
        mau[7] = QStringLiteral("NAO'EXISTE");
        r = cli(QStringList{QStringLiteral("set")} + mau +
                QStringList{QStringLiteral("--counter"), QStringLiteral("5")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QStringLiteral("Cliente não existente!")));
        mau = chave;
        mau[5] = QStringLiteral("XYZ");
        r = cli(QStringList{QStringLiteral("show")} + mau);
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QStringLiteral("Tipo Doc. inválido!")));
        r = cli(QStringList{QStringLiteral("set")} + chave +
                QStringList{QStringLiteral("--counter"), QStringLiteral("12a")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QStringLiteral("Contador inválido!")));
        QCOMPARE(m_db->escalar(QStringLiteral("SELECT Contador FROM kel_PES_Taloes WHERE iTipo = 2 AND Ano = ? AND "
                                              "Cliente = ? AND TipoDoc = ? AND TipoMorada = ?"),
                               {chave[3], chave[7], c.text(0, QStringLiteral("TipoDoc")), chave[9]})
                     .toInt(),
                 contador);
    }

    void campaignStartedAtANumberThenRemoved() {
        const QString tipoDoc =
            m_db->escalar(QStringLiteral("SELECT TpGuiaEntMP FROM kel_PES_Parametros WHERE Numero = 1")).toString();
        const QStringList chave{QStringLiteral("--kind"),    QStringLiteral("1"),          QStringLiteral("--campaign"),
                                QStringLiteral("2031/2032"), QStringLiteral("--doc-type"), tipoDoc};
        Run r = cli(QStringList{QStringLiteral("show")} + chave);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.value(QStringLiteral("counter")), QStringLiteral("0"));
        QVERIFY(r.err.contains(QStringLiteral("Não existe contador")));
        r = cli(QStringList{QStringLiteral("set")} + chave +
                QStringList{QStringLiteral("--counter"), QStringLiteral("499")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("counter")), QStringLiteral("499"));
        QCOMPARE(r.value(QStringLiteral("prefix")), QString());
        r = cli(QStringList{QStringLiteral("delete")} + chave);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        r = cli(QStringList{QStringLiteral("delete")} + chave);
        QCOMPARE(r.code, 1);
        QCOMPARE(m_db->escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Taloes WHERE Ano = '2031/2032'")).toInt(),
                 0);

        // Usage errors change nothing.
        for (const QStringList& a : {QStringList{QStringLiteral("show"), QStringLiteral("--kind"), QStringLiteral("3")},
                                     QStringList{QStringLiteral("show")} + chave +
                                         QStringList{QStringLiteral("--customer"), QStringLiteral("C001")},
                                     QStringList{QStringLiteral("show")} + chave +
                                         QStringList{QStringLiteral("--counter"), QStringLiteral("4")},
                                     QStringList{QStringLiteral("list")} + chave})
            QCOMPARE(cli(a).code, 2);
    }
};

QTEST_GUILESS_MAIN(CliCountersTest)
#include "cli_counters_test.moc"
