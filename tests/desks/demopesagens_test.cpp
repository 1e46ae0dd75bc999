// The demo installation's weighings, made at the desk on a demo database.
#include <QtTest>

#include "desks/demopesagens.h"
#include "records/numeracao.h"
#include "tests/desks/regrasdesk.h"

class DemoPesagensTest : public QObject {
    Q_OBJECT

    static DemoPesagens::Resumo criar(DeskFixture& f, const QDate& hoje = QDate::currentDate(),
                                      const QTime& agora = QTime::currentTime()) {
        return DemoPesagens::criar(f.t.db(), f.t.settings(), QStringLiteral("DEMO"), QStringLiteral("admin"),
                                   QStringLiteral("demo"), hoje, agora);
    }

  private slots:
    void weighingsAcrossACampaignStart() {
        DeskFixture f;
        // Mid-November: the weighings begin in July, so they span the campaign that starts on 1 October.
        const QDate hoje(2026, 11, 16);
        const DemoPesagens::Resumo r = criar(f, hoje);
        QVERIFY(r.concluidas >= 30);
        QCOMPARE(r.pendentes, 4);
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico WHERE DataHoraPL IS NOT NULL")), r.concluidas);
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico WHERE DataHoraPL IS NULL")), 4);
        // One live document per finished weighing, exits never before entries, campaign and
        // ticket year of the first weighing, no ticket number twice.
        QCOMPARE(regrasQuebradas(f), QString());
        // Finished ones end the day before.
        QVERIFY(f.valor(QStringLiteral("SELECT MAX(DataHoraPL) FROM kel_PES_Historico")).toDateTime().date() < hoje);
        // The incoming ticket counter of raw materials starts again at 1 with the new campaign,
        // and numbers follow the dates.
        QVERIFY(f.contar(QStringLiteral("kel_PES_Historico WHERE Campanha = ?"), {CampanhaDaData(QDate(2026, 9, 1))}) >
                0);
        QCOMPARE(f.valor(QStringLiteral("SELECT NoTalao FROM kel_PES_Historico WHERE Tipo = 'E' AND TpDoc = 'GEM' AND "
                                        "Campanha = ? ORDER BY DataHoraPB LIMIT 1"),
                         {CampanhaDaData(hoje)})
                     .toInt(),
                 1);
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico a JOIN kel_PES_Historico b ON "
                                         "a.Tipo = 'E' AND b.Tipo = 'E' AND a.TpDoc = b.TpDoc AND a.Campanha = "
                                         "b.Campanha AND a.DataHoraPB < b.DataHoraPB AND a.NoTalao >= b.NoTalao")),
                 0);
        // The pending trucks are from today and yesterday.
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico WHERE DataHoraPL IS NULL AND DataHoraPB < ?"),
                          {QDateTime(hoje.addDays(-1), QTime(0, 0))}),
                 0);
    }

    void yardTrucksCameInBeforeNow() {
        DeskFixture f;
        // Made just after midnight: today's trucks must not be dated later than the clock, or
        // the operator could not weigh them out.
        const QDate hoje(2026, 12, 7);
        const QTime agora(0, 20);
        criar(f, hoje, agora);
        const QString pendentes = QStringLiteral("kel_PES_Historico WHERE DataHoraPL IS NULL AND DataHoraPB ");
        QCOMPARE(f.contar(pendentes + QStringLiteral("> ?"), {QDateTime(hoje, agora)}), 0);
        QCOMPARE(f.contar(pendentes + QStringLiteral(">= ?"), {QDateTime(hoje, QTime(0, 0))}), 3);
    }

    void aRefusedWeighingStopsTheDemo() {
        DeskFixture f;
        // An article the desk no longer accepts: the demo fails with the desk's message.
        f.t.db().executar(QStringLiteral("UPDATE Artigos SET Inactivo = -1"));
        try {
            criar(f);
            QFAIL("no error");
        } catch (const RegraRecusada& e) {
            QVERIFY2(e.descricao().contains(QStringLiteral("Artigo não existente!")), qPrintable(e.descricao()));
        }
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico")), 0);
    }
};

QTEST_GUILESS_MAIN(DemoPesagensTest)
#include "demopesagens_test.moc"
