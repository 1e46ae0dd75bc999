// balantrix-cli weigh correct and weigh cancel of a truck an ERP refused: the real tool,
// run as a separate process on a demo installation.
#include <QtTest>

#include "base/basedados.h"
#include "tests/desks/clidesk.h"
#include "tests/desks/pesagemlida.h"
#include "tests/support/testsupport.h"

class WeighCorrectCliTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDataDir> m_data;
    std::unique_ptr<BaseDados> m_db;

    QVariant valor(const QString& sql, const QVariantList& p = {}) { return m_db->escalar(sql, p); }

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
        m_data = std::make_unique<TempDataDir>();
        const CliRun init = cli(QStringLiteral("demo init"));
        QVERIFY2(init.code == 0, qPrintable(init.err));
        m_db = std::make_unique<BaseDados>(QStringLiteral("weigh_correct_check"));
        QVERIFY(m_db->abrir(SqlSettings{QStringLiteral("sqlite"), {}, init.value(QStringLiteral("database")), {}, {}}));
    }
    void cleanupTestCase() {
        m_db.reset();
        m_data.reset();
    }

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
        QCOMPARE(PesagemLida::ler(*m_db, id).justificacao, QStringLiteral("Humidade d'origem"));
        QCOMPARE(
            valor(QStringLiteral("SELECT Qualidade FROM kel_PES_Historico_Comp WHERE Cab_Id = ?"), {id}).toDouble(),
            50.5);

        // A typed effective weight replaces the computed one.
        r = cli(corrigir + QStringLiteral("--effective 19000"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("19000"));
        QCOMPARE(PesagemLida::ler(*m_db, id).efectivo, 19000.0);
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
        // A cancelled document refuses the correction.
        QTest::newRow("cancelled document")
            << QStringLiteral("ANULADO saidas --id %1 --container 10") << 1 << QStringLiteral("Documento Anulado!");
    }
    void refusalsAsAtTheDesk() {
        QFETCH(QString, linha);
        QFETCH(int, code);
        QFETCH(QString, message);
        const qint32 id = pesagem(QStringLiteral("saidas --third C002 --article TRIGO --weight 12000"), 30000);
        const qint32 pendente = pesagem(QStringLiteral("saidas --third C001 --article MILHO --weight 9000"));
        QVERIFY(id > 0 && pendente > 0);
        if (linha.startsWith(QStringLiteral("ANULADO "))) {
            linha.remove(0, 8);
            m_db->executar(
                QStringLiteral("UPDATE DocGCCab SET NumVias = -1 WHERE VossoNo = (SELECT Sigla || '/' || NoTalao || "
                               "'/' || Campanha FROM kel_PES_Historico WHERE Hist_Id = ?)"),
                {id});
        }
        const CliRun r = cli(QStringLiteral("weigh correct --desk ") +
                             linha.replace(QStringLiteral("%1"), QString::number(id))
                                 .replace(QStringLiteral("%2"), QString::number(pendente)));
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QCOMPARE(PesagemLida::ler(*m_db, id).efectivo, 18000.0);
        QVERIFY(PesagemLida::ler(*m_db, pendente).pendente);
    }

    void inactivePartiesAndARefusedCompletion() {
        // Inactive customer: warned about, finished.
        QVERIFY(pesagem(QStringLiteral("saidas --third C018 --article RAC-VL --weight 11000"), 23000) > 0);
        // A completion the ERP refuses is told, and the truck is cancelled with weigh cancel.
        const CliRun a =
            cli(QStringLiteral("weigh first --desk entradas --third F015 --article BAGSOJA44 --weight 27000"));
        QVERIFY2(a.code == 0, qPrintable(a.err));
        QVERIFY2(a.err.contains(QStringLiteral("inactivo")), qPrintable(a.err));
        const qint32 novo = a.value(QStringLiteral("hist_id")).toInt();
        m_db->executar(QStringLiteral("UPDATE Artigos SET Inactivo = -1 WHERE CODIGO = 'BAGSOJA44'"));
        CliRun b = cli(QStringLiteral("weigh second --desk entradas --id %1 --weight 8000").arg(novo));
        m_db->executar(QStringLiteral("UPDATE Artigos SET Inactivo = 0 WHERE CODIGO = 'BAGSOJA44'"));
        QCOMPARE(b.code, 1);
        QVERIFY2(b.err.contains(QStringLiteral("BAGSOJA44")), qPrintable(b.err));
        QVERIFY(b.out.isEmpty());
        b = cli(QStringLiteral("weigh cancel --desk entradas --id %1").arg(novo));
        QVERIFY2(b.code == 0, qPrintable(b.err));
        QCOMPARE(b.value(QStringLiteral("state")), QStringLiteral("deleted"));
        QVERIFY(!PesagemLida::ler(*m_db, novo).existe);
    }
};

QTEST_GUILESS_MAIN(WeighCorrectCliTest)
#include "weigh_correct_cli_test.moc"
