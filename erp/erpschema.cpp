#include "erp/erpschema.h"

#include "base/basedados.h"
#include "base/dialectopg.h"

QStringList ErpSchema::createStatements() {
    // Text columns compare without case, as the ERP's SQL Server collation does;
    // Inactivo is 0 for active rows and -1 for inactive ones.
    return {
        QStringLiteral("CREATE TABLE ERP_Local (Empresa nvarchar(15) COLLATE NOCASE NOT NULL, Utilizador nvarchar(30) "
                       "COLLATE NOCASE NOT NULL, Password nvarchar(60) NOT NULL, Criado datetime NULL)"),
        QStringLiteral(
            "CREATE TABLE EMPRESA (CODIGO nvarchar(15) COLLATE NOCASE NOT NULL PRIMARY KEY, NOME nvarchar(100) "
            "COLLATE NOCASE NULL, Morada nvarchar(100) COLLATE NOCASE NULL, Local nvarchar(50) COLLATE NOCASE "
            "NULL, CdPostal nvarchar(15) COLLATE NOCASE NULL, NContrib nvarchar(20) COLLATE NOCASE NULL, "
            "Telefone nvarchar(20) COLLATE NOCASE NULL, Email nvarchar(100) COLLATE NOCASE NULL)"),
        QStringLiteral(
            "CREATE TABLE Clientes (CODIGO nvarchar(15) COLLATE NOCASE NOT NULL PRIMARY KEY, NOME nvarchar(100) "
            "COLLATE NOCASE NULL, Morada nvarchar(100) COLLATE NOCASE NULL, Local nvarchar(50) COLLATE NOCASE "
            "NULL, CdPostal nvarchar(15) COLLATE NOCASE NULL, NContrib nvarchar(20) COLLATE NOCASE NULL, "
            "email_envio_documentos nvarchar(250) COLLATE NOCASE NULL, Inactivo smallint NOT NULL DEFAULT 0)"),
        QStringLiteral(
            "CREATE TABLE Fornec (CODIGO nvarchar(15) COLLATE NOCASE NOT NULL PRIMARY KEY, NOME nvarchar(100) "
            "COLLATE NOCASE NULL, Morada nvarchar(100) COLLATE NOCASE NULL, Local nvarchar(50) COLLATE NOCASE "
            "NULL, CdPostal nvarchar(15) COLLATE NOCASE NULL, NContrib nvarchar(20) COLLATE NOCASE NULL, Email "
            "nvarchar(250) COLLATE NOCASE NULL, Inactivo smallint NOT NULL DEFAULT 0)"),
        QStringLiteral(
            "CREATE TABLE Artigos (CODIGO nvarchar(15) COLLATE NOCASE NOT NULL PRIMARY KEY, NOME nvarchar(100) "
            "COLLATE NOCASE NULL, UnBase nvarchar(5) COLLATE NOCASE NULL, Artoudes smallint NOT NULL DEFAULT 0, "
            "Inactivo smallint NOT NULL DEFAULT 0)"),
        QStringLiteral(
            "CREATE TABLE MORADAS (TERCEIRO nvarchar(15) COLLATE NOCASE NOT NULL, TPTERC smallint NOT NULL, "
            "CDMORADA nvarchar(3) COLLATE NOCASE NOT NULL, Descr nvarchar(100) COLLATE NOCASE NULL, Local "
            "nvarchar(50) COLLATE NOCASE NULL, CdPostal nvarchar(15) COLLATE NOCASE NULL, TpMorada nvarchar(3) "
            "COLLATE NOCASE NULL, PRIMARY KEY (TERCEIRO, TPTERC, CDMORADA))"),
        QStringLiteral("CREATE TABLE CodPost (Cod nvarchar(15) COLLATE NOCASE NOT NULL PRIMARY KEY, Descr nvarchar(50) "
                       "COLLATE NOCASE NULL)"),
        QStringLiteral(
            "CREATE TABLE TpMorada (Codigo nvarchar(3) COLLATE NOCASE NOT NULL PRIMARY KEY, Descrica nvarchar(50) "
            "COLLATE NOCASE NULL)"),
        QStringLiteral("CREATE TABLE kel_RS_Motoristas (Codigo nvarchar(5) COLLATE NOCASE NOT NULL PRIMARY KEY, Nome "
                       "nvarchar(50) COLLATE NOCASE NULL, Inactivo smallint NOT NULL DEFAULT 0)"),
        QStringLiteral(
            "CREATE TABLE DocGCCab (Tpdoc nvarchar(3) COLLATE NOCASE NOT NULL, Serie smallint NOT NULL, NNumdoc int "
            "NOT "
            "NULL, Ano smallint NOT NULL, Data datetime NULL, AreaGestao smallint NULL, Sector nvarchar(6) COLLATE "
            "NOCASE "
            "NULL, TipoTerc smallint NULL, Terceiro nvarchar(15) COLLATE NOCASE NULL, NContrib nvarchar(20) COLLATE "
            "NOCASE "
            "NULL, DescCab money NULL, Processo nvarchar(20) COLLATE NOCASE NULL, VossoNo nvarchar(30) COLLATE NOCASE "
            "NULL, MeioTransp nvarchar(20) COLLATE NOCASE NULL, Matricul nvarchar(10) COLLATE NOCASE NULL, LocalCG "
            "nvarchar(50) COLLATE NOCASE NULL, LocalDSG nvarchar(50) COLLATE NOCASE NULL, DtCarga datetime NULL, Hora "
            "nvarchar(5) NULL, DataDes datetime NULL, HoraDes nvarchar(5) NULL, ONDEENTR nvarchar(3) COLLATE NOCASE "
            "NULL, "
            "SerieOrig smallint NULL, NumOrig int NULL, TipoPreco smallint NULL, NumVias smallint NOT NULL DEFAULT 0, "
            "Convertido smallint NOT NULL DEFAULT 0, TotalQtd money NULL, Estado nvarchar(1) COLLATE NOCASE NOT NULL "
            "DEFAULT 'R', PRIMARY KEY "
            "(Tpdoc, Serie, NNumdoc, Ano))"),
        QStringLiteral(
            "CREATE TABLE DocGCLin (Tpdoc nvarchar(3) COLLATE NOCASE NOT NULL, Serie smallint NOT NULL, NNumdoc "
            "int NOT NULL, Ano smallint NOT NULL, NLinha int NOT NULL, Artigo nvarchar(15) COLLATE NOCASE NULL, "
            "Descricao nvarchar(100) COLLATE NOCASE NULL, Quantidade money NULL, QuantidadeOrigem money NULL, "
            "Armazem nvarchar(6) COLLATE NOCASE NULL, PRIMARY KEY (Tpdoc, Serie, NNumdoc, Ano, NLinha))"),
        // The document types the ERP makes, each for one kind of document (1 goods
        // receipt, 3 delivery note): the parameters may only name these.
        QStringLiteral("CREATE TABLE ERP_TiposDoc (Tpdoc nvarchar(3) COLLATE NOCASE NOT NULL PRIMARY KEY, Descricao "
                       "nvarchar(50) COLLATE NOCASE NULL, TipoDocumento smallint NOT NULL)"),
        // The next number of a type, series and year (MAX(NNumdoc)): the primary key has
        // the year after the number, so without this the whole series is read.
        QStringLiteral("CREATE INDEX IX_DocGCCab_Numeracao ON DocGCCab (Tpdoc, Serie, Ano, NNumdoc)"),
    };
}

QStringList ErpSchema::createStatements(Backend b) {
    QStringList out = createStatements();
    if (b == Backend::Postgresql) {
        for (QString& sql : out) sql = DialectoPg::deSqlite(sql);
        out.prepend(DialectoPg::criarExtensao());
    }
    return out;
}

void ErpSchema::criar(BaseDados& db, const QString& empresa, const QString& utilizador, const QString& password) {
    Transaccao t(db, true);
    for (const QString& sql : createStatements(db.backend())) db.executar(sql);
    db.executar(QStringLiteral("INSERT INTO ERP_Local (Empresa, Utilizador, Password, Criado) VALUES (?, ?, ?, ?)"),
                {empresa, utilizador, password, QDateTime::currentDateTime()});
    garantirTiposDocumento(db);
    t.commit();
}

QList<ErpSchema::TipoDocumento> ErpSchema::tiposIniciais() {
    return {{QStringLiteral("GEM"), QStringLiteral("Guia de Entrada de Matérias-Primas"), 1},
            {QStringLiteral("GES"), QStringLiteral("Guia de Entrada de Matérias Subsidiárias"), 1},
            {QStringLiteral("GR"), QStringLiteral("Guia de Remessa"), 3},
            {QStringLiteral("GT"), QStringLiteral("Guia de Transporte"), 3}};
}

void ErpSchema::garantirTiposDocumento(BaseDados& db) {
    if (!db.tableExists(QStringLiteral("ERP_TiposDoc"))) {
        const QString sql = createStatements().filter(QStringLiteral("CREATE TABLE ERP_TiposDoc")).value(0);
        db.executar(db.backend() == Backend::Postgresql ? DialectoPg::deSqlite(sql) : sql);
    }
    // A list with no type would refuse every document: an ERP made before the list
    // existed (or a copy that brought none) gets the usual types and every type it
    // has already made documents of, so nothing it did before is refused now.
    if (db.escalar(QStringLiteral("SELECT COUNT(*) FROM ERP_TiposDoc")).toLongLong() > 0) return;
    const QString inserir =
        QStringLiteral("INSERT INTO ERP_TiposDoc (Tpdoc, Descricao, TipoDocumento) VALUES (?, ?, ?)");
    QStringList feitos;
    for (const TipoDocumento& t : tiposIniciais()) {
        db.executar(inserir, {t.codigo, t.descricao, t.tipoDocumento});
        feitos << t.codigo.toUpper();
    }
    const RecordSet usados =
        db.consultar(QStringLiteral("SELECT DISTINCT Tpdoc, TipoTerc FROM DocGCCab ORDER BY Tpdoc, TipoTerc"));
    for (int i = 0; i < usados.count(); ++i) {
        const QString codigo = usados.text(i, QStringLiteral("Tpdoc")).trimmed();
        if (codigo.isEmpty() || feitos.contains(codigo.toUpper())) continue;
        const int kind = usados.value(i, QStringLiteral("TipoTerc")).toInt() == 2 ? 3 : 1;
        db.executar(inserir, {codigo, QString(), kind});
        feitos << codigo.toUpper();
    }
}
