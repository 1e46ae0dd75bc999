#include "base/catalogstatements.h"

#include "base/dialectopg.h"

// sqlite has no stored procedures (the program provides them, see sqliteprocedures),
// adds one column per ALTER TABLE and cannot change a column's type in place; text
// columns compare without case, as the SQL Server collation does. Types keep their
// SQL Server names so the schema reads the same; sqlite gives money NUMERIC affinity.
namespace {

QList<CatalogStatement> sqliteBase() {
    return {
        {QStringLiteral("CREATE TABLE kel_PES_Carros (Codigo nvarchar(10) COLLATE NOCASE NOT NULL, Nome nvarchar(50) "
                        "COLLATE NOCASE NULL, CONSTRAINT PK_kel_PES_Carros PRIMARY KEY (Codigo ASC))")},
        {QStringLiteral(
            "CREATE TABLE kel_PES_Historico (Hist_Id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, Tipo nvarchar(1) "
            "COLLATE NOCASE NULL, TpDoc nvarchar(3) COLLATE NOCASE NULL, Serie smallint NULL, NoDoc int NULL, Ano "
            "smallint NULL, PesoBruto money NULL, PesoTara money NULL, PesoLiquido money NULL, PesoEfectivo money "
            "NULL, Justificacao nvarchar(2000) COLLATE NOCASE NULL, DataHoraPB datetime NULL, DataHoraPL datetime "
            "NULL, Terceiro nvarchar(15) COLLATE NOCASE NULL, Artigo nvarchar(15) COLLATE NOCASE NULL, CodMorada "
            "nvarchar(3) COLLATE NOCASE NULL, Motorista nvarchar(5) COLLATE NOCASE NULL, Carro nvarchar(10) COLLATE "
            "NOCASE NULL, TipoTerc smallint NULL, AnoTalao smallint NULL, NoTalao int NULL)")},
        {QStringLiteral("CREATE TABLE kel_PES_Historico_Comp (HistCmp_Id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, "
                        "Cab_Id int NULL, Vasilhame money NULL, Qualidade money NULL, Caracteristica smallint NULL)")},
        {QStringLiteral("CREATE TABLE kel_PES_Parametros (Numero smallint NOT NULL, TpGuiaEntMP nvarchar(3) COLLATE "
                        "NOCASE NULL, SeGuiaEntMP smallint NULL, TpGuiaEntMS nvarchar(3) COLLATE NOCASE NULL, "
                        "SeGuiaEntMS smallint NULL, ArmCentral nvarchar(6) COLLATE NOCASE NULL, TpSaida nvarchar(3) "
                        "COLLATE NOCASE NULL, SeSaida smallint NULL, Sector nvarchar(6) COLLATE NOCASE NULL)")},
        {QStringLiteral("CREATE TABLE kel_PES_Taloes (iTipo smallint NULL, Ano smallint NULL, TipoDoc nvarchar(3) "
                        "COLLATE NOCASE NULL, Contador int NULL, Cliente nvarchar(15) COLLATE NOCASE NULL)")},
        {QStringLiteral("CREATE TABLE kel_sistema (Numero smallint NULL, VersaoCatalogo int NULL, Logotipo image "
                        "NULL, versaoEXE nvarchar(12) NULL)")},
    };
}

QList<CatalogStatement> sqliteStepA() {
    return {
        {QStringLiteral("ALTER TABLE kel_PES_Historico ADD RefCliente nvarchar(20) COLLATE NOCASE NULL")},
        {QStringLiteral("ALTER TABLE kel_PES_Historico ADD RefEntrega nvarchar(20) COLLATE NOCASE NULL")},
        {QStringLiteral("ALTER TABLE kel_PES_Historico ADD Sigla nvarchar(5) COLLATE NOCASE NULL")},
        {QStringLiteral("ALTER TABLE kel_PES_Historico ADD Campanha nvarchar(10) COLLATE NOCASE NULL")},
        {QStringLiteral("ALTER TABLE kel_PES_Taloes ADD Sigla nvarchar(5) COLLATE NOCASE NULL")},
        {QStringLiteral("ALTER TABLE kel_PES_Taloes ADD CdMorada nvarchar(3) COLLATE NOCASE NULL")},
        // Ano becomes text (it holds the campaign "2025/2026"): rebuild the table.
        {QStringLiteral("CREATE TABLE kel_PES_Taloes_novo (iTipo smallint NULL, Ano nvarchar(10) COLLATE NOCASE NULL, "
                        "TipoDoc nvarchar(3) COLLATE NOCASE NULL, Contador int NULL, Cliente nvarchar(15) COLLATE "
                        "NOCASE NULL, Sigla nvarchar(5) COLLATE NOCASE NULL, CdMorada nvarchar(3) COLLATE NOCASE "
                        "NULL)")},
        {QStringLiteral("INSERT INTO kel_PES_Taloes_novo (iTipo, Ano, TipoDoc, Contador, Cliente, Sigla, CdMorada) "
                        "SELECT iTipo, CAST(Ano AS TEXT), TipoDoc, Contador, Cliente, Sigla, CdMorada FROM "
                        "kel_PES_Taloes")},
        {QStringLiteral("DROP TABLE kel_PES_Taloes")},
        {QStringLiteral("ALTER TABLE kel_PES_Taloes_novo RENAME TO kel_PES_Taloes")},
        {QStringLiteral("ALTER TABLE kel_PES_Parametros ADD ArmSaida nvarchar(6) COLLATE NOCASE NULL")},
        {QStringLiteral("ALTER TABLE kel_PES_Parametros ADD NoVias smallint NULL")},
        {QStringLiteral("Update kel_PES_Parametros set ArmSaida=?, Novias=4"), CatalogStatement::CopyWarehouse},
        {QStringLiteral("CREATE TABLE kel_PES_Vias (NoId int NOT NULL, NoVia smallint NULL)")},
    };
}

QList<CatalogStatement> sqliteStepB() {
    return {
        {QStringLiteral("ALTER TABLE kel_PES_Historico ADD TipoMorada nvarchar(3) COLLATE NOCASE NULL")},
        {QStringLiteral("ALTER TABLE kel_PES_Taloes ADD TipoMorada nvarchar(3) COLLATE NOCASE NULL")},
        {QStringLiteral("Update kel_PES_Historico set TipoMorada=''")},
        {QStringLiteral("Update kel_PES_Taloes set TipoMorada=''")},
    };
}

QList<CatalogStatement> commonStepC() {
    return {{QStringLiteral(" DELETE FROM kel_PES_Taloes  where iTipo = 2 ")}};
}

// PostgreSQL runs the sqlite texts in its own types (see DialectoPg), so both keep the
// same tables, columns and upgrade steps; its collation comes first.
QList<CatalogStatement> emPostgresql(QList<CatalogStatement> list) {
    for (CatalogStatement& st : list) st.sql = DialectoPg::deSqlite(st.sql);
    return list;
}

}  // namespace

CatalogStatements CatalogStatements::forBackend(Backend b) {
    if (b == Backend::Mssql) return {mssql::baseCatalogue(), mssql::stepA(), mssql::stepB(), commonStepC()};
    if (b == Backend::Postgresql) {
        QList<CatalogStatement> base{{DialectoPg::criarExtensao()}};
        base += emPostgresql(sqliteBase());
        return {base, emPostgresql(sqliteStepA()), emPostgresql(sqliteStepB()), commonStepC()};
    }
    return {sqliteBase(), sqliteStepA(), sqliteStepB(), commonStepC()};
}

QString CatalogStatements::repairStatement(Backend b) {
    if (b == Backend::Mssql) return QStringLiteral("alter table kel_sistema add versaoEXE nvarchar(12) Null");
    const QString sql = QStringLiteral("ALTER TABLE kel_sistema ADD versaoEXE nvarchar(12) NULL");
    return b == Backend::Postgresql ? DialectoPg::deSqlite(sql) : sql;
}

QList<CatalogIndex> CatalogIndex::all() {
    return {
        // Pending list: Tipo = ? AND DataHoraPL IS NULL ORDER BY DataHoraPB.
        {QStringLiteral("IX_kel_PES_Historico_Pendentes"),
         QStringLiteral("kel_PES_Historico"),
         QStringLiteral("Tipo, DataHoraPL, DataHoraPB"),
         {}},
        // History: Tipo = ? AND DataHoraPB in a date range, newest first.
        {QStringLiteral("IX_kel_PES_Historico_Data"),
         QStringLiteral("kel_PES_Historico"),
         QStringLiteral("Tipo, DataHoraPB"),
         {}},
        // Period reports: finished weighings by their exit date, holding every column the
        // report groups and sums, so a year is read from the index alone.
        {QStringLiteral("IX_kel_PES_Historico_Saida"),
         QStringLiteral("kel_PES_Historico"),
         QStringLiteral("DataHoraPL, Tipo, Terceiro, Artigo, Carro, PesoBruto, PesoTara, PesoLiquido, PesoEfectivo"),
         {}},
        // A weighing's complement rows (read with the record, deleted on cancellation).
        {QStringLiteral("IX_kel_PES_Historico_Comp_Cab"),
         QStringLiteral("kel_PES_Historico_Comp"),
         QStringLiteral("Cab_Id"),
         {}},
        // Ticket counters: by campaign, kind and document type, outgoing ones by customer too.
        {QStringLiteral("IX_kel_PES_Taloes_Chave"),
         QStringLiteral("kel_PES_Taloes"),
         QStringLiteral("Ano, iTipo, TipoDoc, Cliente"),
         {}},
        // A ticket's copy rows.
        {QStringLiteral("IX_kel_PES_Vias_NoId"), QStringLiteral("kel_PES_Vias"), QStringLiteral("NoId"), {}},
    };
}

QList<CatalogIndex> CatalogIndex::all(Backend b) {
    QList<CatalogIndex> out = all();
    if (b != Backend::Postgresql) return out;
    // A row lock cannot lock a counter that is not there yet: two workstations taking the
    // first ticket of a key would both add it. One counter row per key lets the second
    // one's insert fail, and the numbering tries again and finds the first one's row.
    out << CatalogIndex{QStringLiteral("UX_kel_PES_Taloes_Tipo1"), QStringLiteral("kel_PES_Taloes"),
                        QStringLiteral("Ano, TipoDoc"), QStringLiteral("iTipo = 1")};
    out << CatalogIndex{QStringLiteral("UX_kel_PES_Taloes_Tipo2"), QStringLiteral("kel_PES_Taloes"),
                        QStringLiteral("Ano, TipoDoc, Cliente, CdMorada, TipoMorada"), QStringLiteral("iTipo = 2")};
    return out;
}

QString CatalogIndex::statement(Backend b) const {
    if (b == Backend::Mssql)
        return QStringLiteral(
                   "IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'%1' AND object_id = "
                   "OBJECT_ID(N'dbo.%2')) CREATE NONCLUSTERED INDEX [%1] ON [dbo].[%2] (%3)")
            .arg(nome, tabela, colunas);
    if (b == Backend::Postgresql && !unicaOnde.isEmpty())
        return QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS %1 ON %2 (%3) NULLS NOT DISTINCT WHERE %4")
            .arg(nome, tabela, colunas, unicaOnde);
    return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)").arg(nome, tabela, colunas);
}

QString CatalogIndex::existsQuery(Backend b) const {
    if (b == Backend::Mssql)
        return QStringLiteral("SELECT name FROM sys.indexes WHERE name = N'%1' AND object_id = OBJECT_ID(N'dbo.%2')")
            .arg(nome, tabela);
    if (b == Backend::Postgresql)
        return QStringLiteral("SELECT indexname AS name FROM pg_indexes WHERE indexname = '%1'").arg(nome.toLower());
    return QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND name = '%1'").arg(nome);
}
