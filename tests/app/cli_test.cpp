// balantrix-cli as installers and scripts use it: demo installation, start-up
// without windows, catalogue script, and the failures that must change nothing.
#include <QtTest>

#include "base/ficheiroconfig.h"
#include "tests/desks/clidesk.h"

namespace {

SqlSettings sqlite(const QString& path) {
    return SqlSettings{QStringLiteral("sqlite"), {}, path, {}, {}};
}

QByteArray fileHash(const QString& path) {
    return QCryptographicHash::hash(lerFicheiro(path), QCryptographicHash::Sha256);
}

}  // namespace

class CliTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDataDir> m_data;
    QString m_config, m_dbPath;  // of the demo installation each test starts from

  private slots:
    void init() {
        m_data = std::make_unique<TempDataDir>();
        const CliRun r = runCli({QStringLiteral("demo"), QStringLiteral("init")});
        QCOMPARE(r.code, 0);
        m_config = r.value(QStringLiteral("config"));
        m_dbPath = r.value(QStringLiteral("database"));
    }
    void cleanup() { m_data.reset(); }

    void demoThenUpgrade() {
        QCOMPARE(m_config, m_data->norvak() + QStringLiteral("/Balantrix.kel"));
        QVERIFY(QFileInfo(m_dbPath).isFile());
        QCOMPARE(QFileInfo(m_config).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());

        // Company codes compare without case, like every code.
        FicheiroConfig(m_config).gravar(QStringLiteral("ERP"), QStringLiteral("Empresa"), QStringLiteral("demo"));
        CliRun r = runCli({QStringLiteral("db"), QStringLiteral("upgrade")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("catalogue")), QStringLiteral("3"));
        QCOMPARE(r.value(QStringLiteral("parameters")), QStringLiteral("1"));  // the demo's parameters row is read

        // A second init refuses to overwrite; --force rebuilds.
        r = runCli({QStringLiteral("demo"), QStringLiteral("init")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QStringLiteral("--force")));
        r = runCli({QStringLiteral("demo"), QStringLiteral("init"), QStringLiteral("--force")});
        QCOMPARE(r.code, 0);

        // Another workstation file chosen by name.
        r = cli(QStringLiteral("--config Posto2.kel db upgrade"));
        QCOMPARE(r.code, 1);
        QCOMPARE(r.value(QStringLiteral("config")), m_data->norvak() + QStringLiteral("/Posto2.kel"));
        QVERIFY(r.err.contains(QStringLiteral("ERP/Empresa")));
    }

    // Another configuration name is no licence to replace the database the folder's
    // other configurations use.
    void demoUnderAnotherNameKeepsTheDatabase() {
        const QString dbPath = m_dbPath;
        {
            BaseDados db(QStringLiteral("mark"));
            QVERIFY(db.abrir(sqlite(dbPath)));
            db.executar(QStringLiteral("INSERT INTO kel_PES_Carros (Codigo, Nome) VALUES ('MARCA-1', 'do posto 1')"));
        }
        const QByteArray before = fileHash(dbPath);
        const CliRun r = cli(QStringLiteral("demo init --config Posto2.kel"));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(dbPath) && r.err.contains(QStringLiteral("--force")), qPrintable(r.err));
        QCOMPARE(fileHash(dbPath), before);
        QVERIFY(!QFileInfo::exists(m_data->norvak() + QStringLiteral("/Posto2.kel")));
        QVERIFY(!QFileInfo::exists(dbPath + QStringLiteral("-wal")) ||
                QFileInfo(dbPath + QStringLiteral("-wal")).size() == 0);
    }

    // Settings the start cannot use (SECTION/Key=value): named, and the database is left as it was.
    void upgradeRefusalsChangeNothing_data() {
        QTest::addColumn<QString>("definicao");
        QTest::addColumn<QString>("mensagem");
        const QString erp = QStringLiteral("Não foi possivel ligar ao Sage 100c ...");
        QTest::newRow("other company") << "ERP/Empresa=OUTRA'EMP" << erp;
        QTest::newRow("wrong password") << "ERP/Password=errada" << erp;
        QTest::newRow("missing database file")
            << "SQL/BaseDados=@missing" << QStringLiteral("Não foi possivel Abrir a base de dados indicada !");
        // A database that is not the local ERP's (a real company's, say).
        QTest::newRow("not the ERP's database") << "SQL/BaseDados=@other" << erp;
        QTest::newRow("no user") << "ERP/Utilizador="
                                 << QStringLiteral(
                                        "Configuração do ERP incompleta em @config: falta(m) ERP/Utilizador");
    }
    void upgradeRefusalsChangeNothing() {
        QFETCH(QString, definicao);
        QFETCH(QString, mensagem);
        TempDatabase other(TempDatabase::Catalogue, QStringLiteral("other"));
        const QString missing = m_data->norvak() + QStringLiteral("/nao-existe.db");
        QString valor = definicao.section(u'=', 1);
        if (valor.startsWith(u'@')) valor = valor == QStringLiteral("@other") ? other.path() : missing;
        FicheiroConfig(m_config).gravar(definicao.section(u'/', 0, 0), definicao.section(u'=', 0, 0).section(u'/', 1),
                                        valor);
        const QByteArray before = fileHash(m_dbPath);
        const CliRun r = runCli({QStringLiteral("db"), QStringLiteral("upgrade")});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err.trimmed(), mensagem.replace(QStringLiteral("@config"), m_config));
        QVERIFY(r.value(QStringLiteral("catalogue")).isEmpty());
        QCOMPARE(fileHash(m_dbPath), before);
        QVERIFY(!QFileInfo::exists(missing));
    }

    void emptyDatabaseGetsTheCatalogueAtOnce() {
        {
            // Drop the program's tables: the next start must rebuild them to version 3.
            BaseDados db(QStringLiteral("strip"));
            QVERIFY(db.abrir(sqlite(m_dbPath)));
            for (const char* t : {"kel_PES_Carros", "kel_PES_Historico", "kel_PES_Historico_Comp",
                                     "kel_PES_Parametros", "kel_PES_Taloes", "kel_PES_Vias", "kel_sistema"})
                db.executar(QStringLiteral("DROP TABLE ") + t);
        }
        const CliRun r = runCli({QStringLiteral("db"), QStringLiteral("upgrade")});
        QCOMPARE(r.value(QStringLiteral("created")), QStringLiteral("1"));
        QCOMPARE(r.value(QStringLiteral("catalogue")), QStringLiteral("3"));
        // No parameters row yet: reported, and the run says it failed.
        QCOMPARE(r.value(QStringLiteral("parameters")), QStringLiteral("0"));
    }

    void scriptAndUsage() {
        CliRun r = cli(QStringLiteral("db script --dialect mssql"));
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        // The catalogue (its order is the catalogue's own), then the program's own tables beside
        // it, each guarded so that it is created only where missing.
        QVERIFY(lines.size() > 30);
        QVERIFY(lines.first().startsWith(QStringLiteral(" CREATE TABLE [dbo].[kel_PES_Carros]")));
        for (int i = 30; i < lines.size(); ++i)
            QVERIFY2(lines.at(i).startsWith(QStringLiteral("IF ")), qPrintable(lines.at(i)));
        r = cli(QStringLiteral("db script --dialect sqlite"));
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("CREATE TABLE kel_PES_Carros")));
        r = cli(QStringLiteral("db script --dialect postgresql"));
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext\nCREATE TABLE kel_PES_Carros")));
        QVERIFY(r.out.contains(QStringLiteral("kel_PES_NotasERP (Nota_Id integer GENERATED BY DEFAULT AS IDENTITY")));
        QCOMPARE(runCli({QStringLiteral("db"), QStringLiteral("script")}).code, 2);
        // An ERP document that is not there is named; a key cut short is a usage error.
        r = cli(QStringLiteral("erp convert GR 1 9999 2026"));
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QStringLiteral("GR/1/9999/2026")));
        QCOMPARE(cli(QStringLiteral("erp convert GR")).code, 2);
        QCOMPARE(runCli({}).code, 2);
        QCOMPARE(runCli({QStringLiteral("voar")}).code, 2);
        QCOMPARE(runCli({QStringLiteral("--config")}).code, 2);
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "cli_test.moc"
