// balantrix-cli weigh correct: the real tool, run as a separate process on a demo installation.
#include <QtTest>

#include "tests/desks/clidesk.h"
#include "tests/desks/pesagemlida.h"

class WeighCorrectCliTest : public QObject {
    Q_OBJECT

    std::unique_ptr<DemoCli> m_demo;

    QVariant valor(const QString& sql, const QVariantList& p = {}) { return m_demo->valor(sql, p); }

    // A weighing of its own through the tool: its first weight, and its second when given.
    qint32 pesagem(const QString& linha, int segundo = 0) {
        const CliRun a = cli(QStringLiteral("weigh first --desk ") + linha);
        if (a.code != 0) qWarning() << a.err;
        const qint32 id = a.value(QStringLiteral("hist_id")).toInt();
        if (!segundo) return id;
        const CliRun b = cli(QStringLiteral("weigh second --desk %1 --id %2 --weight %3")
                                 .arg(linha.section(u' ', 0, 0))
                                 .arg(id)
                                 .arg(segundo));
        if (b.code != 0) qWarning() << b.err;
        return b.code == 0 ? id : 0;
    }

  private slots:
    void initTestCase() {
        m_demo = std::make_unique<DemoCli>();
        QVERIFY2(m_demo->aberta, qPrintable(m_demo->init.err));
    }
    void cleanupTestCase() { m_demo.reset(); }

    void correctsAFinishedWeighingAsTheHistoryDoes() {
        const qint32 id = pesagem(QStringLiteral("entradas --third F001 --article MILHO --weight 30000"), 10000);
        QVERIFY(id > 0);
        const QString corrigir = QStringLiteral("weigh correct --desk entradas --id %1 ").arg(id);
        CliRun r = cli(corrigir + QStringLiteral("--container 150 --quality 50.5 --category"),
                       {QStringLiteral("Tipo B"), QStringLiteral("--obs"), QStringLiteral("Humidade d'origem")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("hist_id")).toInt(), id);
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("19799.5"));
        const QString doc = r.value(QStringLiteral("document"));
        QVERIFY2(doc.startsWith(QStringLiteral("GEM/")), qPrintable(doc));
        const QStringList k = doc.split(QLatin1Char('/'));
        const QString linhas =
            QStringLiteral("FROM DocGCLin WHERE Tpdoc = ? AND Serie = ? AND NNumdoc = ? AND Ano = ?");
        const QVariantList chave{k[0], k[1].toInt(), k[2].toInt(), k[3].toInt()};
        QCOMPARE(valor(QStringLiteral("SELECT SUM(Quantidade) ") + linhas, chave).toDouble(), 19799.5);
        QCOMPARE(
            valor(QStringLiteral("SELECT Descricao ") + linhas + QStringLiteral(" AND NLinha = 1"), chave).toString(),
            QStringLiteral("Qualidade do Produto Tipo B"));
        QCOMPARE(PesagemLida::ler(m_demo->db, id).justificacao, QStringLiteral("Humidade d'origem"));
        QCOMPARE(
            valor(QStringLiteral("SELECT Qualidade FROM kel_PES_Historico_Comp WHERE Cab_Id = ?"), {id}).toDouble(),
            50.5);

        // A typed effective weight replaces the computed one.
        r = cli(corrigir + QStringLiteral("--effective 19000"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("19000"));
        QCOMPARE(PesagemLida::ler(m_demo->db, id).efectivo, 19000.0);
        // The same effective weight again writes nothing, and says so.
        r = cli(corrigir + QStringLiteral("--effective 19000"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("sem alterações: nada foi gravado.")), qPrintable(r.err));
    }

    // Refused as at the desk, and the weighing keeps its values.
    void refusalsAsAtTheDesk_data() {
        QTest::addColumn<QString>("linha");  // %1: a finished outgoing weighing, %2: a pending one
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        // The plate of a finished weighing cannot be changed at the desk either.
        QTest::newRow("plate") << QStringLiteral("saidas --id %1 --plate 99-ZZ-99") << 1 << QStringLiteral("--plate");
        // No quality deduction on the outgoing desk; unreadable weights are refused before anything opens.
        QTest::newRow("quality outgoing") << QStringLiteral("saidas --id %1 --quality 5") << 2 << QString();
        QTest::newRow("negative container") << QStringLiteral("saidas --id %1 --container -5") << 2 << QString();
        // A pending weighing is not corrected, nor one of the other desk.
        QTest::newRow("pending") << QStringLiteral("saidas --id %2 --container 10") << 1
                                 << QStringLiteral("não está concluída");
        QTest::newRow("other desk") << QStringLiteral("entradas --id %1 --container 10") << 1 << QString();
    }
    void refusalsAsAtTheDesk() {
        QFETCH(QString, linha);
        QFETCH(int, code);
        QFETCH(QString, message);
        const qint32 id = pesagem(QStringLiteral("saidas --third C002 --article TRIGO --weight 12000"), 30000);
        const qint32 pendente = pesagem(QStringLiteral("saidas --third C001 --article MILHO --weight 9000"));
        QVERIFY(id > 0 && pendente > 0);
        const CliRun r = cli(QStringLiteral("weigh correct --desk ") +
                             linha.replace(QStringLiteral("%1"), QString::number(id))
                                 .replace(QStringLiteral("%2"), QString::number(pendente)));
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QCOMPARE(PesagemLida::ler(m_demo->db, id).efectivo, 18000.0);
        QVERIFY(PesagemLida::ler(m_demo->db, pendente).pendente);
    }
};

QTEST_GUILESS_MAIN(WeighCorrectCliTest)
#include "weigh_correct_cli_test.moc"
