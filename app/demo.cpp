#include "app/demo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/tabelasinstalacao.h"
#include "base/basedados.h"
#include "base/catalogo.h"
#include "base/configlocation.h"
#include "base/configsage.h"
#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "base/operatormessages.h"
#include "base/programinfo.h"
#include "desks/demopesagens.h"
#include "erp/demodata.h"
#include "erp/erpschema.h"
#include "records/tabelasrastreio.h"

namespace {

void removeDatabaseFiles(const QString& path) {
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + suffix);
}

void gravarParametros(BaseDados& db) {
    const QList<ProcParam> p = {
        {QStringLiteral("Numero"), QStringLiteral("1"), ProcParam::SmallInt},
        {QStringLiteral("ArmCentral"), QStringLiteral("A1"), ProcParam::Text, 6},
        {QStringLiteral("TpGuiaEntMP"), QStringLiteral("GEM"), ProcParam::Text, 3},
        {QStringLiteral("SeGuiaEntMP"), QStringLiteral("1"), ProcParam::SmallInt},
        {QStringLiteral("TpGuiaEntMS"), QStringLiteral("GES"), ProcParam::Text, 3},
        {QStringLiteral("SeGuiaEntMS"), QStringLiteral("1"), ProcParam::SmallInt},
        {QStringLiteral("TpSaida"), QStringLiteral("GR"), ProcParam::Text, 3},
        {QStringLiteral("SeSaida"), QStringLiteral("1"), ProcParam::SmallInt},
        {QStringLiteral("Sector"), QStringLiteral("PES"), ProcParam::Text, 3},
        {QStringLiteral("ArmSaida"), QStringLiteral("A2"), ProcParam::Text, 6},
        {QStringLiteral("NoVias"), QStringLiteral("2"), ProcParam::SmallInt},
    };
    db.procedimento(QStringLiteral("sp_kel_Gravar_PES_Param_Aplic"), p);
}

void gravarConfiguracao(const QString& configFile, const SqlSettings& sql, const QString& folder) {
    QFile::remove(configFile);
    FicheiroConfig f(configFile);
    ConfigSage{QStringLiteral("local"), QString(), Demo::empresa(), Demo::utilizador(), Demo::password()}.gravar(f);
    ConfigSQL::gravar(f, sql);
    f.gravar(QStringLiteral("EMAIL"), QStringLiteral("Assunto"), QStringLiteral("Talão de pesagem"));
    f.gravar(QStringLiteral("EMAIL"), QStringLiteral("Mensagem"),
             QStringLiteral("Junto enviamos o talão de pesagem. Com os melhores cumprimentos."));
    f.gravar(QStringLiteral("EMAIL"), QStringLiteral("CC"), QString());
    f.gravar(QStringLiteral("EMAIL"), QStringLiteral("BCC"), QString());
    f.gravar(QStringLiteral("PDF"), QStringLiteral("Pasta"), QDir(folder).filePath(QStringLiteral("PDF")));
    f.gravar(QStringLiteral("SMTP"), QStringLiteral("Servidor"), QStringLiteral("127.0.0.1"));
    f.gravar(QStringLiteral("SMTP"), QStringLiteral("Porta"), QStringLiteral("2525"));
    f.gravar(QStringLiteral("SMTP"), QStringLiteral("Seguranca"), QStringLiteral("nenhuma"));
    f.gravar(QStringLiteral("SMTP"), QStringLiteral("Utilizador"), QString());
    f.gravar(QStringLiteral("SMTP"), QStringLiteral("Password"), QString());
    f.gravar(QStringLiteral("SMTP"), QStringLiteral("NomeEmissor"), QStringLiteral("Agro-Pecuária do Vale, Lda."));
    f.gravar(QStringLiteral("SMTP"), QStringLiteral("emailEmissor"), QStringLiteral("pesagens@agrovale.example"));
    f.gravar(QStringLiteral("PRINT"), QStringLiteral("Impressora"), QString());
}

// The last steps of either demo: its configuration file and its PDF folder.
Demo::Resultado concluir(Demo::Resultado r, const SqlSettings& sql, const QString& folder) {
    try {
        gravarConfiguracao(r.configFile, sql, folder);
    } catch (const std::exception& e) {
        r.mensagem = QString::fromStdString(e.what());
        return r;
    }
    QDir().mkpath(QDir(folder).filePath(QStringLiteral("PDF")));
    r.ok = true;
    return r;
}

}  // namespace

namespace {

// The demo's company, catalogue, parameters and weighings in an open database.
void preencherDemo(BaseDados& db, const SqlSettings& sql) {
    ErpSchema::criar(db, Demo::empresa(), Demo::utilizador(), Demo::password());
    DemoData::preencher(db);
    MensagensCaladas messages;
    Catalogo catalogo(db, messages, ProgramInfo::version());
    catalogo.criarCatalogoBase();
    const Catalogo::Resultado check = catalogo.verificarVersao(true);
    if (!check.ok) throw DbError(-1, messages.last);
    if (!catalogo.garantirIndices().ok) throw DbError(-1, messages.last);
    TabelasRastreio::garantir(db);
    gravarParametros(db);
    DemoPesagens::criar(db, sql, Demo::empresa(), Demo::utilizador(), Demo::password());
}

void apagarTabelas(BaseDados& db) {
    for (const QString& t : TabelasInstalacao::presentes(db))
        db.executar(QStringLiteral("DROP TABLE IF EXISTS %1").arg(t));
}

// The configuration folder made and the file named; refused (a message) when the folder
// cannot be made or a configuration is there already and --force was not given.
Demo::Resultado prepararConfiguracao(const QString& folder, const QString& configName, bool force,
                                     const QString& database) {
    Demo::Resultado r;
    if (!QDir().mkpath(folder)) {
        r.mensagem = QStringLiteral("Não foi possível criar a pasta ") + folder;
        return r;
    }
    r.configFile =
        QDir::cleanPath(folder + QLatin1Char('/') +
                        (configName.trimmed().isEmpty() ? ConfigLocation::defaultFileName() : configName.trimmed()));
    r.database = database;
    if (QFileInfo::exists(r.configFile) && !force)
        r.mensagem =
            QStringLiteral("Já existe uma configuração em %1. Use --force para a substituir.").arg(r.configFile);
    return r;
}

}  // namespace

Demo::Resultado Demo::criarEmServidor(const QString& configName, bool force, const SqlSettings& servidor) {
    const QString folder = ConfigLocation::norvakFolder();
    Resultado r = prepararConfiguracao(folder, configName, force,
                                       servidor.servidor.trimmed() + QLatin1Char('/') + servidor.baseDados.trimmed());
    if (!r.mensagem.isEmpty()) return r;
    BaseDados db(QStringLiteral("balantrix_demo"));
    if (!db.abrir(servidor)) {
        r.mensagem = db.ultimoErro();
        return r;
    }
    try {
        const int tabelas = db.escalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.tables WHERE "
                                                      "table_schema = current_schema()"))
                                .toInt();
        if (tabelas > 0) {
            // Weighings are never replaced, --force or not.
            if (db.tableExists(QStringLiteral("kel_PES_Historico")) &&
                db.escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico")).toLongLong() > 0) {
                r.mensagem =
                    QStringLiteral("A base de dados %1 tem pesagens: a demonstração não a substitui.").arg(r.database);
                return r;
            }
            if (!force) {
                r.mensagem = QStringLiteral(
                                 "A base de dados %1 não está vazia. Use --force para substituir as "
                                 "tabelas do programa (não tem pesagens).")
                                 .arg(r.database);
                return r;
            }
            apagarTabelas(db);
        }
        preencherDemo(db, servidor);
    } catch (const ErroOperacao& e) {
        // Nothing half made stays behind: the next try starts from an empty database.
        try {
            apagarTabelas(db);
        } catch (const DbError&) {
        }
        r.mensagem = QStringLiteral("Erro ao criar a demonstração em %1: %2").arg(r.database, e.texto());
        return r;
    }
    db.fechar();
    return concluir(r, servidor, folder);
}

Demo::Resultado Demo::criar(const QString& configName, bool force) {
    const QString folder = ConfigLocation::norvakFolder();
    Resultado r = prepararConfiguracao(folder, configName, force, QDir(folder).filePath(databaseFileName()));
    if (!r.mensagem.isEmpty()) return r;
    // The database is shared by every configuration of the folder: another configuration
    // name does not make it free to replace.
    if (QFileInfo::exists(r.database) && !force) {
        r.mensagem =
            QStringLiteral("Já existe uma base de dados em %1. Use --force para a substituir.").arg(r.database);
        return r;
    }
    // Build the database under a temporary name so that a failure leaves nothing behind.
    const QString building = r.database + QStringLiteral(".novo");
    removeDatabaseFiles(building);
    try {
        BaseDados db(QStringLiteral("balantrix_demo"));
        SqlSettings sql{QStringLiteral("sqlite"), QStringLiteral("local"), building, QString(), QString()};
        if (!db.abrir(sql, BaseDados::OpenMode::CreateIfMissing)) throw DbError(-1, db.ultimoErro());
        preencherDemo(db, sql);
        db.executar(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        db.fechar();
    } catch (const ErroOperacao& e) {
        removeDatabaseFiles(building);
        r.mensagem = QStringLiteral("Erro ao criar a base de dados de demonstração: ") + e.texto();
        return r;
    }
    removeDatabaseFiles(r.database);
    if (!QFile::rename(building, r.database)) {
        removeDatabaseFiles(building);
        r.mensagem = QStringLiteral("Não foi possível criar o ficheiro ") + r.database;
        return r;
    }
    removeDatabaseFiles(building);
    return concluir(r, SqlSettings{QStringLiteral("sqlite"), QStringLiteral("local"), r.database, QString(), QString()},
                    folder);
}
