#pragma once

#include <array>
#include <optional>

#include <QFont>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QVector>
#include <QWidget>
#include <functional>
#include <memory>

#include "desks/deskcore.h"
#include "desks/deskkind.h"

class ApiRegistry;
class MonitorBalanca;
class MostradorPeso;
struct PesoVivo;
class BaseDados;
class CampoEntrada;
class LookupProvider;
class OperacoesTalao;
class OperatorMessages;
class ParametrosAplic;
class SessaoSage;
class TicketActions;
class WeightSource;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QDateTimeEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTableWidget;
class QTabWidget;
class QTimer;
class QMdiSubWindow;

// The weighing desk's window, outgoing ("Saídas") or incoming ("Entradas") by its
// kind: it shows the desk core and hands it what the operator does. Every rule lives
// in the core; this class only mirrors it (the part each notice of the core names) and
// forwards key presses, leaving fields, list requests, clicks and row activations.
// Controls carry the desk's control names as objectName (campo_N, btlista_N, btConf...).
class DeskWindow : public QWidget {
    Q_OBJECT
  public:
    DeskWindow(const DeskKind& kind, BaseDados& db, ParametrosAplic& parametros, OperatorMessages& messages,
               SessaoSage& sessao, QWidget* parent = nullptr);
    ~DeskWindow() override;

    DeskCore& core() { return *m_core; }
    // Where weights come from (the window keeps it).
    void setBalanca(std::unique_ptr<WeightSource> balanca);
    // Tickets: printing (into `ficheiroImpressao` instead of a printer when given) and e-mail.
    void setOperacoesTalao(std::unique_ptr<OperacoesTalao> operacoes, const QString& ficheiroImpressao = {});
    // Replaces the lookup dialog (tests that pick in code).
    void setLookupProvider(std::unique_ptr<LookupProvider> lookup);
    // The program's live reader of the indicator (none: the live weight is off).
    void setMonitor(MonitorBalanca* monitor);

    // Reads today's figures again (after every action and every few seconds by itself).
    void actualizarFiguras();
    // How often the figures are read again without an action at this desk.
    static constexpr int kFigurasMs = 5000;
    // Rows of the history read at a time, as the list is scrolled.
    static constexpr int kPaginaHistorico = 100;

    // The grid's font: Verdana 8 where installed, else the system's sans font at 8 points.
    static QFont fonteGrelha();
    // Text compared without case or accents ("Sá" finds "sa", "SÃO" finds "sao").
    static QString semAcentos(const QString& texto);

  protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

  private:
    enum class Accao { Outra, Entrada, Peso, ConfPeso, CancPeso, Conf, CancFinal, Linha, Historico, Lista };

    void construir();
    QWidget* paginaTerceiro0();
    QWidget* paginaTerceiro1();
    QWidget* paginaObservacoes();
    QWidget* paginaCarga();
    QGroupBox* painelPesagem();
    QGroupBox* painelFinal();
    QGroupBox* cartaoResumo();
    CampoEntrada* novoCampo(Campo c);
    QPushButton* novoBotao(const QString& nome, const QString& texto, const QString& tooltip = {});
    QPushButton* botaoLista(Campo c, const QString& tooltip);
    QLabel* novaDescricao(const QString& nome);
    QLabel* novaUnidade();

    // The operator's action through the desk, guarded: one at a time, never while the
    // scale is read, and only after the field being left was accepted.
    void accao(Accao a, const std::function<void()>& f, bool validarAntes = true);
    bool campoComFocoAceite();
    // The whole desk shown again (when built); afterwards the core's notices update each part.
    void sincronizar();
    void mostrarCampo(Campo c);
    void mostrarRotulo(DeskCore::Rotulo r);
    void mostrarEcra();
    void mostrarValores();
    void mostrarEstado();
    void mostrarCartao();
    void mostrarGrelha();
    void encherGrelha();
    void focarDepois(Accao a);
    void focarAnterior(Campo c);
    void pesar();
    void fecharDesk();
    void mostrarPesoVivo(const PesoVivo& p);
    // The list as shown (sorted, filtered) over the desk's list.
    void activarLinhaVista(int linhaVista);
    void irParaLinha(bool primeira);
    void ordenarGrelha();
    void filtrarGrelha();
    void lerListaToda();
    void completarEcra();
    QWidget* barraFiguras();
    QWidget* widgetCampo(std::optional<Campo> c) const;
    void escreverCampo(Campo c, const QString& texto);

    // Message boxes of this desk keep this desk in front (see MensagensDesk).
    void antesDeMensagem();
    void depoisDeMensagem();
    QMdiSubWindow* subJanela() const;
    void guardarFoco(QWidget* agora);
    void restaurarFoco();

    const DeskKind& m_kind;
    BaseDados& m_db;
    std::unique_ptr<OperatorMessages> m_mensagens;  // the window's messages through this desk
    std::unique_ptr<ApiRegistry> m_registry;
    std::unique_ptr<LookupProvider> m_lookup;
    std::unique_ptr<WeightSource> m_balanca;
    std::unique_ptr<OperacoesTalao> m_operacoes;
    std::unique_ptr<TicketActions> m_talao;
    std::unique_ptr<DeskCore> m_core;  // last: goes first, before the services it points to

    std::array<QWidget*, kNumNomesCampo> m_campos = {};  // by name; the observations are a multi-line editor
    QList<Campo> m_ordem;                                // the fields in the order Tab visits them
    std::array<QPushButton*, kNumNomesCampo> m_listas = {};
    QLabel* m_titulo = nullptr;
    QLabel* m_estado = nullptr;
    QLabel* m_rotulos[6] = {};  // name, address, article, postal code, address type, (unused)
    QList<QLabel*> m_unidades;
    QTabWidget* m_tabs = nullptr;
    QStackedWidget* m_pilha = nullptr;
    QTableWidget* m_grelha = nullptr;
    QWidget* m_paginaGrelha = nullptr;
    QLineEdit* m_filtro = nullptr;
    int m_ordemColuna = -1;
    Qt::SortOrder m_ordemSentido = Qt::AscendingOrder;
    QWidget* m_pesquisa = nullptr;
    QDateEdit* m_histDe = nullptr;
    QDateEdit* m_histAte = nullptr;
    QDateEdit* m_dataPesagem = nullptr;
    QDateTimeEdit* m_dataCarga = nullptr;
    QDateTimeEdit* m_dataDescarga = nullptr;
    QComboBox* m_combo = nullptr;
    QCheckBox* m_check = nullptr;
    QGroupBox* m_frame3 = nullptr;
    QGroupBox* m_frame7 = nullptr;
    QGroupBox* m_resumo = nullptr;
    QWidget* m_coluna = nullptr;
    QLabel* m_legendaPeso = nullptr;
    QLabel* m_resumoFinal[4] = {};
    QLabel* m_cartao[6] = {};
    QHash<QString, QPushButton*> m_botoes;
    MostradorPeso* m_mostrador = nullptr;
    QPointer<MonitorBalanca> m_monitor;
    QPushButton* m_figuras = nullptr;
    QTableWidget* m_tabelaDia = nullptr;
    QTimer* m_relogioFiguras = nullptr;

    QStringList m_grelhaColunas;
    QVector<QStringList> m_grelhaLinhas;
    std::optional<Pagina> m_tabAplicado;
    bool m_aSincronizar = false;
    bool m_ocupado = false;   // an action is running (its message boxes spin the event loop)
    bool m_aPesar = false;    // the scale is being read
    bool m_recusado = false;  // the field being left was just refused
    bool m_fecharDepois = false;
    bool m_fechado = false;
    QPointer<QWidget> m_ultimoFoco;  // where the operator left the focus in this desk
    QPointer<QWidget> m_focoAntesMensagem;
    QPointer<QWidget> m_paiMensagens;  // the message boxes' own parent, given back after each box
    QPointer<QMdiSubWindow> m_sub;     // the MDI window this desk lives in (watched for activation)
    int m_mensagensAbertas = 0;
    bool m_aActivar = false;

    friend class MensagensDesk;
};
