// balantrix-cli weigh (first, second, correct, cancel) / pending / history on a demo installation: the real tool,
// run as a separate process, driving the desk with the desk's refusals and messages;
// the indicator simulator for --scale, a local SMTP server for --then email; and the
// demo's own weighings.
#include <QtTest>

#include "base/ficheiroconfig.h"
#include "records/numeracao.h"
#include "records/parametrosaplic.h"
#include "tests/desks/clidesk.h"
#include "tests/desks/operador/invariantes.h"
#include "tests/desks/pesagemlida.h"
#include "tests/scale/simulador.h"
#include "tests/support/smtptestserver.h"

namespace {

using Run = CliRun;

QString dia(const QDate& d) {
    return d.toString(QStringLiteral("dd-MM-yyyy"));
}

Run first(const QString& linha, const QStringList& mais = {}) {
    return cli(QStringLiteral("weigh first --desk ") + linha, mais);
}
Run second(const QString& desk, qint32 id, const QString& linha, const QStringList& mais = {}) {
    return cli(QStringLiteral("weigh second --desk %1 --id %2 ").arg(desk).arg(id) + linha, mais);
}

}  // namespace

class WeighCliTest : public QObject {
    Q_OBJECT

    // One demo installation for the whole run; each case works on weighings of its own.
    std::unique_ptr<DemoCli> m_demo;
    ParametrosAplic m_parametros;
    QString m_config;
    QSet<qint32> m_digitados;  // effective weights typed by a correction

    QVariant valor(const QString& sql, const QVariantList& p = {}) { return m_demo->valor(sql, p); }
    int contar(const QString& tabela) { return m_demo->contar(tabela); }
    // A weighing of its own: its first weight, and its second when given; 0 when refused.
    qint32 pesagem(const QString& linha, int segundo = 0) {
        const qint32 id = first(linha).value(QStringLiteral("hist_id")).toInt();
        if (!segundo || !id) return id;
        return second(linha.section(u' ', 0, 0), id, QStringLiteral("--weight %1").arg(segundo)).code == 0 ? id : 0;
    }
    int concluidas(const char* tipo) {
        return valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE Tipo = ? AND DataHoraPL IS NOT NULL"),
                     {QString::fromLatin1(tipo)})
            .toInt();
    }

  private slots:
    void initTestCase() {
        m_demo = std::make_unique<DemoCli>();
        QVERIFY2(m_demo->aberta, qPrintable(m_demo->init.err));
        m_config = m_demo->init.value(QStringLiteral("config"));
        RecordingMessages m;
        QVERIFY(m_parametros.ler(m_demo->db, m));
    }
    // After every case the stored rules hold: one live document per finished weighing with the
    // effective weight as its quantity, weights that add up, tickets never repeated.
    void cleanup() {
        const auto f = RegrasBase(m_demo->db, m_parametros).verificar({m_digitados, {}, false});
        QVERIFY2(!f, qPrintable(Falha::descrever(f)));
    }
    void cleanupTestCase() { m_demo.reset(); }

    void demoHasFinishedAndPendingWeighings() {
        const int todas = concluidas("S") + concluidas("E");
        QVERIFY2(todas >= 24 && concluidas("S") >= 8 && concluidas("E") >= 8, qPrintable(QString::number(todas)));
        // Several months, and every finished weighing with what a real one carries.
        QVERIFY(valor(QStringLiteral("SELECT MIN(DataHoraPB) FROM kel_PES_Historico")).toDateTime().date() <
                QDate::currentDate().addDays(-90));
        QCOMPARE(valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE DataHoraPL IS NOT NULL AND "
                                      "(NoTalao <= 0 OR PesoEfectivo <= 0)"))
                     .toInt(),
                 0);
        // Deductions, quality, both incoming document types.
        QVERIFY(contar(QStringLiteral("kel_PES_Historico_Comp WHERE Vasilhame > 0")) > 0);
        QVERIFY(contar(QStringLiteral("kel_PES_Historico_Comp WHERE Qualidade > 0")) > 0);
        QVERIFY(contar(QStringLiteral("kel_PES_Historico WHERE TpDoc = 'GEM'")) > 0);

        // The lists show them as the desk does.
        Run p = cli(QStringLiteral("pending --desk saidas"));
        QCOMPARE(p.code, 0);
        QCOMPARE(p.lines().size(), 2);
        QVERIFY(p.lines().first().startsWith(QStringLiteral("hist_id=")));
        QVERIFY2(p.out.contains(QStringLiteral(" third=C001 article=RAC-VL plate=45-QO-12 entry=")), qPrintable(p.out));
        QCOMPARE(cli(QStringLiteral("pending --desk entradas")).lines().size(), 2);
        const Run h = cli(QStringLiteral("history --desk entradas --from %1 --to %2")
                              .arg(dia(QDate::currentDate().addDays(-200)), dia(QDate::currentDate())));
        QCOMPARE(h.code, 0);
        QCOMPARE(h.lines().size(), concluidas("E"));
        QVERIFY(h.lines().first().contains(QStringLiteral(" document=GE")));
        // Newest first, as the desk's history.
        QVERIFY(h.lines().first().section(QStringLiteral(" entry="), 1) >
                h.lines().last().section(QStringLiteral(" entry="), 1));
    }

    void outgoingCycle() {
        const QString plate = QStringLiteral("AA-'1-BB");
        Run r = first(QStringLiteral("saidas --third c001 --address 002 --article MILHO --weight 14220 --plate"),
                      {plate, QStringLiteral("--ref-cliente"), QStringLiteral("Enc. d'Ouro 7"), QStringLiteral("--obs"),
                       QStringLiteral("Carga d'Além, com \"lona\"")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const qint32 id = r.value(QStringLiteral("hist_id")).toInt();
        QVERIFY(id > 0);
        QCOMPARE(r.value(QStringLiteral("campaign")), CampanhaDaData(QDate::currentDate()));
        const QString ticket = r.value(QStringLiteral("ticket"));
        QVERIFY2(ticket.contains(QLatin1Char('/')), qPrintable(ticket));
        const PesagemLida gravada = PesagemLida::ler(m_demo->db, id);
        QCOMPARE(gravada.talao, ticket);
        QCOMPARE(gravada.refCliente, QStringLiteral("Enc. d'Ouro 7"));
        QCOMPARE(gravada.justificacao, QStringLiteral("Carga d'Além, com \"lona\""));

        Run p = cli(QStringLiteral("pending --desk saidas"));
        QVERIFY2(p.line(id).startsWith(QStringLiteral("hist_id=%1 ticket=%2 third=c001 article=MILHO plate=%3 entry=")
                                           .arg(id)
                                           .arg(ticket, plate)),
                 qPrintable(p.out));
        QVERIFY(p.line(id).endsWith(QStringLiteral(" first=14220")));

        r = second(QStringLiteral("saidas"), id, QStringLiteral("--weight 15220 --container 20.5 --load-place"),
                   {QStringLiteral("Armazém d'Aveiro"), QStringLiteral("--unload-place"), QStringLiteral("Cais 2")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("net")), QStringLiteral("1000"));
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("979.5"));
        const QString doc = r.value(QStringLiteral("document"));
        QVERIFY2(doc.startsWith(QStringLiteral("GR/1/")) &&
                     doc.endsWith(QStringLiteral("/%1").arg(QDate::currentDate().year())),
                 qPrintable(doc));
        const RecordSet cab = m_demo->db.consultar(
            QStringLiteral("SELECT * FROM DocGCCab WHERE Tpdoc = 'GR' AND NNumdoc = ? AND Ano = ?"),
            {doc.section(QLatin1Char('/'), 2, 2).toInt(), QDate::currentDate().year()});
        QCOMPARE(cab.text(QStringLiteral("LocalCG")), QStringLiteral("Armazém d'Aveiro"));
        QCOMPARE(cab.text(QStringLiteral("ONDEENTR")), QStringLiteral("002"));
        QVERIFY(cli(QStringLiteral("pending --desk saidas")).line(id).isEmpty());

        // Today's history, with the quoted observation-free line.
        const Run h = cli(QStringLiteral("history --desk saidas"));
        QVERIFY2(h.line(id).contains(QStringLiteral(" document=%1 net=1000 effective=979.5").arg(doc)),
                 qPrintable(h.out));
        QVERIFY(h.line(id).contains(QStringLiteral(" exit=%1T").arg(QDate::currentDate().toString(Qt::ISODate))));

        // Cancelled once: pending again with its tare and ticket; twice: gone.
        const QString anular = QStringLiteral("weigh cancel --desk saidas --id %1").arg(id);
        r = cli(anular);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("state")), QStringLiteral("pending"));
        QVERIFY(r.err.contains(QStringLiteral("Vai proceder à anulação da Saída")));
        QVERIFY(cli(QStringLiteral("pending --desk saidas")).line(id).contains(ticket));
        r = cli(anular);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.value(QStringLiteral("state")), QStringLiteral("deleted"));
        QVERIFY(!PesagemLida::ler(m_demo->db, id).existe);
    }

    // A plate already pending on the desk is weighed in again only when asked for.
    void duplicatePlateIsRefusedUnlessAllowed() {
        const QString pesagem = QStringLiteral("saidas --third C002 --article MILHO --plate DP-11-22 --weight 12000");
        Run r = first(pesagem);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QString talao = r.value(QStringLiteral("ticket"));
        const int n = contar(QStringLiteral("kel_PES_Historico"));
        r = first(pesagem);
        QCOMPARE(r.code, 1);
        QVERIFY2(
            r.err.contains(QStringLiteral("A viatura DP-11-22 já tem uma pesagem pendente (talão %1). Registar outra?")
                               .arg(talao)),
            qPrintable(r.err));
        QVERIFY(r.err.contains(QStringLiteral("--allow-duplicate-plate")));
        QVERIFY(r.out.isEmpty());
        QCOMPARE(contar(QStringLiteral("kel_PES_Historico")), n);
        r = first(pesagem + QStringLiteral(" --allow-duplicate-plate"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(contar(QStringLiteral("kel_PES_Historico")), n + 1);
    }

    // Deductions are taken as typed, to the ten-thousandth of a kilogram the record holds:
    // never rounded to the two decimals the desk shows.
    void deductionsAreTakenAsTyped_data() {
        QTest::addColumn<QString>("vasilhame");
        QTest::addColumn<QString>("efectivo");
        QTest::newRow("grams") << QStringLiteral("20.555") << QStringLiteral("7979.445");
        // A ten-thousandth below the net weight leaves a ten-thousandth.
        QTest::newRow("all but 0.0001") << QStringLiteral("7999.9999") << QStringLiteral("0.0001");
        // Too small to show is still a deduction.
        QTest::newRow("too small to show") << QStringLiteral("0.004") << QStringLiteral("7999.996");
    }
    void deductionsAreTakenAsTyped() {
        QFETCH(QString, vasilhame);
        QFETCH(QString, efectivo);
        const qint32 id = pesagem(QStringLiteral("saidas --third C004 --article MILHO --weight 12000"));
        QVERIFY(id > 0);
        const Run r = second(QStringLiteral("saidas"), id, QStringLiteral("--weight 20000 --container ") + vasilhame);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("effective")), efectivo);
        QCOMPARE(
            valor(QStringLiteral("SELECT Vasilhame FROM kel_PES_Historico_Comp WHERE Cab_Id = ?"), {id}).toDouble(),
            vasilhame.toDouble());
    }

    // Another workstation finishes the truck while this one's document is being made (a
    // trigger on the ERP's header table plays it): the loser prints only what it did itself.
    void raceLoserPrintsOnlyItsOwnWork() {
        const qint32 id = pesagem(QStringLiteral("saidas --third C005 --article MILHO --weight 13000"));
        QVERIFY(id > 0);
        m_demo->db.executar(
            QStringLiteral("CREATE TRIGGER posto2_conclui AFTER INSERT ON DocGCCab BEGIN UPDATE "
                           "kel_PES_Historico SET DataHoraPL = DataHoraPB, PesoBruto = 23000, TpDoc = 'GR', "
                           "Serie = 1, NoDoc = 777, Ano = 2026 WHERE Hist_Id = %1 AND DataHoraPL IS NULL; END")
                .arg(id));
        const Run r = second(QStringLiteral("saidas"), id, QStringLiteral("--weight 21000"));
        m_demo->db.executar(QStringLiteral("DROP TRIGGER posto2_conclui"));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("já não está pendente")), qPrintable(r.err));
        QVERIFY2(r.out.trimmed().isEmpty(), qPrintable(r.out));
        QCOMPARE(PesagemLida::ler(m_demo->db, id).noDoc, 777);
        // The other workstation's document was only played: its weighing goes with it.
        m_demo->db.executar(QStringLiteral("DELETE FROM kel_PES_Historico WHERE Hist_Id = ?"), {id});
    }

    // Refused before anything is saved: exit 1 with the desk's message, 2 for a wrong usage.
    void refusalsCarryTheDesksMessage_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QString c002 = QStringLiteral("first saidas --third C002 --article MILHO ");
        QTest::newRow("customer") << QStringLiteral("first saidas --third X'99 --article MILHO --weight 1000") << 1
                                  << QStringLiteral("Cliente não existente!");
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
        const int antes = contar(QStringLiteral("kel_PES_Historico"));
        const Run r = cli(QStringLiteral("weigh ") + args.section(u' ', 0, 0) + QStringLiteral(" --desk ") +
                          args.section(u' ', 1));
        QCOMPARE(r.code, code);
        if (message.startsWith(QStringLiteral("--")))
            QVERIFY2(r.err.contains(message), qPrintable(r.err));
        else if (!message.isEmpty())
            QCOMPARE(r.err.trimmed(), message);
        QVERIFY(r.out.isEmpty());
        QCOMPARE(contar(QStringLiteral("kel_PES_Historico")), antes);
    }

    // Second weighings refused leave the truck pending and the ERP untouched: the desk's
    // message and exit 1, or 2 for an unreadable value.
    void secondWeighingRefusalsLeaveTheTruckPending_data() {
        QTest::addColumn<QString>("primeira");
        QTest::addColumn<QString>("segunda");  // %1: the weighing
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QString saida = QStringLiteral("saidas --third C002 --article MILHO --weight 12000");
        QTest::newRow("exit before entry")
            << saida << QStringLiteral("saidas --id %1 --weight 20000 --date ") + dia(QDate::currentDate().addDays(-2))
            << 1 << QStringLiteral("não pode ser anterior");
        QTest::newRow("other desk") << saida << QStringLiteral("entradas --id %1 --weight 20000") << 1
                                    << QStringLiteral("não é do posto de Entradas");
        QTest::newRow("no such weighing") << saida << QStringLiteral("saidas --id 999999 --weight 1") << 1 << QString();
        QTest::newRow("negative container")
            << saida << QStringLiteral("saidas --id %1 --weight 22000 --container -1") << 2 << QString();
        // A raw-materials truck cannot be finished as a subsidiary one.
        QTest::newRow("raw material as subsidiary")
            << QStringLiteral("entradas --third F001 --article MILHO --weight 21000")
            << QStringLiteral("entradas --id %1 --weight 9000 --subsidiary") << 1 << QStringLiteral("matérias-primas");
    }
    void secondWeighingRefusalsLeaveTheTruckPending() {
        QFETCH(QString, primeira);
        QFETCH(QString, segunda);
        QFETCH(int, code);
        QFETCH(QString, message);
        const qint32 id = pesagem(primeira);
        QVERIFY(id > 0);
        const int docs = contar(QStringLiteral("DocGCCab"));
        const Run r = cli(QStringLiteral("weigh second --desk ") + segunda.arg(id));
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QCOMPARE(contar(QStringLiteral("DocGCCab")), docs);
        QVERIFY(PesagemLida::ler(m_demo->db, id).pendente);
    }

    // A finished weighing is not weighed again; once its document is converted it cannot be cancelled.
    void finishedWeighingStaysFinished() {
        const qint32 id = pesagem(QStringLiteral("saidas --third C002 --article MILHO --weight 12000"));
        const QString doc =
            second(QStringLiteral("saidas"), id, QStringLiteral("--weight 20000")).value(QStringLiteral("document"));
        QVERIFY(!doc.isEmpty());
        Run r = second(QStringLiteral("saidas"), id, QStringLiteral("--weight 21000"));
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QStringLiteral("já está concluída")));
        // Marked converted by `erp convert`, as another ERP program does.
        r = cli(QStringLiteral("erp convert ") + doc.split(u'/').join(u' '));
        QCOMPARE(r.code, 0);
        QCOMPARE(r.value(QStringLiteral("document")), doc);
        r = cli(QStringLiteral("weigh cancel --desk saidas --id %1").arg(id));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("não foi anulado no ERP")), qPrintable(r.err));
        QVERIFY(!PesagemLida::ler(m_demo->db, id).pendente);
    }

    // weigh correct: a finished weighing corrected as from the desk's history.
    void correctsAFinishedWeighingAsTheHistoryDoes() {
        const qint32 id = pesagem(QStringLiteral("entradas --third F001 --article MILHO --weight 30000"), 10000);
        QVERIFY(id > 0);
        m_digitados.insert(id);  // its effective weight is typed below
        const QString corrigir = QStringLiteral("weigh correct --desk entradas --id %1 ").arg(id);
        Run r = cli(corrigir + QStringLiteral("--container 150 --quality 50.5 --category"),
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
        const Run r = cli(QStringLiteral("weigh correct --desk ") +
                          linha.replace(QStringLiteral("%1"), QString::number(id))
                              .replace(QStringLiteral("%2"), QString::number(pendente)));
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QCOMPARE(PesagemLida::ler(m_demo->db, id).efectivo, 18000.0);
        QVERIFY(PesagemLida::ler(m_demo->db, pendente).pendente);
    }

    void incomingWithQualityCategoryAndSubsidiaryMaterials() {
        Run r = first(QStringLiteral("entradas --third F001 --article MILHO --weight 31000"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const qint32 id = r.value(QStringLiteral("hist_id")).toInt();
        QVERIFY(!r.value(QStringLiteral("ticket")).contains(QLatin1Char('/')));
        // A value with spaces or quotes is quoted in the list line.
        QCOMPARE(first(QStringLiteral("entradas --third F003 --article MILHO --weight 20000 --plate"),
                       {QStringLiteral("AB 1\"2")})
                     .code,
                 0);
        const Run p = cli(QStringLiteral("pending --desk entradas"));
        QVERIFY2(p.out.contains(QStringLiteral(" third=F003 article=MILHO plate=\"AB 1\\\"2\" entry=")),
                 qPrintable(p.out));
        r = second(QStringLiteral("entradas"), id,
                   QStringLiteral("--weight 30000 --container 20 --quality 30 --category"), {QStringLiteral("Tipo B")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("net")), QStringLiteral("1000"));
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("950"));
        QVERIFY(r.value(QStringLiteral("document")).startsWith(QStringLiteral("GEM/1/")));
        QCOMPARE(
            valor(QStringLiteral("SELECT Caracteristica FROM kel_PES_Historico_Comp WHERE Cab_Id = ?"), {id}).toInt(),
            1);

        // Subsidiary materials: their own document type, the article alone on the receipt;
        // ticked at the first weight, kept when --subsidiary is left out.
        r = first(QStringLiteral("entradas --third F002 --article ADUBO-NPK --subsidiary --weight 22000"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        r = second(QStringLiteral("entradas"), r.value(QStringLiteral("hist_id")).toInt(),
                   QStringLiteral("--weight 12000"));
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
        const qint32 id = pesagem(QStringLiteral("saidas --third C004 --article RAC-VL --scale"));
        QVERIFY(id > 0);
        QCOMPARE(PesagemLida::ler(m_demo->db, id).tara, 14260.0);

        // An unstable reading is the desk's refusal: nothing is saved with the "0" it shows.
        Simulador instavel(
            {QStringLiteral("--mark"), QStringLiteral("gu"), QStringLiteral("--weight"), QStringLiteral("30000")});
        QVERIFY(instavel.iniciado());
        FicheiroBalanca ficheiro(instavel.caminho());
        Run r = second(QStringLiteral("saidas"), id, QStringLiteral("--scale --scale-file ") + ficheiro.caminho());
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err.trimmed(), QStringLiteral("Pesagem Instável"));
        QVERIFY(PesagemLida::ler(m_demo->db, id).pendente);
        QVERIFY(sim.comando(QStringLiteral("weight 30260")).startsWith(QStringLiteral("ok")));
        r = second(QStringLiteral("saidas"), id, QStringLiteral("--scale"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("net")), QStringLiteral("16000"));
    }

    // After the final save: the e-mail to a local SMTP server (the customer is the recipient);
    // a customer without an address or a printer not installed finish the weighing, and the
    // run still fails and says why.
    void ticketsAfterTheFinalSave_data() {
        QTest::addColumn<QString>("primeira");
        QTest::addColumn<QString>("segunda");
        QTest::addColumn<QString>("impressora");
        QTest::addColumn<QString>("erro");
        QTest::newRow("email") << QStringLiteral("C005 --article RAC-FRG") << QStringLiteral("29000 --then email")
                               << QString() << QString();
        QTest::newRow("no address") << QStringLiteral("C003 --article TRIGO") << QStringLiteral("23000 --then email")
                                    << QString() << QStringLiteral("Terceiro sem e-mail associado!");
        QTest::newRow("no printer") << QStringLiteral("C002 --article TRIGO") << QStringLiteral("23000 --then print")
                                    << QStringLiteral("Nao Instalada")
                                    << QStringLiteral(
                                           "O talão não foi impresso.|\"Nao Instalada\" não está disponível");
    }
    void ticketsAfterTheFinalSave() {
        QFETCH(QString, primeira);
        QFETCH(QString, segunda);
        QFETCH(QString, impressora);
        QFETCH(QString, erro);
        SmtpTestServer server;
        QVERIFY(server.iniciar());
        FicheiroConfig(m_config).gravar(QStringLiteral("SMTP"), QStringLiteral("Porta"),
                                        QString::number(server.porta()));
        FicheiroConfig(m_config).gravar(QStringLiteral("PRINT"), QStringLiteral("Impressora"), impressora);
        const qint32 id = pesagem(QStringLiteral("saidas --weight 13000 --third ") + primeira);
        const Run r = second(QStringLiteral("saidas"), id, QStringLiteral("--weight ") + segunda);
        FicheiroConfig(m_config).gravar(QStringLiteral("PRINT"), QStringLiteral("Impressora"), QString());
        QCOMPARE(r.code, erro.isEmpty() ? 0 : 1);
        for (const QString& e : erro.split(u'|', Qt::SkipEmptyParts)) QVERIFY2(r.err.contains(e), qPrintable(r.err));
        QVERIFY(!r.value(QStringLiteral("document")).isEmpty());
        QVERIFY(!PesagemLida::ler(m_demo->db, id).pendente);
        QCOMPARE(server.mensagens(), erro.isEmpty() ? 1 : 0);
        server.parar();
    }
};

QTEST_GUILESS_MAIN(WeighCliTest)
#include "weigh_cli_test.moc"
