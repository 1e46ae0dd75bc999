// Growing from one workstation to several: the demo made on PostgreSQL, and a whole
// installation moved from SQLite to PostgreSQL and back with `db copy`, every weighing,
// ticket number, alibi row and verifiable ticket kept. Needs the test server.
#include <QFile>
#include <QTest>

#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "tests/desks/clidesk.h"

namespace {

// A configuration beside Balantrix.kel, the same but for its database.
void configuracao(const TempDataDir& data, const QString& nome, const SqlSettings& sql) {
    const QString ficheiro = data.norvak() + QLatin1Char('/') + nome;
    QFile::remove(ficheiro);
    QVERIFY(QFile::copy(data.norvak() + QStringLiteral("/Balantrix.kel"), ficheiro));
    FicheiroConfig f(ficheiro);
    ConfigSQL::gravar(f, sql);
}

QVariant escalar(const SqlSettings& s, const QString& sql) {
    BaseDados db(QStringLiteral("espreitar"));
    if (!db.abrir(s)) return QStringLiteral("erro: ") + db.ultimoErro();
    return db.escalar(sql);
}

}  // namespace

class PgCopyTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        if (PgTeste::servidor().isEmpty())
            QSKIP(
                "no PostgreSQL server for this run (BALANTRIX_TEST_PG=host:port is unset); scripts/test.sh "
                "starts one");
    }

    void copiaIdaEVolta() {
        TempDataDir data;
        const CliRun demo = runCli({QStringLiteral("demo"), QStringLiteral("init")});
        QVERIFY2(demo.code == 0, qPrintable(demo.err));
        const SqlSettings sqlite{QStringLiteral("sqlite"), QStringLiteral("local"),
                                 demo.value(QStringLiteral("database")), QString(), QString()};
        // The workstation's signing key, as its first ticket makes it.
        const QString ultimaFeita = escalar(sqlite, QStringLiteral("SELECT MAX(Hist_Id) FROM kel_PES_Historico "
                                                                   "WHERE DataHoraPL IS NOT NULL AND NoDoc > 0"))
                                        .toString();
        const CliRun talao = cli(QStringLiteral("ticket pdf %1 --out %2/t.pdf").arg(ultimaFeita, data.path()));
        QVERIFY2(talao.code == 0, qPrintable(talao.err));
        QCOMPARE(runCli({QStringLiteral("ticket"), QStringLiteral("public-key")}).code, 0);
        const SqlSettings pg = PgTeste::novaBase();
        configuracao(data, QStringLiteral("Servidor.kel"), pg);

        const CliRun ida = cli(QStringLiteral("db copy --to-config Servidor.kel"));
        QVERIFY2(ida.code == 0, qPrintable(ida.err + ida.out));
        QCOMPARE(ida.value(QStringLiteral("verified")), QStringLiteral("1"));
        QCOMPARE(ida.value(QStringLiteral("alibi_ok")), QStringLiteral("1"));
        QVERIFY(ida.value(QStringLiteral("ticket_checked")).toInt() > 0);
        QVERIFY(ida.value(QStringLiteral("alibi_rows")).toInt() > 0);
        QVERIFY2(ida.err.contains(QStringLiteral("Tabela kel_PES_Historico")), qPrintable(ida.err));
        for (const QString& tabela : {QStringLiteral("kel_PES_Historico"), QStringLiteral("kel_PES_Taloes"),
                                      QStringLiteral("DocGCCab"), QStringLiteral("kel_PES_Alibi")}) {
            const QString contar = QStringLiteral("SELECT COUNT(*) FROM ") + tabela;
            QCOMPARE(escalar(pg, contar).toLongLong(), escalar(sqlite, contar).toLongLong());
        }

        // The copy is refused once the target holds data.
        const CliRun outra = cli(QStringLiteral("db copy --to-config Servidor.kel"));
        QCOMPARE(outra.code, 1);
        QVERIFY2(outra.err.contains(QStringLiteral("já tem dados")), qPrintable(outra.err));

        // The server's installation starts, and its next weighing follows the copied ones.
        const CliRun arranque = cli(QStringLiteral("--config Servidor.kel db upgrade"));
        QVERIFY2(arranque.code == 0, qPrintable(arranque.err));
        {
            BaseDados db(QStringLiteral("servidor"));
            QVERIFY(db.abrir(pg));
            const qint64 ultimo = db.escalar(QStringLiteral("SELECT MAX(Hist_Id) FROM kel_PES_Historico")).toLongLong();
            db.executar(QStringLiteral("INSERT INTO kel_PES_Historico (Tipo) VALUES ('S')"));
            QCOMPARE(db.ultimoId(), ultimo + 1);
            db.executar(QStringLiteral("DELETE FROM kel_PES_Historico WHERE Hist_Id = ?"), {ultimo + 1});
        }

        // And back into a new SQLite file.
        const SqlSettings volta{QStringLiteral("sqlite"), QStringLiteral("local"),
                                data.path() + QStringLiteral("/volta.db"), QString(), QString()};
        configuracao(data, QStringLiteral("Volta.kel"), volta);
        const CliRun regresso = cli(QStringLiteral("--config Servidor.kel db copy --to-config Volta.kel"));
        QVERIFY2(regresso.code == 0, qPrintable(regresso.err + regresso.out));
        QCOMPARE(regresso.value(QStringLiteral("verified")), QStringLiteral("1"));
        QCOMPARE(regresso.value(QStringLiteral("rows")), ida.value(QStringLiteral("rows")));
        const QString ultimoHash = QStringLiteral("SELECT Hash FROM kel_PES_Alibi ORDER BY Alibi_Id DESC LIMIT 1");
        QCOMPARE(escalar(volta, ultimoHash).toString(), escalar(sqlite, ultimoHash).toString());
        const QString pesagens = QStringLiteral(
            "SELECT group_concat(Hist_Id || ':' || NoTalao || ':' || PesoLiquido, ',') FROM (SELECT * FROM "
            "kel_PES_Historico ORDER BY Hist_Id)");
        QCOMPARE(escalar(volta, pesagens).toString(), escalar(sqlite, pesagens).toString());
        PgTeste::apagarBase(pg);
    }

    void demoNoServidor() {
        TempDataDir data;
        const SqlSettings pg = PgTeste::novaBase();
        const QString senha = data.path() + QStringLiteral("/senha");
        QVERIFY(escreverFicheiro(senha, "qualquer\n"));  // the test server trusts its local logins
        const QStringList args =
            QStringLiteral("demo init --backend postgresql --server %1 --database %2 --login %3 --password-file")
                .arg(pg.servidor, pg.baseDados, pg.login)
                .split(u' ')
            << senha;
        const CliRun r = runCli(args);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY(
            escalar(pg, QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE DataHoraPL IS NOT NULL")).toInt() >
            10);
        QCOMPARE(ConfigSQL::ler(FicheiroConfig(r.value(QStringLiteral("config")))).kind(), Backend::Postgresql);
        const CliRun arranque = runCli({QStringLiteral("db"), QStringLiteral("upgrade")});
        QVERIFY2(arranque.code == 0, qPrintable(arranque.err));

        // A database holding weighings is never replaced, --force or not.
        const CliRun outra = runCli(QStringList(args) << QStringLiteral("--force"));
        QCOMPARE(outra.code, 1);
        QVERIFY2(outra.err.contains(QStringLiteral("tem pesagens")), qPrintable(outra.err));
        // A password file that cannot be read stops before anything is done.
        QStringList semFicheiro = args;
        semFicheiro.last() = data.path() + QStringLiteral("/nao-existe");
        const CliRun falta = runCli(semFicheiro);
        QCOMPARE(falta.code, 1);
        QVERIFY2(falta.err.contains(QStringLiteral("password")), qPrintable(falta.err));
        PgTeste::apagarBase(pg);
    }
};

QTEST_GUILESS_MAIN(PgCopyTest)
#include "pgcopy_test.moc"
