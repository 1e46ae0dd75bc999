// The program's catalogue: creation, version row, upgrades from every older version,
// the versaoEXE rules and the failure paths.
#include <QtTest>

#include "base/catalogo.h"
#include "base/catalogstatements.h"
#include "base/intentnotes.h"
#include "base/programinfo.h"
#include "tests/support/testsupport.h"

namespace {

const QMap<QString, QStringList> kFinalColumns = {
    {QStringLiteral("kel_sistema"), {"Numero", "VersaoCatalogo", "Logotipo", "versaoEXE"}},
    {QStringLiteral("kel_PES_Historico"),
     {"Hist_Id",    "Tipo",        "TpDoc",        "Serie",        "NoDoc",      "Ano",        "PesoBruto",
      "PesoTara",   "PesoLiquido", "PesoEfectivo", "Justificacao", "DataHoraPB", "DataHoraPL", "Terceiro",
      "Artigo",     "CodMorada",   "Motorista",    "Carro",        "TipoTerc",   "AnoTalao",   "NoTalao",
      "RefCliente", "RefEntrega",  "Sigla",        "Campanha",     "TipoMorada"}},
    {QStringLiteral("kel_PES_Historico_Comp"), {"HistCmp_Id", "Cab_Id", "Vasilhame", "Qualidade", "Caracteristica"}},
    {QStringLiteral("kel_PES_Taloes"),
     {"iTipo", "Ano", "TipoDoc", "Contador", "Cliente", "Sigla", "CdMorada", "TipoMorada"}},
    {QStringLiteral("kel_PES_Parametros"),
     {"Numero", "TpGuiaEntMP", "SeGuiaEntMP", "TpGuiaEntMS", "SeGuiaEntMS", "ArmCentral", "TpSaida", "SeSaida",
      "Sector", "ArmSaida", "NoVias"}},
    {QStringLiteral("kel_PES_Carros"), {"Codigo", "Nome"}},
    {QStringLiteral("kel_PES_Vias"), {"NoId", "NoVia"}},
};

QStringList lower(const QStringList& l) {
    QStringList out;
    for (const QString& s : l) out << s.toLower();
    out.sort();
    return out;
}

void checkFinalSchema(BaseDados& db) {
    for (auto it = kFinalColumns.begin(); it != kFinalColumns.end(); ++it) {
        QVERIFY2(db.tableExists(it.key()), qPrintable(it.key()));
        QCOMPARE(lower(db.columnNames(it.key())), lower(it.value()));
    }
}

// Brings a database with the base catalogue to an older version by running the
// steps up to it, as an older program did.
void buildAtVersion(BaseDados& db, int version) {
    const CatalogStatements s = CatalogStatements::forBackend(db.backend());
    for (const auto& st : s.baseCatalogue) db.executar(st.sql);
    if (version >= 1)
        for (const auto& st : s.stepA)
            if (st.kind == CatalogStatement::Plain) db.executar(st.sql);
    if (version >= 2)
        for (const auto& st : s.stepB) db.executar(st.sql);
    db.executar(QStringLiteral("INSERT INTO kel_sistema (Numero, VersaoCatalogo, versaoEXE) VALUES (200, ?, ?)"),
                {version == 0 ? QVariant() : QVariant(version), QStringLiteral("002100010002")});
}

}  // namespace

class CatalogueTest : public QObject {
    Q_OBJECT

  private slots:
    void programVersionText() {
        QCOMPARE(ProgramInfo::versionText(QStringLiteral("21.1.3")), QStringLiteral("002100010003"));
        QCOMPARE(ProgramInfo::versionText(QStringLiteral("26.1.0")), QStringLiteral("002600010000"));
        QCOMPARE(ProgramInfo::versionText(QStringLiteral("123456.7.89")), QStringLiteral("345600070089"));
        // The program must compare above the 21.x versions databases in the field hold.
        QVERIFY(ProgramInfo::versionText(ProgramInfo::version()) > QStringLiteral("002199999999"));
    }

    void emptyDatabaseIsCompletedInTheSameStart() {
        TempDatabase t(TempDatabase::Empty);
        RecordingMessages msgs;
        Catalogo c(t.db(), msgs, QStringLiteral("26.1.0"));
        QVERIFY(!c.existe());
        c.criarCatalogoBase();
        QVERIFY(c.existe());
        const Catalogo::Resultado r = c.verificarVersao(true);
        QVERIFY(r.ok);
        QCOMPARE(r.versaoCatalogo, 3);
        checkFinalSchema(t.db());
        const RecordSet row = t.db().consultar(CatalogStatements::versionRow());
        QCOMPARE(row.count(), 1);
        QCOMPARE(row.value(QStringLiteral("VersaoCatalogo")).toInt(), 3);
        QCOMPARE(row.text(QStringLiteral("versaoEXE")), QStringLiteral("002600010000"));
        QVERIFY(msgs.all.isEmpty());
        // A second start changes nothing.
        QCOMPARE(c.verificarVersao(false).versaoCatalogo, 3);
        QCOMPARE(t.db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_sistema")).toInt(), 1);
    }

    void missingVersionRowWaitsForTheNextStart() {
        TempDatabase t(TempDatabase::Empty);
        RecordingMessages msgs;
        Catalogo c(t.db(), msgs, QStringLiteral("26.1.0"));
        c.criarCatalogoBase();
        Catalogo::Resultado r = c.verificarVersao(false);
        QCOMPARE(r.versaoCatalogo, 0);
        QVERIFY(t.db().escalar(QStringLiteral("SELECT VersaoCatalogo FROM kel_sistema WHERE Numero = 200")).isNull());
        QVERIFY(!t.db().columnNames(QStringLiteral("kel_PES_Historico")).contains(QStringLiteral("RefCliente")));
        r = c.verificarVersao(false);
        QCOMPARE(r.versaoCatalogo, 3);
        checkFinalSchema(t.db());
    }

    void upgradesFromOlderVersions_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("withRow1");
        QTest::newRow("v0 with parameters row") << 0 << true;
        QTest::newRow("v0 without parameters row") << 0 << false;
        QTest::newRow("v1") << 1 << true;
        QTest::newRow("v2") << 2 << true;
    }
    void upgradesFromOlderVersions() {
        QFETCH(int, version);
        QFETCH(bool, withRow1);
        TempDatabase t(TempDatabase::Empty);
        BaseDados& db = t.db();
        buildAtVersion(db, version);
        if (withRow1) {
            // A warehouse code with an apostrophe must survive the copy into ArmSaida.
            db.executar(QStringLiteral("INSERT INTO kel_PES_Parametros (Numero, ArmCentral) VALUES (1, ?)"),
                        {QStringLiteral("A'1")});
            db.executar(QStringLiteral("INSERT INTO kel_PES_Parametros (Numero, ArmCentral) VALUES (2, 'B2')"));
        }
        db.executar(QStringLiteral("INSERT INTO kel_PES_Historico (Tipo, Terceiro) VALUES ('S', 'C001')"));
        db.executar(QStringLiteral("INSERT INTO kel_PES_Taloes (iTipo, Ano, Contador) VALUES (1, 2024, 10)"));
        db.executar(QStringLiteral("INSERT INTO kel_PES_Taloes (iTipo, Ano, Contador) VALUES (2, 2024, 20)"));

        RecordingMessages msgs;
        Catalogo c(db, msgs, QStringLiteral("26.1.0"));
        QVERIFY(c.existe());
        const Catalogo::Resultado r = c.verificarVersao(false);
        QVERIFY2(r.ok, qPrintable(msgs.all.join(QLatin1Char('|'))));
        QCOMPARE(r.versaoCatalogo, 3);
        checkFinalSchema(db);
        QCOMPARE(db.escalar(QStringLiteral("SELECT VersaoCatalogo FROM kel_sistema WHERE Numero = 200")).toInt(), 3);
        QCOMPARE(db.escalar(QStringLiteral("SELECT versaoEXE FROM kel_sistema WHERE Numero = 200")).toString(),
                 QStringLiteral("002600010000"));

        // Kind 2 counters are gone whatever the starting version; kind 1 stays.
        QCOMPARE(db.escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Taloes WHERE iTipo = 2")).toInt(), 0);
        QCOMPARE(db.escalar(QStringLiteral("SELECT Contador FROM kel_PES_Taloes WHERE iTipo = 1")).toInt(), 10);
        if (version <= 1) {
            QCOMPARE(db.escalar(QStringLiteral("SELECT TipoMorada FROM kel_PES_Historico")), QVariant(QString()));
            QCOMPARE(db.escalar(QStringLiteral("SELECT TipoMorada FROM kel_PES_Taloes")), QVariant(QString()));
        }
        if (version == 0) {
            // The counter year became text and kept its value.
            QCOMPARE(db.escalar(QStringLiteral("SELECT Ano FROM kel_PES_Taloes WHERE iTipo = 1")).toString(),
                     QStringLiteral("2024"));
            QCOMPARE(db.escalar(QStringLiteral("SELECT typeof(Ano) FROM kel_PES_Taloes")).toString(),
                     QStringLiteral("text"));
            const RecordSet p =
                db.consultar(QStringLiteral("SELECT Numero, ArmSaida, NoVias FROM kel_PES_Parametros ORDER BY Numero"));
            if (withRow1) {
                // Every row gets row 1's warehouse and four copies.
                QCOMPARE(p.count(), 2);
                for (int i = 0; i < p.count(); ++i) {
                    QCOMPARE(p.text(i, QStringLiteral("ArmSaida")), QStringLiteral("A'1"));
                    QCOMPARE(p.value(i, QStringLiteral("NoVias")).toInt(), 4);
                }
            } else {
                QCOMPARE(p.count(), 0);
            }
        } else if (withRow1) {
            // Versions 1 and 2 already had ArmSaida: it is not touched again.
            QVERIFY(db.escalar(QStringLiteral("SELECT ArmSaida FROM kel_PES_Parametros WHERE Numero = 1")).isNull());
        }
        QVERIFY(msgs.all.isEmpty());
    }

    void versaoExeRules() {
        TempDatabase t(TempDatabase::Catalogue);
        BaseDados& db = t.db();
        RecordingMessages msgs;
        // Older stored version: updated silently.
        db.executar(QStringLiteral("UPDATE kel_sistema SET versaoEXE = '002100010002'"));
        Catalogo(db, msgs, QStringLiteral("21.1.3")).verificarVersao(false);
        QCOMPARE(db.escalar(QStringLiteral("SELECT versaoEXE FROM kel_sistema")).toString(),
                 QStringLiteral("002100010003"));
        QVERIFY(msgs.all.isEmpty());
        // Newer stored version: this workstation is out of date; the row keeps its value.
        const Catalogo::Resultado r = Catalogo(db, msgs, QStringLiteral("21.1.2")).verificarVersao(false);
        QVERIFY(r.desactualizado);
        QCOMPARE(db.escalar(QStringLiteral("SELECT versaoEXE FROM kel_sistema")).toString(),
                 QStringLiteral("002100010003"));
        QCOMPARE(msgs.all.size(), 1);
        QCOMPARE(msgs.kinds.first(), 100 + OperatorMessages::Critico);
        QCOMPARE(msgs.last(), QStringLiteral("A versão da aplicação que esta a utilizar esta desactualizada.\r\n"
                                             " Deve actualizar a versão deste posto!"));
        // Null stored version: filled in.
        db.executar(QStringLiteral("UPDATE kel_sistema SET versaoEXE = NULL"));
        Catalogo(db, msgs, QStringLiteral("26.1.0")).verificarVersao(false);
        QCOMPARE(db.escalar(QStringLiteral("SELECT versaoEXE FROM kel_sistema")).toString(),
                 QStringLiteral("002600010000"));
    }

    void missingVersaoExeColumnIsRepaired() {
        TempDatabase t(TempDatabase::Empty);
        BaseDados& db = t.db();
        buildAtVersion(db, 2);
        // An older kel_sistema, made by an earlier tool, without versaoEXE.
        db.executar(QStringLiteral("DROP TABLE kel_sistema"));
        db.executar(QStringLiteral("CREATE TABLE kel_sistema (Numero smallint, VersaoCatalogo int, Logotipo image)"));
        db.executar(QStringLiteral("INSERT INTO kel_sistema (Numero, VersaoCatalogo) VALUES (200, 2)"));
        RecordingMessages msgs;
        const Catalogo::Resultado r = Catalogo(db, msgs, QStringLiteral("26.1.0")).verificarVersao(false);
        QVERIFY2(r.ok, qPrintable(msgs.all.join(QLatin1Char('|'))));
        QCOMPARE(r.versaoCatalogo, 3);
        QCOMPARE(db.escalar(QStringLiteral("SELECT versaoEXE FROM kel_sistema")).toString(),
                 QStringLiteral("002600010000"));
        QVERIFY(msgs.all.isEmpty());
    }

    void failedUpgradeStopsWithoutRecordingTheVersion() {
        TempDatabase t(TempDatabase::Empty);
        BaseDados& db = t.db();
        // Claims version 0 but already has the step A columns: the first ALTER fails.
        buildAtVersion(db, 1);
        db.executar(QStringLiteral("UPDATE kel_sistema SET VersaoCatalogo = 0"));
        RecordingMessages msgs;
        const Catalogo::Resultado r = Catalogo(db, msgs, QStringLiteral("26.1.0")).verificarVersao(false);
        QVERIFY(!r.ok);
        QCOMPARE(msgs.all.size(), 1);
        QCOMPARE(msgs.kinds.first(), 0);
        // Number, CR LF, description.
        QVERIFY2(msgs.last().contains(QStringLiteral("\r\n")), qPrintable(msgs.last()));
        QVERIFY(msgs.last().contains(QStringLiteral("duplicate column"), Qt::CaseInsensitive));
        QCOMPARE(db.escalar(QStringLiteral("SELECT VersaoCatalogo FROM kel_sistema")).toInt(), 0);
    }

    void scripts() {
        const QStringList ms = Catalogo::script(Backend::Mssql);
        const int nIndices = CatalogIndex::all().size();
        // The version is recorded after every step, then the repair, then the indexes.
        QCOMPARE(ms.at(ms.size() - 2 - nIndices),
                 QStringLiteral(" update kel_sistema set versaocatalogo=3 where Numero=200"));
        QCOMPARE(ms.at(ms.size() - 1 - nIndices),
                 QStringLiteral("alter table kel_sistema add versaoEXE nvarchar(12) Null"));
        QVERIFY(ms.contains(QStringLiteral("Update kel_PES_Parametros set ArmSaida=?, Novias=4")));
        for (const QString& s : ms) QVERIFY2(!s.contains(QLatin1Char('\n')), qPrintable(s));
        // The indexes come last, each guarded so that it is created only where missing.
        for (int i = ms.size() - nIndices; i < ms.size(); ++i) {
            QVERIFY2(
                ms[i].startsWith(QStringLiteral("IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'IX_kel_")),
                qPrintable(ms[i]));
            QVERIFY(ms[i].contains(QStringLiteral(") CREATE NONCLUSTERED INDEX [IX_kel_")));
        }
    }

    // What `db script` prints (with the notes' table beside the catalogue), run as printed on an
    // empty database, builds the whole catalogue. Left out: the repair, which only runs when an
    // older kel_sistema lacks its column, and the copy of row 1's warehouse, which takes a value.
    void scriptBuildsTheCatalogue_data() {
        QTest::addColumn<bool>("postgresql");
        QTest::newRow("sqlite") << false;
        QTest::newRow("postgresql") << true;
    }
    void scriptBuildsTheCatalogue() {
        QFETCH(bool, postgresql);
        if (postgresql && PgTeste::servidor().isEmpty())
            QSKIP(
                "no PostgreSQL server for this run (BALANTRIX_TEST_PG=host:port is unset); scripts/test.sh starts one");
        if (postgresql) qputenv("BALANTRIX_TEST_BACKEND", "postgresql");
        TempDatabase t(TempDatabase::Empty);
        qunsetenv("BALANTRIX_TEST_BACKEND");
        const Backend b = postgresql ? Backend::Postgresql : Backend::Sqlite;
        for (const QString& sql : Catalogo::script(b) + IntentNotes::statements(b).create) {
            if (sql.contains(QLatin1Char('?')) || sql == CatalogStatements::repairStatement(b)) continue;
            if (sql.startsWith(QStringLiteral(" update kel_sistema")))
                t.db().executar(QStringLiteral("INSERT INTO kel_sistema (Numero) VALUES (200)"));
            try {
                t.db().executar(sql);
            } catch (const DbError& e) {
                QFAIL(qPrintable(sql + QLatin1Char('\n') + e.texto()));
            }
        }
        const QString indice =
            postgresql ? QStringLiteral("SELECT COUNT(*) FROM pg_indexes WHERE lower(indexname) = lower(?)")
                       : QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name = ?");
        for (const CatalogIndex& ix : CatalogIndex::all(b))
            QVERIFY2(t.db().escalar(indice, {ix.nome}).toInt() == 1, qPrintable(ix.nome));
        checkFinalSchema(t.db());
    }
};

QTEST_GUILESS_MAIN(CatalogueTest)
#include "catalogue_test.moc"
