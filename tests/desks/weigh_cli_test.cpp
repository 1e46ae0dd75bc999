// balantrix-cli weigh / pending / history on a demo installation: the real tool,
// run as a separate process, driving the desk with the desk's refusals and messages;
// the indicator simulator for --scale, a local SMTP server for --then email; and the
// demo's own weighings.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QtTest>

#include "tests/support/clirun.h"

#include "base/basedados.h"
#include "base/ficheiroconfig.h"
#include "records/numeracao.h"
#include "records/parametrosaplic.h"
#include "tests/desks/operador/invariantes.h"
#include "tests/desks/pesagemlida.h"
#include "tests/scale/simulador.h"
#include "tests/support/smtptestserver.h"
#include "tests/support/testsupport.h"

namespace {

using Run = CliRun;

Run cli(const QStringList& args) {
    return runCli(args);
}

QString dia(const QDate& d) {
    return d.toString(QStringLiteral("dd-MM-yyyy"));
}

}  // namespace

class WeighCliTest : public QObject {
    Q_OBJECT

    // One demo installation for the whole run; each case works on weighings of its own.
    std::unique_ptr<TempDataDir> m_data;
    QString m_config;
    QString m_database;
    std::unique_ptr<BaseDados> m_db;

    QVariant valor(const QString& sql, const QVariantList& p = {}) { return m_db->escalar(sql, p); }
    int historicos() { return valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico")).toInt(); }

    Run first(const QString& desk, const QStringList& extra) {
        return cli(QStringList{QStringLiteral("weigh"), QStringLiteral("first"), QStringLiteral("--desk"), desk} +
                   extra);
    }
    Run second(const QString& desk, qint32 id, const QStringList& extra) {
        return cli(QStringList{QStringLiteral("weigh"), QStringLiteral("second"), QStringLiteral("--desk"), desk,
                               QStringLiteral("--id"), QString::number(id)} +
                   extra);
    }

  private slots:
    void initTestCase() {
        m_data = std::make_unique<TempDataDir>();
        const Run init = cli({QStringLiteral("demo"), QStringLiteral("init")});
        QVERIFY2(init.code == 0, qPrintable(init.err));
        m_config = init.value(QStringLiteral("config"));
        m_database = init.value(QStringLiteral("database"));
        m_db = std::make_unique<BaseDados>(QStringLiteral("weigh_cli_check"));
        QVERIFY(m_db->abrir(SqlSettings{QStringLiteral("sqlite"), {}, m_database, {}, {}}));
    }
    void cleanupTestCase() {
        m_db.reset();
        m_data.reset();
    }

    void demoHasFinishedAndPendingWeighings() {
        const int concluidas =
            valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE DataHoraPL IS NOT NULL")).toInt();
        QVERIFY2(concluidas >= 24, qPrintable(QString::number(concluidas)));
        // Both desks, several months, and every finished weighing with what a real one carries:
        // its ticket, one complement row and a live ERP document of the same quantity.
        QVERIFY(
            valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE Tipo = 'S' AND DataHoraPL IS NOT NULL"))
                .toInt() >= 8);
        QVERIFY(
            valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE Tipo = 'E' AND DataHoraPL IS NOT NULL"))
                .toInt() >= 8);
        QVERIFY(valor(QStringLiteral("SELECT COUNT(DISTINCT Campanha) FROM kel_PES_Historico")).toInt() >= 1);
        QVERIFY(valor(QStringLiteral("SELECT MIN(DataHoraPB) FROM kel_PES_Historico")).toDateTime().date() <
                QDate::currentDate().addDays(-90));
        QCOMPARE(valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE DataHoraPL IS NOT NULL AND "
                                      "(NoTalao <= 0 OR PesoEfectivo <= 0)"))
                     .toInt(),
                 0);
        // The stored rules hold: one complement row and one live document each, tickets never repeated.
        RecordingMessages m;
        ParametrosAplic parametros;
        QVERIFY(parametros.ler(*m_db, m));
        const auto f = RegrasBase(*m_db, parametros).verificar({});
        QVERIFY2(!f, qPrintable(Falha::descrever(f)));
        QCOMPARE(valor(QStringLiteral("SELECT COUNT(*) FROM DocGCCab")).toInt(), concluidas);
        // Deductions, quality, both incoming document types.
        QVERIFY(valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico_Comp WHERE Vasilhame > 0")).toInt() > 0);
        QVERIFY(valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico_Comp WHERE Qualidade > 0")).toInt() > 0);
        QVERIFY(valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE TpDoc = 'GEM'")).toInt() > 0);

        // The lists show them as the desk does.
        Run p = cli({QStringLiteral("pending"), QStringLiteral("--desk"), QStringLiteral("saidas")});
        QCOMPARE(p.code, 0);
        QCOMPARE(p.lines().size(), 2);
        QVERIFY(p.lines().first().startsWith(QStringLiteral("hist_id=")));
        QVERIFY2(p.out.contains(QStringLiteral(" third=C001 article=RAC-VL plate=45-QO-12 entry=")), qPrintable(p.out));
        p = cli({QStringLiteral("pending"), QStringLiteral("--desk"), QStringLiteral("entradas")});
        QCOMPARE(p.lines().size(), 2);
        const Run h = cli({QStringLiteral("history"), QStringLiteral("--desk"), QStringLiteral("entradas"),
                           QStringLiteral("--from"), dia(QDate::currentDate().addDays(-200)), QStringLiteral("--to"),
                           dia(QDate::currentDate())});
        QCOMPARE(h.code, 0);
        QCOMPARE(
            h.lines().size(),
            valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE Tipo = 'E' AND DataHoraPL IS NOT NULL"))
                .toInt());
        QVERIFY(h.lines().first().contains(QStringLiteral(" document=GE")));
        // Newest first, as the desk's history.
        QVERIFY(h.lines().first().section(QStringLiteral(" entry="), 1) >
                h.lines().last().section(QStringLiteral(" entry="), 1));
    }

    void outgoingCycle() {
        const QString plate = QStringLiteral("AA-'1-BB");
        Run r = first(
            QStringLiteral("saidas"),
            {QStringLiteral("--third"), QStringLiteral("c001"), QStringLiteral("--address"), QStringLiteral("002"),
             QStringLiteral("--article"), QStringLiteral("MILHO"), QStringLiteral("--plate"), plate,
             QStringLiteral("--ref-cliente"), QStringLiteral("Enc. d'Ouro 7"), QStringLiteral("--obs"),
             QStringLiteral("Carga d'Além, com \"lona\""), QStringLiteral("--weight"), QStringLiteral("14220")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const qint32 id = r.value(QStringLiteral("hist_id")).toInt();
        QVERIFY(id > 0);
        QCOMPARE(r.value(QStringLiteral("campaign")), CampanhaDaData(QDate::currentDate()));
        const QString ticket = r.value(QStringLiteral("ticket"));
        QVERIFY2(ticket.contains(QLatin1Char('/')), qPrintable(ticket));
        const PesagemLida gravada = PesagemLida::ler(*m_db, id);
        QCOMPARE(gravada.talao, ticket);
        QCOMPARE(gravada.refCliente, QStringLiteral("Enc. d'Ouro 7"));
        QCOMPARE(gravada.justificacao, QStringLiteral("Carga d'Além, com \"lona\""));

        Run p = cli({QStringLiteral("pending"), QStringLiteral("--desk"), QStringLiteral("saidas")});
        QVERIFY2(p.line(id).startsWith(QStringLiteral("hist_id=%1 ticket=%2 third=c001 article=MILHO plate=%3 entry=")
                                           .arg(id)
                                           .arg(ticket, plate)),
                 qPrintable(p.out));
        QVERIFY(p.line(id).endsWith(QStringLiteral(" first=14220")));

        r = second(QStringLiteral("saidas"), id,
                   {QStringLiteral("--weight"), QStringLiteral("15220"), QStringLiteral("--container"),
                    QStringLiteral("20.5"), QStringLiteral("--load-place"), QStringLiteral("Armazém d'Aveiro"),
                    QStringLiteral("--unload-place"), QStringLiteral("Cais 2")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("net")), QStringLiteral("1000"));
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("979.5"));
        const QString doc = r.value(QStringLiteral("document"));
        QVERIFY2(doc.startsWith(QStringLiteral("GR/1/")) &&
                     doc.endsWith(QStringLiteral("/%1").arg(QDate::currentDate().year())),
                 qPrintable(doc));
        const int noDoc = doc.section(QLatin1Char('/'), 2, 2).toInt();
        const RecordSet cab =
            m_db->consultar(QStringLiteral("SELECT * FROM DocGCCab WHERE Tpdoc = 'GR' AND NNumdoc = ? AND Ano = ?"),
                            {noDoc, QDate::currentDate().year()});
        QCOMPARE(cab.text(QStringLiteral("LocalCG")), QStringLiteral("Armazém d'Aveiro"));
        QCOMPARE(cab.text(QStringLiteral("Matricul")), plate);
        QCOMPARE(cab.text(QStringLiteral("ONDEENTR")), QStringLiteral("002"));
        QCOMPARE(
            valor(QStringLiteral("SELECT Vasilhame FROM kel_PES_Historico_Comp WHERE Cab_Id = ?"), {id}).toDouble(),
            20.5);
        QVERIFY(
            cli({QStringLiteral("pending"), QStringLiteral("--desk"), QStringLiteral("saidas")}).line(id).isEmpty());

        // Today's history, with the quoted observation-free line.
        const Run h = cli({QStringLiteral("history"), QStringLiteral("--desk"), QStringLiteral("saidas")});
        QVERIFY2(h.line(id).contains(QStringLiteral(" document=%1 net=1000 effective=979.5").arg(doc)),
                 qPrintable(h.out));
        QVERIFY(h.line(id).contains(QStringLiteral(" exit=%1T").arg(QDate::currentDate().toString(Qt::ISODate))));

        // Cancelled once: pending again with its tare and ticket; twice: gone.
        r = cli({QStringLiteral("weigh"), QStringLiteral("cancel"), QStringLiteral("--desk"), QStringLiteral("saidas"),
                 QStringLiteral("--id"), QString::number(id)});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("state")), QStringLiteral("pending"));
        QVERIFY(r.err.contains(QStringLiteral("Vai proceder à anulação da Saída")));
        QCOMPARE(valor(QStringLiteral("SELECT NumVias FROM DocGCCab WHERE Tpdoc = 'GR' AND NNumdoc = ? AND Ano = ?"),
                       {noDoc, QDate::currentDate().year()})
                     .toInt(),
                 -1);
        QCOMPARE(PesagemLida::ler(*m_db, id).tara, 14220.0);
        QVERIFY(cli({QStringLiteral("pending"), QStringLiteral("--desk"), QStringLiteral("saidas")})
                    .line(id)
                    .contains(ticket));
        r = cli({QStringLiteral("weigh"), QStringLiteral("cancel"), QStringLiteral("--desk"), QStringLiteral("saidas"),
                 QStringLiteral("--id"), QString::number(id)});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.value(QStringLiteral("state")), QStringLiteral("deleted"));
        QCOMPARE(valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE Hist_Id = ?"), {id}).toInt(), 0);
    }

    // Deductions that would leave no effective weight are refused, and nothing goes to the ERP.
    // A plate already pending on the desk is weighed in again only when asked for.
    void duplicatePlateIsRefusedUnlessAllowed() {
        const QStringList pesagem{QStringLiteral("--third"),  QStringLiteral("C002"),    QStringLiteral("--article"),
                                  QStringLiteral("MILHO"),    QStringLiteral("--plate"), QStringLiteral("DP-11-22"),
                                  QStringLiteral("--weight"), QStringLiteral("12000")};
        Run r = first(QStringLiteral("saidas"), pesagem);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QString talao = r.value(QStringLiteral("ticket"));
        const int n = historicos();
        r = first(QStringLiteral("saidas"), pesagem);
        QCOMPARE(r.code, 1);
        QVERIFY2(
            r.err.contains(QStringLiteral("A viatura DP-11-22 já tem uma pesagem pendente (talão %1). Registar outra?")
                               .arg(talao)),
            qPrintable(r.err));
        QVERIFY(r.err.contains(QStringLiteral("--allow-duplicate-plate")));
        QVERIFY(r.out.isEmpty());
        QCOMPARE(historicos(), n);
        r = first(QStringLiteral("saidas"), pesagem + QStringList{QStringLiteral("--allow-duplicate-plate")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(historicos(), n + 1);
    }

    void deductionsBeyondTheNetWeightAreRefused() {
        Run r = first(QStringLiteral("saidas"),
                      {QStringLiteral("--third"), QStringLiteral("C004"), QStringLiteral("--article"),
                       QStringLiteral("MILHO"), QStringLiteral("--weight"), QStringLiteral("12000")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const qint32 id = r.value(QStringLiteral("hist_id")).toInt();
        const int docs = valor(QStringLiteral("SELECT COUNT(*) FROM DocGCCab")).toInt();
        r = second(QStringLiteral("saidas"), id,
                   {QStringLiteral("--weight"), QStringLiteral("22000"), QStringLiteral("--container"),
                    QStringLiteral("20000")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.value(QStringLiteral("document")).isEmpty());
        QVERIFY2(r.err.contains(QStringLiteral("Vasilhame")), qPrintable(r.err));
        QCOMPARE(valor(QStringLiteral("SELECT COUNT(*) FROM DocGCCab")).toInt(), docs);
        QVERIFY(PesagemLida::ler(*m_db, id).pendente);
        r = second(
            QStringLiteral("saidas"), id,
            {QStringLiteral("--weight"), QStringLiteral("22000"), QStringLiteral("--container"), QStringLiteral("-1")});
        QCOMPARE(r.code, 2);
        r = second(QStringLiteral("saidas"), id,
                   {QStringLiteral("--weight"), QStringLiteral("22000"), QStringLiteral("--container"),
                    QStringLiteral("9999.5")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("0.5"));
    }

    // Deductions are taken as typed, to the ten-thousandth of a kilogram the record holds:
    // never rounded to the two decimals the desk shows.
    void deductionsAreTakenAsTyped() {
        const auto pesada = [&](const QString& vasilhame) {
            Run r = first(QStringLiteral("saidas"),
                          {QStringLiteral("--third"), QStringLiteral("C004"), QStringLiteral("--article"),
                           QStringLiteral("MILHO"), QStringLiteral("--weight"), QStringLiteral("12000")});
            if (r.code != 0) return r;
            return second(
                QStringLiteral("saidas"), r.value(QStringLiteral("hist_id")).toInt(),
                {QStringLiteral("--weight"), QStringLiteral("20000"), QStringLiteral("--container"), vasilhame});
        };
        Run r = pesada(QStringLiteral("20.555"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("7979.445"));
        const qint32 id = r.value(QStringLiteral("hist_id")).toInt();
        QCOMPARE(
            valor(QStringLiteral("SELECT Vasilhame FROM kel_PES_Historico_Comp WHERE Cab_Id = ?"), {id}).toDouble(),
            20.555);
        QCOMPARE(valor(QStringLiteral("SELECT TotalQtd FROM DocGCCab WHERE VossoNo = (SELECT Sigla || '/' || "
                                      "NoTalao || '/' || Campanha FROM kel_PES_Historico WHERE Hist_Id = ?) "
                                      "AND NumVias <> -1"),
                       {id})
                     .toDouble(),
                 7979.445);
        // A ten-thousandth below the net weight leaves a ten-thousandth.
        r = pesada(QStringLiteral("7999.9999"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("0.0001"));
        // Too small to show is still a deduction.
        r = pesada(QStringLiteral("0.004"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("7999.996"));
    }

    // Another workstation finishes the truck while this one's document is being made (a
    // trigger on the ERP's header table plays it): the loser prints only what it did itself.
    void raceLoserPrintsOnlyItsOwnWork() {
        Run r = first(QStringLiteral("saidas"),
                      {QStringLiteral("--third"), QStringLiteral("C005"), QStringLiteral("--article"),
                       QStringLiteral("MILHO"), QStringLiteral("--weight"), QStringLiteral("13000")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const qint32 id = r.value(QStringLiteral("hist_id")).toInt();
        m_db->executar(
            QStringLiteral("CREATE TRIGGER posto2_conclui AFTER INSERT ON DocGCCab BEGIN UPDATE "
                           "kel_PES_Historico SET DataHoraPL = DataHoraPB, PesoBruto = 23000, TpDoc = 'GR', "
                           "Serie = 1, NoDoc = 777, Ano = 2026 WHERE Hist_Id = %1 AND DataHoraPL IS NULL; END")
                .arg(id));
        r = second(QStringLiteral("saidas"), id, {QStringLiteral("--weight"), QStringLiteral("21000")});
        m_db->executar(QStringLiteral("DROP TRIGGER posto2_conclui"));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("já não está pendente")), qPrintable(r.err));
        QVERIFY2(r.value(QStringLiteral("document")).isEmpty(), qPrintable(r.out));
        QVERIFY2(r.out.trimmed().isEmpty(), qPrintable(r.out));
        QCOMPARE(PesagemLida::ler(*m_db, id).noDoc, 777);
    }

    // Refused before anything is saved: exit 1 with the desk's message, 2 for a wrong usage.
    void refusalsCarryTheDesksMessage_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QString c002 = QStringLiteral("first saidas --third C002 --article MILHO ");
        QTest::newRow("customer") << QStringLiteral("first saidas --third X'99 --article MILHO --weight 1000") << 1
                                  << QStringLiteral("Cliente não existente!");
        QTest::newRow("article") << QStringLiteral("first saidas --third C002 --article RAC-COE --weight 1000") << 1
                                 << QStringLiteral("Artigo não existente!");
        QTest::newRow("supplier") << QStringLiteral("first entradas --third C001 --article MILHO --weight 1000") << 1
                                  << QStringLiteral("Fornecedor não existente!");
        QTest::newRow("address type") << c002 + QStringLiteral("--address-type ZZ --weight 1000") << 1
                                      << QStringLiteral("Tipo Morada não existente!");
        // A text longer than its field is refused rather than cut.
        QTest::newRow("long plate") << c002 + QStringLiteral("--plate %1 --weight 1000").arg(QString(40, u'X')) << 1
                                    << QStringLiteral("--plate");
        // Usage: weights are whole kilograms, one source, options of the other desk.
        QTest::newRow("decimal kg") << c002 + QStringLiteral("--weight 12.5") << 2 << QString();
        QTest::newRow("no weight") << c002.trimmed() << 2 << QString();
        QTest::newRow("two sources") << c002 + QStringLiteral("--weight 1 --scale") << 2 << QString();
        QTest::newRow("desk") << QStringLiteral("first balcao --third C002 --article MILHO --weight 1") << 2
                              << QString();
        QTest::newRow("other desk's option")
            << QStringLiteral("first entradas --third C002 --article MILHO --ref-cliente x --weight 1") << 2
            << QString();
        QTest::newRow("date") << c002 + QStringLiteral("--weight 1 --date 31-02-2026") << 2 << QString();
        QTest::newRow("quality outgoing")
            << QStringLiteral("second saidas --id 1 --weight 1 --quality 3") << 2 << QString();
        QTest::newRow("then") << QStringLiteral("second saidas --id 1 --weight 1 --then fax") << 2 << QString();
    }
    void refusalsCarryTheDesksMessage() {
        QFETCH(QString, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        const int antes = historicos();
        const QStringList a = args.split(u' ');
        const Run r = cli(QStringList{QStringLiteral("weigh"), a[0], QStringLiteral("--desk")} + a.mid(1));
        QCOMPARE(r.code, code);
        if (message.startsWith(QStringLiteral("--")))
            QVERIFY2(r.err.contains(message), qPrintable(r.err));
        else if (!message.isEmpty())
            QCOMPARE(r.err.trimmed(), message);
        QVERIFY(r.out.isEmpty());
        QCOMPARE(historicos(), antes);
    }

    void secondWeighingRefusalsLeaveTheTruckPending() {
        const QStringList base{QStringLiteral("--third"), QStringLiteral("C002"), QStringLiteral("--article"),
                               QStringLiteral("MILHO")};
        Run r;
        // Second weighings the desk refuses leave the truck pending.
        r = first(QStringLiteral("saidas"), base + QStringList{QStringLiteral("--weight"), QStringLiteral("12000")});
        QCOMPARE(r.code, 0);
        const qint32 id = r.value(QStringLiteral("hist_id")).toInt();
        r = second(QStringLiteral("saidas"), id, {QStringLiteral("--weight"), QStringLiteral("12000")});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err.trimmed(), QStringLiteral("Peso Líquido incorrecto"));
        r = second(QStringLiteral("saidas"), id,
                   {QStringLiteral("--weight"), QStringLiteral("20000"), QStringLiteral("--date"),
                    dia(QDate::currentDate().addDays(-2))});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("não pode ser anterior")), qPrintable(r.err));
        QVERIFY(PesagemLida::ler(*m_db, id).pendente);
        // The other desk's weighing, one that does not exist, one already finished.
        r = second(QStringLiteral("entradas"), id, {QStringLiteral("--weight"), QStringLiteral("20000")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QStringLiteral("não é do posto de Entradas")));
        QCOMPARE(second(QStringLiteral("saidas"), 999999, {QStringLiteral("--weight"), QStringLiteral("1")}).code, 1);
        QVERIFY(second(QStringLiteral("saidas"), id, {QStringLiteral("--weight"), QStringLiteral("20000")}).code == 0);
        r = second(QStringLiteral("saidas"), id, {QStringLiteral("--weight"), QStringLiteral("21000")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QStringLiteral("já está concluída")));
        // A converted document cannot be cancelled: the weighing stays finished.
        const RecordSet h = m_db->consultar(
            QStringLiteral("SELECT TpDoc, Serie, NoDoc, Ano FROM kel_PES_Historico WHERE Hist_Id = ?"), {id});
        QCOMPARE(cli({QStringLiteral("erp"), QStringLiteral("convert"), h.text(QStringLiteral("TpDoc")),
                      h.text(QStringLiteral("Serie")), h.text(QStringLiteral("NoDoc")), h.text(QStringLiteral("Ano"))})
                     .code,
                 0);
        r = cli({QStringLiteral("weigh"), QStringLiteral("cancel"), QStringLiteral("--desk"), QStringLiteral("saidas"),
                 QStringLiteral("--id"), QString::number(id)});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("não foi anulado no ERP")), qPrintable(r.err));
        QVERIFY(!PesagemLida::ler(*m_db, id).pendente);
    }

    void incomingWithQualityCategoryAndSubsidiaryMaterials() {
        Run r = first(QStringLiteral("entradas"),
                      {QStringLiteral("--third"), QStringLiteral("F001"), QStringLiteral("--article"),
                       QStringLiteral("MILHO"), QStringLiteral("--weight"), QStringLiteral("31000")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const qint32 id = r.value(QStringLiteral("hist_id")).toInt();
        QVERIFY(!r.value(QStringLiteral("ticket")).contains(QLatin1Char('/')));
        // A value with spaces or quotes is quoted in the list line.
        QCOMPARE(cli({QStringLiteral("weigh"), QStringLiteral("first"), QStringLiteral("--desk"),
                      QStringLiteral("entradas"), QStringLiteral("--third"), QStringLiteral("F003"),
                      QStringLiteral("--article"), QStringLiteral("MILHO"), QStringLiteral("--plate"),
                      QStringLiteral("AB 1\"2"), QStringLiteral("--weight"), QStringLiteral("20000")})
                     .code,
                 0);
        const Run p = cli({QStringLiteral("pending"), QStringLiteral("--desk"), QStringLiteral("entradas")});
        QVERIFY2(p.out.contains(QStringLiteral(" third=F003 article=MILHO plate=\"AB 1\\\"2\" entry=")),
                 qPrintable(p.out));
        r = second(QStringLiteral("entradas"), id,
                   {QStringLiteral("--weight"), QStringLiteral("30000"), QStringLiteral("--container"),
                    QStringLiteral("20"), QStringLiteral("--quality"), QStringLiteral("30"),
                    QStringLiteral("--category"), QStringLiteral("Tipo B")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("net")), QStringLiteral("1000"));
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("950"));
        QVERIFY(r.value(QStringLiteral("document")).startsWith(QStringLiteral("GEM/1/")));
        const RecordSet c =
            m_db->consultar(QStringLiteral("SELECT * FROM kel_PES_Historico_Comp WHERE Cab_Id = ?"), {id});
        QCOMPARE(c.value(QStringLiteral("Qualidade")).toDouble(), 30.0);
        QCOMPARE(c.value(QStringLiteral("Caracteristica")).toInt(), 1);

        // Subsidiary materials: their own document type, the article alone on the receipt.
        r = first(QStringLiteral("entradas"),
                  {QStringLiteral("--third"), QStringLiteral("F002"), QStringLiteral("--article"),
                   QStringLiteral("ADUBO-NPK"), QStringLiteral("--subsidiary"), QStringLiteral("--weight"),
                   QStringLiteral("22000")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const qint32 id2 = r.value(QStringLiteral("hist_id")).toInt();
        r = second(QStringLiteral("entradas"), id2,
                   {QStringLiteral("--weight"), QStringLiteral("12000"), QStringLiteral("--subsidiary")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QString doc = r.value(QStringLiteral("document"));
        QVERIFY(doc.startsWith(QStringLiteral("GES/1/")));
        QCOMPARE(valor(QStringLiteral("SELECT COUNT(*) FROM DocGCLin WHERE Tpdoc = 'GES' AND NNumdoc = ? AND Ano = ?"),
                       {doc.section(QLatin1Char('/'), 2, 2).toInt(), QDate::currentDate().year()})
                     .toInt(),
                 1);
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("10000"));
    }

    void weightsFromTheIndicator() {
        // The simulator writes the installation's BALANCA.TXT beside the configuration.
        Simulador sim({QStringLiteral("--demo"), QStringLiteral("--weight"), QStringLiteral("14260")});
        QVERIFY(sim.iniciado());
        const QStringList base{QStringLiteral("--third"), QStringLiteral("C004"), QStringLiteral("--article"),
                               QStringLiteral("RAC-VL"), QStringLiteral("--scale")};
        Run r = first(QStringLiteral("saidas"), base);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const qint32 id = r.value(QStringLiteral("hist_id")).toInt();
        QCOMPARE(PesagemLida::ler(*m_db, id).tara, 14260.0);

        // An unstable reading is the desk's refusal: nothing is saved with the "0" it shows.
        Simulador instavel(
            {QStringLiteral("--mark"), QStringLiteral("gu"), QStringLiteral("--weight"), QStringLiteral("30000")});
        QVERIFY(instavel.iniciado());
        FicheiroBalanca ficheiro(instavel.caminho());
        r = second(QStringLiteral("saidas"), id,
                   {QStringLiteral("--scale"), QStringLiteral("--scale-file"), ficheiro.caminho()});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err.trimmed(), QStringLiteral("Pesagem Instável"));
        QVERIFY(PesagemLida::ler(*m_db, id).pendente);
        QVERIFY(sim.comando(QStringLiteral("weight 30260")).startsWith(QStringLiteral("ok")));
        r = second(QStringLiteral("saidas"), id, {QStringLiteral("--scale")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("net")), QStringLiteral("16000"));
    }

    void ticketsAfterTheFinalSave() {
        // E-mail to a local SMTP server; the weighing's customer is the recipient.
        SmtpTestServer server;
        QVERIFY(server.iniciar());
        const int port = server.porta();
        FicheiroConfig(m_config).gravar(QStringLiteral("SMTP"), QStringLiteral("Porta"), QString::number(port));

        Run r = first(QStringLiteral("saidas"),
                      {QStringLiteral("--third"), QStringLiteral("C005"), QStringLiteral("--article"),
                       QStringLiteral("RAC-FRG"), QStringLiteral("--weight"), QStringLiteral("13000")});
        const qint32 id = r.value(QStringLiteral("hist_id")).toInt();
        r = second(
            QStringLiteral("saidas"), id,
            {QStringLiteral("--weight"), QStringLiteral("29000"), QStringLiteral("--then"), QStringLiteral("email")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("16000"));
        QCOMPARE(server.mensagens(), 1);
        server.parar();

        // A customer without an address: the weighing is finished, the run still fails and says why.
        r = first(QStringLiteral("saidas"),
                  {QStringLiteral("--third"), QStringLiteral("C003"), QStringLiteral("--article"),
                   QStringLiteral("TRIGO"), QStringLiteral("--weight"), QStringLiteral("13000")});
        const qint32 id2 = r.value(QStringLiteral("hist_id")).toInt();
        r = second(
            QStringLiteral("saidas"), id2,
            {QStringLiteral("--weight"), QStringLiteral("23000"), QStringLiteral("--then"), QStringLiteral("email")});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err.trimmed(), QStringLiteral("Terceiro sem e-mail associado!"));
        QVERIFY(!r.value(QStringLiteral("document")).isEmpty());
        QVERIFY(!PesagemLida::ler(*m_db, id2).pendente);

        // Printing where no printer is installed is reported, never passed off as printed.
        FicheiroConfig(m_config).gravar(QStringLiteral("PRINT"), QStringLiteral("Impressora"),
                                        QStringLiteral("Nao Instalada"));
        r = first(QStringLiteral("saidas"),
                  {QStringLiteral("--third"), QStringLiteral("C002"), QStringLiteral("--article"),
                   QStringLiteral("TRIGO"), QStringLiteral("--weight"), QStringLiteral("13000")});
        const qint32 id3 = r.value(QStringLiteral("hist_id")).toInt();
        r = second(
            QStringLiteral("saidas"), id3,
            {QStringLiteral("--weight"), QStringLiteral("23000"), QStringLiteral("--then"), QStringLiteral("print")});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("O talão não foi impresso.")) &&
                     r.err.contains(QStringLiteral("\"Nao Instalada\" não está disponível")),
                 qPrintable(r.err));
        QVERIFY(!r.value(QStringLiteral("document")).isEmpty());
        FicheiroConfig(m_config).gravar(QStringLiteral("PRINT"), QStringLiteral("Impressora"), QString());
    }
};

QTEST_GUILESS_MAIN(WeighCliTest)
#include "weigh_cli_test.moc"
