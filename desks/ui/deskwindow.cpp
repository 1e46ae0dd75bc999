#include "desks/ui/deskwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "base/basedados.h"
#include "base/datasbase.h"
#include "desks/deskcore.h"
#include "desks/figurasdia.h"
#include "desks/ui/deskteclado.h"
#include "desks/ui/listadesk.h"
#include "desks/ui/mostradorpeso.h"
#include "desks/ui/talaodesk.h"
#include "erp/apiregistry.h"
#include "output/operacoestalao.h"
#include "scale/monitorbalanca.h"
#include "widgets/campoentrada.h"
#include "widgets/listapesquisa.h"
#include "widgets/messageboxes.h"

namespace {

// The desk's tab colour (RGB 213, 222, 242) frames the title band.
const char* kEstilo = R"(
#cabecalho { background: #d5def2; border-bottom: 1px solid #aab6d3; }
#Label1 { font-size: 15pt; font-weight: 600; color: #1f2a44; }
#lblSubtitulo { color: #47536e; }
QLabel[descricao="true"] { color: #2d4f8a; }
QLabel[unidade="true"] { color: #5c6573; }
QLineEdit[leitura="true"] { font-size: 26pt; font-weight: 700; padding: 2px 8px; }
#lblLegendaPeso { font-size: 12pt; font-weight: 600; }
#Frame3, #Frame7, #Resumo { font-weight: 600; }
#Frame3 QLabel, #Frame7 QLabel, #Resumo QLabel, #Frame3 QPushButton, #Frame7 QPushButton { font-weight: normal; }
QLabel[peso="true"] { font-size: 13pt; font-weight: 600; }
#lblResumo_3 { font-size: 13pt; font-weight: 600; }
#barraFiguras { background: #eef2fa; border-bottom: 1px solid #cfd7e8; }
#btFigurasDia { text-align: left; font-size: 11pt; font-weight: 600; color: #1f2a44; border: none; padding: 4px 8px; }
#btFigurasDia:hover { background: #dfe6f5; }
#lblEstado { background: #e3f1e0; color: #1d4a17; border-bottom: 1px solid #b7d6b0; padding: 6px 14px; font-weight: 600; }
CampoEntrada[readOnly="true"], QPlainTextEdit[readOnly="true"] { background: palette(window); color: #3c4250; }
)";

// A list cell that sorts by its key (dates as yyyy-MM-dd, numbers by value), not its text.
class CelulaLista : public QTableWidgetItem {
  public:
    explicit CelulaLista(const QString& texto) : QTableWidgetItem(texto) {
        static const QRegularExpression data(QStringLiteral("^(\\d\\d)-(\\d\\d)-(\\d{4})(.*)$"));
        const QRegularExpressionMatch m = data.match(texto);
        m_chave = m.hasMatch() ? m.captured(3) + m.captured(2) + m.captured(1) + m.captured(4) : texto;
        m_numero = texto.toLongLong(&m_eNumero);
    }
    bool operator<(const QTableWidgetItem& outro) const override {
        const auto& o = static_cast<const CelulaLista&>(outro);
        if (m_eNumero && o.m_eNumero) return m_numero < o.m_numero;
        return QString::localeAwareCompare(m_chave, o.m_chave) < 0;
    }

  private:
    QString m_chave;
    qlonglong m_numero = 0;
    bool m_eNumero = false;
};

}  // namespace

QString DeskWindow::semAcentos(const QString& texto) {
    const QString d = texto.normalized(QString::NormalizationForm_D);
    QString r;
    r.reserve(d.size());
    for (QChar c : d)
        if (c.category() != QChar::Mark_NonSpacing) r += c;
    return r.toCaseFolded();
}

// The operator messages of one desk: the desk's own window is brought forward before
// its box and stays in front after it (with two desks open the other never comes
// forward), and the box is parented to the desk.
class MensagensDesk : public OperatorMessages {
  public:
    MensagensDesk(DeskWindow& w, OperatorMessages& m) : m_w(w), m_m(m) {}
    bool mostrarAviso(int tipo, const QString& texto) override {
        m_w.antesDeMensagem();
        const bool r = m_m.mostrarAviso(tipo, texto);
        m_w.depoisDeMensagem();
        return r;
    }
    void mostrarEstado(int estado, const QString& texto) override {
        m_w.antesDeMensagem();
        m_m.mostrarEstado(estado, texto);
        m_w.depoisDeMensagem();
    }
    void mensagem(const QString& texto) override {
        m_w.antesDeMensagem();
        m_m.mensagem(texto);
        m_w.depoisDeMensagem();
    }
    void progresso(const QString& texto, int feito, int total) override { m_m.progresso(texto, feito, total); }
    OperatorMessages& interior() { return m_m; }

  private:
    DeskWindow& m_w;
    OperatorMessages& m_m;
};

DeskWindow::DeskWindow(const DeskKind& kind, BaseDados& db, ParametrosAplic& parametros, OperatorMessages& messages,
                       SessaoSage& sessao, QWidget* parent)
    : QWidget(parent),
      m_kind(kind),
      m_db(db),
      m_mensagens(std::make_unique<MensagensDesk>(*this, messages)),
      m_registry(std::make_unique<ApiRegistry>()),
      m_lookup(std::make_unique<ListaDesk>(db, *m_mensagens, this)),
      m_core(std::make_unique<DeskCore>(kind, db, parametros, *m_mensagens, sessao, *m_registry)) {
    setObjectName(kind.entrada ? QStringLiteral("Entradas") : QStringLiteral("Saidas"));
    setWindowTitle(kind.caption);
    m_core->setLookupProvider(m_lookup.get());
    // A month of history is thousands of rows: the list reads them as it is scrolled.
    m_core->setHistoricoPorPaginas(kPaginaHistorico);
    construir();
    connect(m_core.get(), &DeskCore::alterado, this, [this] {
        if (!m_fechado) sincronizar();
    });
    connect(m_core.get(), &DeskCore::fecharPedido, this, [this] {
        // Asked from inside a key press or a click: close once that has returned.
        QTimer::singleShot(0, this, [this] { fecharDesk(); });
    });
    connect(m_core.get(), &DeskCore::avancarFoco, this, [this](Campo i) {
        if (auto* c = qobject_cast<CampoEntrada*>(widgetCampo(i))) {
            c->setFocus(Qt::OtherFocusReason);
            c->avancar();
        }
    });
    sincronizar();
    m_tabAplicado.reset();
    resize(980, 580);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* agora) { guardarFoco(agora); });
}

QMdiSubWindow* DeskWindow::subJanela() const {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) return sub;
    return nullptr;
}

void DeskWindow::guardarFoco(QWidget* agora) {
    // Where the operator leaves the focus, not where switching windows moves it.
    if (m_fechado || m_aActivar || !agora || !isAncestorOf(agora)) return;
    m_ultimoFoco = agora;
}

void DeskWindow::restaurarFoco() {
    m_aActivar = false;
    if (m_fechado || !m_ultimoFoco) return;
    QWidget* w = m_ultimoFoco;
    if (!w->isVisible() || !w->isEnabled() || QApplication::activeModalWidget()) return;
    // Only while this desk is the one in front, and never taking the focus from another window.
    if (!m_sub || !m_sub->mdiArea() || m_sub->mdiArea()->activeSubWindow() != m_sub) return;
    QWidget* agora = QApplication::focusWidget();
    if (agora && agora != m_sub && !m_sub->isAncestorOf(agora)) return;
    if (agora != w) w->setFocus(Qt::OtherFocusReason);
}

void DeskWindow::antesDeMensagem() {
    if (m_mensagensAbertas++ == 0) {
        m_focoAntesMensagem = QApplication::focusWidget();
        if (auto* boxes = dynamic_cast<MessageBoxes*>(&static_cast<MensagensDesk*>(m_mensagens.get())->interior())) {
            m_paiMensagens = boxes->parent();
            boxes->setParent(this);
        }
    }
    if (QMdiSubWindow* sub = subJanela(); sub && sub->mdiArea() && sub->mdiArea()->activeSubWindow() != sub)
        sub->mdiArea()->setActiveSubWindow(sub);
}

void DeskWindow::depoisDeMensagem() {
    if (--m_mensagensAbertas > 0) return;
    if (auto* boxes = dynamic_cast<MessageBoxes*>(&static_cast<MensagensDesk*>(m_mensagens.get())->interior()))
        boxes->setParent(m_paiMensagens);
    if (m_fechado) return;
    // The box gave the activation back to the main window: this desk stays the one in front.
    if (isVisible() && !window()->isActiveWindow()) window()->activateWindow();
    if (QMdiSubWindow* sub = subJanela(); sub && sub->mdiArea() && sub->mdiArea()->activeSubWindow() != sub)
        sub->mdiArea()->setActiveSubWindow(sub);
    if (m_focoAntesMensagem && isAncestorOf(m_focoAntesMensagem) && m_focoAntesMensagem->isVisible() &&
        m_focoAntesMensagem->isEnabled())
        m_focoAntesMensagem->setFocus(Qt::OtherFocusReason);
}

DeskWindow::~DeskWindow() {
    // Fields losing the focus while the window goes must not reach a core being destroyed.
    m_fechado = true;
}

void DeskWindow::setBalanca(std::unique_ptr<WeightSource> balanca) {
    m_balanca = std::move(balanca);
    m_core->setWeightSource(m_balanca.get());
}

void DeskWindow::setOperacoesTalao(std::unique_ptr<OperacoesTalao> operacoes, const QString& ficheiroImpressao) {
    m_core->setTicketActions(nullptr);
    m_talao.reset();
    m_operacoes = std::move(operacoes);
    if (m_operacoes) m_talao = std::make_unique<TalaoDesk>(*m_operacoes, ficheiroImpressao);
    m_core->setTicketActions(m_talao.get());
}

void DeskWindow::setMonitor(MonitorBalanca* monitor) {
    if (m_monitor) {
        m_monitor->disconnect(this);
        m_monitor->libertar(this);
    }
    m_monitor = monitor;
    if (!m_monitor) {
        m_mostrador->mostrar({});
        return;
    }
    connect(m_monitor, &MonitorBalanca::mudou, this, [this](const PesoVivo& p) { mostrarPesoVivo(p); });
    m_monitor->registar(this);
    mostrarPesoVivo(m_monitor->estado());
}

void DeskWindow::mostrarPesoVivo(const PesoVivo& p) {
    if (m_fechado) return;
    // Without the live reader this desk's own reading still says it is under way (with
    // it, the reader itself says so for every desk while the port is lent).
    m_mostrador->mostrar(m_aPesar && !m_monitor ? PesoVivo{PesoVivo::ALer, 0} : p);
}

QWidget* DeskWindow::barraFiguras() {
    auto* barra = new QFrame(this);
    barra->setObjectName(QStringLiteral("barraFiguras"));
    auto* l = new QVBoxLayout(barra);
    l->setContentsMargins(6, 0, 6, 0);
    l->setSpacing(0);
    m_figuras = new QPushButton(barra);
    m_figuras->setObjectName(QStringLiteral("btFigurasDia"));
    m_figuras->setFlat(true);
    m_figuras->setAutoDefault(false);
    m_figuras->setFocusPolicy(Qt::NoFocus);
    m_figuras->setCursor(Qt::PointingHandCursor);
    m_figuras->setToolTip(QStringLiteral("Hoje nesta balança; clique ou F9 mostra por artigo."));
    l->addWidget(m_figuras);
    m_tabelaDia = new QTableWidget(0, 5, barra);
    m_tabelaDia->setObjectName(QStringLiteral("tabelaDia"));
    m_tabelaDia->setHorizontalHeaderLabels({QStringLiteral("Artigo"), QStringLiteral("Concluídas"),
                                            QStringLiteral("Pendentes"), QStringLiteral("Líquido (kg)"),
                                            QStringLiteral("Efectivo (kg)")});
    m_tabelaDia->verticalHeader()->hide();
    m_tabelaDia->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tabelaDia->setFocusPolicy(Qt::NoFocus);
    m_tabelaDia->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tabelaDia->horizontalHeader()->setStretchLastSection(true);
    m_tabelaDia->setMaximumHeight(150);
    m_tabelaDia->hide();
    l->addWidget(m_tabelaDia);
    connect(m_figuras, &QPushButton::clicked, this, [this] { m_tabelaDia->setVisible(!m_tabelaDia->isVisible()); });
    auto* f9 =
        new QShortcut(QKeySequence(QStringLiteral("F9")), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(f9, &QShortcut::activated, m_figuras, &QPushButton::click);
    m_relogioFiguras = new QTimer(this);
    m_relogioFiguras->setInterval(kFigurasMs);
    connect(m_relogioFiguras, &QTimer::timeout, this, [this] {
        // Not under a running action: its transaction and message boxes come first.
        if (!m_ocupado && !m_aPesar && isVisible()) actualizarFiguras();
    });
    m_relogioFiguras->start();
    return barra;
}

void DeskWindow::actualizarFiguras() {
    if (m_fechado) return;
    FigurasDia f;
    try {
        f = FigurasDia::ler(m_db, m_kind.tipo, QDate::currentDate());
    } catch (const DbError& e) {
        m_figuras->setText(QStringLiteral("Hoje: não foi possível ler os números do dia (%1)").arg(e.texto()));
        return;
    }
    m_figuras->setText(QStringLiteral("Hoje: ") + f.resumo());
    m_tabelaDia->setRowCount(int(f.artigos.size()));
    for (int r = 0; r < f.artigos.size(); ++r) {
        const FigurasDia::Linha& a = f.artigos[r];
        const QStringList celulas = {a.artigo, QString::number(a.concluidas), QString::number(a.pendentes),
                                     a.liquido.format(), a.efectivo.format()};
        for (int c = 0; c < celulas.size(); ++c) {
            auto* item = m_tabelaDia->item(r, c);
            if (!item) m_tabelaDia->setItem(r, c, item = new QTableWidgetItem);
            item->setText(celulas[c]);
            item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
        }
    }
}

void DeskWindow::setLookupProvider(std::unique_ptr<LookupProvider> lookup) {
    m_lookup = std::move(lookup);
    m_core->setLookupProvider(m_lookup.get());
}

QFont DeskWindow::fonteGrelha() {
    if (QFontDatabase::families().contains(QStringLiteral("Verdana"))) return QFont(QStringLiteral("Verdana"), 8);
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(8);
    return f;
}

// ---------------------------------------------------------------- building

CampoEntrada* DeskWindow::novoCampo(Campo i) {
    // The widget carries the field's window index: its object name (campo_N) is what tests and screenshots find.
    auto* c = new CampoEntrada(m_kind.tabela().indice(i), this);
    c->setToolTip(m_kind.tabela().campo(i)->dica);
    c->setMaxLength(m_core->campoMaximo(i));
    m_campos[size_t(i)] = c;
    m_ordem << i;
    connect(c, &QLineEdit::textEdited, this, [this, i](const QString& t) {
        if (m_aSincronizar || m_fechado) return;
        m_recusado = false;
        m_core->escrever(i, t);
    });
    connect(c, &CampoEntrada::validar, this, [this, i](int, bool& cancelar) {
        if (m_fechado) return;
        cancelar = !m_core->sair(i);
        if (cancelar) {
            // The click that moved the focus away must not act on the refused field;
            // the next one may (the warning is given once per edit).
            m_recusado = true;
            QTimer::singleShot(0, this, [this] { m_recusado = false; });
        }
    });
    connect(c, &CampoEntrada::escape, this, [this, i](int) {
        if (m_fechado || m_ocupado || m_aPesar) return;
        m_core->escape(i);
        if (i != Campo::Terceiro) focarAnterior(i);
    });
    connect(c, &CampoEntrada::pedidoLista, this, [this, i](int) {
        accao(
            Accao::Lista, [this, i] { m_core->pedirLista(i); }, false);
    });
    return c;
}

QPushButton* DeskWindow::novoBotao(const QString& nome, const QString& texto, const QString& tooltip) {
    auto* b = new QPushButton(texto, this);
    b->setObjectName(nome);
    if (!tooltip.isEmpty()) b->setToolTip(tooltip);
    b->setAutoDefault(false);
    m_botoes.insert(nome, b);
    return b;
}

QPushButton* DeskWindow::botaoLista(Campo i, const QString& tooltip) {
    auto* b = new QPushButton(QStringLiteral("…"), this);
    b->setObjectName(m_kind.tabela().objectoLista(i));
    b->setToolTip(tooltip + QStringLiteral(" (F4)"));
    b->setAutoDefault(false);
    // Reached by F4 in the field; a click still takes the focus, so the field being left validates.
    b->setFocusPolicy(Qt::ClickFocus);
    b->setFixedWidth(b->sizeHint().height() + 4);
    m_listas[size_t(i)] = b;
    connect(b, &QPushButton::clicked, this, [this, i] {
        accao(
            Accao::Lista, [this, i] { m_core->pedirLista(i); }, false);
    });
    return b;
}

QLabel* DeskWindow::novaDescricao(const QString& nome) {
    auto* l = new QLabel(this);
    l->setObjectName(nome);
    l->setProperty("descricao", true);
    l->setMinimumWidth(180);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QLabel* DeskWindow::novaUnidade() {
    auto* l = new QLabel(this);
    l->setObjectName(QStringLiteral("lblUnidade_%1").arg(m_unidades.size()));
    l->setProperty("unidade", true);
    l->setMinimumWidth(28);
    m_unidades << l;
    return l;
}

void DeskWindow::construir() {
    setStyleSheet(QString::fromLatin1(kEstilo));

    // Title band: who is on the desk.
    auto* cabecalho = new QFrame(this);
    cabecalho->setObjectName(QStringLiteral("cabecalho"));
    m_titulo = new QLabel(m_kind.caption, cabecalho);
    m_titulo->setObjectName(QStringLiteral("Label1"));
    auto* subtitulo = new QLabel(
        m_kind.entrada ? QStringLiteral("Descargas de fornecedores") : QStringLiteral("Cargas para clientes"),
        cabecalho);
    subtitulo->setObjectName(QStringLiteral("lblSubtitulo"));
    // The indicator's weight, large, where the eye goes first.
    m_mostrador = new MostradorPeso(cabecalho);
    auto* cab = new QHBoxLayout(cabecalho);
    cab->setContentsMargins(14, 6, 8, 6);
    auto* titulos = new QVBoxLayout;
    titulos->addWidget(m_titulo);
    titulos->addWidget(subtitulo);
    cab->addLayout(titulos, 1);
    cab->addWidget(m_mostrador, 0, Qt::AlignVCenter);
    // What the desk last did (ticket saved, finished, cancelled), in the desk itself.
    m_estado = new QLabel(this);
    m_estado->setObjectName(QStringLiteral("lblEstado"));
    m_estado->setWordWrap(true);
    m_estado->hide();

    // The operator's commands, in the order of a day's work.
    auto* barra = new QHBoxLayout;
    const QString entradaTip =
        m_kind.entrada ? QStringLiteral("Seleccionar Entrada") : QStringLiteral("Seleccionar Saída");
    const QString pendTip =
        m_kind.entrada ? QStringLiteral("Aceder a Descargas Pendntes.") : QStringLiteral("Aceder a Cargas Pendntes.");
    QList<QPushButton*> principais = {
        novoBotao(QStringLiteral("btEntrada"), m_kind.btEntradaCaption, entradaTip),
        novoBotao(QStringLiteral("btPeso"), QStringLiteral("&Pesagem"), QStringLiteral("Seleccionar Pesagem.")),
        novoBotao(QStringLiteral("btPendentes"), m_kind.btPendentesCaption, pendTip),
        novoBotao(QStringLiteral("btHistorico"), QStringLiteral("&Histórico"), QStringLiteral("Aceder ao Histórico."))};
    const QStringList teclas = {QStringLiteral("F2"), QStringLiteral("F3"), QStringLiteral("F5"), QStringLiteral("F6")};
    for (int k = 0; k < principais.size(); ++k) {
        QPushButton* b = principais[k];
        b->setMinimumHeight(34);
        b->setMinimumWidth(118);
        barra->addWidget(b);
        // Function keys for the day's four commands, whichever control has the focus.
        auto* atalho = new QShortcut(QKeySequence(teclas[k]), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(atalho, &QShortcut::activated, b, [b] {
            if (b->isEnabled() && b->isVisible()) b->click();
        });
    }
    barra->addStretch();
    // Another copy of the ticket just handed out, without looking for it in the history.
    auto* btReimprimir = novoBotao(QStringLiteral("btReimprimir"), QStringLiteral("Reimprimir último talã&o"),
                                   QStringLiteral("Imprimir de novo o talão da última pesagem concluída."));
    btReimprimir->setMinimumHeight(34);
    barra->addWidget(btReimprimir);
    auto* btCancGeral =
        novoBotao(QStringLiteral("btCancGeral"), QStringLiteral("Ca&ncelar"), QStringLiteral("Cancelar as operações."));
    auto* btSair = novoBotao(QStringLiteral("btSair"), QStringLiteral("Sai&r"), QStringLiteral("Abandonar."));
    for (QPushButton* b : {btCancGeral, btSair}) {
        b->setMinimumHeight(34);
        barra->addWidget(b);
    }

    // History: the date range and its search, then what can be done with an opened record.
    m_pesquisa = new QFrame(this);
    m_pesquisa->setObjectName(QStringLiteral("pesquisaHistorico"));
    auto* pesq = new QHBoxLayout(m_pesquisa);
    pesq->setContentsMargins(0, 0, 0, 0);
    auto novaData = [this](const QString& nome) {
        auto* d = new QDateEdit(this);
        d->setObjectName(nome);
        d->setDisplayFormat(QStringLiteral("dd-MM-yyyy"));
        d->setDateRange(DatasBase::primeiroDia(), DatasBase::ultimoDia());
        d->setCalendarPopup(true);
        d->setToolTip(QStringLiteral("Data de pesquisa do Histórico."));
        return d;
    };
    // The incoming desk has always called its start date DTPicker1.
    m_histDe = novaData(m_kind.entrada ? QStringLiteral("DTPicker1") : QStringLiteral("DTPicker4"));
    m_histAte = novaData(QStringLiteral("DTPicker3"));
    auto* btler = novoBotao(QStringLiteral("btler"), QStringLiteral("&Ler"),
                            m_kind.entrada ? QStringLiteral("Lista de Cargas.") : QStringLiteral("Iniciar pesquisa."));
    pesq->addWidget(new QLabel(QStringLiteral("Histórico de"), this));
    pesq->addWidget(m_histDe);
    pesq->addWidget(new QLabel(QStringLiteral("até"), this));
    pesq->addWidget(m_histAte);
    pesq->addWidget(btler);
    pesq->addStretch();
    for (QDateEdit* d : {m_histDe, m_histAte}) {
        d->installEventFilter(this);
        connect(d, &QDateEdit::dateChanged, this, [this] {
            if (!m_aSincronizar && !m_fechado) m_core->setPeriodoHistorico(m_histDe->date(), m_histAte->date());
        });
    }
    auto* accoesHist = new QHBoxLayout;
    accoesHist->addStretch();
    accoesHist->addWidget(
        novoBotao(QStringLiteral("btAnularHist"), QStringLiteral("&Anular"), QStringLiteral("Anular.")));
    accoesHist->addWidget(
        novoBotao(QStringLiteral("btImpHist"), QStringLiteral("&Imprimir"), QStringLiteral("Imprimir Talão.")));
    accoesHist->addWidget(novoBotao(QStringLiteral("btPrevHist"), QStringLiteral("Pré-&visualizar"),
                                    QStringLiteral("Ver o talão em PDF, sem o imprimir.")));
    accoesHist->addWidget(
        novoBotao(QStringLiteral("btMailHist"), QStringLiteral("e-&mail"), QStringLiteral("e-mail.")));
    accoesHist->addWidget(novoBotao(QStringLiteral("btGuardarTara"), QStringLiteral("Guardar &tara"),
                                    QStringLiteral("Guardar a tara desta carga como tara registada da viatura.")));

    // The record: four tabs, or the list of pending loads / history in their place.
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TabGrelha"));
    m_tabs->setDocumentMode(false);
    // Added in the order of Pagina: a page's number is its tab's index.
    m_tabs->addTab(paginaTerceiro0(), m_kind.tab(Pagina::Dados));
    m_tabs->addTab(paginaTerceiro1(), m_kind.tab(Pagina::Terceiro));
    m_tabs->addTab(paginaObservacoes(), m_kind.tab(Pagina::Observacoes));
    m_tabs->addTab(paginaCarga(), m_kind.tab(Pagina::Carga));

    m_grelha = new QTableWidget(this);
    m_grelha->setObjectName(QStringLiteral("Grelha"));
    m_grelha->setFont(fonteGrelha());
    m_grelha->horizontalHeader()->setFont(fonteGrelha());
    m_grelha->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grelha->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grelha->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grelha->setAlternatingRowColors(true);
    // Sorted by a click on a header, by this window (so the order stays on refresh).
    m_grelha->setSortingEnabled(false);
    m_grelha->horizontalHeader()->setSectionsClickable(true);
    m_grelha->horizontalHeader()->setSortIndicatorShown(false);
    connect(m_grelha->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) {
        m_ordemSentido =
            (m_ordemColuna == c && m_ordemSentido == Qt::AscendingOrder) ? Qt::DescendingOrder : Qt::AscendingOrder;
        m_ordemColuna = c;
        ordenarGrelha();
    });
    m_grelha->verticalHeader()->hide();
    m_grelha->verticalHeader()->setDefaultSectionSize(QFontMetrics(fonteGrelha()).height() + 8);
    m_grelha->horizontalHeader()->setStretchLastSection(true);
    m_grelha->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grelha->setToolTip(QStringLiteral("Enter ou duplo clique abre a pesagem."));
    m_grelha->installEventFilter(this);
    connect(m_grelha, &QTableWidget::doubleClicked, this, [this](const QModelIndex& ix) {
        if (ix.isValid()) activarLinhaVista(ix.row());
    });
    connect(m_grelha->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { completarEcra(); });
    m_grelha->viewport()->installEventFilter(this);
    // The list narrowed as the operator types: any shown column, without case or accents.
    m_filtro = new QLineEdit(this);
    m_filtro->setObjectName(QStringLiteral("filtroGrelha"));
    m_filtro->setPlaceholderText(QStringLiteral("Filtrar: matrícula, nome, talão, artigo…"));
    m_filtro->setClearButtonEnabled(true);
    m_filtro->installEventFilter(this);
    connect(m_filtro, &QLineEdit::textChanged, this, [this] { filtrarGrelha(); });
    m_paginaGrelha = new QWidget(this);
    auto* pg = new QVBoxLayout(m_paginaGrelha);
    pg->setContentsMargins(0, 0, 0, 0);
    pg->setSpacing(4);
    pg->addWidget(m_filtro);
    pg->addWidget(m_grelha, 1);

    m_pilha = new QStackedWidget(this);
    m_pilha->setObjectName(QStringLiteral("pilha"));
    m_pilha->addWidget(m_tabs);
    m_pilha->addWidget(m_paginaGrelha);

    // The right column: the weighing panel or the final save panel while one is open,
    // otherwise the weights of the record on the desk.
    auto* coluna = new QVBoxLayout;
    coluna->addWidget(m_frame3 = painelPesagem());
    coluna->addWidget(m_frame7 = painelFinal());
    coluna->addWidget(m_resumo = cartaoResumo());
    coluna->addStretch();
    auto* colunaW = m_coluna = new QWidget(this);
    colunaW->setLayout(coluna);
    colunaW->setFixedWidth(320);
    coluna->setContentsMargins(0, 0, 0, 0);

    auto* centro = new QHBoxLayout;
    centro->addWidget(m_pilha, 1);
    centro->addWidget(colunaW);

    auto* corpo = new QVBoxLayout;
    corpo->setContentsMargins(12, 10, 12, 12);
    corpo->setSpacing(8);
    corpo->addLayout(barra);
    corpo->addWidget(m_pesquisa);
    corpo->addLayout(centro, 1);
    corpo->addLayout(accoesHist);

    auto* raiz = new QVBoxLayout(this);
    raiz->setContentsMargins(0, 0, 0, 0);
    raiz->setSpacing(0);
    raiz->addWidget(cabecalho);
    raiz->addWidget(barraFiguras());
    raiz->addWidget(m_estado);
    raiz->addLayout(corpo, 1);

    auto liga = [this](const QString& nome, Accao a, const std::function<void()>& f, bool validar = true) {
        connect(m_botoes.value(nome), &QPushButton::clicked, this, [this, a, f, validar] { accao(a, f, validar); });
    };
    DeskCore* d = m_core.get();
    liga(QStringLiteral("btEntrada"), Accao::Entrada, [d] { d->btEntrada(); });
    liga(QStringLiteral("btPeso"), Accao::Peso, [d] { d->btPeso(); });
    liga(QStringLiteral("btPendentes"), Accao::Outra, [d] { d->btPendentes(); });
    liga(QStringLiteral("btHistorico"), Accao::Historico, [d] { d->btHistorico(); });
    liga(QStringLiteral("btler"), Accao::Outra, [d] { d->btLer(); });
    liga(
        QStringLiteral("btCancGeral"), Accao::Outra, [d] { d->cancelar(); }, false);
    liga(
        QStringLiteral("btSair"), Accao::Outra, [d] { d->btSair(); }, false);
    liga(QStringLiteral("btAnularHist"), Accao::Outra, [d] { d->btAnularHist(); });
    liga(
        QStringLiteral("btReimprimir"), Accao::Outra, [d] { d->reimprimirUltimo(); }, false);
    liga(QStringLiteral("btImpHist"), Accao::Outra, [d] { d->btImpHist(); });
    liga(QStringLiteral("btMailHist"), Accao::Outra, [d] { d->btMailHist(); });
    liga(QStringLiteral("btGuardarTara"), Accao::Outra, [d] { d->btGuardarTara(); });
    liga(
        QStringLiteral("btPrevHist"), Accao::Outra, [d] { d->btPrevisualizar(); }, false);
    liga(QStringLiteral("btConf"), Accao::Conf, [d] { d->btConf(); });
    // The second cancel button of the "Carga" tab abandons the record, as the main one does.
    liga(
        QStringLiteral("btCancelar"), Accao::Outra, [d] { d->cancelar(); }, false);
    liga(QStringLiteral("btConfPeso_0"), Accao::ConfPeso, [d] { d->btConfPeso(Gravacao::Confirmar); });
    liga(QStringLiteral("btConfPeso_1"), Accao::ConfPeso, [d] { d->btConfPeso(Gravacao::Imprimir); });
    liga(
        QStringLiteral("btCancPeso"), Accao::CancPeso, [d] { d->btCancPeso(); }, false);
    liga(QStringLiteral("btConfFinal_0"), Accao::Outra, [d] { d->btConfFinal(Gravacao::Confirmar); });
    liga(QStringLiteral("btConfFinal_1"), Accao::Outra, [d] { d->btConfFinal(Gravacao::Imprimir); });
    liga(QStringLiteral("btConfFinal_2"), Accao::Outra, [d] { d->btConfFinal(Gravacao::Email); });
    liga(
        QStringLiteral("btCancFinal"), Accao::CancFinal, [d] { d->btCancFinal(); }, false);
    connect(m_botoes.value(QStringLiteral("btPesar")), &QPushButton::clicked, this, [this] { pesar(); });
    auto* f8 =
        new QShortcut(QKeySequence(QStringLiteral("F8")), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(f8, &QShortcut::activated, this, [this] {
        QPushButton* b = m_botoes.value(QStringLiteral("btPesar"));
        if (b->isEnabled() && b->isVisible()) b->click();
    });
    ligarTecladoDesk(this, m_kind.tabela().objecto(Campo::Peso));
}

QWidget* DeskWindow::paginaTerceiro0() {
    auto* p = new QWidget(this);
    auto* g = new QGridLayout(p);
    g->setContentsMargins(14, 14, 14, 14);
    g->setHorizontalSpacing(8);
    g->setVerticalSpacing(10);
    g->setColumnStretch(3, 1);
    int linha = 0;
    auto linhaCodigo = [&](const QString& rotulo, Campo i, const QString& listaTip, QLabel* desc) {
        g->addWidget(new QLabel(rotulo, p), linha, 0);
        CampoEntrada* c = novoCampo(i);
        c->setFixedWidth(150);
        g->addWidget(c, linha, 1);
        if (!listaTip.isEmpty()) g->addWidget(botaoLista(i, listaTip), linha, 2);
        if (desc) g->addWidget(desc, linha, 3);
        ++linha;
    };
    const bool e = m_kind.entrada;
    m_rotulos[0] = novaDescricao(QStringLiteral("lblNomeTerceiro"));
    m_rotulos[1] = novaDescricao(QStringLiteral("lblDescMorada"));
    m_rotulos[2] = novaDescricao(QStringLiteral("lblDescArtigo"));
    linhaCodigo(e ? QStringLiteral("Fornecedor") : QStringLiteral("Cliente"), Campo::Terceiro,
                e ? QStringLiteral("Lista de Fornecedores.") : QStringLiteral("Lista de Clientes"), m_rotulos[0]);
    linhaCodigo(e ? QStringLiteral("Sub-Fornecedor") : QStringLiteral("Morada de entrega"), Campo::Morada,
                QStringLiteral("Lista de Moradas."), m_rotulos[1]);
    if (!e) {
        m_rotulos[4] = novaDescricao(QStringLiteral("lblDescTipoMorada"));
        linhaCodigo(QStringLiteral("Tipo de morada"), Campo::TipoMorada, QStringLiteral("Lista de Tipos Morada."),
                    m_rotulos[4]);
    }
    linhaCodigo(QStringLiteral("Artigo"), Campo::Artigo, QStringLiteral("Lista de Artigos."), m_rotulos[2]);
    linhaCodigo(QStringLiteral("Matrícula"), Campo::Matricula, QStringLiteral("Lista de Matriculas(Carros)."), nullptr);
    if (!e) {
        for (Campo ref : {Campo::RefCliente, Campo::RefEntrega}) {
            g->addWidget(new QLabel(m_kind.tabela().legenda(ref), p), linha, 0);
            CampoEntrada* c = novoCampo(ref);
            c->setMaximumWidth(320);
            g->addWidget(c, linha++, 1, 1, 3);
        }
    } else {
        m_check = new QCheckBox(QStringLiteral("Matérias Subsidiárias"), p);
        m_check->setObjectName(QStringLiteral("Check3"));
        m_check->setToolTip(QStringLiteral("Matérias subsidiárias."));
        g->addWidget(m_check, linha++, 1, 1, 3);
        connect(m_check, &QCheckBox::toggled, this, [this](bool v) {
            if (!m_aSincronizar && !m_fechado) m_core->setMateriasSubsidiarias(v);
        });
    }
    g->setRowStretch(linha, 1);
    return p;
}

QWidget* DeskWindow::paginaTerceiro1() {
    auto* p = new QWidget(this);
    auto* g = new QGridLayout(p);
    g->setContentsMargins(14, 14, 14, 14);
    g->setHorizontalSpacing(8);
    g->setVerticalSpacing(10);
    g->setColumnStretch(3, 1);
    int linha = 0;
    auto simples = [&](const QString& rotulo, Campo i, int largura) {
        g->addWidget(new QLabel(rotulo, p), linha, 0);
        CampoEntrada* c = novoCampo(i);
        if (largura > 0) c->setFixedWidth(largura);
        g->addWidget(c, linha++, 1, 1, largura > 0 ? 1 : 3);
        return c;
    };
    simples(QStringLiteral("Nome"), Campo::Nome, 0);
    simples(QStringLiteral("Morada"), Campo::Endereco, 0);
    simples(QStringLiteral("Localidade"), Campo::Localidade, 0);
    g->addWidget(new QLabel(QStringLiteral("Código postal"), p), linha, 0);
    CampoEntrada* cp = novoCampo(Campo::CodPostal);
    cp->setFixedWidth(150);
    g->addWidget(cp, linha, 1);
    g->addWidget(botaoLista(Campo::CodPostal, QStringLiteral("Lista de Códigos Postais.")), linha, 2);
    m_rotulos[3] = novaDescricao(QStringLiteral("lblDescCodPostal"));
    g->addWidget(m_rotulos[3], linha++, 3);
    simples(QStringLiteral("Contribuinte"), Campo::Contribuinte, 150);
    simples(QStringLiteral("e-mail"), Campo::Email, 0);
    g->setRowStretch(linha, 1);
    return p;
}

QWidget* DeskWindow::paginaObservacoes() {
    auto* p = new QWidget(this);
    auto* l = new QVBoxLayout(p);
    l->setContentsMargins(14, 14, 14, 14);
    auto* t = new QPlainTextEdit(p);
    t->setObjectName(m_kind.tabela().objecto(Campo::Observacoes));
    t->setTabChangesFocus(true);
    t->setPlaceholderText(QStringLiteral("Observações da pesagem"));
    m_campos[size_t(Campo::Observacoes)] = t;
    m_ordem << Campo::Observacoes;
    connect(t, &QPlainTextEdit::textChanged, this, [this, t] {
        if (m_aSincronizar || m_fechado) return;
        m_core->escrever(Campo::Observacoes, t->toPlainText());
    });
    l->addWidget(t);
    return p;
}

QWidget* DeskWindow::paginaCarga() {
    auto* p = new QWidget(this);
    auto* g = new QGridLayout(p);
    g->setContentsMargins(14, 14, 14, 14);
    g->setHorizontalSpacing(8);
    g->setVerticalSpacing(8);
    int linha = 0;
    auto data = [&](const QString& rotulo, Campo i, int coluna) {
        g->addWidget(new QLabel(rotulo, p), linha, coluna);
        CampoEntrada* c = novoCampo(i);
        c->setFixedWidth(150);
        g->addWidget(c, linha, coluna + 1);
    };
    data(QStringLiteral("Entrada"), Campo::DataEntrada, 0);
    data(QStringLiteral("Saída"), Campo::DataSaida, 3);
    ++linha;
    auto peso = [&](const QString& rotulo, Campo i) {
        g->addWidget(new QLabel(rotulo, p), linha, 0);
        CampoEntrada* c = novoCampo(i);
        c->setFixedWidth(150);
        c->setAlignment(Qt::AlignRight);
        g->addWidget(c, linha, 1);
        g->addWidget(novaUnidade(), linha, 2);
        ++linha;
    };
    peso(QStringLiteral("Peso Bruto"), Campo::Bruto);
    peso(QStringLiteral("Tara"), Campo::Tara);
    peso(QStringLiteral("Peso Líquido"), Campo::Liquido);
    peso(QStringLiteral("Desc. Vasilhame"), Campo::Vasilhame);
    if (m_kind.entrada) peso(QStringLiteral("Desc.Qualidade"), Campo::Qualidade);
    peso(QStringLiteral("Peso Efectivo"), Campo::Efectivo);
    int direita = 1;
    if (!m_kind.entrada) {
        auto local = [&](const QString& rotulo, Campo i) {
            g->addWidget(new QLabel(rotulo, p), direita, 3);
            CampoEntrada* c = novoCampo(i);
            g->addWidget(c, direita++, 4);
        };
        auto dataHora = [&](const QString& nome, const QString& rotulo, const QString& tooltip) {
            auto* d = new QDateTimeEdit(p);
            d->setObjectName(nome);
            d->setDisplayFormat(QStringLiteral("dd-MM-yyyy HH:mm"));
            d->setDateRange(DatasBase::primeiroDia(), DatasBase::ultimoDia());
            d->setCalendarPopup(true);
            d->setToolTip(tooltip);
            g->addWidget(new QLabel(rotulo, p), direita, 3);
            g->addWidget(d, direita++, 4);
            return d;
        };
        local(QStringLiteral("Local de carga"), Campo::LocalCarga);
        m_dataCarga = dataHora(QStringLiteral("DTPicker1_0"), QStringLiteral("Data/hora da carga"),
                               QStringLiteral("Data/Hora da Carga."));
        local(QStringLiteral("Local de descarga"), Campo::LocalDescarga);
        m_dataDescarga = dataHora(QStringLiteral("DTPicker1_1"), QStringLiteral("Data/hora da descarga"),
                                  QStringLiteral("Data/Hora da Descarga."));
        connect(m_dataCarga, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& dt) {
            if (!m_aSincronizar && !m_fechado) m_core->setDataCarga(dt);
        });
        connect(m_dataDescarga, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& dt) {
            if (!m_aSincronizar && !m_fechado) m_core->setDataDescarga(dt);
        });
    } else {
        m_combo = new QComboBox(p);
        m_combo->setObjectName(QStringLiteral("Combo1"));
        m_combo->setToolTip(QStringLiteral("Característica do Produto."));
        m_combo->addItems(DeskCore::caracteristicas());
        g->addWidget(new QLabel(QStringLiteral("Categoria"), p), direita, 3);
        g->addWidget(m_combo, direita++, 4);
        connect(m_combo, &QComboBox::currentIndexChanged, this, [this](int i) {
            if (!m_aSincronizar && !m_fechado) m_core->setCaracteristica(i);
        });
    }
    g->setColumnMinimumWidth(2, 30);
    g->setColumnStretch(4, 1);
    linha = std::max(linha, direita);
    g->setRowStretch(linha++, 1);
    auto* botoes = new QHBoxLayout;
    botoes->addStretch();
    auto* conf = novoBotao(QStringLiteral("btConf"), QStringLiteral("&Confirmar"));
    // No access letter: the bar's "Ca&ncelar" is the same command.
    auto* canc = novoBotao(QStringLiteral("btCancelar"), QStringLiteral("Cancelar"));
    conf->setMinimumHeight(32);
    canc->setMinimumHeight(32);
    botoes->addWidget(conf);
    botoes->addWidget(canc);
    g->addLayout(botoes, linha, 0, 1, 5);
    return p;
}

QGroupBox* DeskWindow::painelPesagem() {
    auto* f = new QGroupBox(QStringLiteral(" Pesagem "), this);
    f->setObjectName(QStringLiteral("Frame3"));
    auto* l = new QVBoxLayout(f);
    l->setSpacing(8);
    m_legendaPeso = new QLabel(QStringLiteral("Tara"), f);
    m_legendaPeso->setObjectName(QStringLiteral("lblLegendaPeso"));
    l->addWidget(m_legendaPeso);
    CampoEntrada* c9 = novoCampo(Campo::Peso);
    c9->setProperty("leitura", true);  // the big weight of the panel
    c9->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    c9->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), c9));
    c9->setPlaceholderText(QStringLiteral("0"));
    auto* linhaPeso = new QHBoxLayout;
    linhaPeso->addWidget(c9, 1);
    linhaPeso->addWidget(new QLabel(QStringLiteral("kg"), f));
    l->addLayout(linhaPeso);
    auto* linhaData = new QHBoxLayout;
    linhaData->addWidget(new QLabel(QStringLiteral("Data"), f));
    m_dataPesagem = new QDateEdit(f);
    m_dataPesagem->setObjectName(QStringLiteral("DTPicker2"));
    m_dataPesagem->setDisplayFormat(QStringLiteral("dd-MM-yyyy"));
    m_dataPesagem->setDateRange(DatasBase::primeiroDia(), DatasBase::ultimoDia());
    m_dataPesagem->setCalendarPopup(true);
    m_dataPesagem->setToolTip(QStringLiteral("Data."));
    linhaData->addWidget(m_dataPesagem, 1);
    l->addLayout(linhaData);
    connect(m_dataPesagem, &QDateEdit::dateChanged, this, [this](const QDate& d) {
        if (!m_aSincronizar && !m_fechado) m_core->setDataPesagem(d);
    });
    auto* pesar =
        novoBotao(QStringLiteral("btPesar"), QStringLiteral("Pes&ar"), QStringLiteral("Ler o peso da balança (F8)."));
    pesar->setMinimumHeight(40);
    l->addWidget(pesar);
    auto* linhaBotoes = new QHBoxLayout;
    linhaBotoes->addWidget(novoBotao(QStringLiteral("btConfPeso_0"), QStringLiteral("&Confirmar")));
    linhaBotoes->addWidget(novoBotao(QStringLiteral("btConfPeso_1"), QStringLiteral("&Imprimir")));
    linhaBotoes->addWidget(novoBotao(QStringLiteral("btCancPeso"), QStringLiteral("Cance&lar")));
    l->addLayout(linhaBotoes);
    return f;
}

QGroupBox* DeskWindow::painelFinal() {
    auto* f = new QGroupBox(QStringLiteral(" Gravação Final "), this);
    f->setObjectName(QStringLiteral("Frame7"));
    auto* l = new QVBoxLayout(f);
    l->setSpacing(8);
    auto* texto = new QLabel(QStringLiteral("Vai proceder-se à gravação final da %1 em curso. Deverá verificar se a "
                                            "informação disponibilizada está correcta.")
                                 .arg(m_kind.entrada ? QStringLiteral("Entrada") : QStringLiteral("Saída")),
                             f);
    texto->setObjectName(QStringLiteral("lblTextoFinal"));
    texto->setWordWrap(true);
    l->addWidget(texto);
    for (int k = 0; k < 4; ++k) {
        m_resumoFinal[k] = new QLabel(f);
        m_resumoFinal[k]->setObjectName(QStringLiteral("lblResumo_%1").arg(k + 1));
        m_resumoFinal[k]->setWordWrap(true);
        l->addWidget(m_resumoFinal[k]);
    }
    auto* conf = novoBotao(QStringLiteral("btConfFinal_0"), QStringLiteral("&Confirmar"));
    conf->setMinimumHeight(36);
    l->addWidget(conf);
    auto* linha = new QHBoxLayout;
    linha->addWidget(
        novoBotao(QStringLiteral("btConfFinal_1"), QStringLiteral("&Imprimir"), QStringLiteral("Imprimir Talão.")));
    linha->addWidget(novoBotao(QStringLiteral("btConfFinal_2"), QStringLiteral("e-&mail"), QStringLiteral("e-mail.")));
    linha->addWidget(novoBotao(QStringLiteral("btCancFinal"), QStringLiteral("Cance&lar")));
    l->addLayout(linha);
    return f;
}

QGroupBox* DeskWindow::cartaoResumo() {
    auto* f = new QGroupBox(QStringLiteral(" Pesos "), this);
    f->setObjectName(QStringLiteral("Resumo"));
    auto* g = new QFormLayout(f);
    g->setLabelAlignment(Qt::AlignLeft);
    const QStringList nomes = {QStringLiteral("Matrícula"),    QStringLiteral("Entrada"),
                               m_kind.legendaPrimeiroPeso,     m_kind.legendaSegundoPeso,
                               QStringLiteral("Peso Líquido"), QStringLiteral("Peso Efectivo")};
    for (int k = 0; k < 6; ++k) {
        m_cartao[k] = new QLabel(f);
        m_cartao[k]->setObjectName(QStringLiteral("lblPesos_%1").arg(k));
        m_cartao[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (k >= 2) m_cartao[k]->setProperty("peso", true);
        g->addRow(nomes[k], m_cartao[k]);
    }
    return f;
}

// ---------------------------------------------------------------- mirroring the core

QWidget* DeskWindow::widgetCampo(std::optional<Campo> c) const {
    return c ? m_campos[size_t(*c)] : nullptr;
}

void DeskWindow::escreverCampo(Campo i, const QString& texto) {
    if (auto* c = qobject_cast<CampoEntrada*>(m_campos[size_t(i)])) {
        if (c->text() != texto) c->setText(texto);
    } else if (auto* t = qobject_cast<QPlainTextEdit*>(m_campos[size_t(i)])) {
        if (t->toPlainText() != texto) t->setPlainText(texto);
    }
}

void DeskWindow::sincronizar() {
    if (m_fechado) return;
    const bool antes = m_aSincronizar;
    m_aSincronizar = true;
    DeskCore& d = *m_core;
    for (const Campo i : m_ordem) {
        QWidget* w = m_campos[size_t(i)];
        escreverCampo(i, d.campo(i));
        const bool soLeitura = d.campoSoLeitura(i) || (i == Campo::Peso && m_aPesar);
        bool mudou = false;
        if (auto* c = qobject_cast<CampoEntrada*>(w)) {
            mudou = c->isReadOnly() != soLeitura;
            c->setReadOnly(soLeitura);
        } else if (auto* t = qobject_cast<QPlainTextEdit*>(w)) {
            mudou = t->isReadOnly() != soLeitura;
            t->setReadOnly(soLeitura);
        }
        // A field that takes no typing looks it: the style sheet reads the property again.
        if (mudou) {
            w->style()->unpolish(w);
            w->style()->polish(w);
        }
        // Fields the operator cannot change are not Tab stops.
        w->setFocusPolicy(soLeitura ? Qt::ClickFocus : Qt::StrongFocus);
        if (QPushButton* l = m_listas[size_t(i)]) l->setEnabled(d.listaActiva(i) && !d.campoSoLeitura(i));
    }
    m_titulo->setText(d.rotulo(DeskCore::Titulo));
    m_estado->setText(d.estado());
    m_estado->setVisible(!d.estado().isEmpty());
    const DeskCore::Rotulo desc[5] = {DeskCore::NomeTerceiro, DeskCore::DescMorada, DeskCore::DescArtigo,
                                      DeskCore::DescCodPostal, DeskCore::DescTipoMorada};
    for (int k = 0; k < 5; ++k)
        if (m_rotulos[k]) m_rotulos[k]->setText(d.rotulo(desc[k]));
    for (QLabel* u : m_unidades) u->setText(d.rotulo(DeskCore::Unidade));
    m_legendaPeso->setText(d.rotulo(DeskCore::LegendaPeso));
    const DeskCore::Rotulo resumo[4] = {DeskCore::Resumo1, DeskCore::Resumo2, DeskCore::Resumo3, DeskCore::Resumo4};
    for (int k = 0; k < 4; ++k) {
        m_resumoFinal[k]->setText(d.rotulo(resumo[k]));
        m_resumoFinal[k]->setVisible(!d.rotulo(resumo[k]).isEmpty());
    }

    struct B {
        const char* nome;
        DeskCore::Botao b;
    };
    static const B botoes[] = {{"btEntrada", DeskCore::BtEntrada},
                               {"btPeso", DeskCore::BtPeso},
                               {"btPendentes", DeskCore::BtPendentes},
                               {"btHistorico", DeskCore::BtHistorico},
                               {"btler", DeskCore::BtLer},
                               {"btCancGeral", DeskCore::BtCancGeral},
                               {"btSair", DeskCore::BtSair},
                               {"btAnularHist", DeskCore::BtAnularHist},
                               {"btImpHist", DeskCore::BtImpHist},
                               {"btMailHist", DeskCore::BtMailHist},
                               {"btConf", DeskCore::BtConf},
                               {"btPesar", DeskCore::BtPesar},
                               {"btConfPeso_0", DeskCore::BtConfPeso},
                               {"btConfPeso_1", DeskCore::BtConfPeso},
                               {"btCancPeso", DeskCore::BtCancPeso},
                               {"btConfFinal_0", DeskCore::BtConfFinal},
                               {"btConfFinal_1", DeskCore::BtConfFinal},
                               {"btConfFinal_2", DeskCore::BtConfFinal},
                               {"btCancFinal", DeskCore::BtCancFinal},
                               {"btGuardarTara", DeskCore::BtGuardarTara}};
    for (const B& b : botoes) {
        QPushButton* w = m_botoes.value(QLatin1String(b.nome));
        bool activo = d.botaoActivo(b.b);
        // While the scale is read only the reading goes on: nothing is confirmed or cancelled under it.
        if (m_aPesar && (b.b == DeskCore::BtConfPeso || b.b == DeskCore::BtCancPeso)) activo = false;
        w->setEnabled(activo);
        w->setVisible(d.botaoVisivel(b.b));
    }
    // Only on an idle desk (no weighing, list or search open).
    m_botoes.value(QStringLiteral("btReimprimir"))
        ->setEnabled(d.botaoActivo(DeskCore::BtEntrada) && !d.tabsActivas() && !d.grelhaVisivel() &&
                     !d.pesquisaVisivel());
    m_botoes.value(QStringLiteral("btPrevHist"))->setVisible(d.botaoVisivel(DeskCore::BtImpHist));
    m_botoes.value(QStringLiteral("btPrevHist"))->setEnabled(d.botaoActivo(DeskCore::BtImpHist));
    m_botoes.value(QStringLiteral("btler"))->setVisible(d.botaoVisivel(DeskCore::BtLer) && d.pesquisaVisivel());
    m_botoes.value(QStringLiteral("btCancelar"))->setEnabled(d.botaoActivo(DeskCore::BtConf));
    m_botoes.value(QStringLiteral("btCancelar"))->setVisible(d.botaoVisivel(DeskCore::BtConf));

    m_tabs->setEnabled(d.tabsActivas());
    for (int t = 0; t < kNumPaginas; ++t) m_tabs->setTabEnabled(t, d.tabActiva(Pagina(t)));
    // The core's tab is shown when it changes; otherwise the operator's own choice stays.
    if (d.tabActual() != m_tabAplicado) {
        m_tabs->setCurrentIndex(int(d.tabActual()));
        m_tabAplicado = d.tabActual();
    }
    m_frame3->setVisible(d.painelPesagem());
    m_frame7->setVisible(d.painelFinal());
    // A list takes the whole width; the weights card is for the record on the desk.
    m_resumo->setVisible(!d.painelPesagem() && !d.painelFinal() && !d.grelhaVisivel());
    m_coluna->setVisible(d.painelPesagem() || d.painelFinal() || !d.grelhaVisivel());
    const QStringList cartao = d.cartaoPesos();
    for (int k = 0; k < 6; ++k) m_cartao[k]->setText(cartao.value(k).isEmpty() ? QStringLiteral("—") : cartao[k]);

    m_pesquisa->setVisible(d.pesquisaVisivel());
    if (m_histDe->date() != d.historicoDe()) m_histDe->setDate(d.historicoDe());
    if (m_histAte->date() != d.historicoAte()) m_histAte->setDate(d.historicoAte());
    if (d.dataPesagem().isValid() && m_dataPesagem->date() != d.dataPesagem()) m_dataPesagem->setDate(d.dataPesagem());
    if (m_dataCarga && m_dataCarga->dateTime() != d.dataCarga()) m_dataCarga->setDateTime(d.dataCarga());
    if (m_dataDescarga && m_dataDescarga->dateTime() != d.dataDescarga()) m_dataDescarga->setDateTime(d.dataDescarga());
    if (m_combo && m_combo->currentIndex() != d.caracteristica()) m_combo->setCurrentIndex(d.caracteristica());
    if (m_check && m_check->isChecked() != d.materiasSubsidiarias()) m_check->setChecked(d.materiasSubsidiarias());
    if (m_check) m_check->setEnabled(d.caixaSubsidiariasActiva());

    if (d.grelhaVisivel()) encherGrelha();
    m_pilha->setCurrentWidget(d.grelhaVisivel() ? m_paginaGrelha : static_cast<QWidget*>(m_tabs));
    if (d.grelhaVisivel()) completarEcra();
    m_aSincronizar = antes;
}

void DeskWindow::encherGrelha() {
    const DeskGrid& g = m_core->grelha();
    QStringList colunas;
    for (const DeskGridColumn& c : g.colunas) colunas << c.chave + QLatin1Char('|') + c.titulo;
    if (colunas == m_grelhaColunas && g.linhas.size() > m_grelhaLinhas.size() && !m_grelhaLinhas.isEmpty() &&
        g.linhas.first() == m_grelhaLinhas.first() && g.linhas[m_grelhaLinhas.size() - 1] == m_grelhaLinhas.last()) {
        // The next page of the same list: only its rows are added.
        const int de = int(m_grelhaLinhas.size());
        m_grelhaLinhas = g.linhas;
        m_grelha->setRowCount(int(g.linhas.size()));
        for (int r = de; r < g.linhas.size(); ++r) {
            for (int c = 0; c < g.colunas.size(); ++c) {
                auto* item = new CelulaLista(g.linhas[r].value(c));
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                if (c == 0) item->setData(Qt::UserRole, r);
                m_grelha->setItem(r, c, item);
            }
        }
        if (!m_filtro->text().isEmpty()) filtrarGrelha();
        return;
    }
    if (colunas == m_grelhaColunas && g.linhas == m_grelhaLinhas) return;
    if (colunas != m_grelhaColunas) {
        // Another list: its own order and filter.
        m_ordemColuna = -1;
        m_grelha->horizontalHeader()->setSortIndicatorShown(false);
        const QSignalBlocker b(m_filtro);
        m_filtro->clear();
    }
    m_grelhaColunas = colunas;
    m_grelhaLinhas = g.linhas;
    m_grelha->clear();
    m_grelha->setColumnCount(int(g.colunas.size()));
    QStringList titulos;
    for (const DeskGridColumn& c : g.colunas) titulos << c.titulo;
    m_grelha->setHorizontalHeaderLabels(titulos);
    m_grelha->setRowCount(int(g.linhas.size()));
    for (int r = 0; r < g.linhas.size(); ++r) {
        for (int c = 0; c < g.colunas.size(); ++c) {
            auto* item = new CelulaLista(g.linhas[r].value(c));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            // The row of the desk's list this line stands for, whatever the order shown.
            if (c == 0) item->setData(Qt::UserRole, r);
            m_grelha->setItem(r, c, item);
        }
    }
    for (int c = 0; c < g.colunas.size(); ++c) {
        m_grelha->setColumnHidden(c, g.colunas[c].oculta);
        m_grelha->setColumnWidth(c, ListaPesquisa::twipsParaPixeis(g.colunas[c].largura));
    }
    // Names were cut while half the grid was empty: each column as wide as its contents
    // (never narrower than its usual width), while the window has room.
    m_grelha->horizontalHeader()->setStretchLastSection(false);
    m_grelha->resizeColumnsToContents();
    for (int c = 0; c < g.colunas.size(); ++c) {
        if (g.colunas[c].oculta) continue;
        const int w = std::max(m_grelha->columnWidth(c), ListaPesquisa::twipsParaPixeis(g.colunas[c].largura) / 2);
        m_grelha->setColumnWidth(c, std::min(w, 420));
    }
    m_grelha->horizontalHeader()->setStretchLastSection(true);
    ordenarGrelha();
    filtrarGrelha();
    completarEcra();
}

// ---------------------------------------------------------------- the operator's actions

bool DeskWindow::campoComFocoAceite() {
    if (m_recusado) {
        m_recusado = false;
        return false;
    }
    QWidget* f = QApplication::focusWidget();
    if (auto* c = qobject_cast<CampoEntrada*>(f); c && std::find(m_campos.begin(), m_campos.end(), c) != m_campos.end())
        return c->validarAgora();
    return true;
}

void DeskWindow::accao(Accao a, const std::function<void()>& f, bool validarAntes) {
    if (m_fechado || m_ocupado || m_aPesar) return;
    if (validarAntes && !campoComFocoAceite()) return;
    m_ocupado = true;
    f();
    m_ocupado = false;
    if (m_fechado) return;
    if (m_fecharDepois) {
        fecharDesk();
        return;
    }
    sincronizar();
    actualizarFiguras();
    // A button the operator pressed brings the core's tab forward even when it did not change.
    if (a != Accao::Lista && m_tabs->currentIndex() != int(m_core->tabActual()))
        m_tabs->setCurrentIndex(int(m_core->tabActual()));
    m_tabAplicado = m_core->tabActual();
    focarDepois(a);
}

void DeskWindow::focarDepois(Accao a) {
    const DeskCore& d = *m_core;
    auto pronto = [](QWidget* w) { return w && w->isVisible() && w->isEnabled(); };
    QWidget* alvo = nullptr;
    if (a == Accao::Lista) return;  // the list's own ending placed the focus
    if (d.painelPesagem())
        alvo = widgetCampo(Campo::Peso);
    else if (d.painelFinal())
        alvo = m_botoes.value(QStringLiteral("btConfFinal_0"));
    else if (d.grelhaVisivel())
        alvo = m_grelha;
    else if (d.pesquisaVisivel())
        alvo = m_histDe;
    else if (d.tabsActivas()) {
        switch (a) {
            case Accao::Entrada:
            case Accao::Peso:
                alvo = widgetCampo(d.foco());
                break;
            case Accao::Linha:
                alvo = m_botoes.value(d.segundoPeso() ? QStringLiteral("btPeso") : QStringLiteral("btConf"));
                break;
            case Accao::ConfPeso:
                // A first weighing sent back to its fields (a plate already pending): the field to mend.
                alvo = d.primeiroPeso() ? widgetCampo(d.foco()) : m_botoes.value(QStringLiteral("btConf"));
                break;
            case Accao::CancFinal:
                alvo = m_botoes.value(QStringLiteral("btConf"));
                break;
            case Accao::CancPeso:
                alvo = m_botoes.value(QStringLiteral("btPeso"));
                break;
            default:
                break;
        }
    }
    if (!pronto(alvo)) alvo = m_botoes.value(QStringLiteral("btEntrada"));
    if (pronto(alvo)) alvo->setFocus(Qt::OtherFocusReason);
}

void DeskWindow::focarAnterior(Campo i) {
    const qsizetype k = m_ordem.indexOf(i);
    for (qsizetype j = k - 1; j >= 0; --j) {
        QWidget* w = m_campos[size_t(m_ordem[j])];
        if (w->isVisible() && w->isEnabled() && w->focusPolicy() == Qt::StrongFocus) {
            w->setFocus(Qt::BacktabFocusReason);
            return;
        }
    }
}

void DeskWindow::pesar() {
    if (m_fechado || m_ocupado || m_aPesar) return;
    // The reader runs its own event loop: the window keeps painting and answering, but
    // nothing else on the desk runs until the weight is in.
    m_aPesar = true;
    const PesoVivo antes = m_monitor ? m_monitor->estado() : PesoVivo{};
    mostrarPesoVivo(antes);
    m_core->btPesar();
    m_aPesar = false;
    if (m_fechado) return;
    mostrarPesoVivo(m_monitor ? m_monitor->estado() : PesoVivo{});
    sincronizar();
    if (m_fecharDepois) {
        fecharDesk();
        return;
    }
    if (auto* c = widgetCampo(Campo::Peso); c && c->isVisible()) {
        c->setFocus(Qt::OtherFocusReason);
        if (auto* l = qobject_cast<CampoEntrada*>(c)) l->selectAll();
    }
}

void DeskWindow::activarLinhaVista(int linhaVista) {
    QTableWidgetItem* item = m_grelha->item(linhaVista, 0);
    if (!item || m_grelha->isRowHidden(linhaVista)) return;
    const int r = item->data(Qt::UserRole).toInt();
    accao(Accao::Linha, [this, r] { m_core->activarLinha(r); });
}

void DeskWindow::completarEcra() {
    // Rows read up to a screen beyond the one shown: the next page is there before it is
    // scrolled to, and a list that does not fill its space reads on.
    const int altura = std::max(1, m_grelha->verticalHeader()->defaultSectionSize());
    const int porEcra = m_grelha->viewport()->height() / altura + 1;
    int paginas = 0;
    while (m_core->linhasPorLer() > 0 && !m_ocupado && paginas++ < 50 &&
           m_grelha->rowCount() < std::max(0, m_grelha->rowAt(0)) + 2 * porEcra) {
        m_core->lerMaisLinhas(m_core->historicoPorPaginas());
        encherGrelha();
    }
}

void DeskWindow::lerListaToda() {
    if (m_core->linhasPorLer() == 0) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_core->lerTodasLinhas();
    encherGrelha();
    QApplication::restoreOverrideCursor();
}

void DeskWindow::irParaLinha(bool primeira) {
    if (!primeira) lerListaToda();
    const int n = m_grelha->rowCount();
    for (int k = 0; k < n; ++k) {
        const int r = primeira ? k : n - 1 - k;
        if (m_grelha->isRowHidden(r)) continue;
        m_grelha->setCurrentCell(r, std::max(0, m_grelha->currentColumn()));
        m_grelha->selectRow(r);
        m_grelha->scrollToItem(m_grelha->item(r, 0));
        return;
    }
}

void DeskWindow::ordenarGrelha() {
    if (m_ordemColuna < 0 || m_ordemColuna >= m_grelha->columnCount()) return;
    // Sorting and filtering see the whole list, not the part scrolled to so far.
    lerListaToda();
    m_grelha->sortItems(m_ordemColuna, m_ordemSentido);
    m_grelha->horizontalHeader()->setSortIndicatorShown(true);
    m_grelha->horizontalHeader()->setSortIndicator(m_ordemColuna, m_ordemSentido);
    irParaLinha(true);
}

void DeskWindow::filtrarGrelha() {
    const QStringList palavras = semAcentos(m_filtro->text()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!palavras.isEmpty()) lerListaToda();
    for (int r = 0; r < m_grelha->rowCount(); ++r) {
        QString linha;
        for (int c = 0; c < m_grelha->columnCount(); ++c)
            if (!m_grelha->isColumnHidden(c) && m_grelha->item(r, c)) linha += m_grelha->item(r, c)->text() + u'\n';
        linha = semAcentos(linha);
        bool mostra = true;
        for (const QString& p : palavras) mostra = mostra && linha.contains(p);
        m_grelha->setRowHidden(r, !mostra);
    }
    const int actual = m_grelha->currentRow();
    if (actual < 0 || m_grelha->isRowHidden(actual)) irParaLinha(true);
}

void DeskWindow::fecharDesk() {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) {
            sub->close();
            return;
        }
    }
    close();
}

void DeskWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    actualizarFiguras();
    if (!m_sub && (m_sub = subJanela())) m_sub->installEventFilter(this);
}

void DeskWindow::closeEvent(QCloseEvent* e) {
    if (m_aPesar || m_ocupado) {
        // Closing under a running reading or action would pull the desk from under it.
        m_fecharDepois = true;
        e->ignore();
        return;
    }
    // A weight read or data typed is never thrown away without asking.
    m_ocupado = true;
    const bool pode = m_core->podeAbandonar();
    m_ocupado = false;
    if (!pode) {
        m_fecharDepois = false;
        e->ignore();
        return;
    }
    m_fechado = true;
    e->accept();
}

bool DeskWindow::eventFilter(QObject* o, QEvent* e) {
    if (o == m_grelha->viewport() && e->type() == QEvent::Resize)
        QTimer::singleShot(0, this, [this] { completarEcra(); });
    if (o == m_filtro && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Down || k->key() == Qt::Key_Up) {
            m_grelha->setFocus(Qt::OtherFocusReason);
            return false;
        }
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && m_grelha->currentRow() >= 0) {
            activarLinhaVista(m_grelha->currentRow());
            return true;
        }
    }
    // Enter in a date of the history's search runs it.
    if ((o == m_histDe || o == m_histAte) && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        QPushButton* ler = m_botoes.value(QStringLiteral("btler"));
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && ler->isVisible() && ler->isEnabled()) {
            ler->click();
            return true;
        }
    }
    if (o == m_sub && e->type() == QEvent::WindowActivate && !m_fechado) {
        // Coming back to this desk: Qt would focus the next control after the last one;
        // the operator finds the focus where it was left.
        m_aActivar = true;
        QTimer::singleShot(0, this, [this] { restaurarFoco(); });
    }
    if (o == m_grelha && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && m_grelha->currentRow() >= 0) {
            activarLinhaVista(m_grelha->currentRow());
            return true;
        }
        if ((k->key() == Qt::Key_Home || k->key() == Qt::Key_End) && k->modifiers() == Qt::NoModifier) {
            irParaLinha(k->key() == Qt::Key_Home);
            return true;
        }
        // Typing on the list types into its filter.
        if (!k->text().isEmpty() && k->text().at(0).isPrint() &&
            !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            m_filtro->setFocus(Qt::OtherFocusReason);
            m_filtro->insert(k->text());
            return true;
        }
    }
    return QWidget::eventFilter(o, e);
}
