// The demo installation's weighings, made at the desk on a demo database.
#include <QtTest>

#include "base/basedados.h"
#include "desks/demopesagens.h"
#include "records/numeracao.h"
#include "records/parametrosaplic.h"
#include "tests/support/testsupport.h"

class DemoPesagensTest : public QObject {
    Q_OBJECT

    static void parametros(TempDatabase& t) {
        RecordingMessages m;
        QVERIFY(ParametrosAplic::gravar(t.db(), m, QStringLiteral("1 A1 GEM 1 GES 1 GR 1 PES A2 2").split(u' ')));
    }

  private slots:
    void weighingsAcrossACampaignStart() {
        TempDatabase t(TempDatabase::Demo);
        parametros(t);
        // Mid-November: the weighings begin in July, so they span the campaign that starts on 1 October.
        const QDate hoje(2026, 11, 16);
        const DemoPesagens::Resumo r = DemoPesagens::criar(t.db(), t.settings(), QStringLiteral("DEMO"),
                                                           QStringLiteral("admin"), QStringLiteral("demo"), hoje);
        QVERIFY(r.concluidas >= 30);
        QCOMPARE(r.pendentes, 4);
        auto valor = [&t](const QString& sql) { return t.db().escalar(sql); };
        QCOMPARE(valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE DataHoraPL IS NOT NULL")).toInt(),
                 r.concluidas);
        QCOMPARE(valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE DataHoraPL IS NULL")).toInt(), 4);
        QCOMPARE(valor(QStringLiteral("SELECT COUNT(*) FROM DocGCCab WHERE NumVias <> -1")).toInt(), r.concluidas);
        // Finished ones end the day before; none is dated later than the truck arrived.
        QVERIFY(valor(QStringLiteral("SELECT MAX(DataHoraPL) FROM kel_PES_Historico")).toDateTime().date() < hoje);
        QCOMPARE(valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE DataHoraPL < DataHoraPB")).toInt(),
                 0);
        // The incoming ticket counter of raw materials starts again at 1 with the new campaign,
        // and numbers follow the dates.
        const QString nova = CampanhaDaData(hoje);
        const QString anterior = CampanhaDaData(QDate(2026, 9, 1));
        QVERIFY(valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE Campanha = '%1'").arg(anterior))
                    .toInt() > 0);
        QCOMPARE(
            t.db()
                .escalar(QStringLiteral("SELECT NoTalao FROM kel_PES_Historico WHERE Tipo = 'E' AND TpDoc = 'GEM' AND "
                                        "Campanha = ? ORDER BY DataHoraPB LIMIT 1"),
                         {nova})
                .toInt(),
            1);
        QCOMPARE(t.db()
                     .escalar(QStringLiteral(
                         "SELECT COUNT(*) FROM kel_PES_Historico a JOIN kel_PES_Historico b ON "
                         "a.Tipo = 'E' AND b.Tipo = 'E' AND a.TpDoc = b.TpDoc AND a.Campanha = b.Campanha "
                         "AND a.DataHoraPB < b.DataHoraPB AND a.NoTalao >= b.NoTalao"))
                     .toInt(),
                 0);
        // The pending trucks are from today and yesterday.
        QCOMPARE(t.db()
                     .escalar(QStringLiteral(
                                  "SELECT COUNT(*) FROM kel_PES_Historico WHERE DataHoraPL IS NULL AND DataHoraPB < ?"),
                              {QDateTime(hoje.addDays(-1), QTime(0, 0))})
                     .toInt(),
                 0);
    }

    void yardTrucksCameInBeforeNow() {
        TempDatabase t(TempDatabase::Demo);
        parametros(t);
        // Made just after midnight: today's trucks must not be dated later than the clock, or
        // the operator could not weigh them out.
        const QDate hoje(2026, 12, 7);
        const QTime agora(0, 20);
        DemoPesagens::criar(t.db(), t.settings(), QStringLiteral("DEMO"), QStringLiteral("admin"),
                            QStringLiteral("demo"), hoje, agora);
        QCOMPARE(t.db()
                     .escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE DataHoraPL IS NULL "
                                             "AND DataHoraPB > ?"),
                              {QDateTime(hoje, agora)})
                     .toInt(),
                 0);
        QCOMPARE(t.db()
                     .escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE DataHoraPL IS NULL "
                                             "AND DataHoraPB >= ?"),
                              {QDateTime(hoje, QTime(0, 0))})
                     .toInt(),
                 3);
    }

    void aRefusedWeighingStopsTheDemo() {
        TempDatabase t(TempDatabase::Demo);
        parametros(t);
        // An article the desk no longer accepts: the demo fails with the desk's message.
        t.db().executar(QStringLiteral("UPDATE Artigos SET Inactivo = -1"));
        try {
            DemoPesagens::criar(t.db(), t.settings(), QStringLiteral("DEMO"), QStringLiteral("admin"),
                                QStringLiteral("demo"));
            QFAIL("no error");
        } catch (const RegraRecusada& e) {
            QVERIFY2(e.descricao().contains(QStringLiteral("Artigo não existente!")), qPrintable(e.descricao()));
        }
        QCOMPARE(t.db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico")).toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(DemoPesagensTest)
#include "demopesagens_test.moc"
