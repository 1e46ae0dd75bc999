// The program's indexes on its own tables: created once where missing, at start-up
// after the version check, never on a catalogue still to be upgraded, never changing
// the catalogue version, and a failure that is told but does not stop the start.
#include <QtTest>

#include "app/arranque.h"
#include "app/startupdialogs.h"
#include "base/catalogo.h"
#include "base/catalogstatements.h"
#include "base/configlocation.h"
#include "base/configsage.h"
#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "base/programinfo.h"
#include "erp/erpschema.h"
#include "tests/support/testsupport.h"

namespace {

QStringList indicesNaBase(BaseDados& db) {
    QStringList out;
    const RecordSet rs =
        db.consultar("SELECT name FROM sqlite_master WHERE type = 'index' AND name LIKE 'IX_kel_%' ORDER BY name");
    for (int r = 0; r < rs.count(); ++r) out << rs.text(r, "name");
    return out;
}

QStringList todosOsNomes() {
    QStringList out;
    for (const CatalogIndex& ix : CatalogIndex::all()) out << ix.nome;
    out.sort();
    return out;
}

int versao(BaseDados& db) {
    return db.escalar("SELECT VersaoCatalogo FROM kel_sistema WHERE Numero = 200").toInt();
}

// A copies table without the column the index needs: creating that one index fails.
void estragarVias(BaseDados& db) {
    db.executar("DROP TABLE kel_PES_Vias");
    db.executar("CREATE TABLE kel_PES_Vias (Outro int NULL, NoVia smallint NULL)");
}

struct SemDialogos : StartupDialogs {
    bool configurarErp(const QString&, const QStringList&) override { return false; }
    bool configurarSql(const QString&, const QString&, bool, const QStringList&) override { return false; }
};

// One start of the workstation as configured: the catalogue version it ends at, -1 when it did not start.
int arrancar(RecordingMessages& msgs) {
    SemDialogos dialogos;
    Arranque a(QString(), QString(), msgs, dialogos);
    if (!a.ligar() || a.falha() != Arranque::Falha::Nenhuma) return -1;
    a.sessao()->desligar();
    return a.catalogo().versaoCatalogo;
}

// A workstation's configuration file pointing at a test database with the local ERP.
void escreverConfig(const TempDataDir& dir, const QString& baseDados) {
    QDir().mkpath(dir.norvak());
    FicheiroConfig f(ConfigLocation::configFile(QString()));
    ConfigSage{"local", QString(), "DEMO", "admin", "demo"}.gravar(f);
    ConfigSQL::gravar(f, SqlSettings{"sqlite", "local", baseDados, QString(), QString()});
}

}  // namespace

// Also keeps the progress the operator is shown.
class MensagensComProgresso : public RecordingMessages {
  public:
    void progresso(const QString& texto, int feito, int total) override {
        passos << QStringLiteral("%1/%2 %3").arg(feito).arg(total).arg(texto);
    }
    QStringList passos;
};

class IndicesTest : public QObject {
    Q_OBJECT

  private slots:
    void createdOnceAndASecondRunChangesNothing() {
        TempDatabase t(TempDatabase::Catalogue);
        QVERIFY(indicesNaBase(t.db()).isEmpty());
        MensagensComProgresso msgs;
        Catalogo c(t.db(), msgs, ProgramInfo::version());
        Catalogo::ResultadoIndices r = c.garantirIndices();
        QVERIFY(r.ok);
        QCOMPARE(r.criados.size(), CatalogIndex::all().size());
        // The operator is told before each one, and when they are all done.
        const int n = int(CatalogIndex::all().size());
        QCOMPARE(msgs.passos.size(), n + 1);
        QVERIFY2(msgs.passos.first().startsWith(
                     QStringLiteral("0/%1 A criar os índices de pesquisa das pesagens (1 de %1: ").arg(n)),
                 qPrintable(msgs.passos.first()));
        QVERIFY(msgs.passos.last().startsWith(QStringLiteral("%1/%1 ").arg(n)));
        msgs.passos.clear();
        QCOMPARE(indicesNaBase(t.db()), todosOsNomes());
        QCOMPARE(versao(t.db()), Catalogo::kCurrentVersion);

        const int schema = t.db().escalar("PRAGMA schema_version").toInt();
        r = c.garantirIndices();
        QVERIFY(r.ok);
        QVERIFY(r.criados.isEmpty());
        QCOMPARE(t.db().escalar("PRAGMA schema_version").toInt(), schema);
        QCOMPARE(indicesNaBase(t.db()), todosOsNomes());
        QVERIFY2(msgs.all.isEmpty(), qPrintable(msgs.all.join('|')));
        QVERIFY(msgs.passos.isEmpty());  // nothing to do, nothing shown
    }

    void theDeskQueriesUseThem() {
        TempDatabase t(TempDatabase::ErpTables);
        RecordingMessages msgs;
        QVERIFY(Catalogo(t.db(), msgs, ProgramInfo::version()).garantirIndices().ok);
        auto plano = [&](const QString& sql, const QVariantList& params) {
            QStringList out;
            const RecordSet rs = t.db().consultar("EXPLAIN QUERY PLAN " + sql, params);
            for (int r = 0; r < rs.count(); ++r) out << rs.text(r, "detail");
            return out.join('|');
        };
        // Pending: no scan of the weighings and no sort.
        const QString pendentes = plano(
            "SELECT Hist_Id FROM kel_PES_Historico INNER JOIN Clientes ON kel_PES_Historico.Terceiro = "
            "Clientes.CODIGO "
            "WHERE (kel_PES_Historico.DataHoraPL IS NULL) AND Tipo = ? ORDER BY kel_PES_Historico.DataHoraPB",
            {"S"});
        QVERIFY2(pendentes.contains("IX_kel_PES_Historico_Pendentes"), qPrintable(pendentes));
        QVERIFY2(!pendentes.contains("TEMP B-TREE"), qPrintable(pendentes));
        // History of a period: a range of the date index, read backwards for newest first.
        const QString historico = plano(
            "SELECT Hist_Id FROM kel_PES_Historico INNER JOIN Clientes ON kel_PES_Historico.Terceiro = "
            "Clientes.CODIGO "
            "WHERE (kel_PES_Historico.DataHoraPL IS NOT NULL) AND Tipo = ? AND kel_PES_Historico.DataHoraPB "
            ">= ? AND "
            "kel_PES_Historico.DataHoraPB <= ? ORDER BY DataHoraPB DESC",
            {"S", QDateTime(QDate(2026, 11, 1), QTime(0, 0)), QDateTime(QDate(2026, 11, 30), QTime(23, 59, 59))});
        QVERIFY2(historico.contains("IX_kel_PES_Historico_Data"), qPrintable(historico));
        QVERIFY2(!historico.contains("TEMP B-TREE"), qPrintable(historico));
    }

    void aFailureIsToldAndTheOthersAreStillCreated() {
        TempDatabase t(TempDatabase::Catalogue);
        estragarVias(t.db());
        RecordingMessages msgs;
        const Catalogo::ResultadoIndices r = Catalogo(t.db(), msgs, ProgramInfo::version()).garantirIndices();
        QVERIFY(!r.ok);
        QCOMPARE(r.criados.size(), CatalogIndex::all().size() - 1);
        QCOMPARE(msgs.all.size(), 1);
        QCOMPARE(msgs.kinds.first(), 100 + OperatorMessages::Exclamacao);
        QVERIFY2(msgs.last().contains("IX_kel_PES_Vias_NoId"), qPrintable(msgs.last()));
        QVERIFY(!indicesNaBase(t.db()).contains("IX_kel_PES_Vias_NoId"));
        QVERIFY(indicesNaBase(t.db()).contains("IX_kel_PES_Historico_Data"));
        QCOMPARE(versao(t.db()), Catalogo::kCurrentVersion);
    }

    void startUpCreatesThemAndGoesOnAfterAFailure() {
        TempDataDir dir;
        TempDatabase t(TempDatabase::ErpTables);
        estragarVias(t.db());
        escreverConfig(dir, t.path());
        RecordingMessages msgs;
        QCOMPARE(arrancar(msgs), Catalogo::kCurrentVersion);
        QCOMPARE(msgs.all.size(), 1);
        QVERIFY(msgs.last().contains("IX_kel_PES_Vias_NoId"));
        QCOMPARE(indicesNaBase(t.db()).size(), CatalogIndex::all().size() - 1);

        // Mended table: the next start adds the missing one, and only it.
        t.db().executar("DROP TABLE kel_PES_Vias");
        t.db().executar("CREATE TABLE kel_PES_Vias (NoId int NOT NULL, NoVia smallint NULL)");
        msgs.clear();
        QCOMPARE(arrancar(msgs), Catalogo::kCurrentVersion);
        QVERIFY2(msgs.all.isEmpty(), qPrintable(msgs.all.join('|')));
        QCOMPARE(indicesNaBase(t.db()), todosOsNomes());
    }

    void anOlderCatalogueIsUpgradedBeforeItsIndexes() {
        TempDataDir dir;
        TempDatabase t(TempDatabase::Empty);
        ErpSchema::criar(t.db(), "DEMO", "admin", "demo");
        // A catalogue without its version row, as found on some old installations:
        // it stays at version 0 until the next start, and gets no index meanwhile.
        const CatalogStatements s = CatalogStatements::forBackend(Backend::Sqlite);
        for (const auto& st : s.baseCatalogue) t.db().executar(st.sql);
        escreverConfig(dir, t.path());
        RecordingMessages msgs;
        QCOMPARE(arrancar(msgs), 0);
        QVERIFY(indicesNaBase(t.db()).isEmpty());
        QCOMPARE(arrancar(msgs), Catalogo::kCurrentVersion);
        QCOMPARE(indicesNaBase(t.db()), todosOsNomes());
        QVERIFY2(msgs.all.isEmpty(), qPrintable(msgs.all.join('|')));
    }
};

QTEST_GUILESS_MAIN(IndicesTest)
#include "indices_test.moc"
