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

// The desk window built: its pages, panels and controls, each field from the desk's table.

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

}  // namespace

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
