// Period reports: the totals against the records, whole days at both ends, CSV cells a
// spreadsheet reads safely, the command line and the window with its chart.
#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QTableWidget>
#include <QtTest>

#include "output/relatorioperiodo.h"
#include "output/ui/janelarelatorio.h"
#include "tests/output/ticketfixtures.h"
#include "tests/support/clirun.h"
#include "tests/support/fotografia.h"
#include "tests/support/testsupport.h"

using R = RelatorioPeriodo;

class ReportTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDataDir> m_data;
    std::unique_ptr<BaseDados> m_demo;

    static QStringList args(const QString& by, const QString& desk) {
        return QStringLiteral("report --from 01-01-2000 --to 31-12-9999 --by %1 --desk %2").arg(by, desk).split(u' ');
    }

    static void inserir(BaseDados& db, const QString& tipo, const QString& saida, const QString& liquido,
                        const QString& terceiro = QStringLiteral("C001")) {
        db.executar(
            QStringLiteral("INSERT INTO kel_PES_Historico (Tipo, PesoBruto, PesoTara, PesoLiquido, PesoEfectivo, "
                           "DataHoraPB, DataHoraPL, Terceiro, Artigo, Carro) VALUES (?, ?, 0, ?, ?, ?, ?, ?, ?, ?)"),
            {tipo, Money::fromPlain(liquido)->toVariant(), Money::fromPlain(liquido)->toVariant(),
             Money::fromPlain(liquido)->toVariant(), QStringLiteral("2026-03-01 08:00:00"),
             saida.isEmpty() ? QVariant() : QVariant(saida), terceiro, QStringLiteral("MILHO"),
             QStringLiteral("12-AB-34")});
    }

  private slots:
    void initTestCase() {
        m_data = std::make_unique<TempDataDir>();
        const CliRun d = runCli({QStringLiteral("demo"), QStringLiteral("init")});
        QVERIFY2(d.code == 0, qPrintable(d.err));
        m_demo = baseDemo(m_data->path(), QStringLiteral("report-demo"));
        QVERIFY(m_demo);
    }
    void cleanupTestCase() {
        m_demo.reset();
        m_data.reset();
    }

    void demoTotalsEqualTheRecords_data() {
        QTest::addColumn<QString>("by");
        QTest::addColumn<QString>("desk");
        for (const char* by : {"day", "party", "article", "truck"})
            for (const char* desk : {"saidas", "entradas", "both"})
                QTest::newRow(qPrintable(QStringLiteral("%1-%2").arg(QLatin1String(by), QLatin1String(desk))))
                    << QString::fromLatin1(by) << QString::fromLatin1(desk);
    }
    void demoTotalsEqualTheRecords() {
        QFETCH(QString, by);
        QFETCH(QString, desk);
        const QString tipos = desk == QStringLiteral("saidas")     ? QStringLiteral("'S'")
                              : desk == QStringLiteral("entradas") ? QStringLiteral("'E'")
                                                                   : QStringLiteral("'S','E'");
        const RecordSet sql = m_demo->consultar(
            QStringLiteral(
                "SELECT COUNT(*) AS n, SUM(PesoBruto) AS b, SUM(PesoTara) AS t, SUM(PesoLiquido) AS l, "
                "SUM(PesoEfectivo) AS e FROM kel_PES_Historico WHERE DataHoraPL IS NOT NULL AND Tipo IN (%1)")
                .arg(tipos));
        QVERIFY(sql.value(0, QStringLiteral("n")).toInt() > 0);
        R r;
        QString erro;
        QVERIFY(r.calcular(*m_demo, QDate(2000, 1, 1), QDate(9999, 12, 31), *R::agrupamentoDeNome(by),
                           *R::bancaDeNome(desk), erro));
        QCOMPARE(r.total().pesagens, sql.value(0, QStringLiteral("n")).toLongLong());
        QCOMPARE(r.total().bruto, Money::fromVariant(sql.value(0, QStringLiteral("b"))));
        QCOMPARE(r.total().tara, Money::fromVariant(sql.value(0, QStringLiteral("t"))));
        QCOMPARE(r.total().liquido, Money::fromVariant(sql.value(0, QStringLiteral("l"))));
        QCOMPARE(r.total().efectivo, Money::fromVariant(sql.value(0, QStringLiteral("e"))));
        R::Linha soma;
        for (const auto& l : r.linhas()) soma.somar(l);
        QCOMPARE(soma.liquido, r.total().liquido);
        QCOMPARE(soma.descontos(), r.total().descontos());

        // The command line prints the same groups and totals.
        const CliRun c = runCli(args(by, desk));
        QVERIFY2(c.code == 0, qPrintable(c.err));
        QCOMPARE(c.lines().size(), r.linhas().size() + 1);
        QCOMPARE(c.lines().last(),
                 QStringLiteral("total weighings=%1 gross=%2 tare=%3 net=%4 effective=%5 deductions=%6")
                     .arg(QString::number(r.total().pesagens), r.total().bruto.plain(), r.total().tara.plain(),
                          r.total().liquido.plain(), r.total().efectivo.plain(), r.total().descontos().plain()));
    }

    void periodIsWholeDaysAndExact() {
        TempDatabase t(TempDatabase::ErpTables);
        inserir(t.db(), QStringLiteral("S"), QStringLiteral("2026-03-30 23:59:59"), QStringLiteral("0.1"));  // before
        inserir(t.db(), QStringLiteral("S"), QStringLiteral("2026-03-31 00:00:00"), QStringLiteral("0.1"));
        inserir(t.db(), QStringLiteral("E"), QStringLiteral("2026-03-31 23:59:59"), QStringLiteral("0.2"));
        inserir(t.db(), QStringLiteral("S"), QStringLiteral("2026-04-01 00:00:00"), QStringLiteral("5"));  // after
        inserir(t.db(), QStringLiteral("S"), QString(), QStringLiteral("7"));                              // pending
        inserir(t.db(), QStringLiteral("S"), QStringLiteral("9999-12-31 22:00:00"), QStringLiteral("0.0001"));
        R r;
        QString erro;
        QVERIFY(r.calcular(t.db(), QDate(2026, 3, 31), QDate(2026, 3, 31), R::Agrupamento::Dia, R::Banca::Ambas, erro));
        QCOMPARE(r.linhas().size(), 1);
        QCOMPARE(r.linhas()[0].grupo, QStringLiteral("2026-03-31"));
        QCOMPARE(r.total().pesagens, 2);
        QCOMPARE(r.total().liquido, *Money::fromPlain(QStringLiteral("0.3")));  // exact, not 0.30000000000000004
        // Deductions come from each weighing's first complement row only (a second row,
        // or one of a weighing outside the period, counts for nothing).
        const auto comp = [&t](int cab, const char* vasilhame, const char* qualidade) {
            t.db().executar(QStringLiteral("INSERT INTO kel_PES_Historico_Comp (Cab_Id, Vasilhame, Qualidade, "
                                           "Caracteristica) VALUES (?, ?, ?, 0)"),
                            {cab, Money::fromPlain(QString::fromLatin1(vasilhame))->toVariant(),
                             Money::fromPlain(QString::fromLatin1(qualidade))->toVariant()});
        };
        comp(1, "99", "99");
        comp(3, "12.5", "0.25");
        comp(3, "1000", "1000");
        comp(2, "0.0001", "0");
        QVERIFY(r.calcular(t.db(), QDate(2026, 3, 31), QDate(2026, 3, 31), R::Agrupamento::Dia, R::Banca::Ambas, erro));
        QCOMPARE(r.total().descontos(), *Money::fromPlain(QStringLiteral("12.7501")));
        QVERIFY(r.calcular(t.db(), QDate(2026, 3, 31), QDate(2026, 3, 31), R::Agrupamento::Terceiro, R::Banca::Entradas,
                           erro));
        QCOMPARE(r.total().pesagens, 1);
        // The last day of the calendar is a day like any other.
        QVERIFY(r.calcular(t.db(), QDate(9999, 12, 31), QDate(9999, 12, 31), R::Agrupamento::Matricula,
                           R::Banca::Saidas, erro));
        QCOMPARE(r.total().liquido, Money::fromUnits(1));
        // A reversed period is refused, here and on the command line (exit 2).
        QVERIFY(!r.calcular(t.db(), QDate(2026, 4, 1), QDate(2026, 3, 31), R::Agrupamento::Dia, R::Banca::Ambas, erro));
        QVERIFY(erro.contains(QStringLiteral("antes de começar")));
        QStringList a = args(QStringLiteral("day"), QStringLiteral("both"));
        a[2] = QStringLiteral("02-01-2026");
        a[4] = QStringLiteral("01-01-2026");
        QCOMPARE(runCli(a).code, 2);
        a = args(QStringLiteral("week"), QStringLiteral("both"));
        QCOMPARE(runCli(a).code, 2);
    }

    void csvCellsAreSafe_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("celula");
        QTest::newRow("plain") << "Quinta d'Ouro"
                               << "Quinta d'Ouro";
        QTest::newRow("formula") << "=HYPERLINK(\"x\")"
                                 << "\"'=HYPERLINK(\"\"x\"\")\"";
        QTest::newRow("plus") << "+351 1"
                              << "'+351 1";
        QTest::newRow("minus") << "-2"
                               << "'-2";
        QTest::newRow("at") << "@SUM(A1)"
                            << "'@SUM(A1)";
        QTest::newRow("separator") << "Silva; Filhos"
                                   << "\"Silva; Filhos\"";
        QTest::newRow("newline") << "linha\nnova"
                                 << "\"linha\nnova\"";
    }
    void csvCellsAreSafe() {
        QFETCH(QString, texto);
        QFETCH(QString, celula);
        QCOMPARE(R::campoCsv(texto), celula);
    }

    void csvAndPdfFiles() {
        const QString csv = m_data->path() + QStringLiteral("/r.csv");
        const QString pdf = m_data->path() + QStringLiteral("/r.pdf");
        QStringList a = args(QStringLiteral("party"), QStringLiteral("both"));
        a << QStringLiteral("--csv") << csv << QStringLiteral("--pdf") << pdf;
        const CliRun c = runCli(a);
        QVERIFY2(c.code == 0, qPrintable(c.err));
        const QStringList linhas =
            QString::fromUtf8(lerFicheiro(csv)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(linhas.size(), c.lines().size() - 2 + 1);  // header, groups, total (stdout adds csv= and pdf=)
        QVERIFY(linhas.first().startsWith(QStringLiteral("Terceiro;Descrição;Pesagens;Bruto (kg)")));
        QVERIFY(linhas.last().startsWith(QStringLiteral("Total;;")));
        QCOMPARE(linhas[1].count(QLatin1Char(';')), 9);
        QVERIFY(pdfTexto(pdf).contains(QStringLiteral("Mapa de pesagens por terceiro")));
    }

    void windowShowsTableAndChart() {
        RecordingMessages msgs;
        JanelaRelatorio w(*m_demo, msgs);
        w.setPeriodo(QDate(2000, 1, 1), QDate(2099, 12, 31));
        w.setEscolha(R::Agrupamento::Artigo, R::Banca::Ambas);
        QVERIFY(w.calcular());
        auto* grelha = w.findChild<QTableWidget*>(QStringLiteral("grelhaRelatorio"));
        QCOMPARE(grelha->rowCount(), w.relatorio().linhas().size() + 1);
        QCOMPARE(grelha->item(grelha->rowCount() - 1, 5)->text(), w.relatorio().total().liquido.format());
        auto* vista = w.findChild<QChartView*>(QStringLiteral("graficoRelatorio"));
        auto* serie = qobject_cast<QBarSeries*>(vista->chart()->series().value(0));
        QVERIFY(serie);
        QCOMPARE(serie->barSets().value(0)->count(), w.relatorio().linhas().size());
        // A reversed period is told and the last report stays.
        w.setPeriodo(QDate(2026, 2, 1), QDate(2026, 1, 1));
        QVERIFY(!w.calcular());
        QVERIFY(msgs.last().contains(QStringLiteral("antes de começar")));
        QVERIFY(w.exportarCsv(m_data->path() + QStringLiteral("/w.csv")));
        w.resize(1100, 720);
        fotografar(&w, QStringLiteral("relatorio"));
    }
};

QTEST_MAIN(ReportTest)
#include "report_test.moc"
