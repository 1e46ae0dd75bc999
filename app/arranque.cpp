#include "app/arranque.h"

#include <QDir>

#include "app/startupdialogs.h"
#include "base/configlocation.h"
#include "base/configsage.h"
#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "base/operatormessages.h"
#include "base/pastarede.h"
#include "base/programfiles.h"
#include "base/programinfo.h"
#include "erp/sessaosagelocal.h"
#include "output/chaveinstalacao.h"
#include "records/tabelasrastreio.h"

Arranque::Arranque(QString programFolder, QString argument, OperatorMessages& messages, StartupDialogs& dialogs,
                   ErpFactory erpFactory)
    : m_programFolder(std::move(programFolder)),
      m_messages(messages),
      m_dialogs(dialogs),
      m_erpFactory(std::move(erpFactory)) {
    m_configFile = ConfigLocation::configFile(m_programFolder, argument);
    if (!m_erpFactory) m_erpFactory = [](const SqlSettings& s) { return std::make_unique<SessaoSageLocal>(s); };
}

QString Arranque::catalogScriptPath(const QString& programFolder) {
    return QDir(ProgramFiles::dataFolder(programFolder)).filePath(QStringLiteral("Catalogos/bd.sql"));
}

bool Arranque::ligar() {
    if (!ligarErp() || !abrirBaseDados() || !ligarErpBaseDados() || !prepararCatalogo()) return false;
    if (m_acertarNotas) acertarNotas();
    return true;
}

void Arranque::acertarNotas() {
    // Only where the notes table is there (it is made with the indexes).
    try {
        if (!m_db->tableExists(IntentNotes::tableName())) return;
    } catch (const DbError&) {
        return;
    }
    m_acertos = ErpReconciler(*m_db, *m_sessao).settleAll();
    QList<ReconciliationResult> contar;
    for (const ReconciliationResult& r : m_acertos)
        if (r.action != ReconciliationResult::Action::Waiting) contar << r;
    const QString texto = ErpReconciler::textoOperador(contar);
    if (!texto.isEmpty())
        m_messages.mostrarAviso(OperatorMessages::Informacao,
                                QStringLiteral("Operações do ERP interrompidas na última utilização:\r\n") + texto);
}

bool Arranque::ligarErp() {
    FicheiroConfig file(m_configFile);
    if (const QString erro = file.erro(); !erro.isEmpty()) {
        m_messages.mensagem(erro);
        m_falha = Falha::Configuracao;
        return false;
    }
    ConfigSage erp = ConfigSage::ler(file);
    if (!erp.missing().isEmpty()) {
        if (!m_dialogs.configurarErp(m_configFile, erp.missing())) {
            m_falha = Falha::Configuracao;
            return false;
        }
        erp = ConfigSage::ler(file);
    }
    m_erp = erp;
    // The ERP works on the configured database through its own connection.
    return criarSessao(ConfigSQL::ler(file));
}

bool Arranque::criarSessao(const SqlSettings& sql) {
    if (m_sessao) m_sessao->desligar();
    m_sqlSessao = sql;
    m_sessao = m_erpFactory(sql);
    m_sessao->setOpcao(2);
    if (!m_sessao->ligar(m_erp.servidor, m_erp.instancia, m_erp.empresa, m_erp.utilizador, m_erp.password)) {
        m_messages.mensagem(QStringLiteral("Não foi possivel ligar ao Sage 100c ..."));
        m_falha = Falha::Erp;
        return false;
    }
    return true;
}

bool Arranque::ligarErpBaseDados() {
    // On a first start the database settings come from their dialog, after the ERP
    // session was made with the empty ones: it is made again on the saved settings.
    const auto igual = [](const SqlSettings& a, const SqlSettings& b) {
        return a.backend == b.backend && a.servidor == b.servidor && a.baseDados == b.baseDados && a.login == b.login &&
               a.password == b.password;
    };
    return igual(m_sqlSessao, m_sql) || criarSessao(m_sql);
}

bool Arranque::abrirBaseDados() {
    FicheiroConfig file(m_configFile);
    m_sql = ConfigSQL::ler(file);
    if (!m_sql.missing().isEmpty()) {
        if (!m_dialogs.configurarSql(m_configFile, catalogScriptPath(m_programFolder), false, m_sql.missing())) {
            m_falha = Falha::Configuracao;
            return false;
        }
        m_sql = ConfigSQL::ler(file);
    }
    m_db = std::make_unique<BaseDados>();
    if (!m_db->abrir(m_sql)) {
        m_messages.mensagem(QStringLiteral("Não foi possivel Abrir a base de dados indicada !"));
        m_falha = Falha::BaseDados;
        return false;
    }
    avisarSeEmRede();
    return true;
}

void Arranque::avisarSeEmRede() {
    if (m_sql.kind() != Backend::Sqlite) return;
    const QString rede = PastaRede::sistemaDe(m_sql.baseDados.trimmed());
    if (rede.isEmpty()) return;
    m_messages.mostrarEstado(OperatorMessages::Exclamacao,
                             QStringLiteral("A base de dados %1 está numa pasta de rede (%2). Uma base de dados SQLite "
                                            "serve um só computador e, aberta através da rede, pode ficar danificada. "
                                            "Para vários postos de pesagem use o PostgreSQL ou o SQL Server.")
                                 .arg(m_sql.baseDados.trimmed(), rede));
}

bool Arranque::prepararCatalogo() {
    Catalogo catalogo(*m_db, m_messages, ProgramInfo::version());
    if (!catalogo.existe()) {
        try {
            catalogo.criarCatalogoBase();
            m_catalogoCriado = true;
        } catch (const DbError& e) {
            m_messages.mensagem(e.descricao());
            m_falha = Falha::BaseDados;
            return false;
        }
    }
    m_catalogo = catalogo.verificarVersao(m_catalogoCriado);
    // Indexes only on a catalogue at the current version: an older one is still to be
    // upgraded (its tables may change, and an index would block SQL Server's ALTER COLUMN).
    if (m_catalogo.ok && m_catalogo.versaoCatalogo >= Catalogo::kCurrentVersion) catalogo.garantirIndices();
    if (m_catalogo.ok) garantirTabelasRastreio();
    return true;
}

bool Arranque::lerParametros() {
    return m_db && m_parametros.ler(*m_db, m_messages, QStringLiteral("1"));
}

void Arranque::garantirTabelasRastreio() {
    try {
        TabelasRastreio::garantir(*m_db);
    } catch (const DbError& e) {
        // The program still starts; every reading it cannot log is refused at the desk.
        m_messages.mostrarEstado(OperatorMessages::Exclamacao,
                                 QStringLiteral("Não foi possível criar as tabelas do registo alibi.\r\n") + e.texto());
        return;
    }
    // A signing key an earlier version left in the database leaves it now.
    const QString chave = ChaveInstalacao::migrar(*m_db);
    if (!chave.isEmpty())
        m_messages.mostrarEstado(
            OperatorMessages::Exclamacao,
            QStringLiteral("Não foi possível retirar a chave de assinatura da base de dados.\r\n") + chave);
}
