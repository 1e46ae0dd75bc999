// The settings dialogs on real files, and the catalogue script shipped for SQL Server.
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "base/catalogo.h"
#include "base/catalogstatements.h"
#include "base/configsage.h"
#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "tests/support/encaixe.h"
#include "tests/support/fotografia.h"
#include "tests/support/testsupport.h"
#include "widgets/catalogscript.h"
#include "widgets/configmail.h"
#include "widgets/dialogoerp.h"
#include "widgets/dialogosql.h"

namespace {

void type(QWidget* dialog, const char* name, const QString& text) {
    auto* e = dialog->findChild<QLineEdit*>(QLatin1String(name));
    QVERIFY2(e, name);
    e->clear();
    QTest::keyClicks(e, text);
}

QString shippedScript() {
    return QString::fromUtf8(
        lerFicheiro(qEnvironmentVariable("BALANTRIX_SOURCE") + QStringLiteral("/Catalogos/bd.sql")));
}

// Column names of a CREATE TABLE batch, in order.
QStringList columnsOf(const QString& batch) {
    QStringList out;
    static const QRegularExpression col(QStringLiteral("^\\s*\\[(\\w+)\\]\\s*\\["),
                                        QRegularExpression::MultilineOption);
    for (auto it = col.globalMatch(batch); it.hasNext();) out << it.next().captured(1);
    return out;
}

}  // namespace

class TestSettingsDialogs : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    RecordingMessages m_messages;
    QString configFile() const { return m_dir.filePath(QStringLiteral("Balantrix.kel")); }

  private slots:
    void init() {
        QFile::remove(configFile());
        m_messages.clear();
    }

    void mailDialogFitsAnAddressAndKeepsIt() {
        ConfigMail d(configFile());
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(encaixe::problemas(&d), QStringList());
        // A typical server name and sender address show whole, without scrolling in the field.
        const QString servidor = QStringLiteral("smtp.cooperativa-agricola-do-vale.pt");
        for (const char* nome : {"Servidor", "emailEmissor"}) {
            auto* e = d.findChild<QLineEdit*>(QLatin1String(nome));
            QVERIFY(e->fontMetrics().horizontalAdvance(servidor) < e->contentsRect().width());
        }
        type(&d, "Servidor", servidor);
        QTest::keyClick(&d, Qt::Key_Return);
        QCOMPARE(FicheiroConfig(configFile()).ler(QStringLiteral("SMTP"), QStringLiteral("Servidor")), servidor);
        fotografar(&d, QStringLiteral("configmail"));
    }

    void erpDialogWritesTheFiveSettingsOnOkOnly() {
        const auto preencher = [](DialogoErp& d) {
            for (const auto& [campo, texto] : {std::pair{"txtServidor", "SRV"}, std::pair{"txtEmpresa", "EMP1"},
                                               std::pair{"txtUtilizador", "ana"}, std::pair{"txtPassword", "s3gr;d="}})
                type(&d, campo, QString::fromLatin1(texto));
        };
        {
            DialogoErp d(configFile(), m_messages);
            preencher(d);
            d.reject();
        }
        QVERIFY(!FicheiroConfig(configFile()).exists());
        DialogoErp d(configFile(), m_messages);
        preencher(d);
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("btOK")), Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        const ConfigSage c = ConfigSage::ler(FicheiroConfig(configFile()));
        QCOMPARE((QStringList{c.servidor, c.instancia, c.empresa, c.password}),
                 (QStringList{QStringLiteral("SRV"), QString(), QStringLiteral("EMP1"), QStringLiteral("s3gr;d=")}));
        // Opened again, it shows what is stored.
        DialogoErp again(configFile(), m_messages);
        QCOMPARE(again.findChild<QLineEdit*>(QStringLiteral("txtUtilizador"))->text(), QStringLiteral("ana"));
    }

    void sqlDialogWritesTheBackendAndSettings() {
        DialogoSql d(configFile(), QString(), false, m_messages);
        QVERIFY(!d.findChild<QPushButton*>(QStringLiteral("btCriarCatalogo"))->isVisibleTo(&d));
        QVERIFY(!d.findChild<QWidget*>(QStringLiteral("lblProximoArranque")));
        auto* backend = d.findChild<QComboBox*>(QStringLiteral("cbBackend"));
        QCOMPARE(backend->currentData().toString(), QStringLiteral("sqlite"));
        QVERIFY(!d.findChild<QLineEdit*>(QStringLiteral("txtLogin"))->isEnabled());
        backend->setCurrentIndex(1);
        QVERIFY(d.findChild<QLineEdit*>(QStringLiteral("txtLogin"))->isEnabled());
        type(&d, "txtServidor", QStringLiteral("srv\\SAGE"));
        type(&d, "txtBaseDados", QStringLiteral("EMPRESA1"));
        type(&d, "txtLogin", QStringLiteral("sa"));
        d.accept();
        const SqlSettings s = ConfigSQL::ler(FicheiroConfig(configFile()));
        QCOMPARE(s.kind(), Backend::Mssql);
        QCOMPARE(
            (QStringList{s.servidor, s.baseDados, s.login, s.password}),
            (QStringList{QStringLiteral("srv\\SAGE"), QStringLiteral("EMPRESA1"), QStringLiteral("sa"), QString()}));
    }

    void testConnectionReportsSuccessAndFailure() {
        TempDatabase db;
        DialogoSql d(configFile(), QString(), true, m_messages);
        QVERIFY(d.findChild<QWidget*>(QStringLiteral("lblProximoArranque")));
        d.setSettings(db.settings());
        QVERIFY(d.testarLigacao());
        QCOMPARE(m_messages.kinds.last(), 100 + OperatorMessages::Info);

        // A missing file is not created by a test.
        const QString missing = m_dir.filePath(QStringLiteral("nada.db"));
        d.setSettings(SqlSettings{QStringLiteral("sqlite"), {}, missing, {}, {}});
        QVERIFY(!d.testarLigacao());
        QCOMPARE(m_messages.kinds.last(), 100 + OperatorMessages::Critico);
        QVERIFY(!QFileInfo::exists(missing));

        // A server that is not there answers within the login time-out.
        d.setSettings(SqlSettings{QStringLiteral("mssql"), QStringLiteral("127.0.0.1,1"), QStringLiteral("X"),
                                  QStringLiteral("sa"), QString()});
        QElapsedTimer t;
        t.start();
        QVERIFY(!d.testarLigacao());
        QVERIFY(t.elapsed() < (DialogoSql::kLoginTimeout + 5) * 1000);
        QVERIFY(m_messages.last().startsWith(QStringLiteral("Não foi possível ligar à base de dados:")));

        // Required settings missing: said before trying.
        d.setSettings(SqlSettings{QStringLiteral("mssql"), QStringLiteral("srv"), QString(), QString(), QString()});
        QVERIFY(!d.testarLigacao());
        QVERIFY(m_messages.last().startsWith(QStringLiteral("Preencha primeiro")));
    }

    void createsTheCatalogueInANewSqliteFileOnceAndNeedsTheScriptForMssql() {
        const QString path = m_dir.filePath(QStringLiteral("nova.db"));
        DialogoSql d(configFile(), m_dir.filePath(QStringLiteral("catalogos/bd.sql")), false, m_messages);
        QVERIFY(d.findChild<QPushButton*>(QStringLiteral("btCriarCatalogo"))->isVisibleTo(&d));
        d.setSettings(SqlSettings{QStringLiteral("sqlite"), {}, path, {}, {}});
        QVERIFY(d.criarCatalogo());
        {
            BaseDados db(QStringLiteral("check"));
            QVERIFY(db.abrir(SqlSettings{QStringLiteral("sqlite"), {}, path, {}, {}}));
            QCOMPARE(db.escalar(QStringLiteral("SELECT VersaoCatalogo FROM kel_sistema WHERE Numero = 200")).toInt(),
                     3);
        }
        // A second time it refuses and leaves the database alone.
        QVERIFY(!d.criarCatalogo());
        QVERIFY(m_messages.last().contains(QStringLiteral("já tem o catálogo")));
        // SQL Server's catalogue comes from the script, which is not there: said so.
        d.setSettings(SqlSettings{QStringLiteral("mssql"), QStringLiteral("127.0.0.1,1"), QStringLiteral("X"),
                                  QStringLiteral("sa"), QString()});
        QVERIFY(!d.criarCatalogo());
        QVERIFY(m_messages.last().startsWith(QStringLiteral("Não foi encontrado o script do catálogo")));
    }

    void scriptFolderIsFoundWhateverItsCase() {
        const QString real = QDir::cleanPath(m_dir.filePath(QStringLiteral("prog/Catalogos/bd.sql")));
        QVERIFY(escreverFicheiro(real, {}));
        QCOMPARE(CatalogScript::resolve(m_dir.filePath(QStringLiteral("prog/catalogos/bd.sql"))), real);
        QCOMPARE(CatalogScript::resolve(m_dir.filePath(QStringLiteral("prog/Catalogos/bd.sql"))), real);
        QCOMPARE(CatalogScript::resolve(m_dir.filePath(QStringLiteral("prog/CATALOGOS/BD.SQL"))), real);
        QCOMPARE(CatalogScript::resolve(m_dir.filePath(QStringLiteral("prog/outros/bd.sql"))), QString());
    }

    void batchesSplitOnGoLinesOnly() {
        const QStringList b = CatalogScript::batches(
            QStringLiteral("-- header only\nGO\nCREATE TABLE t (a int)\n go \nSELECT 'GO' AS x, category\nGO\n\nGO\n"));
        QCOMPARE(b,
                 (QStringList{QStringLiteral("CREATE TABLE t (a int)"), QStringLiteral("SELECT 'GO' AS x, category")}));
    }

    // The shipped script must make what the program's own statements make at version 3.
    void shippedScriptMatchesTheCurrentCatalogue() {
        const QStringList batches = CatalogScript::batches(shippedScript());
        QVERIFY(!batches.isEmpty());

        TempDatabase current;  // the program's statements, brought to version 3
        for (const QString& table :
             {QStringLiteral("kel_PES_Carros"), QStringLiteral("kel_PES_Historico"),
              QStringLiteral("kel_PES_Historico_Comp"), QStringLiteral("kel_PES_Parametros"),
              QStringLiteral("kel_PES_Taloes"), QStringLiteral("kel_PES_Vias"), QStringLiteral("kel_sistema")}) {
            QStringList creates;
            for (const QString& b : batches)
                if (b.contains(QStringLiteral("CREATE TABLE [dbo].[") + table + QStringLiteral("]("))) creates << b;
            QCOMPARE(creates.size(), 1);
            QStringList expected = current.db().columnNames(table);
            QStringList got = columnsOf(creates[0]);
            expected.sort(Qt::CaseInsensitive);
            got.sort(Qt::CaseInsensitive);
            QCOMPARE(got.join(u',').toLower(), expected.join(u',').toLower());
        }
        QVERIFY(shippedScript().contains(QStringLiteral("[Ano] [nvarchar](10)")));

        // Procedures in their final form: the last text the upgrades give each of them.
        auto create = [](QString sql) {
            sql = sql.trimmed();
            sql.replace(
                QRegularExpression(QStringLiteral("^alter\\s+procedure"), QRegularExpression::CaseInsensitiveOption),
                QStringLiteral("CREATE PROCEDURE"));
            return sql.simplified();
        };
        const QStringList expectedProcs = {create(mssql::stepB()[2].sql), create(mssql::stepA()[5].sql),
                                           create(mssql::baseCatalogue()[6].sql)};
        QStringList procs;
        for (const QString& b : batches)
            if (b.startsWith(QStringLiteral("CREATE PROCEDURE"))) procs << b.simplified();
        QCOMPARE(procs.size(), 3);
        for (const QString& p : expectedProcs) QVERIFY2(procs.contains(p), qPrintable(p.left(60)));

        // The version row closes the script: the program finds version 3 and upgrades nothing.
        QVERIFY(batches.last().contains(QStringLiteral("VALUES (200, 3, NULL)")));
    }
};

QTEST_MAIN(TestSettingsDialogs)
#include "settingsdialogs_test.moc"
