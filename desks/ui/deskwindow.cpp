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
#include <QScopedValueRollback>
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
    connect(m_core.get(), &DeskCore::campoMudou, this, &DeskWindow::mostrarCampo);
    connect(m_core.get(), &DeskCore::rotuloMudou, this, &DeskWindow::mostrarRotulo);
    connect(m_core.get(), &DeskCore::ecraMudou, this, &DeskWindow::mostrarEcra);
    connect(m_core.get(), &DeskCore::valoresMudaram, this, &DeskWindow::mostrarValores);
    connect(m_core.get(), &DeskCore::estadoMudou, this, &DeskWindow::mostrarEstado);
    connect(m_core.get(), &DeskCore::grelhaMudou, this, &DeskWindow::mostrarGrelha);
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
    for (const Campo i : m_ordem) mostrarCampo(i);
    for (int r = 0; r < DeskCore::NumRotulos; ++r) mostrarRotulo(DeskCore::Rotulo(r));
    mostrarValores();
    mostrarEstado();
    mostrarEcra();
}

void DeskWindow::mostrarCampo(Campo i) {
    QWidget* w = m_campos[size_t(i)];
    if (m_fechado || !w) return;
    const QScopedValueRollback<bool> guarda(m_aSincronizar, true);
    const DeskCore& d = *m_core;
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
    mostrarCartao();
}

void DeskWindow::mostrarRotulo(DeskCore::Rotulo r) {
    if (m_fechado) return;
    const QString t = m_core->rotulo(r);
    switch (r) {
        case DeskCore::Titulo:
            m_titulo->setText(t);
            break;
        case DeskCore::NomeTerceiro:
        case DeskCore::DescMorada:
        case DeskCore::DescArtigo:
        case DeskCore::DescCodPostal:
        case DeskCore::DescTipoMorada:
            if (QLabel* l = m_rotulos[r - DeskCore::NomeTerceiro]) l->setText(t);
            break;
        case DeskCore::Unidade:
            for (QLabel* u : m_unidades) u->setText(t);
            break;
        case DeskCore::LegendaPeso:
            m_legendaPeso->setText(t);
            break;
        case DeskCore::Resumo1:
        case DeskCore::Resumo2:
        case DeskCore::Resumo3:
        case DeskCore::Resumo4:
            m_resumoFinal[r - DeskCore::Resumo1]->setText(t);
            m_resumoFinal[r - DeskCore::Resumo1]->setVisible(!t.isEmpty());
            break;
        case DeskCore::NumRotulos:
            break;
    }
}

void DeskWindow::mostrarEstado() {
    if (m_fechado) return;
    m_estado->setText(m_core->estado());
    m_estado->setVisible(!m_core->estado().isEmpty());
}

void DeskWindow::mostrarValores() {
    if (m_fechado) return;
    const QScopedValueRollback<bool> guarda(m_aSincronizar, true);
    const DeskCore& d = *m_core;
    if (m_histDe->date() != d.historicoDe()) m_histDe->setDate(d.historicoDe());
    if (m_histAte->date() != d.historicoAte()) m_histAte->setDate(d.historicoAte());
    if (d.dataPesagem().isValid() && m_dataPesagem->date() != d.dataPesagem()) m_dataPesagem->setDate(d.dataPesagem());
    if (m_dataCarga && m_dataCarga->dateTime() != d.dataCarga()) m_dataCarga->setDateTime(d.dataCarga());
    if (m_dataDescarga && m_dataDescarga->dateTime() != d.dataDescarga()) m_dataDescarga->setDateTime(d.dataDescarga());
    if (m_combo && m_combo->currentIndex() != d.caracteristica()) m_combo->setCurrentIndex(d.caracteristica());
    if (m_check && m_check->isChecked() != d.materiasSubsidiarias()) m_check->setChecked(d.materiasSubsidiarias());
    if (m_check) m_check->setEnabled(d.caixaSubsidiariasActiva());
}

void DeskWindow::mostrarCartao() {
    // The weights card reads fields and whether a record is on the desk.
    const QStringList cartao = m_core->cartaoPesos();
    for (int k = 0; k < 6; ++k) m_cartao[k]->setText(cartao.value(k).isEmpty() ? QStringLiteral("—") : cartao[k]);
}

void DeskWindow::mostrarEcra() {
    if (m_fechado) return;
    const QScopedValueRollback<bool> guarda(m_aSincronizar, true);
    const DeskCore& d = *m_core;
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
    mostrarCartao();
    m_pesquisa->setVisible(d.pesquisaVisivel());
    if (d.grelhaVisivel()) encherGrelha();
    m_pilha->setCurrentWidget(d.grelhaVisivel() ? m_paginaGrelha : static_cast<QWidget*>(m_tabs));
    if (d.grelhaVisivel()) completarEcra();
}

void DeskWindow::mostrarGrelha() {
    if (m_fechado || !m_core->grelhaVisivel()) return;
    const QScopedValueRollback<bool> guarda(m_aSincronizar, true);
    encherGrelha();
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
    // Whatever the action changed without a notice of its own (none should) is shown too.
    m_core->notificar();
    // The list reads its next rows only between actions.
    if (m_core->grelhaVisivel()) completarEcra();
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
    mostrarCampo(Campo::Peso);  // read-only while the scale is read
    const PesoVivo antes = m_monitor ? m_monitor->estado() : PesoVivo{};
    mostrarPesoVivo(antes);
    m_core->btPesar();
    m_aPesar = false;
    if (m_fechado) return;
    mostrarPesoVivo(m_monitor ? m_monitor->estado() : PesoVivo{});
    // The window's own part of the reading is over: the weight field and its buttons open again.
    mostrarCampo(Campo::Peso);
    mostrarEcra();
    if (m_fecharDepois) {
        fecharDesk();
        return;
    }
    if (auto* c = widgetCampo(Campo::Peso); c && c->isVisible()) {
        c->setFocus(Qt::OtherFocusReason);
        if (auto* l = qobject_cast<CampoEntrada*>(c)) l->selectAll();
    }
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
