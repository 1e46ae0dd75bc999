// Where the configuration file is found and how it is written.
#include <QtTest>

#include "configlocation.h"
#include "configsage.h"
#include "configsql.h"
#include "ficheiroconfig.h"
#include "testsupport.h"

class ConfigTest : public QObject {
    Q_OBJECT

private slots:
    void fileLocation() {
        TempDataDir data;
        QTemporaryDir program;
        // Without a norvak folder the program's own folder is used.
        QCOMPARE(ConfigLocation::configFile(program.path()), program.path() + QStringLiteral("/Balantrix.kel"));
        QCOMPARE(ConfigLocation::configFile(program.path(), QStringLiteral("Posto2.kel")),
                 program.path() + QStringLiteral("/Posto2.kel"));
        QVERIFY(QDir().mkpath(data.norvak()));
        QCOMPARE(ConfigLocation::configFile(program.path()), data.norvak() + QStringLiteral("/Balantrix.kel"));
        QCOMPARE(ConfigLocation::configFile(program.path(), QStringLiteral("Posto2.kel")),
                 data.norvak() + QStringLiteral("/Posto2.kel"));
    }

    void settingsRoundTripAndPrivacy() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Balantrix.kel"));
        FicheiroConfig f(path);
        QCOMPARE(f.ler(QStringLiteral("SQL"), QStringLiteral("Servidor")), QString());
        ConfigSage erp{QStringLiteral("srv"), QString(), QStringLiteral("DEMO"), QStringLiteral("admin"),
                       QStringLiteral("pa;ss=wörd \"x\"")};
        erp.gravar(f);
        ConfigSQL::gravar(f, SqlSettings{QStringLiteral("mssql"), QStringLiteral("SRV\\SQL2019"), QStringLiteral("EMPRESA"),
                                         QStringLiteral("sa"), QString()});
        f.gravar(QStringLiteral("EMAIL"), QStringLiteral("Assunto"), QStringLiteral("Talão nº 1, com vírgula; e = sinal"));
        QCOMPARE(QFileInfo(path).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther),
                 QFileDevice::Permissions());

        FicheiroConfig again(path);
        const ConfigSage e2 = ConfigSage::ler(again);
        QCOMPARE(e2.password, erp.password);
        QVERIFY(e2.missing().isEmpty());  // setting 2 may stay empty
        const SqlSettings s = ConfigSQL::ler(again);
        QCOMPARE(s.kind(), Backend::Mssql);
        QCOMPARE(s.servidor, QStringLiteral("SRV\\SQL2019"));
        QVERIFY(s.missing().isEmpty());  // the password may stay empty
        QCOMPARE(again.ler(QStringLiteral("EMAIL"), QStringLiteral("Assunto")),
                 QStringLiteral("Talão nº 1, com vírgula; e = sinal"));

        // Lines edited by hand keep commas inside one setting.
        {
            QFile raw(path);
            QVERIFY(raw.open(QIODevice::Append | QIODevice::Text));
            raw.write("[EXTRA]\nCC=a@x.example, b@y.example\nAssunto=Talão, pesagem\n");
        }
        QCOMPARE(FicheiroConfig(path).ler(QStringLiteral("EXTRA"), QStringLiteral("CC")), QStringLiteral("a@x.example, b@y.example"));
        QCOMPARE(FicheiroConfig(path).ler(QStringLiteral("EXTRA"), QStringLiteral("Assunto")), QStringLiteral("Talão, pesagem"));

        ConfigSage partial = e2;
        partial.empresa.clear();
        QCOMPARE(partial.missing(), QStringList{QStringLiteral("ERP/Empresa")});
        SqlSettings noLogin = s;
        noLogin.login.clear();
        QCOMPARE(noLogin.missing(), QStringList{QStringLiteral("SQL/Login")});
        // For the embedded backend only the file matters.
        QVERIFY((SqlSettings{QStringLiteral("sqlite"), {}, QStringLiteral("/x.db"), {}, {}}).missing().isEmpty());
    }
};

QTEST_GUILESS_MAIN(ConfigTest)
#include "config_test.moc"
