// Which template queries are accepted: one read-only SELECT, judged on the words outside
// strings, comments and [bracketed] names, as T-SQL would split the statements.
#include <QtTest>

#include "output/modelotalao.h"

class ConsultaTest : public QObject {
    Q_OBJECT

    static QString modelo(const QString& sql) {
        return ModeloTalao::cabecalho() + QStringLiteral("\n[consulta]\n") + sql +
               QStringLiteral("\n[corpo]\n<p>{{NoVia}}</p>\n");
    }

  private slots:
    void refusedBeforeRunning_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("why");
        const QString many = QStringLiteral("mais do que uma instrução");
        const QString read = QStringLiteral("só pode ler dados");
        QTest::newRow("delete without semicolon")
            << QStringLiteral("SELECT * FROM kel_PES_Vias v WHERE v.NoId = :registo DELETE FROM kel_PES_Carros")
            << read;
        QTest::newRow("update on a new line") << QStringLiteral(
                                                     "SELECT NoVia FROM kel_PES_Vias WHERE NoId = "
                                                     ":registo\nUPDATE kel_PES_Taloes SET Contador = 0")
                                              << read;
        QTest::newRow("second select")
            << QStringLiteral("SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo SELECT * FROM kel_PES_Parametros")
            << many;
        QTest::newRow("second select after parenthesis")
            << QStringLiteral("SELECT (SELECT 1) AS a, NoVia FROM kel_PES_Vias WHERE NoId = :registo SELECT 2") << many;
        QTest::newRow("semicolon") << QStringLiteral("SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo; SELECT 1")
                                   << many;
        QTest::newRow("exec")
            << QStringLiteral("SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo EXEC sp_kel_Gravar_PES_Historico 0")
            << read;
        QTest::newRow("execute lower case")
            << QStringLiteral("select NoVia from kel_PES_Vias where NoId = :registo execute('drop table x')") << read;
        QTest::newRow("procedure name")
            << QStringLiteral("SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo AND xp_cmdshell = 1") << read;
        QTest::newRow("into") << QStringLiteral("SELECT NoVia INTO Copia FROM kel_PES_Vias WHERE NoId = :registo")
                              << QStringLiteral("SELECT ... INTO");
        QTest::newRow("drop in a sub-query")
            << QStringLiteral("SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo AND NoVia IN (DROP TABLE x)")
            << read;
        QTest::newRow("transaction") << QStringLiteral(
                                            "SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo COMMIT TRANSACTION")
                                     << read;
        QTest::newRow("begin tran") << QStringLiteral("SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo BEGIN TRAN")
                                    << read;
        QTest::newRow("declare") << QStringLiteral(
                                        "SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo DECLARE @x int")
                                 << QStringLiteral("\"@\"");
        QTest::newRow("truncate")
            << QStringLiteral("SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo TRUNCATE TABLE kel_PES_Vias")
            << read;
        QTest::newRow("merge")
            << QStringLiteral("SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo MERGE kel_PES_Vias USING x ON 1=1")
            << read;
        QTest::newRow("waitfor") << QStringLiteral(
                                        "SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo WAITFOR DELAY '01:00'")
                                 << read;
        QTest::newRow("while loop") << QStringLiteral(
                                           "SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo WHILE 1=1 PRINT 'x'")
                                    << read;
        QTest::newRow("sqlite replace into") << QStringLiteral(
                                                    "SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo "
                                                    "REPLACE INTO kel_PES_Vias VALUES (1, 1)")
                                             << read;
        QTest::newRow("pragma") << QStringLiteral(
                                       "SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo PRAGMA query_only = 0")
                                << read;
        QTest::newRow("with before select")
            << QStringLiteral("WITH v AS (SELECT * FROM kel_PES_Vias) SELECT NoVia FROM v WHERE NoId = :registo")
            << QStringLiteral("único SELECT");
        QTest::newRow("not a select") << QStringLiteral("DELETE FROM kel_PES_Vias WHERE NoId = :registo")
                                      << QStringLiteral("único SELECT");
        QTest::newRow("comment hides nothing")
            << QStringLiteral("SELECT NoVia FROM kel_PES_Vias /* x */ WHERE NoId = :registo --y\nDELETE kel_PES_Vias")
            << read;
        QTest::newRow("after a string") << QStringLiteral(
                                               "SELECT 'x' AS a, NoVia FROM kel_PES_Vias WHERE NoId = "
                                               ":registo AND 'a' = 'a' UPDATE kel_PES_Vias SET NoVia = 1")
                                        << read;
        QTest::newRow("unbalanced") << QStringLiteral("SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo) SELECT (1")
                                    << QStringLiteral("parênteses");
    }

    void refusedBeforeRunning() {
        QFETCH(QString, sql);
        QFETCH(QString, why);
        ModeloTalao m;
        QVERIFY2(!m.carregarTexto(modelo(sql), QStringLiteral("/x/mapas/modelo.rpt")), qPrintable(sql));
        QVERIFY2(m.erro().startsWith(QStringLiteral("O modelo de talão /x/mapas/modelo.rpt não pode ser usado: ")),
                 qPrintable(m.erro()));
        QVERIFY2(m.erro().contains(why), qPrintable(m.erro()));
    }

    void accepted_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("mssql");
        QTest::newRow("plain") << QStringLiteral("SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo") << false;
        QTest::newRow("trailing semicolons")
            << QStringLiteral("SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo ;;") << false;
        QTest::newRow("sub-queries")
            << QStringLiteral(
                   "SELECT NoVia, (SELECT MAX(NoVia) FROM kel_PES_Vias w WHERE w.NoId = v.NoId) AS n FROM "
                   "kel_PES_Vias v "
                   "WHERE v.NoId IN (SELECT Hist_Id FROM kel_PES_Historico WHERE Hist_Id = :registo)")
            << false;
        QTest::newRow("union")
            << QStringLiteral(
                   "SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo UNION ALL SELECT 0 UNION SELECT -1 "
                   "EXCEPT SELECT 5 INTERSECT SELECT NoVia FROM kel_PES_Vias")
            << false;
        QTest::newRow("union of parenthesised")
            << QStringLiteral("SELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo UNION (SELECT 2)") << false;
        QTest::newRow("words inside strings")
            << QStringLiteral(
                   "SELECT 'DELETE FROM x; SELECT 1' AS t, N'EXEC' AS u, NoVia FROM kel_PES_Vias WHERE NoId = "
                   ":registo")
            << false;
        QTest::newRow("words inside brackets")
            << QStringLiteral(
                   "SELECT NoVia AS [Update], NoVia AS \"Delete\", [Set].NoVia FROM kel_PES_Vias [Set] WHERE NoId = "
                   ":registo")
            << false;
        QTest::newRow("words inside comments")
            << QStringLiteral(
                   "SELECT NoVia -- DELETE kel_PES_Vias\nFROM kel_PES_Vias /* DROP TABLE; SELECT */ WHERE NoId = "
                   ":registo")
            << false;
        QTest::newRow("replace function")
            << QStringLiteral(
                   "SELECT REPLACE(Carro, '-', '') AS c, NoVia FROM kel_PES_Vias, kel_PES_Historico WHERE NoId = "
                   ":registo")
            << false;
        QTest::newRow("case and functions")
            << QStringLiteral(
                   "SELECT CASE WHEN NoVia = 1 THEN 'Original' ELSE 'Cópia' END AS t, IIF(NoVia > 1, 1, 0) AS c, "
                   "CAST('2026-01-01 00:00:00' AS DATETIME) AS d FROM kel_PES_Vias WHERE NoId = :registo "
                   "ORDER BY NoVia")
            << false;
        QTest::newRow("names that contain keywords")
            << QStringLiteral(
                   "SELECT NoVia AS Updated, NoVia AS Deleted, NoVia AS settings, NoVia AS Intos FROM kel_PES_Vias "
                   "WHERE NoId = :registo")
            << false;
        // T-SQL's own quoting: N'' strings, ]] inside [names], nested comments, its functions.
        QTest::newRow("t-sql quoting")
            << QStringLiteral(
                   "SELECT N'it''s' AS t, v.NoVia AS [a]]b], CONVERT(DATETIME, '2026-01-01 00:00:00', 120) AS d, "
                   "ISNULL(v.NoVia, 0) AS n /* a /* nested */ comment */ FROM kel_PES_Vias v WITH (NOLOCK) "
                   "WHERE v.NoId = :registo")
            << true;
        QTest::newRow("sqlite quoting") << QStringLiteral(
                                               "SELECT `No``Via` AS \"x\"\"y\", [Set].NoVia, X'00ff' AS b, 1.5e-3 AS "
                                               "f, 0x1F AS h FROM kel_PES_Vias [Set] "
                                               "WHERE NoId = :registo")
                                        << false;
    }

    void accepted() {
        QFETCH(QString, sql);
        QFETCH(bool, mssql);
        ModeloTalao m;
        QVERIFY2(m.carregarTexto(modelo(sql), QStringLiteral("/x/mapas/modelo.rpt"), ModeloTalao::valoresTalao(),
                                 mssql ? Backend::Mssql : Backend::Sqlite),
                 qPrintable(m.erro()));
    }

    // The database gets the text as it was judged: comments gone (a server that ends them
    // elsewhere finds nothing left to read), each :registo a placeholder, strings intact.
    void sentAsJudged() {
        ModeloTalao m;
        QVERIFY(
            m.carregarTexto(modelo(QStringLiteral("SELECT N'/* x */' AS t, NoVia /* a /* b */ ' */ FROM kel_PES_Vias "
                                                  "-- c\nWHERE NoId = :registo OR NoId = :REGISTO;")),
                            QStringLiteral("m.rpt"), ModeloTalao::valoresTalao(), Backend::Mssql));
        QCOMPARE(m.consulta(),
                 QStringLiteral("SELECT N'/* x */' AS t, NoVia   FROM kel_PES_Vias  \nWHERE NoId = ? OR NoId = ?"));
        QCOMPARE(m.parametros(), 2);
    }

    void shippedTemplatesPass() {
        const QString mapas = qEnvironmentVariable("BALANTRIX_SOURCE") + QStringLiteral("/mapas");
        const QStringList nomes = QDir(mapas).entryList({QStringLiteral("*.rpt")}, QDir::Files);
        QCOMPARE(nomes.size(), 5);  // two tickets, two statements, the first-weighing slip
        for (const QString& nome : nomes) {
            ModeloTalao m;
            const QStringList valores =
                nome.endsWith(QStringLiteral("s.rpt")) ? ModeloTalao::valoresExtracto() : ModeloTalao::valoresTalao();
            for (Backend d : {Backend::Sqlite, Backend::Mssql, Backend::Postgresql})
                QVERIFY2(m.carregar(mapas + QLatin1Char('/') + nome, valores, d), qPrintable(m.erro()));
        }
    }
};

QTEST_GUILESS_MAIN(ConsultaTest)
#include "consulta_test.moc"
