// Template queries. The hostile ones (tests/output/modelos-hostis/consultas.txt): each is
// refused by the text check or stopped by the template connection with its message, and
// the program goes on: the same renderer still makes the shipped ticket afterwards, and
// balantrix-cli neither crashes nor hangs. The text a query is sent as, and the shipped
// templates on every engine.
#include <QtTest>

#include "output/consultaleitura.h"
#include "output/erromodelo.h"
#include "output/modelotalao.h"
#include "output/registarvias.h"
#include "output/renderizadortalao.h"
#include "tests/output/ticketfixtures.h"
#include "tests/support/clirun.h"
#include "tests/support/testsupport.h"

namespace {

struct Caso {
    QString nome, etapa, esperado, sql;
    Backend dialecto = Backend::Sqlite;
    int vias = 1;
};

QList<Caso> corpus() {
    const QString texto = QString::fromUtf8(lerFicheiro(qEnvironmentVariable("BALANTRIX_SOURCE") +
                                                        QStringLiteral("/tests/output/modelos-hostis/consultas.txt")));
    QList<Caso> out;
    for (const QString& linha : texto.split(QLatin1Char('\n'))) {
        if (linha.startsWith(QStringLiteral("== "))) {
            const QStringList c = linha.mid(3).split(QLatin1Char('|'));
            Caso k{c.value(0).trimmed(), c.value(2).trimmed(), c.value(3).trimmed(), {}};
            const QString d = c.value(1).trimmed();
            k.dialecto = d == QStringLiteral("mssql")        ? Backend::Mssql
                         : d == QStringLiteral("postgresql") ? Backend::Postgresql
                                                             : Backend::Sqlite;
            const QString opcao = c.value(4).trimmed();
            if (opcao.startsWith(QStringLiteral("vias="))) k.vias = opcao.mid(5).toInt();
            if (opcao.startsWith(QStringLiteral("repetir="))) k.vias = -opcao.mid(8).toInt();
            out << k;
        } else if (!out.isEmpty() && !linha.startsWith(QLatin1Char('#'))) {
            out.last().sql += linha + QLatin1Char('\n');
        }
    }
    for (Caso& k : out) {
        k.sql = k.sql.trimmed();
        if (k.vias < 0) {  // repetir=N: the last line N times
            const QString ultima = k.sql.section(QLatin1Char('\n'), -1);
            k.sql += QString(QLatin1Char('\n') + ultima).repeated(-k.vias - 1);
            k.vias = 1;
        }
    }
    return out;
}

QString modelo(const QString& sql) {
    return ModeloTalao::cabecalho() + QStringLiteral("\n[consulta]\n") + sql +
           QStringLiteral("\n[corpo]\n<p>Via {{NoVia}}</p>\n");
}

QString caminhoMapas(const QString& nome) {
    return qEnvironmentVariable("BALANTRIX_SOURCE") + QStringLiteral("/mapas/") + nome;
}

}  // namespace

Q_DECLARE_METATYPE(Backend)

class ModelosHostisTest : public QObject {
    Q_OBJECT

    static void tabela(const QString& etapa) {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<Backend>("dialecto");
        QTest::addColumn<QString>("esperado");
        QTest::addColumn<int>("vias");
        for (const Caso& k : corpus())
            if (etapa.isEmpty() || k.etapa == etapa)
                QTest::newRow(qPrintable(k.nome)) << k.sql << k.dialecto << k.esperado << k.vias;
    }

  private slots:
    void corpusIsRead() {
        const QList<Caso> c = corpus();
        QVERIFY(c.size() >= 40);
        for (const Caso& k : c) {
            const bool aceite = k.etapa == QStringLiteral("ok");
            QVERIFY2(aceite || k.etapa == QStringLiteral("check") || k.etapa == QStringLiteral("run"),
                     qPrintable(k.nome));
            QVERIFY2(!k.sql.isEmpty() && aceite == k.esperado.isEmpty(), qPrintable(k.nome));
        }
    }

    // The database gets the text as it was judged: comments gone (a server that ends them
    // elsewhere finds nothing left to read), each :registo a placeholder, strings intact (a :registo
    // inside one is text, not a parameter).
    void sentAsJudged() {
        ModeloTalao m;
        QVERIFY(m.carregarTexto(
            modelo(QStringLiteral("SELECT N'/* x :registo */' AS t, NoVia /* a /* b */ ' */ FROM kel_PES_Vias "
                                  "-- c\nWHERE NoId = :registo OR NoId = :REGISTO;")),
            QStringLiteral("m.rpt"), ModeloTalao::valoresTalao(), Backend::Mssql));
        QCOMPARE(
            m.consulta(),
            QStringLiteral("SELECT N'/* x :registo */' AS t, NoVia   FROM kel_PES_Vias  \nWHERE NoId = ? OR NoId = ?"));
        QCOMPARE(m.parametros(), 2);
    }

    // Two tickets, two statements, the first-weighing slip; the tickets with their one
    // record number and the formats of their weights and dates.
    void shippedTemplatesPass() {
        const QStringList nomes = QDir(caminhoMapas({})).entryList({QStringLiteral("*.rpt")}, QDir::Files);
        QCOMPARE(nomes.size(), 5);
        for (const QString& nome : nomes) {
            ModeloTalao m;
            const QStringList valores =
                nome.endsWith(QStringLiteral("s.rpt")) ? ModeloTalao::valoresExtracto() : ModeloTalao::valoresTalao();
            for (Backend d : {Backend::Sqlite, Backend::Mssql, Backend::Postgresql})
                QVERIFY2(m.carregar(caminhoMapas(nome), valores, d), qPrintable(m.erro()));
            if (!nome.startsWith(QStringLiteral("kel_PES_Talao_")) || nome.endsWith(QStringLiteral("s.rpt"))) continue;
            QCOMPARE(m.parametros(), 1);
            QCOMPARE(m.formato(QStringLiteral("pesobruto")), ModeloTalao::Formato::Peso);
            QCOMPARE(m.formato(QStringLiteral("DataHoraPL")), ModeloTalao::Formato::DataHora);
        }
    }

    void acceptedByTheCheck_data() { tabela(QStringLiteral("ok")); }
    void acceptedByTheCheck() {
        QFETCH(QString, sql);
        QFETCH(Backend, dialecto);
        ModeloTalao m;
        QVERIFY2(m.carregarTexto(modelo(sql), QStringLiteral("/x/mapas/m.rpt"), ModeloTalao::valoresTalao(), dialecto),
                 qPrintable(m.erro()));
    }

    void refusedByTheCheck_data() { tabela(QStringLiteral("check")); }
    void refusedByTheCheck() {
        QFETCH(QString, sql);
        QFETCH(Backend, dialecto);
        QFETCH(QString, esperado);
        ModeloTalao m;
        QVERIFY2(
            !m.carregarTexto(modelo(sql), QStringLiteral("/x/mapas/hostil.rpt"), ModeloTalao::valoresTalao(), dialecto),
            qPrintable(sql.left(200)));
        QVERIFY2(m.erro().startsWith(QStringLiteral("O modelo de talão /x/mapas/hostil.rpt não pode ser usado: ")),
                 qPrintable(m.erro()));
        QVERIFY2(m.erro().contains(esperado, Qt::CaseInsensitive), qPrintable(m.erro()));
    }

    // What passes the text check meets the connection's own fences; the renderer that
    // met it makes the shipped ticket right after.
    void stoppedWhenRun_data() { tabela(QStringLiteral("run")); }
    void stoppedWhenRun() {
        QFETCH(QString, sql);
        QFETCH(QString, esperado);
        QFETCH(int, vias);
        TempDatabase t(TempDatabase::Demo);
        const qint32 id = gravarPesagem(t.db(), Pesagem{});
        RegistarVias(t.db(), id, qint16(vias));
        ModeloTalao m;
        QVERIFY2(m.carregarTexto(modelo(sql), QStringLiteral("/x/mapas/hostil.rpt")), qPrintable(m.erro()));
        RenderizadorTalao r(t.db().settings());
        const QString pdf = t.folder() + QStringLiteral("/hostil.pdf");
        QVERIFY(!r.exportarPdf(m, id, pdf));
        QVERIFY2(r.erro().contains(QStringLiteral("/x/mapas/hostil.rpt")), qPrintable(r.erro()));
        QVERIFY2(r.erro().contains(esperado), qPrintable(r.erro()));
        QVERIFY(!QFile::exists(pdf));

        RegistarVias(t.db(), id, 2);
        ModeloTalao enviado;
        QVERIFY(enviado.carregar(caminhoMapas(QStringLiteral("kel_PES_Talao_Cliente.rpt"))));
        QVERIFY2(r.exportarPdf(enviado, id, pdf), qPrintable(r.erro()));
        QCOMPARE(pdfPaginas(pdf), 2);
    }

    // The connection's fences hold on their own, for a query that never met the check.
    void connectionRefusesWithoutTheCheck_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("key") << QStringLiteral("SELECT Privada FROM kel_PES_Chave") << QStringLiteral("kel_PES_Chave");
        QTest::newRow("erp password") << QStringLiteral("SELECT Password FROM ERP_Local")
                                      << QStringLiteral("ERP_Local");
        QTest::newRow("catalogue") << QStringLiteral("SELECT sql FROM sqlite_master")
                                   << QStringLiteral("sqlite_master");
        QTest::newRow("fts3_tokenizer") << QStringLiteral("SELECT fts3_tokenizer('simple', X'4141414141414141')")
                                        << QStringLiteral("fts3_tokenizer");
        QTest::newRow("hex of the address")
            << QStringLiteral("SELECT hex(fts3_tokenizer('simple'))") << QStringLiteral("função hex");
        QTest::newRow("delete") << QStringLiteral("DELETE FROM kel_PES_Vias") << QStringLiteral("não é leitura");
        QTest::newRow("pragma") << QStringLiteral("PRAGMA query_only = 0") << QStringLiteral("não é leitura");
        QTest::newRow("attach") << QStringLiteral("ATTACH DATABASE ':memory:' AS x") << QStringLiteral("não é leitura");
        QTest::newRow("load_extension") << QStringLiteral("SELECT load_extension('/tmp/x.so')")
                                        << QStringLiteral("load_extension");
        QTest::newRow("secret column of an allowed table")
            << QStringLiteral("SELECT NoVia FROM kel_PES_Vias WHERE EXISTS (SELECT Password FROM ERP_Local)")
            << QStringLiteral("ERP_Local");
    }
    void connectionRefusesWithoutTheCheck() {
        QFETCH(QString, sql);
        QFETCH(QString, esperado);
        TempDatabase t(TempDatabase::Demo);
        t.db().executar(QStringLiteral("CREATE TABLE IF NOT EXISTS kel_PES_Chave (Numero INTEGER, Privada TEXT)"));
        RegistarVias(t.db(), gravarPesagem(t.db(), Pesagem{}), 2);
        ConsultaLeitura leitura(t.db().settings());
        try {
            leitura.consultar(sql, {});
            QFAIL("the query ran");
        } catch (const ErroModelo& e) {
            QVERIFY2(e.descricao().contains(esperado), qPrintable(e.descricao()));
        }
        QCOMPARE(leitura.consultar(QStringLiteral("SELECT COUNT(*) AS n FROM Clientes"), {}).count(), 1);
        QCOMPARE(t.db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Vias")).toInt(), 2);  // nothing written
    }

    // SQL Server cannot run here: what is sent, in which order, and under which login.
    void sqlServerStatementsAndLogin() {
        const QStringList passos = ConsultaLeitura::instrucoesMssql(QStringLiteral("SELECT 1"));
        QCOMPARE(passos.size(), 4);
        QVERIFY(passos[0].startsWith(QStringLiteral("SET LOCK_TIMEOUT ")));
        QCOMPARE(passos[1], QStringLiteral("BEGIN TRANSACTION"));
        QCOMPARE(passos[2], QStringLiteral("SELECT 1"));
        QCOMPARE(passos[3], QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"));
        SqlSettings s{QStringLiteral("mssql"), QStringLiteral("srv"), QStringLiteral("db"), QStringLiteral("balantrix"),
                      QStringLiteral("pw")};
        QCOMPARE(ConsultaLeitura::ligacao(s).login, QStringLiteral("balantrix"));
        s.loginModelos = QStringLiteral("modelos");
        s.passwordModelos = QStringLiteral("leitura");
        QCOMPARE(ConsultaLeitura::ligacao(s).login, QStringLiteral("modelos"));
        QCOMPARE(ConsultaLeitura::ligacao(s).password, QStringLiteral("leitura"));
        s.backend = QStringLiteral("sqlite");
        QCOMPARE(ConsultaLeitura::ligacao(s).login, QStringLiteral("balantrix"));
    }

    // balantrix-cli template check: the same judgement, without a database. Every case is judged
    // by ::refusedByTheCheck; here one of each dialect (one whose reason holds a quote, where
    // there is one, for the output's escaping), a shipped template, and a dialect it does not know.
    void cliTemplateCheck() {
        TempDataDir data;
        QTemporaryDir dir;
        QMap<int, Caso> um;
        for (const Caso& k : corpus())
            if (k.etapa == QStringLiteral("check") &&
                (!um.contains(int(k.dialecto)) ||
                 (k.esperado.contains(u'"') && !um[int(k.dialecto)].esperado.contains(u'"'))))
                um[int(k.dialecto)] = k;
        QCOMPARE(um.size(), 3);
        for (const Caso& k : um) {
            const QString path = dir.filePath(QStringLiteral("caso%1.rpt").arg(int(k.dialecto)));
            QVERIFY(escreverFicheiro(path, modelo(k.sql).toUtf8()));
            const QString d = k.dialecto == Backend::Mssql        ? QStringLiteral("mssql")
                              : k.dialecto == Backend::Postgresql ? QStringLiteral("postgresql")
                                                                  : QStringLiteral("sqlite");
            const CliRun r =
                runCli({QStringLiteral("template"), QStringLiteral("check"), path, QStringLiteral("--dialect"), d});
            QVERIFY2(r.code == 1 && !r.crashed, qPrintable(k.nome + QLatin1Char(' ') + r.out + r.err));
            QVERIFY2(r.out.startsWith(QStringLiteral("ok=0 reason=\"O modelo de talão ")), qPrintable(r.out));
            const QString motivo = QString(r.out).replace(QStringLiteral("\\\""), QStringLiteral("\""));
            QVERIFY2(motivo.contains(k.esperado, Qt::CaseInsensitive), qPrintable(k.nome + QLatin1Char(' ') + r.out));
        }
        const CliRun ok = runCli({QStringLiteral("template"), QStringLiteral("check"),
                                  caminhoMapas(QStringLiteral("kel_PES_Talao_Cliente.rpt")),
                                  QStringLiteral("--dialect"), QStringLiteral("postgresql")});
        QVERIFY2(ok.code == 0 && ok.value(QStringLiteral("ok")) == QStringLiteral("1"), qPrintable(ok.out + ok.err));
        QCOMPARE(runCli({QStringLiteral("template"), QStringLiteral("check"), caminhoMapas(QStringLiteral("x.rpt")),
                         QStringLiteral("--dialect"), QStringLiteral("oracle")})
                     .code,
                 2);
    }

    // The user's copy of the ticket template is hostile: ticket pdf refuses with the
    // template's name, neither crashing nor hanging, and works again once it is gone.
    void cliTicketPdfSurvives() {
        TempDataDir data;
        QCOMPARE(runCli({QStringLiteral("demo"), QStringLiteral("init")}).code, 0);
        auto db = baseDemo(data.path(), QStringLiteral("hostis"));
        QVERIFY(db);
        const QString id = db->escalar(QStringLiteral("SELECT MIN(Hist_Id) FROM kel_PES_Historico WHERE Tipo = 'S' AND "
                                                      "DataHoraPL IS NOT NULL"))
                               .toString();
        db.reset();
        QVERIFY(!id.isEmpty());
        const QString copia = data.norvak() + QStringLiteral("/mapas/kel_PES_Talao_Cliente.rpt");
        const QString outPdf = data.path() + QStringLiteral("/t.pdf");
        // Data-driven like the rest: one case of each fence, by name.
        for (const QString& nome :
             {QStringLiteral("fts3_tokenizer with a pointer"), QStringLiteral("recursive sub-query"),
              QStringLiteral("cross join past the time limit"), QStringLiteral("signing key table"),
              QStringLiteral("char-built text")}) {
            Caso k;
            for (const Caso& c : corpus())
                if (c.nome == nome) k = c;
            QVERIFY2(!k.sql.isEmpty(), qPrintable(nome));
            QVERIFY(escreverFicheiro(copia, modelo(k.sql).toUtf8()));
            const CliRun r = runCli({QStringLiteral("ticket"), QStringLiteral("pdf"), id, QStringLiteral("--copies"),
                                     QString::number(qMin(k.vias, 99)), QStringLiteral("--out"), outPdf});
            QVERIFY2(!r.crashed && r.code == 1, qPrintable(nome + QLatin1Char(' ') + r.err));
            QVERIFY2(r.err.contains(copia) && r.err.contains(k.esperado), qPrintable(r.err));
            QVERIFY(!QFile::exists(outPdf));
        }
        QVERIFY(QFile::remove(copia));
        const CliRun r = runCli({QStringLiteral("ticket"), QStringLiteral("pdf"), id, QStringLiteral("--out"), outPdf});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(pdfPaginas(outPdf), 1);
    }
};

QTEST_MAIN(ModelosHostisTest)
#include "modelos_hostis_test.moc"
