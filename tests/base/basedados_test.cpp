// The database layer over a real SQLite file: values, errors, transactions, the
// program's procedures, and several workstations on one file.
#include <QtTest>

#include "base/catalogstatements.h"
#include "tests/support/testsupport.h"

class BaseDadosTest : public QObject {
    Q_OBJECT

  private slots:
    void missingFileIsNotCreated() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("nao-existe.db"));
        BaseDados db(QStringLiteral("missing"));
        QVERIFY(!db.abrir(SqlSettings{QStringLiteral("sqlite"), {}, path, {}, {}}));
        QVERIFY(!db.ultimoErro().isEmpty());
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(!db.isOpen());
        QVERIFY_THROWS_EXCEPTION(DbError, db.consultar(QStringLiteral("SELECT 1")));
    }

    void valuesRoundTrip() {
        TempDatabase t(TempDatabase::Catalogue);
        BaseDados& db = t.db();
        const QString nome = QStringLiteral("Quinta d'Ouro -- '; DROP TABLE kel_PES_Carros; --");
        db.executar(QStringLiteral("INSERT INTO kel_PES_Carros (Codigo, Nome) VALUES (?, ?)"),
                    {QStringLiteral("AA-00-'1"), nome});
        // Codes compare without case, as on SQL Server.
        RecordSet rs =
            db.consultar(QStringLiteral("SELECT * FROM kel_PES_Carros WHERE Codigo = ?"), {QStringLiteral("aa-00-'1")});
        QCOMPARE(rs.count(), 1);
        QCOMPARE(rs.text(QStringLiteral("NOME")), nome);  // column names without case too
        QVERIFY(rs.isNull(QStringLiteral("Nome")) == false);

        // Date-times sort and compare as text; money sums exactly in kilograms.
        const QDateTime pb(QDate(2026, 9, 30), QTime(23, 59, 59));
        db.executar(QStringLiteral("INSERT INTO kel_PES_Historico (Tipo, DataHoraPB, PesoBruto) VALUES ('S', ?, ?)"),
                    {pb, QStringLiteral("12500.5")});
        db.executar(QStringLiteral("INSERT INTO kel_PES_Historico (Tipo, DataHoraPB, PesoBruto) VALUES ('S', ?, ?)"),
                    {pb.addSecs(1), 1.25});
        QCOMPARE(db.escalar(QStringLiteral("SELECT DataHoraPB FROM kel_PES_Historico ORDER BY Hist_Id")).toString(),
                 QStringLiteral("2026-09-30 23:59:59"));
        QCOMPARE(db.escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE DataHoraPB >= ?"),
                            {QDateTime(QDate(2026, 10, 1), QTime(0, 0))})
                     .toInt(),
                 1);
        QCOMPARE(db.escalar(QStringLiteral("SELECT SUM(PesoBruto) FROM kel_PES_Historico")).toDouble(), 12501.75);
        rs = db.consultar(QStringLiteral("SELECT DataHoraPB FROM kel_PES_Historico ORDER BY Hist_Id"));
        QCOMPARE(rs.dateTime(QStringLiteral("DataHoraPB")), pb);
        QVERIFY_THROWS_EXCEPTION(DbError, rs.value(QStringLiteral("NaoExiste")));
    }

    void errorsCarryNumberAndDescription() {
        TempDatabase t(TempDatabase::Catalogue);
        try {
            t.db().executar(QStringLiteral("SELECT NaoExiste FROM kel_PES_Carros"));
            QFAIL("no error");
        } catch (const DbError& e) {
            QCOMPARE(e.numero(), 1);
            QVERIFY(e.descricao().contains(QStringLiteral("NaoExiste")));
            QVERIFY(e.isCommandError());
        }
        try {
            t.db().executar(QStringLiteral("INSERT INTO kel_PES_Carros (Codigo) VALUES (NULL)"));
            QFAIL("no error");
        } catch (const DbError& e) {
            QVERIFY(!e.isCommandError());
            QVERIFY(e.numero() > 1);
        }
    }

    void transactionScope() {
        TempDatabase t(TempDatabase::Catalogue);
        BaseDados& db = t.db();
        try {
            Transaccao tr(db);
            db.executar(QStringLiteral("INSERT INTO kel_PES_Carros (Codigo) VALUES ('X1')"));
            throw DbError(99, QStringLiteral("falhou a meio"));
        } catch (const DbError&) {
        }
        QVERIFY(!db.inTransaction());
        QCOMPARE(db.escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Carros")).toInt(), 0);
        {
            Transaccao outer(db, true);
            db.executar(QStringLiteral("INSERT INTO kel_PES_Carros (Codigo) VALUES ('X1')"));
            {
                Transaccao inner(db);  // joins the open one
                db.executar(QStringLiteral("INSERT INTO kel_PES_Carros (Codigo) VALUES ('X2')"));
                inner.commit();
            }
            QVERIFY(db.inTransaction());
            outer.commit();
        }
        QCOMPARE(db.escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Carros")).toInt(), 2);
    }

    // A COMMIT that fails (here a deferred foreign key, as a full disk or a lock would)
    // rolls the transaction back and leaves the connection usable: later transactions are
    // their own, their writes stay, and other workstations can write.
    void failedCommitRollsBackAndLeavesTheConnectionUsable() {
        TempDatabase t(TempDatabase::Catalogue);
        BaseDados& db = t.db();
        db.executar(QStringLiteral("CREATE TABLE Pai (Id INTEGER PRIMARY KEY)"));
        db.executar(
            QStringLiteral("CREATE TABLE Filho (PaiId INTEGER REFERENCES Pai (Id) DEFERRABLE INITIALLY DEFERRED)"));
        db.executar(QStringLiteral("PRAGMA foreign_keys = ON"));
        {
            Transaccao tr(db, true);
            db.executar(QStringLiteral("INSERT INTO kel_PES_Carros (Codigo) VALUES ('PERDIDO')"));
            db.executar(QStringLiteral("INSERT INTO Filho (PaiId) VALUES (42)"));
            QVERIFY_THROWS_EXCEPTION(DbError, tr.commit());
            QVERIFY(!db.inTransaction());
        }
        QVERIFY(!db.inTransaction());
        QCOMPARE(db.escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Carros")).toInt(), 0);
        {
            Transaccao tr(db, true);
            db.executar(QStringLiteral("INSERT INTO kel_PES_Carros (Codigo) VALUES ('GUARDADO')"));
            tr.commit();
        }
        auto other = t.second();
        QCOMPARE(other->escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Carros")).toInt(), 1);
        other->executar(QStringLiteral("INSERT INTO kel_PES_Carros (Codigo) VALUES ('OUTRO')"));

        // The same through BaseDados directly.
        db.beginTransaction(true);
        db.executar(QStringLiteral("INSERT INTO Filho (PaiId) VALUES (43)"));
        QVERIFY_THROWS_EXCEPTION(DbError, db.commit());
        QVERIFY(!db.inTransaction());
        db.beginTransaction(true);
        db.executar(QStringLiteral("INSERT INTO kel_PES_Carros (Codigo) VALUES ('DEPOIS')"));
        db.commit();
        QCOMPARE(other->escalar(QStringLiteral("SELECT COUNT(*) FROM Filho")).toInt(), 0);
        QCOMPARE(other->escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Carros")).toInt(), 3);
    }

    void secondWorkstationWaitsForTheWriter() {
        TempDatabase t(TempDatabase::Catalogue);
        auto other = t.second();
        {
            Transaccao tr(t.db(), true);
            t.db().executar(QStringLiteral("INSERT INTO kel_PES_Carros (Codigo) VALUES ('W1')"));
            // Readers are not blocked and do not see the uncommitted row.
            QCOMPARE(other->escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Carros")).toInt(), 0);
            tr.commit();
        }
        other->executar(QStringLiteral("INSERT INTO kel_PES_Carros (Codigo) VALUES ('W2')"));
        QCOMPARE(t.db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Carros")).toInt(), 2);
    }

    void weighingProcedureInsertsThenUpdates() {
        TempDatabase t(TempDatabase::Catalogue);
        BaseDados& db = t.db();
        auto params = [](qint64 id, const QString& just) {
            return QList<ProcParam>{
                {QStringLiteral("Hist_Id"), id, ProcParam::Int},
                {QStringLiteral("Tipo"), QStringLiteral("S"), ProcParam::Text, 1},
                {QStringLiteral("PesoBruto"), QStringLiteral("32500"), ProcParam::Money},
                {QStringLiteral("Justificacao"), just, ProcParam::Text, 2000},
                {QStringLiteral("DataHoraPB"), QDateTime(QDate(2026, 12, 6), QTime(8, 30)), ProcParam::DateTime},
                {QStringLiteral("Terceiro"), QStringLiteral("C'001"), ProcParam::Text, 15},
                {QStringLiteral("CodMorada"), QStringLiteral("ABCDEF"), ProcParam::Text, 3},
                {QStringLiteral("TipoTerc"), QStringLiteral("2"), ProcParam::SmallInt},
                {QStringLiteral("NoTalao"), 7, ProcParam::Int},
            };
        };
        const qint64 id =
            db.procedimento(QStringLiteral("sp_kel_Gravar_PES_Historico"), params(0, QStringLiteral("x"))).returnValue;
        QVERIFY(id > 0);
        QCOMPARE(db.procedimento(QStringLiteral("sp_kel_Gravar_PES_Historico"), params(id, QString())).returnValue, id);
        RecordSet rs = db.consultar(QStringLiteral("SELECT * FROM kel_PES_Historico"));
        QCOMPARE(rs.count(), 1);
        QCOMPARE(rs.text(QStringLiteral("Justificacao")), QString());
        QCOMPARE(rs.text(QStringLiteral("Terceiro")), QStringLiteral("C'001"));
        QCOMPARE(rs.text(QStringLiteral("CodMorada")), QStringLiteral("ABC"));  // cut to the parameter size
        QCOMPARE(rs.value(QStringLiteral("PesoBruto")).toDouble(), 32500.0);
        QCOMPARE(rs.value(QStringLiteral("TipoTerc")).toInt(), 2);
        QCOMPARE(rs.text(QStringLiteral("DataHoraPB")), QStringLiteral("2026-12-06 08:30:00"));
        QVERIFY_THROWS_EXCEPTION(DbError, db.procedimento(QStringLiteral("sp_nao_existe"), {}));
        QVERIFY_THROWS_EXCEPTION(
            RegraRecusada, db.procedimento(QStringLiteral("sp_kel_Gravar_PES_Historico"),
                                           {{QStringLiteral("Hist_Id"), 0, ProcParam::Int},
                                            {QStringLiteral("Serie"), QStringLiteral("abc"), ProcParam::SmallInt}}));
    }

    void parametersProcedureUpserts() {
        TempDatabase t(TempDatabase::Catalogue);
        BaseDados& db = t.db();
        auto save = [&](const QString& arm) {
            db.procedimento(QStringLiteral("sp_kel_Gravar_PES_Param_Aplic"),
                            {{QStringLiteral("Numero"), QStringLiteral("1"), ProcParam::SmallInt},
                             {QStringLiteral("ArmCentral"), arm, ProcParam::Text, 6},
                             {QStringLiteral("Sector"), QStringLiteral("ABCDEF"), ProcParam::Text, 3},
                             {QStringLiteral("NoVias"), QStringLiteral("2"), ProcParam::SmallInt}});
        };
        save(QStringLiteral("A'1"));
        save(QStringLiteral("B2"));
        const ProcResult r = db.procedimento(QStringLiteral("sp_kel_Ler_PES_Param_Aplic"),
                                             {{QStringLiteral("Numero"), QStringLiteral("1"), ProcParam::SmallInt}});
        QCOMPARE(r.rows.count(), 1);
        QCOMPARE(r.rows.text(QStringLiteral("ArmCentral")), QStringLiteral("B2"));
        QCOMPARE(r.rows.text(QStringLiteral("Sector")), QStringLiteral("ABC"));
        QCOMPARE(r.rows.value(QStringLiteral("NoVias")).toInt(), 2);
    }

    // What SQL Server receives for a procedure: one batch that runs it into a variable and
    // selects that variable, so the RETURN value (the new record number) arrives as a row
    // and not after a row count the driver never reads; row counts back on before it ends.
    void mssqlProcedureCalls() {
        for (int n : {0, 1, 11, 26}) {
            const QString sql = BaseDados::chamadaMssql(QStringLiteral("sp_kel_Gravar_PES_Historico"), n);
            QVERIFY2(sql.startsWith(QStringLiteral("SET NOCOUNT ON; DECLARE @Retorno int; EXEC @Retorno = "
                                                   "[dbo].[sp_kel_Gravar_PES_Historico]")) &&
                         sql.endsWith(QStringLiteral("; SET NOCOUNT OFF; SELECT @Retorno AS Retorno")),
                     qPrintable(sql));
            QCOMPARE(sql.count(QLatin1Char('?')), n);
        }
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 BaseDados::chamadaMssql(QStringLiteral("sp_x]; DROP TABLE t; --"), 0));

        // The calls pass every parameter the catalogue's procedures declare, in order.
        const CatalogStatements sql = CatalogStatements::forBackend(Backend::Mssql);
        auto declared = [&](const QString& procedure) {
            QString last;
            for (const auto* list : {&sql.baseCatalogue, &sql.stepA, &sql.stepB, &sql.stepC})
                for (const CatalogStatement& st : *list)
                    if (st.sql.contains(QStringLiteral("PROCEDURE [dbo].[%1]").arg(procedure), Qt::CaseInsensitive))
                        last = st.sql;
            const QString head = last.left(last.indexOf(QStringLiteral(") AS "), 0, Qt::CaseInsensitive));
            return int(head.count(QLatin1Char('@')));
        };
        QCOMPARE(declared(QStringLiteral("sp_kel_Gravar_PES_Historico")), 26);
        QCOMPARE(declared(QStringLiteral("sp_kel_Gravar_PES_Param_Aplic")), 11);
        QCOMPARE(declared(QStringLiteral("sp_kel_Ler_PES_Param_Aplic")), 1);
    }

    void odbcConnectionStringKeepsValuesApart() {
        const QString cs = BaseDados::odbcConnectionString(
            SqlSettings{QStringLiteral("mssql"), QStringLiteral("srv,1433"), QStringLiteral("EMP"),
                        QStringLiteral("sa"), QStringLiteral("p;w}d=1")});
        QVERIFY(
            cs.startsWith(QStringLiteral("DRIVER={FreeTDS};SERVER=srv,1433;DATABASE={EMP};UID={sa};PWD={p;w}}d=1}")));
    }

    void unreachableSqlServerFailsWithTheDriverText() {
        BaseDados db(QStringLiteral("odbc"));
        QElapsedTimer timer;
        timer.start();
        const bool ok = db.abrir(SqlSettings{QStringLiteral("mssql"), QStringLiteral("127.0.0.1,1"),
                                             QStringLiteral("X"), QStringLiteral("sa"), QString()},
                                 BaseDados::OpenMode::MustExist, 3);
        QVERIFY(!ok);
        QVERIFY2(!db.ultimoErro().isEmpty(), "no error text");
        QVERIFY(!db.isOpen());
    }
};

QTEST_GUILESS_MAIN(BaseDadosTest)
#include "basedados_test.moc"
