// Where the configuration file is found and how it is written.
#include <QSettings>
#include <QtTest>

#include "base/configlocation.h"
#include "base/configsage.h"
#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "base/pastarede.h"
#include "base/programfiles.h"
#include "tests/support/testsupport.h"

class ConfigTest : public QObject {
    Q_OBJECT

  private slots:
    // Where the shipped files and the configuration are looked for, by how the program
    // lies on disk: a build folder (files beside it), an installed package (bin/ and
    // share/balantrix/), or a bare executable.
    void installedLayout_data() {
        QTest::addColumn<QString>("files");  // folder made to hold mapas/, relative to the prefix
        QTest::addColumn<QString>("data");   // expected data folder, relative to the prefix
        QTest::addColumn<bool>("installed");
        QTest::newRow("build folder") << QStringLiteral("bin") << QStringLiteral("bin") << false;
        QTest::newRow("package") << QStringLiteral("share/balantrix") << QStringLiteral("share/balantrix") << true;
        QTest::newRow("bare") << QString() << QStringLiteral("bin") << false;
    }
    void installedLayout() {
        QFETCH(QString, files);
        QFETCH(QString, data);
        QFETCH(bool, installed);
        TempDataDir user;
        QTemporaryDir prefix;
        const QString bin = prefix.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        if (!files.isEmpty()) QVERIFY(QDir().mkpath(prefix.filePath(files + QStringLiteral("/mapas"))));
        QCOMPARE(ProgramFiles::installed(bin), installed);
        QCOMPARE(ProgramFiles::dataFolder(bin), prefix.filePath(data));
        // An installed program never keeps its configuration in bin/, even before the
        // user's folder exists; the others fall back to their own folder.
        const QString pasta = installed ? user.norvak() : bin;
        QCOMPARE(ConfigLocation::configFile(bin), pasta + QStringLiteral("/Balantrix.kel"));
        QCOMPARE(ConfigLocation::configFile(bin, QStringLiteral("Posto2.kel")), pasta + QStringLiteral("/Posto2.kel"));
        // Once the user's folder exists, every layout keeps it there.
        QVERIFY(QDir().mkpath(user.norvak()));
        QCOMPARE(ConfigLocation::configFile(bin, QStringLiteral("Posto2.kel")),
                 user.norvak() + QStringLiteral("/Posto2.kel"));
    }

    void settingsRoundTripAndPrivacy() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Balantrix.kel"));
        FicheiroConfig f(path);
        QCOMPARE(f.ler(QStringLiteral("SQL"), QStringLiteral("Servidor")), QString());
        ConfigSage erp{QStringLiteral("srv"), QString(), QStringLiteral("DEMO"), QStringLiteral("admin"),
                       QStringLiteral("pa;ss=wörd \"x\"")};
        erp.gravar(f);
        ConfigSQL::gravar(f, SqlSettings{QStringLiteral("mssql"), QStringLiteral("SRV\\SQL2019"),
                                         QStringLiteral("EMPRESA"), QStringLiteral("sa"), QString()});
        QCOMPARE(
            QFileInfo(path).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther),
            QFileDevice::Permissions());

        FicheiroConfig again(path);
        const ConfigSage e2 = ConfigSage::ler(again);
        QCOMPARE(e2.password, erp.password);
        QVERIFY(e2.missing().isEmpty());  // setting 2 may stay empty
        const SqlSettings s = ConfigSQL::ler(again);
        QCOMPARE(s.kind(), Backend::Mssql);
        QCOMPARE(s.servidor, QStringLiteral("SRV\\SQL2019"));
        QVERIFY(s.missing().isEmpty());  // the password may stay empty

        ConfigSage partial = e2;
        partial.empresa.clear();
        QCOMPARE(partial.missing(), QStringList{QStringLiteral("ERP/Empresa")});
        SqlSettings noLogin = s;
        noLogin.login.clear();
        QCOMPARE(noLogin.missing(), QStringList{QStringLiteral("SQL/Login")});
        // For the embedded backend only the file matters.
        QVERIFY((SqlSettings{QStringLiteral("sqlite"), {}, QStringLiteral("/x.db"), {}, {}}).missing().isEmpty());
    }

    // Values typed into the file by hand read exactly as typed (commas inside a setting too),
    // and a change made by the program leaves every other line of the file as it was.
    void handTypedValuesReadAsTyped() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Balantrix.kel"));
        const QByteArray typed =
            "; posto da balança\r\n"
            "[ERP]\r\n"
            "Servidor=SRV\\SQLEXPRESS\r\n"
            "Password=de,mo\r\n"
            "[SQL]\r\n"
            "Servidor = SRV01\\INST,1433 \r\n"
            "Password=a;b#c=d\"e\"\\\\f\r\n"
            "# notas do instalador\r\n"
            "[PDF]\r\n"
            "Pasta=\\\\servidor\\talões\\\r\n"
            // Lines added on another system end without a carriage return.
            "[EMAIL]\n"
            "CC=a@x.example, \"B\" <b@y.example>\n"
            "Assunto=\"Talão\" de pesagem \"nº\"\n";
        QVERIFY(escreverFicheiro(path, typed));
        const QList<QStringList> lidos = {
            {QStringLiteral("ERP"), QStringLiteral("Servidor"), QStringLiteral("SRV\\SQLEXPRESS")},
            {QStringLiteral("SQL"), QStringLiteral("Servidor"), QStringLiteral("SRV01\\INST,1433")},
            {QStringLiteral("SQL"), QStringLiteral("Password"), QStringLiteral("a;b#c=d\"e\"\\\\f")},
            {QStringLiteral("PDF"), QStringLiteral("Pasta"), QStringLiteral("\\\\servidor\\talões\\")},
            {QStringLiteral("EMAIL"), QStringLiteral("CC"), QStringLiteral("a@x.example, \"B\" <b@y.example>")},
            {QStringLiteral("EMAIL"), QStringLiteral("Assunto"), QStringLiteral("\"Talão\" de pesagem \"nº\"")},
            // Sections and keys as typed on the other operating system.
            {QStringLiteral("erp"), QStringLiteral("servidor"), QStringLiteral("SRV\\SQLEXPRESS")}};
        FicheiroConfig f(path);
        for (const QStringList& l : lidos) QCOMPARE(f.ler(l[0], l[1]), l[2]);
        QCOMPARE(f.ler(QStringLiteral("ERP"), QStringLiteral("Password")), QStringLiteral("de,mo"));

        // Through the settings objects the program uses.
        QCOMPARE(ConfigSage::ler(f).password, QStringLiteral("de,mo"));
        QCOMPARE(ConfigSQL::ler(f).password, QStringLiteral("a;b#c=d\"e\"\\\\f"));

        // Writing one setting changes that line only; the rest reads back unchanged.
        f.gravar(QStringLiteral("ERP"), QStringLiteral("Password"), QStringLiteral("nova,pass\\1"));
        f.gravar(QStringLiteral("SMTP"), QStringLiteral("NomeEmissor"), QStringLiteral("Agro-Pecuária do Vale, Lda."));
        const QString text = QString::fromUtf8(lerFicheiro(path));
        for (const QString& linha :
             {QStringLiteral("\r\nPassword=nova,pass\\1\r\n"), QStringLiteral("; posto da balança\r\n"),
              QStringLiteral("# notas do instalador\r\n"), QStringLiteral("Servidor=SRV\\SQLEXPRESS\r\n"),
              QStringLiteral("NomeEmissor=Agro-Pecuária do Vale, Lda.")})
            QVERIFY2(text.contains(linha), qPrintable(text));
        FicheiroConfig again(path);
        for (const QStringList& l : lidos) QCOMPARE(again.ler(l[0], l[1]), l[2]);
        QCOMPARE(again.ler(QStringLiteral("ERP"), QStringLiteral("Password")), QStringLiteral("nova,pass\\1"));
        QCOMPARE(again.ler(QStringLiteral("SMTP"), QStringLiteral("NomeEmissor")),
                 QStringLiteral("Agro-Pecuária do Vale, Lda."));
    }

    // Every value the program writes reads back exactly; raw where raw text can hold it.
    void writtenValuesRoundTrip() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Balantrix.kel"));
        const QStringList values = {
            QStringLiteral("SRV\\SQLEXPRESS"),
            QStringLiteral("\\\\srv\\pdf"),
            QStringLiteral("de,mo"),
            QStringLiteral("a;b"),
            QStringLiteral("x=y"),
            QStringLiteral("#não é comentário"),
            QStringLiteral(";também não"),
            QStringLiteral("\"entre aspas\""),
            QStringLiteral("\"só a primeira"),
            QStringLiteral("\\\""),
            QStringLiteral("  espaços nas pontas  "),
            QStringLiteral("\tcom tab"),
            QStringLiteral("Caros clientes,\nsegue o talão.\r\nCumprimentos\\n"),
            QStringLiteral("[SQL]"),
            QString(),
        };
        FicheiroConfig f(path);
        for (int i = 0; i < values.size(); ++i) f.gravar(QStringLiteral("T"), QStringLiteral("K%1").arg(i), values[i]);
        FicheiroConfig again(path);
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(again.ler(QStringLiteral("T"), QStringLiteral("K%1").arg(i)), values[i]);
        const QString text = QString::fromUtf8(lerFicheiro(path));
        QCOMPARE(foraDoLugar(text, {QStringLiteral("\nK0=SRV\\SQLEXPRESS\n"), QStringLiteral("\nK1=\\\\srv\\pdf\n"),
                                    QStringLiteral("\nK2=de,mo\n"), QStringLiteral("\nK4=x=y\n"),
                                    QStringLiteral("\nK10=\"  espaços nas pontas  \"\n")}),
                 QString());
    }

    // A file this program's earlier version wrote (Qt's INI writer: values with commas,
    // semicolons or '=' wholly quoted, backslashes and quotes escaped) reads as it meant.
    void fileOfTheEarlierVersionReadsAsMeant() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Balantrix.kel"));
        const QList<QPair<QString, QString>> written = {
            {QStringLiteral("SMTP/NomeEmissor"), QStringLiteral("Agro-Pecuária do Vale, Lda.")},
            {QStringLiteral("SQL/Servidor"), QStringLiteral("SRV\\SQLEXPRESS")},
            {QStringLiteral("SQL/Password"), QStringLiteral("p;w=\"1\"\\")},
            {QStringLiteral("ERP/Password"), QStringLiteral("sem,aspas?")},
            {QStringLiteral("PDF/Pasta"), QStringLiteral("\\\\srv\\talões")},
            {QStringLiteral("EMAIL/Assunto"), QStringLiteral("Talão \"novo\"")},
            {QStringLiteral("EMAIL/Mensagem"), QStringLiteral("Caros clientes,\nsegue o talão.")},
            {QStringLiteral("EMAIL/CC"), QStringLiteral(" a@x.example ")},
        };
        {
            QSettings s(path, QSettings::IniFormat);
            for (const auto& [key, value] : written) s.setValue(key, value);
        }
        const auto lerTudo = [&path, &written] {
            FicheiroConfig f(path);
            for (const auto& [key, value] : written)
                QCOMPARE(f.ler(key.section(u'/', 0, 0), key.section(u'/', 1)), value);
        };
        lerTudo();
        // Rewriting one setting keeps the others as meant.
        FicheiroConfig(path).gravar(QStringLiteral("SQL"), QStringLiteral("Login"), QStringLiteral("sa"));
        lerTudo();
        FicheiroConfig again(path);
        QCOMPARE(again.ler(QStringLiteral("SQL"), QStringLiteral("Login")), QStringLiteral("sa"));
    }

    // A SQLite file on a network share is told apart from one on a local disk.
    void networkFileSystems() {
        QCOMPARE(PastaRede::nomeDoTipo(0x6969), QStringLiteral("NFS"));
        QCOMPARE(PastaRede::nomeDoTipo(qint64(0xFF534D42u)), QStringLiteral("CIFS/SMB"));
        QCOMPARE(PastaRede::nomeDoTipo(qint64(0xFE534D42u)), QStringLiteral("SMB2"));
        QCOMPARE(PastaRede::nomeDoTipo(0x517B), QStringLiteral("SMB"));
        QCOMPARE(PastaRede::nomeDoTipo(0xEF53), QString());      // ext4
        QCOMPARE(PastaRede::nomeDoTipo(0x01021994), QString());  // tmpfs
        QTemporaryDir dir;
        QCOMPARE(PastaRede::sistemaDe(dir.filePath(QStringLiteral("balantrix.db"))), QString());
        QCOMPARE(PastaRede::sistemaDe(QStringLiteral("/nao/existe/x.db")), QString());
    }
};

QTEST_GUILESS_MAIN(ConfigTest)
#include "config_test.moc"
