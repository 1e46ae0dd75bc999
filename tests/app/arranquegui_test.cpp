// The GUI start-up on real files: the demo installation, failures that end the
// program, and the settings dialogs opened only for required settings.
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "app/demo.h"
#include "app/startupdialogs.h"
#include "app/ui/arranquegui.h"
#include "app/ui/frmmain.h"
#include "base/configsage.h"
#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "erp/sessaosagelocal.h"
#include "tests/support/fakesessao.h"
#include "tests/support/testsupport.h"

namespace {

// Counts the dialogs asked for; may write settings as the operator would.
class RecordingDialogs : public StartupDialogs {
  public:
    bool configurarErp(const QString& file, const QStringList&) override {
        ++erp;
        if (erpFill) erpFill(file);
        return true;
    }
    bool configurarSql(const QString& file, const QString& script, bool opt, const QStringList&) override {
        ++sql;
        catalogScript = script;
        option = opt;
        if (sqlFill) sqlFill(file);
        return true;
    }
    int erp = 0, sql = 0;
    QString catalogScript;
    bool option = true;
    std::function<void(const QString&)> erpFill;
    std::function<void(const QString&)> sqlFill;
};

class AlwaysConnects : public FakeSessao {};

const QString kErpFails = QStringLiteral("Não foi possivel ligar ao Sage 100c ...");
const QString kDbFails = QStringLiteral("Não foi possivel Abrir a base de dados indicada !");

}  // namespace

class TestArranqueGui : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDataDir> m_data;
    QTemporaryDir m_program;
    RecordingMessages m_messages;
    RecordingDialogs m_dialogs;

    std::unique_ptr<ArranqueGui> arranque(Arranque::ErpFactory erp = {}) {
        auto a = std::make_unique<ArranqueGui>(m_program.path(), QString(), m_messages, m_dialogs, std::move(erp));
        a->setPlacementStore(
            std::make_unique<QSettings>(m_program.filePath(QStringLiteral("placement.ini")), QSettings::IniFormat));
        return a;
    }
    QString configFile() const { return m_data->norvak() + QStringLiteral("/Balantrix.kel"); }
    void demo() { QVERIFY(Demo::criar(QString(), true).ok); }
    static Arranque::ErpFactory fakeErp() {
        return [](const SqlSettings&) { return std::make_unique<AlwaysConnects>(); };
    }

  private slots:
    void init() {
        m_data = std::make_unique<TempDataDir>();
        m_messages.clear();
        m_dialogs = RecordingDialogs();
        demo();  // every test starts from the demo installation
    }
    void cleanup() { m_data.reset(); }

    void demoStartsToTheMainWindow() {
        auto a = arranque();
        QVERIFY(a->executar());
        FrmMain* w = a->janela();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("[Agro-Pecuária do Vale, Lda.]"));
        QCOMPARE(w->panelText(2), QStringLiteral("Versão: 26.1.0"));
        QCOMPARE(w->panelText(3), QStringLiteral("Servidor: local"));
        QCOMPARE(w->panelText(4), QStringLiteral("Base de Dados: balantrix-demo.db"));
        QVERIFY(w->baseDados() == a->arranque().baseDados());
        QVERIFY(a->arranque().parametros().carregado());
        QCOMPARE(a->arranque().parametros().texto(QStringLiteral("ArmCentral")), QStringLiteral("A1"));
        QCOMPARE(m_dialogs.erp + m_dialogs.sql, 0);
        QVERIFY2(m_messages.all.isEmpty(), qPrintable(m_messages.all.join(u'|')));
        // Closing ends the ERP session.
        w->close();
        QVERIFY(!a->arranque().sessao()->ligado());
    }

    void erpFailureEndsBeforeTheDatabaseIsOpened() {
        FicheiroConfig f(configFile());
        f.gravar(ConfigSage::section(), QStringLiteral("Password"), QStringLiteral("errada"));
        auto a = arranque();
        QVERIFY(!a->executar());
        QCOMPARE(m_messages.all, QStringList{kErpFails});
        QCOMPARE(m_messages.kinds, QList<int>{0});  // plain box
        QVERIFY(a->arranque().baseDados() == nullptr);
        QVERIFY(a->janela() == nullptr);

        // Empty database settings would open their dialog, were the start to get that far.
        m_messages.clear();
        ConfigSQL::gravar(f, SqlSettings{QStringLiteral("mssql"), {}, {}, {}, {}});
        auto b = arranque([](const SqlSettings&) {
            struct Refuses : AlwaysConnects {
                bool ligar(const QString&, const QString&, const QString&, const QString&, const QString&) override {
                    return false;
                }
            };
            return std::make_unique<Refuses>();
        });
        QVERIFY(!b->executar());
        QCOMPARE(m_messages.all, QStringList{kErpFails});
        QCOMPARE(m_dialogs.sql, 0);
        QVERIFY(b->arranque().baseDados() == nullptr);
    }

    void emptyErpSettingOneOpensTheDialogOnceSettingTwoDoesNot() {
        FicheiroConfig f(configFile());
        f.gravar(ConfigSage::section(), QStringLiteral("Instancia"), QString());
        {
            auto a = arranque();
            QVERIFY(a->executar());
            QCOMPARE(m_dialogs.erp, 0);
        }
        f.gravar(ConfigSage::section(), QStringLiteral("Servidor"), QString());
        m_dialogs.erpFill = [](const QString& file) {
            FicheiroConfig c(file);
            c.gravar(ConfigSage::section(), QStringLiteral("Servidor"), QStringLiteral("local"));
        };
        auto a = arranque();
        QVERIFY(a->executar());  // what the dialog left is used
        QCOMPARE(m_dialogs.erp, 1);
    }

    void emptyLoginOpensTheDatabaseDialogOnceEmptyPasswordDoesNot() {
        FicheiroConfig f(configFile());
        // Nothing listens on port 1: the open fails at once, after the dialog question.
        ConfigSQL::gravar(f, SqlSettings{QStringLiteral("mssql"), QStringLiteral("127.0.0.1,1"),
                                         QStringLiteral("Empresa"), QStringLiteral("sa"), QString()});
        {
            auto a = arranque(fakeErp());
            QVERIFY(!a->executar());
            QCOMPARE(m_dialogs.sql, 0);
            QCOMPARE(m_messages.last(), kDbFails);
        }
        f.gravar(ConfigSQL::section(), QStringLiteral("Login"), QString());
        auto a = arranque(fakeErp());
        QVERIFY(!a->executar());
        QCOMPARE(m_dialogs.sql, 1);
        QCOMPARE(m_dialogs.catalogScript, QDir(m_program.path()).filePath(QStringLiteral("Catalogos/bd.sql")));
        QCOMPARE(m_dialogs.option, false);
        QCOMPARE(m_messages.last(), kDbFails);
    }

    void firstStartErpUsesTheDatabaseTheDialogSaved() {
        FicheiroConfig f(configFile());
        const SqlSettings guardadas = ConfigSQL::ler(f);
        // A first start: the ERP settings are there, the database settings are not.
        ConfigSQL::gravar(f, SqlSettings{guardadas.backend, {}, {}, {}, {}});
        m_dialogs.sqlFill = [guardadas](const QString& file) {
            FicheiroConfig c(file);
            ConfigSQL::gravar(c, guardadas);
        };
        auto a = arranque();  // the real local ERP
        QVERIFY(a->executar());
        QCOMPARE(m_dialogs.sql, 1);
        QVERIFY2(m_messages.all.isEmpty(), qPrintable(m_messages.all.join(u'|')));
        // The ERP reaches its documents without a restart: an unknown document is
        // "not found", not "no database".
        SessaoSage* erp = a->arranque().sessao();
        QVERIFY(erp && erp->ligado());
        ResultadoAnulacao r;
        long erro = 0;
        erp->anularDocumento(1, ChaveDocumento{2024, QStringLiteral("GR"), 1, 999999}, r, erro);
        QCOMPARE(erro, long(SessaoSageLocal::DocumentoInexistente));
    }

    void missingCatalogueIsCreatedAndParametersFailureIsShown() {
        // The demo's configuration pointed at a database with none of the program's tables.
        TempDatabase db(TempDatabase::Empty);
        FicheiroConfig f(configFile());
        ConfigSage{QStringLiteral("local"), QString(), QStringLiteral("X"), QStringLiteral("u"), QStringLiteral("p")}
            .gravar(f);
        ConfigSQL::gravar(f, db.settings());
        auto a = arranque(fakeErp());
        QVERIFY(a->executar());
        // No EMPRESA table here: the title stays empty and the operator is told why.
        QCOMPARE(a->janela()->windowTitle(), QString());
        QVERIFY(m_messages.all.value(0).startsWith(QStringLiteral("Ler Empresa ")));
        QVERIFY(!a->arranque().parametros().carregado());
    }
};

QTEST_MAIN(TestArranqueGui)
#include "arranquegui_test.moc"
