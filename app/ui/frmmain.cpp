#include "app/ui/frmmain.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMap>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QUrl>

#include "base/basedados.h"
#include "base/programinfo.h"
#include "erp/sessaosage.h"
#include "scale/monitorbalanca.h"
#include "widgets/dialogoerp.h"
#include "widgets/dialogosql.h"
#include "widgets/iconeprograma.h"
#include "widgets/messageboxes.h"
#include "widgets/mnemonicasformulario.h"

namespace {
constexpr int kPanels = 6;
const char* kGroup = "Settings";
}  // namespace

FrmMain::FrmMain(Setup setup, QWidget* parent)
    : QMainWindow(parent),
      m_configFile(std::move(setup.configFile)),
      m_programFolder(std::move(setup.programFolder)),
      m_messages(setup.messages),
      m_placement(std::move(setup.placement)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowIcon(iconePrograma());
    if (!m_messages) {
        m_ownMessages = std::make_unique<MessageBoxes>(this);
        m_messages = m_ownMessages.get();
    }
    if (!m_placement) m_placement = nativePlacementStore();
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    buildMenus();
    buildStatusBar();
    lerPosicao();
    // The active child window's own access keys come before the menu's.
    new MnemonicasFormulario(
        [this]() -> QWidget* {
            QMdiSubWindow* sub = m_mdi->activeSubWindow();
            return sub && isActiveWindow() ? sub->widget() : nullptr;
        },
        this);
}

FrmMain::~FrmMain() = default;

std::unique_ptr<QSettings> FrmMain::nativePlacementStore() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, ProgramInfo::title(),
                                       ProgramInfo::title());
}

void FrmMain::buildMenus() {
    auto add = [this](QMenu* menu, const QString& caption, const char* name) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    auto menu = [this](QMenu* parentMenu, const QString& caption, const char* name) {
        QMenu* m = parentMenu ? parentMenu->addMenu(caption) : menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name) + QStringLiteral("Action"));
        return m;
    };

    QMenu* processamento = menu(nullptr, QStringLiteral("&Processamento"), "mnuProcessamento");
    // One access key per entry: E, S, M, R.
    m_entradas = add(processamento, QStringLiteral("&Entradas"), "mnuEntradas");
    processamento->addSeparator();
    m_saidas = add(processamento, QStringLiteral("&Saidas"), "mnuSaidas");
    processamento->addSeparator();
    QMenu* envio = menu(processamento, QStringLiteral("Envio e-&Mail/PDF"), "mnuEnvioMail");
    m_envioFornecedores = add(envio, QStringLiteral("&Fornecedores"), "mnuEnvioFornecedores");
    m_envioClientes = add(envio, QStringLiteral("&Clientes"), "mnuEnvioClientes");
    processamento->addSeparator();
    QAction* sair = add(processamento, QStringLiteral("Sai&r"), "mnuSair");

    QMenu* mapas = menu(nullptr, QStringLiteral("&Mapas"), "mnuMapas");
    m_relatorio = add(mapas, QStringLiteral("&Pesagens por período"), "mnuRelatorio");
    mapas->addSeparator();
    QMenu* modelos = menu(mapas, QStringLiteral("&Modelos instalados"), "mnuModelos");
    connect(modelos, &QMenu::aboutToShow, this, [this, modelos] { listarModelos(modelos); });
    QAction* pastaModelos = add(mapas, QStringLiteral("Abrir a pasta dos meus m&odelos"), "mnuPastaModelos");
    connect(pastaModelos, &QAction::triggered, this, [this] { abrirPasta(pastaModelosUtilizador()); });

    QMenu* configuracao = menu(nullptr, QStringLiteral("&Configuração"), "mnuConfiguracao");
    QAction* ligacaoErp = add(configuracao, QStringLiteral("&Ligação a Base de Dados"), "mnuLigacaoBD");
    QAction* ligacaoSql = add(configuracao, QStringLiteral("Ligação ao Servidor &SQL"), "mnuLigacaoSQL");
    configuracao->addSeparator();
    QMenu* numeradores = menu(configuracao, QStringLiteral("Numeradores"), "mnuNumeradores");
    m_taloesEntradas = add(numeradores, QStringLiteral("Talões - &Entradas"), "mnuTaloesEntradas");
    numeradores->addSeparator();
    m_taloesSaidas = add(numeradores, QStringLiteral("Talões - &Saídas"), "mnuTaloesSaidas");
    m_parametrosAction = add(configuracao, QStringLiteral("&Parâmetros"), "mnuParametros");

    m_janelas = menu(nullptr, QStringLiteral("&Janelas"), "mnuJanelas");
    QAction* cascata = add(m_janelas, QStringLiteral("Em &cascata"), "mnuCascata");
    QAction* horizontal = add(m_janelas, QStringLiteral("Arranjar &horizontalmente"), "mnuHorizontal");
    QAction* vertical = add(m_janelas, QStringLiteral("Arranjar &verticalmente"), "mnuVertical");
    QAction* icons = add(m_janelas, QStringLiteral("&Arranjar icons"), "mnuIcons");
    connect(m_janelas, &QMenu::aboutToShow, this, &FrmMain::fillWindowList);

    QMenu* ajuda = menu(nullptr, QStringLiteral("Aj&uda"), "mnuAjuda");
    QAction* acerca = add(ajuda, QStringLiteral("&Acerca de..."), "mnuAcercaDe");

    connect(m_entradas, &QAction::triggered, this, [this] { abrir(m_forms.entradas); });
    connect(m_saidas, &QAction::triggered, this, [this] { abrir(m_forms.saidas); });
    connect(m_envioFornecedores, &QAction::triggered, this, [this] { abrirModo(m_forms.envioMail, 1); });
    connect(m_envioClientes, &QAction::triggered, this, [this] { abrirModo(m_forms.envioMail, 2); });
    connect(m_taloesEntradas, &QAction::triggered, this,
            [this] { abrirModo(m_forms.numeradores, 1, QStringLiteral("Numeradores - Entradas")); });
    connect(m_taloesSaidas, &QAction::triggered, this,
            [this] { abrirModo(m_forms.numeradores, 2, QStringLiteral("Numeradores - Saídas")); });
    connect(m_parametrosAction, &QAction::triggered, this, [this] { abrir(m_forms.parametros); });
    connect(m_relatorio, &QAction::triggered, this, [this] { abrir(m_forms.relatorio); });
    connect(sair, &QAction::triggered, this, &FrmMain::close);
    connect(ligacaoErp, &QAction::triggered, this, &FrmMain::configurarErp);
    connect(ligacaoSql, &QAction::triggered, this, &FrmMain::configurarSql);
    connect(cascata, &QAction::triggered, this, [this] { arranjar(0); });
    connect(horizontal, &QAction::triggered, this, [this] { arranjar(1); });
    connect(vertical, &QAction::triggered, this, [this] { arranjar(2); });
    connect(icons, &QAction::triggered, this, [this] { arranjar(3); });
    connect(acerca, &QAction::triggered, this, &FrmMain::acercaDe);

    setChildForms(m_forms);
}

void FrmMain::setChildForms(const ChildForms& forms) {
    m_forms = forms;
    m_entradas->setEnabled(bool(m_forms.entradas));
    m_saidas->setEnabled(bool(m_forms.saidas));
    m_envioFornecedores->setEnabled(bool(m_forms.envioMail));
    m_envioClientes->setEnabled(bool(m_forms.envioMail));
    m_taloesEntradas->setEnabled(bool(m_forms.numeradores));
    m_taloesSaidas->setEnabled(bool(m_forms.numeradores));
    m_parametrosAction->setEnabled(bool(m_forms.parametros));
    m_relatorio->setEnabled(bool(m_forms.relatorio));
}

void FrmMain::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    for (int i = 1; i <= kPanels; ++i) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setContentsMargins(4, 0, 4, 0);
        // Panel 1 takes the spare room, as the first panel of the old status bar did.
        bar->addPermanentWidget(label, i == 1 ? 1 : 0);
        if (i == 1 || i > 4) label->setVisible(false);
        m_panels << label;
    }
}

void FrmMain::setStatusTexts(const QString& versao, const QString& servidor, const QString& baseDados) {
    m_panels[1]->setText(QStringLiteral("Versão: ") + versao);
    m_panels[2]->setText(QStringLiteral("Servidor: ") + servidor);
    m_panels[3]->setText(QStringLiteral("Base de Dados: ") + baseDados);
    for (int i = 1; i <= 3; ++i) m_panels[i]->setToolTip(m_panels[i]->text());
    // The first run's size (and an old saved one) may be narrower than the panels: the
    // window grows so the last one is not cut, within the screen it is on.
    QStatusBar* bar = statusBar();
    bar->layout()->activate();
    int largura = bar->sizeHint().width();
    if (const QScreen* ecra = screen()) largura = std::min(largura, ecra->availableGeometry().width());
    if (width() < largura) resize(largura, height());
}

QString FrmMain::panelText(int panel) const {
    return panel >= 1 && panel <= m_panels.size() ? m_panels[panel - 1]->text() : QString();
}

void FrmMain::getNomeEmpresa() {
    QString title;
    if (m_db) {
        try {
            const RecordSet rs = m_db->consultar(QStringLiteral("SELECT NOME FROM EMPRESA"));
            if (!rs.isEmpty()) title = QLatin1Char('[') + rs.text(QStringLiteral("NOME")) + QLatin1Char(']');
        } catch (const DbError& e) {
            // The window still works without a company name; the operator learns why it is missing.
            m_messages->mensagem(QStringLiteral("Ler Empresa ") + e.descricao());
        }
    }
    setWindowTitle(title);
}

QString FrmMain::pastaModelosUtilizador() const {
    return QFileInfo(m_configFile).absolutePath() + QStringLiteral("/mapas");
}

void FrmMain::listarModelos(QMenu* menu) {
    menu->clear();
    // The user's copy of a template comes before the program's, as the tickets read them.
    QMap<QString, QString> porNome;
    const QString pastas[] = {m_programFolder + QStringLiteral("/mapas"), pastaModelosUtilizador()};
    for (const QString& pasta : pastas)
        for (const QFileInfo& f : QDir(pasta).entryInfoList({QStringLiteral("*.rpt")}, QDir::Files, QDir::Name))
            porNome.insert(f.fileName(), f.absolutePath());
    const QString minha = QFileInfo(pastaModelosUtilizador()).absoluteFilePath();
    for (auto it = porNome.cbegin(); it != porNome.cend(); ++it) {
        const QString pasta = it.value();
        QAction* a = menu->addAction(it.key() + (pasta == minha ? QStringLiteral("  (cópia do utilizador)")
                                                                : QStringLiteral("  (do programa)")));
        a->setToolTip(QDir::toNativeSeparators(pasta));
        connect(a, &QAction::triggered, this, [this, pasta] { abrirPasta(pasta); });
    }
    if (porNome.isEmpty()) menu->addAction(QStringLiteral("(nenhum modelo instalado)"))->setEnabled(false);
}

void FrmMain::abrirPasta(const QString& pasta) {
    if (!QDir().mkpath(pasta)) {
        m_messages->mensagem(QStringLiteral("Não foi possível criar a pasta %1.").arg(QDir::toNativeSeparators(pasta)));
        return;
    }
    const QUrl url = QUrl::fromLocalFile(pasta);
    const bool aberta = m_abrirUrl ? m_abrirUrl(url) : QDesktopServices::openUrl(url);
    if (!aberta)
        m_messages->mensagem(QStringLiteral("Não foi possível abrir a pasta %1.").arg(QDir::toNativeSeparators(pasta)));
}

FormContext FrmMain::context() {
    if (!m_monitor) m_monitor = new MonitorBalanca(m_programFolder, QFileInfo(m_configFile).absolutePath(), this);
    return FormContext{*m_db, m_sessao, m_parametros, *m_messages, m_configFile, m_programFolder, m_monitor};
}

void FrmMain::abrirFilho(QWidget* form, const QString& title) {
    if (!form) return;
    form->setAttribute(Qt::WA_DeleteOnClose);
    if (!title.isEmpty()) form->setWindowTitle(title);
    // The program's icon on its title bar, unless the form brings its own.
    if (!form->testAttribute(Qt::WA_SetWindowIcon)) form->setWindowIcon(windowIcon());
    // A form that chose its size keeps it: the frame fits new windows into a small area.
    const QSize escolhido = form->testAttribute(Qt::WA_Resized) ? form->size() : QSize();
    QMdiSubWindow* sub = m_mdi->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->show();
    if (escolhido.isValid() && form->size() != escolhido)
        sub->resize(sub->size() + (escolhido.expandedTo(form->minimumSizeHint()) - form->size()));
    colocarFilho(sub);
    m_mdi->setActiveSubWindow(sub);
}

void FrmMain::colocarFilho(QMdiSubWindow* sub) {
    // A client area smaller than the form: the window grows, within the screen's
    // available area, so that the whole form shows.
    // Measured without the scroll bars the oversized form has just brought.
    const QSize area = m_mdi->contentsRect().size();
    const QSize falta(std::max(0, sub->width() - area.width()), std::max(0, sub->height() - area.height()));
    QSize ganho(0, 0);
    if ((falta.width() > 0 || falta.height() > 0) && !isMaximized() && !isFullScreen() && !isMinimized()) {
        const QRect ecra = screen() ? screen()->availableGeometry() : QRect();
        const QRect moldura = frameGeometry();
        const QSize extra = moldura.size() - size();  // title bar and borders
        QSize nova = size() + falta;
        if (ecra.isValid()) nova = nova.boundedTo(ecra.size() - extra).expandedTo(size());  // never shrinks
        ganho = QSize(std::max(0, nova.width() - width()), std::max(0, nova.height() - height()));
        if (ganho.width() > 0 || ganho.height() > 0) {
            QPoint canto = moldura.topLeft();
            if (ecra.isValid()) {
                // Kept on the screen: moved left or up when growing would cross its edge.
                canto.setX(
                    std::max(ecra.left(), std::min(canto.x(), ecra.right() + 1 - (nova.width() + extra.width()))));
                canto.setY(
                    std::max(ecra.top(), std::min(canto.y(), ecra.bottom() + 1 - (nova.height() + extra.height()))));
            }
            resize(nova);
            move(canto);
        }
    }
    // The client area as it is after growing (the layout may not have run yet).
    const QSize cliente = area + ganho;
    // Still too small (a small screen): the form takes the whole client area.
    if (sub->width() > cliente.width() || sub->height() > cliente.height())
        sub->resize(std::max(sub->minimumSizeHint().width(), std::min(sub->width(), cliente.width())),
                    std::max(sub->minimumSizeHint().height(), std::min(sub->height(), cliente.height())));
    // Centred, but never outside the client area: its top left corner stays visible.
    sub->move(std::max(0, (cliente.width() - sub->width()) / 2), std::max(0, (cliente.height() - sub->height()) / 2));
}

void FrmMain::abrir(const ChildForms::Factory& make, const QString& title) {
    if (!make || !m_db) return;
    abrirFilho(make(context()), title);
}

void FrmMain::abrirModo(const ChildForms::ModeFactory& make, int modo, const QString& title) {
    if (!make || !m_db) return;
    abrirFilho(make(context(), modo), title);
}

void FrmMain::arranjar(int modo) {
    const QList<QMdiSubWindow*> all = m_mdi->subWindowList(QMdiArea::CreationOrder);
    QList<QMdiSubWindow*> normal;
    QList<QMdiSubWindow*> minimised;
    for (QMdiSubWindow* w : all) {
        if (w->isHidden()) continue;
        (w->isMinimized() ? minimised : normal) << w;
    }
    const QRect area = m_mdi->viewport()->rect();
    // No window is made smaller than it can be used at (a desk's fields and buttons would
    // overlap), and none is put where part of it is out of the area: when the shares are
    // too small the windows overlap instead, each one whole.
    const auto minimo = [](QMdiSubWindow* w) { return w->minimumSizeHint().expandedTo(w->minimumSize()); };
    const auto dentro = [](int pos, int tamanho, int limite) { return std::max(0, std::min(pos, limite - tamanho)); };
    switch (modo) {
        case 0: {  // cascade: each one title bar lower and to the right, within the area
            const int passo = std::max(20, style()->pixelMetric(QStyle::PM_TitleBarHeight) + 4);
            const int n = int(normal.size());
            for (int i = 0; i < n; ++i) {
                QMdiSubWindow* w = normal[i];
                if (w->isMaximized()) w->showNormal();
                const QSize m = minimo(w);
                const QSize desejado = w->sizeHint().expandedTo(w->size());
                const QSize s(std::max(m.width(), std::min(desejado.width(), area.width() - passo * (n - 1))),
                              std::max(m.height(), std::min(desejado.height(), area.height() - passo * (n - 1))));
                w->setGeometry(dentro(passo * i, s.width(), area.width()), dentro(passo * i, s.height(), area.height()),
                               s.width(), s.height());
                w->raise();
            }
            return;
        }
        case 1:    // one above the other, each the full width
        case 2: {  // side by side, each the full height
            const int n = int(normal.size());
            if (n == 0) return;
            for (int i = 0; i < n; ++i) {
                QMdiSubWindow* w = normal[i];
                if (w->isMaximized()) w->showNormal();
                const QSize m = minimo(w);
                if (modo == 1) {
                    const int top = area.height() * i / n, bottom = area.height() * (i + 1) / n;
                    const int h = std::max(bottom - top, m.height());
                    w->setGeometry(0, dentro(top, h, area.height()), std::max(area.width(), m.width()), h);
                } else {
                    const int left = area.width() * i / n, right = area.width() * (i + 1) / n;
                    const int l = std::max(right - left, m.width());
                    w->setGeometry(dentro(left, l, area.width()), 0, l, std::max(area.height(), m.height()));
                }
            }
            return;
        }
        case 3: {  // minimised windows in rows along the bottom edge
            int x = 0;
            int y = area.height();
            int rowHeight = 0;
            for (QMdiSubWindow* w : minimised) {
                const QSize s = w->size();
                if (x > 0 && x + s.width() > area.width()) {
                    x = 0;
                    y -= rowHeight;
                    rowHeight = 0;
                }
                rowHeight = std::max(rowHeight, s.height());
                w->move(x, y - s.height());
                x += s.width();
            }
            return;
        }
        default:
            return;
    }
}

void FrmMain::fillWindowList() {
    for (QAction* a : std::as_const(m_windowListActions)) {
        m_janelas->removeAction(a);
        a->deleteLater();
    }
    m_windowListActions.clear();
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty()) return;
    m_windowListActions << m_janelas->addSeparator();
    int n = 0;
    for (QMdiSubWindow* w : windows) {
        ++n;
        QString caption = w->windowTitle();
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = m_janelas->addAction(n < 10 ? QStringLiteral("&%1 %2").arg(n).arg(caption) : caption);
        a->setObjectName(QStringLiteral("mnuJanela%1").arg(n));
        a->setCheckable(true);
        a->setChecked(w == m_mdi->activeSubWindow());
        QPointer<QMdiSubWindow> target(w);
        connect(a, &QAction::triggered, this, [this, target] {
            if (!target) return;
            if (target->isMinimized()) target->showNormal();
            m_mdi->setActiveSubWindow(target);
        });
        m_windowListActions << a;
    }
}

void FrmMain::acercaDe() {
    QMessageBox box(this);
    box.setObjectName(QStringLiteral("AcercaDe"));
    box.setWindowTitle(QStringLiteral("Acerca de ") + ProgramInfo::title());
    box.setIcon(QMessageBox::Information);
    box.setText(QStringLiteral("<b>%1</b>").arg(ProgramInfo::title()));
    box.setInformativeText(ProgramInfo::description() + QStringLiteral("<br>Versão ") + ProgramInfo::version());
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void FrmMain::configurarErp() {
    DialogoErp dialog(m_configFile, *m_messages, this);
    dialog.exec();
}

void FrmMain::configurarSql() {
    const QString script = m_programFolder + QStringLiteral("/catalogos/bd.sql");
    DialogoSql dialog(m_configFile, script, true, *m_messages, this);
    dialog.exec();
}

double FrmMain::twipsPerPixel() const {
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    return 1440.0 / dpi;
}

void FrmMain::lerPosicao() {
    m_placement->beginGroup(QLatin1String(kGroup));
    auto read = [this](const char* key, int fallback) {
        bool ok = false;
        const float v = m_placement->value(QLatin1String(key)).toString().toFloat(&ok);
        return ok ? double(v) : double(fallback);
    };
    const double left = read("MainLeft", kDefaultLeft), top = read("MainTop", kDefaultTop);
    const double width = read("MainWidth", kDefaultWidth), height = read("MainHeight", kDefaultHeight);
    m_placement->endGroup();
    const double tpp = twipsPerPixel();
    move(qRound(left / tpp), qRound(top / tpp));
    resize(std::max(1, int(qRound(width / tpp))), std::max(1, int(qRound(height / tpp))));
}

void FrmMain::gravarPosicao() {
    const double tpp = twipsPerPixel();
    auto text = [tpp](int pixels) { return QString::number(qRound(pixels * tpp)); };
    m_placement->beginGroup(QLatin1String(kGroup));
    m_placement->setValue(QStringLiteral("MainLeft"), text(x()));
    m_placement->setValue(QStringLiteral("MainTop"), text(y()));
    m_placement->setValue(QStringLiteral("MainWidth"), text(width()));
    m_placement->setValue(QStringLiteral("MainHeight"), text(height()));
    m_placement->endGroup();
    m_placement->sync();
}

void FrmMain::closeEvent(QCloseEvent* event) {
    // Child windows close first; one that refuses (work not saved) keeps the program open.
    m_mdi->closeAllSubWindows();
    if (!m_mdi->subWindowList().isEmpty()) {
        event->ignore();
        return;
    }
    if (!isMinimized()) gravarPosicao();
    if (m_sessao) m_sessao->desligar();
    event->accept();
}
