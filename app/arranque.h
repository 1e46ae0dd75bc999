#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "base/basedados.h"
#include "base/catalogo.h"
#include "base/configsage.h"
#include "desks/erpreconciler.h"
#include "erp/sessaosage.h"
#include "records/parametrosaplic.h"

class OperatorMessages;
class StartupDialogs;

// The start-up routine without its windows: configuration file, ERP session,
// database, catalogue and version check, parameters. The GUI adds the main window
// between the catalogue and the parameters; the command-line tool runs it as is.
class Arranque {
  public:
    using ErpFactory = std::function<std::unique_ptr<SessaoSage>(const SqlSettings&)>;

    enum class Falha { Nenhuma, Configuracao, Erp, BaseDados };

    Arranque(QString programFolder, QString argument, OperatorMessages& messages, StartupDialogs& dialogs,
             ErpFactory erpFactory = {});

    // Steps 1 and 2: the configuration file in use.
    QString configFile() const { return m_configFile; }

    // Steps 3 to 6. False on a fatal failure (its message already shown).
    bool ligar();
    // Step 10.
    bool lerParametros();

    // Open notes of ERP writes cut short are settled by ligar() (and the operator told),
    // unless turned off here (balantrix-cli erp reconcile settles and reports itself).
    void setAcertarNotas(bool v) { m_acertarNotas = v; }
    const QList<ReconciliationResult>& acertos() const { return m_acertos; }

    Falha falha() const { return m_falha; }
    SessaoSage* sessao() const { return m_sessao.get(); }
    BaseDados* baseDados() const { return m_db.get(); }
    ParametrosAplic& parametros() { return m_parametros; }
    const SqlSettings& sqlSettings() const { return m_sql; }
    const Catalogo::Resultado& catalogo() const { return m_catalogo; }
    bool catalogoCriado() const { return m_catalogoCriado; }
    QString programFolder() const { return m_programFolder; }

    // Hands the two run-long objects over (to the main window).
    std::unique_ptr<SessaoSage> takeSessao() { return std::move(m_sessao); }
    std::unique_ptr<BaseDados> takeBaseDados() { return std::move(m_db); }

    static QString catalogScriptPath(const QString& programFolder);

  private:
    bool ligarErp();
    bool abrirBaseDados();
    bool criarSessao(const SqlSettings& sql);
    bool ligarErpBaseDados();
    bool prepararCatalogo();
    void garantirTabelasRastreio();
    void acertarNotas();
    // SQLite over a network share: the operator is warned, the start goes on.
    void avisarSeEmRede();

    QString m_programFolder;
    QString m_configFile;
    OperatorMessages& m_messages;
    StartupDialogs& m_dialogs;
    ErpFactory m_erpFactory;
    std::unique_ptr<SessaoSage> m_sessao;
    std::unique_ptr<BaseDados> m_db;
    ParametrosAplic m_parametros;
    SqlSettings m_sql;
    SqlSettings m_sqlSessao;  // the database settings the ERP session was made with
    ConfigSage m_erp;
    Catalogo::Resultado m_catalogo;
    bool m_catalogoCriado = false;
    bool m_acertarNotas = true;
    QList<ReconciliationResult> m_acertos;
    Falha m_falha = Falha::Nenhuma;
};
