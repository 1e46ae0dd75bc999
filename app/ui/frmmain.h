#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

#include "app/ui/childforms.h"

class BaseDados;
class MonitorBalanca;
class OperatorMessages;
class ParametrosAplic;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QSettings;
class QUrl;
class SessaoSage;

// The program's only top-level window: a multiple-document frame whose menu opens
// the desks and the other forms as child windows, with the company name in its title
// and version, server and database in its status bar. It remembers its placement
// per user and ends the program when closed.
class FrmMain : public QMainWindow {
    Q_OBJECT
  public:
    struct Setup {
        QString configFile;
        QString programFolder;
        OperatorMessages* messages = nullptr;
        // Where the placement is kept; the per-user native store when null.
        std::unique_ptr<QSettings> placement;
    };

    // The placement is read here, before the window is first shown.
    explicit FrmMain(Setup setup, QWidget* parent = nullptr);
    ~FrmMain() override;

    // The shared database (set by start-up before the window is shown); handed to
    // every child window.
    void setBaseDados(BaseDados* db) { m_db = db; }
    BaseDados* baseDados() const { return m_db; }
    // The ERP session, disconnected when the window closes.
    void setSessao(SessaoSage* sessao) { m_sessao = sessao; }
    void setParametros(ParametrosAplic* parametros) { m_parametros = parametros; }
    // Enables the entries whose forms exist.
    void setChildForms(const ChildForms& forms);

    // Status bar panels 2, 3 and 4 (panels are numbered from 1).
    void setStatusTexts(const QString& versao, const QString& servidor, const QString& baseDados);
    QString panelText(int panel) const;

    // Puts "[" + company name + "]" in the title, or nothing when EMPRESA has no row.
    void getNomeEmpresa();

    QMdiArea* mdiArea() const { return m_mdi; }
    // Where a user's own copies of the ticket templates go ("mapas" beside the configuration).
    QString pastaModelosUtilizador() const;
    // How a folder is shown to the user (the system's file manager unless replaced).
    void setAbridorUrl(std::function<bool(const QUrl&)> f) { m_abrirUrl = std::move(f); }
    // 0 cascade, 1 tile horizontally, 2 tile vertically, 3 arrange minimised windows.
    void arranjar(int modo);
    // Shows a new child window inside the frame (it is deleted when closed), centred in
    // the client area and never outside it; the window grows to show the whole form.
    void abrirFilho(QWidget* form, const QString& title = {});

    // Placement in twips, as stored.
    static constexpr int kDefaultLeft = 1000, kDefaultTop = 1000, kDefaultWidth = 6500, kDefaultHeight = 6500;
    static std::unique_ptr<QSettings> nativePlacementStore();

  public slots:
    void acercaDe();
    void configurarErp();
    void configurarSql();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void listarModelos(QMenu* menu);
    void abrirPasta(const QString& pasta);
    void buildStatusBar();
    void fillWindowList();
    void lerPosicao();
    void gravarPosicao();
    double twipsPerPixel() const;
    FormContext context();
    void abrir(const ChildForms::Factory& make, const QString& title = {});
    void abrirModo(const ChildForms::ModeFactory& make, int modo, const QString& title = {});
    // Places a new child window in the client area (see abrirFilho).
    void colocarFilho(QMdiSubWindow* sub);

    QString m_configFile;
    QString m_programFolder;
    OperatorMessages* m_messages;
    std::unique_ptr<OperatorMessages> m_ownMessages;
    std::unique_ptr<QSettings> m_placement;
    BaseDados* m_db = nullptr;
    SessaoSage* m_sessao = nullptr;
    ParametrosAplic* m_parametros = nullptr;
    ChildForms m_forms;
    MonitorBalanca* m_monitor = nullptr;  // made with the first desk
    std::function<bool(const QUrl&)> m_abrirUrl;

    QMdiArea* m_mdi;
    QMenu* m_janelas = nullptr;
    QList<QAction*> m_windowListActions;
    QList<QLabel*> m_panels;
    QAction* m_entradas = nullptr;
    QAction* m_saidas = nullptr;
    QAction* m_envioFornecedores = nullptr;
    QAction* m_envioClientes = nullptr;
    QAction* m_taloesEntradas = nullptr;
    QAction* m_taloesSaidas = nullptr;
    QAction* m_parametrosAction = nullptr;
    QAction* m_relatorio = nullptr;
};
