// balantrix-cli weigh correct, --subsidiary on weigh second and weigh cancel of a truck
// an ERP refused: the real tool, run as a separate process on a demo installation.
#include <QtTest>

#include "tests/support/clirun.h"

#include "base/basedados.h"
#include "tests/support/testsupport.h"

namespace {

using Run = CliRun;

Run cli(const QStringList& args) {
    return runCli(args);
}

}  // namespace

class WeighCorrectCliTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDataDir> m_data;
    std::unique_ptr<BaseDados> m_db;

    QVariant valor(const QString& sql, const QVariantList& p = {}) { return m_db->escalar(sql, p); }

    Run weigh(const QString& verb, const QString& desk, const QStringList& extra) {
        return cli(QStringList{QStringLiteral("weigh"), verb, QStringLiteral("--desk"), desk} + extra);
    }
    // A finished weighing of its own: first and second weight through the tool.
    qint32 concluida(const QString& desk, const QString& terceiro, const QString& artigo, int primeiro, int segundo,
                     const QStringList& extraSegunda = {}) {
        const Run a = weigh(QStringLiteral("first"), desk,
                            {QStringLiteral("--third"), terceiro, QStringLiteral("--article"), artigo,
                             QStringLiteral("--weight"), QString::number(primeiro)});
        if (a.code != 0) qWarning() << a.err;
        const qint32 id = a.value(QStringLiteral("hist_id")).toInt();
        const Run b = weigh(QStringLiteral("second"), desk,
                            QStringList{QStringLiteral("--id"), QString::number(id), QStringLiteral("--weight"),
                                        QString::number(segundo)} +
                                extraSegunda);
        if (b.code != 0) qWarning() << b.err;
        return b.code == 0 ? id : 0;
    }

  private slots:
    void initTestCase() {
        m_data = std::make_unique<TempDataDir>();
        const Run init = cli({QStringLiteral("demo"), QStringLiteral("init")});
        QVERIFY2(init.code == 0, qPrintable(init.err));
        m_db = std::make_unique<BaseDados>(QStringLiteral("weigh_correct_check"));
        QVERIFY(m_db->abrir(SqlSettings{QStringLiteral("sqlite"), {}, init.value(QStringLiteral("database")), {}, {}}));
    }
    void cleanupTestCase() {
        m_db.reset();
        m_data.reset();
    }

    void correctsAFinishedWeighingAsTheHistoryDoes() {
        const qint32 id =
            concluida(QStringLiteral("entradas"), QStringLiteral("F001"), QStringLiteral("MILHO"), 30000, 10000);
        QVERIFY(id > 0);
        Run r =
            weigh(QStringLiteral("correct"), QStringLiteral("entradas"),
                  {QStringLiteral("--id"), QString::number(id), QStringLiteral("--container"), QStringLiteral("150"),
                   QStringLiteral("--quality"), QStringLiteral("50.5"), QStringLiteral("--category"),
                   QStringLiteral("Tipo B"), QStringLiteral("--obs"), QStringLiteral("Humidade d'origem")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("hist_id")).toInt(), id);
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("19799.5"));
        const QString doc = r.value(QStringLiteral("document"));
        QVERIFY2(doc.startsWith(QStringLiteral("GEM/")), qPrintable(doc));
        const QStringList k = doc.split(QLatin1Char('/'));
        const QVariantList chave{k[0], k[1].toInt(), k[2].toInt(), k[3].toInt()};
        QCOMPARE(
            valor(QStringLiteral("SELECT SUM(Quantidade) FROM DocGCLin WHERE Tpdoc = ? AND Serie = ? AND NNumdoc = ? "
                                 "AND Ano = ?"),
                  chave)
                .toDouble(),
            19799.5);
        QCOMPARE(
            valor(QStringLiteral("SELECT Descricao FROM DocGCLin WHERE Tpdoc = ? AND Serie = ? AND NNumdoc = ? AND "
                                 "Ano = ? AND NLinha = 1"),
                  chave)
                .toString(),
            QStringLiteral("Qualidade do Produto Tipo B"));
        QCOMPARE(valor(QStringLiteral("SELECT Justificacao FROM kel_PES_Historico WHERE Hist_Id = ?"), {id}).toString(),
                 QStringLiteral("Humidade d'origem"));
        QCOMPARE(
            valor(QStringLiteral("SELECT Qualidade FROM kel_PES_Historico_Comp WHERE Cab_Id = ?"), {id}).toDouble(),
            50.5);

        // A typed effective weight replaces the computed one.
        r = weigh(
            QStringLiteral("correct"), QStringLiteral("entradas"),
            {QStringLiteral("--id"), QString::number(id), QStringLiteral("--effective"), QStringLiteral("19000")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("19000"));
        QCOMPARE(valor(QStringLiteral("SELECT PesoEfectivo FROM kel_PES_Historico WHERE Hist_Id = ?"), {id}).toDouble(),
                 19000.0);
        // The same effective weight again writes nothing, and says so.
        r = weigh(
            QStringLiteral("correct"), QStringLiteral("entradas"),
            {QStringLiteral("--id"), QString::number(id), QStringLiteral("--effective"), QStringLiteral("19000")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("sem alterações: nada foi gravado.")), qPrintable(r.err));
    }

    void refusalsAsAtTheDesk() {
        const qint32 id =
            concluida(QStringLiteral("saidas"), QStringLiteral("C002"), QStringLiteral("TRIGO"), 12000, 30000);
        QVERIFY(id > 0);
        const QString antes =
            valor(QStringLiteral("SELECT PesoEfectivo FROM kel_PES_Historico WHERE Hist_Id = ?"), {id}).toString();
        // The plate of a finished weighing cannot be changed at the desk either.
        Run r =
            weigh(QStringLiteral("correct"), QStringLiteral("saidas"),
                  {QStringLiteral("--id"), QString::number(id), QStringLiteral("--plate"), QStringLiteral("99-ZZ-99")});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("--plate")), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        // No quality deduction on the outgoing desk; unreadable weights are refused before anything opens.
        QCOMPARE(weigh(QStringLiteral("correct"), QStringLiteral("saidas"),
                       {QStringLiteral("--id"), QString::number(id), QStringLiteral("--quality"), QStringLiteral("5")})
                     .code,
                 2);
        QCOMPARE(
            weigh(QStringLiteral("correct"), QStringLiteral("saidas"),
                  {QStringLiteral("--id"), QString::number(id), QStringLiteral("--container"), QStringLiteral("-5")})
                .code,
            2);
        // A pending weighing is not corrected, nor one of the other desk.
        const Run p = weigh(QStringLiteral("first"), QStringLiteral("saidas"),
                            {QStringLiteral("--third"), QStringLiteral("C001"), QStringLiteral("--article"),
                             QStringLiteral("MILHO"), QStringLiteral("--weight"), QStringLiteral("9000")});
        QCOMPARE(p.code, 0);
        r = weigh(QStringLiteral("correct"), QStringLiteral("saidas"),
                  {QStringLiteral("--id"), p.value(QStringLiteral("hist_id")), QStringLiteral("--container"),
                   QStringLiteral("10")});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("não está concluída")), qPrintable(r.err));
        QCOMPARE(
            weigh(QStringLiteral("correct"), QStringLiteral("entradas"),
                  {QStringLiteral("--id"), QString::number(id), QStringLiteral("--container"), QStringLiteral("10")})
                .code,
            1);
        // A cancelled document refuses the correction and the weighing keeps its values.
        m_db->executar(
            QStringLiteral("UPDATE DocGCCab SET NumVias = -1 WHERE VossoNo = (SELECT Sigla || '/' || NoTalao || "
                           "'/' || Campanha FROM kel_PES_Historico WHERE Hist_Id = ?)"),
            {id});
        r = weigh(QStringLiteral("correct"), QStringLiteral("saidas"),
                  {QStringLiteral("--id"), QString::number(id), QStringLiteral("--container"), QStringLiteral("10")});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("Documento Anulado!")), qPrintable(r.err));
        QCOMPARE(valor(QStringLiteral("SELECT PesoEfectivo FROM kel_PES_Historico WHERE Hist_Id = ?"), {id}).toString(),
                 antes);
    }

    void theSubsidiaryChoiceOfTheFirstWeightHolds() {
        // Ticked at the first weight: kept when --subsidiary is left out.
        Run a = weigh(QStringLiteral("first"), QStringLiteral("entradas"),
                      {QStringLiteral("--third"), QStringLiteral("F002"), QStringLiteral("--article"),
                       QStringLiteral("ADUBO-NPK"), QStringLiteral("--subsidiary"), QStringLiteral("--weight"),
                       QStringLiteral("21000")});
        QVERIFY2(a.code == 0, qPrintable(a.err));
        Run b = weigh(QStringLiteral("second"), QStringLiteral("entradas"),
                      {QStringLiteral("--id"), a.value(QStringLiteral("hist_id")), QStringLiteral("--weight"),
                       QStringLiteral("9000")});
        QVERIFY2(b.code == 0, qPrintable(b.err));
        QVERIFY2(b.value(QStringLiteral("document")).startsWith(QStringLiteral("GES/")), qPrintable(b.out));
        // A raw-materials truck cannot be finished as a subsidiary one.
        a = weigh(QStringLiteral("first"), QStringLiteral("entradas"),
                  {QStringLiteral("--third"), QStringLiteral("F001"), QStringLiteral("--article"),
                   QStringLiteral("MILHO"), QStringLiteral("--weight"), QStringLiteral("21000")});
        QVERIFY2(a.code == 0, qPrintable(a.err));
        const qint32 id = a.value(QStringLiteral("hist_id")).toInt();
        b = weigh(QStringLiteral("second"), QStringLiteral("entradas"),
                  {QStringLiteral("--id"), QString::number(id), QStringLiteral("--weight"), QStringLiteral("9000"),
                   QStringLiteral("--subsidiary")});
        QCOMPARE(b.code, 1);
        QVERIFY2(b.err.contains(QStringLiteral("matérias-primas")), qPrintable(b.err));
        QVERIFY(b.out.isEmpty());
        QVERIFY(valor(QStringLiteral("SELECT DataHoraPL FROM kel_PES_Historico WHERE Hist_Id = ?"), {id}).isNull());
        b = weigh(QStringLiteral("second"), QStringLiteral("entradas"),
                  {QStringLiteral("--id"), QString::number(id), QStringLiteral("--weight"), QStringLiteral("9000")});
        QVERIFY2(b.code == 0, qPrintable(b.err));
        QVERIFY(b.value(QStringLiteral("document")).startsWith(QStringLiteral("GEM/")));
    }

    void inactivePartiesAndARefusedCompletion() {
        // Inactive customer: warned about, finished.
        const qint32 id =
            concluida(QStringLiteral("saidas"), QStringLiteral("C018"), QStringLiteral("RAC-VL"), 11000, 23000);
        QVERIFY(id > 0);
        // A completion the ERP refuses is told, and the truck is cancelled with weigh cancel.
        const Run a = weigh(QStringLiteral("first"), QStringLiteral("entradas"),
                            {QStringLiteral("--third"), QStringLiteral("F015"), QStringLiteral("--article"),
                             QStringLiteral("BAGSOJA44"), QStringLiteral("--weight"), QStringLiteral("27000")});
        QVERIFY2(a.code == 0, qPrintable(a.err));
        QVERIFY2(a.err.contains(QStringLiteral("inactivo")), qPrintable(a.err));
        const QString novo = a.value(QStringLiteral("hist_id"));
        m_db->executar(QStringLiteral("UPDATE Artigos SET Inactivo = -1 WHERE CODIGO = 'BAGSOJA44'"));
        Run b = weigh(QStringLiteral("second"), QStringLiteral("entradas"),
                      {QStringLiteral("--id"), novo, QStringLiteral("--weight"), QStringLiteral("8000")});
        m_db->executar(QStringLiteral("UPDATE Artigos SET Inactivo = 0 WHERE CODIGO = 'BAGSOJA44'"));
        QCOMPARE(b.code, 1);
        QVERIFY2(b.err.contains(QStringLiteral("BAGSOJA44")), qPrintable(b.err));
        QVERIFY(b.out.isEmpty());
        b = weigh(QStringLiteral("cancel"), QStringLiteral("entradas"), {QStringLiteral("--id"), novo});
        QVERIFY2(b.code == 0, qPrintable(b.err));
        QCOMPARE(b.value(QStringLiteral("state")), QStringLiteral("deleted"));
        QVERIFY(!valor(QStringLiteral("SELECT Hist_Id FROM kel_PES_Historico WHERE Hist_Id = ?"), {novo}).isValid());
    }
};

QTEST_GUILESS_MAIN(WeighCorrectCliTest)
#include "weigh_correct_cli_test.moc"
