// The weighing desks' windows, driven as an operator drives them: keys, Tab, F4,
// clicks and Enter on the real widgets, the scale read from the indicator simulator
// over a pseudo-terminal and the ticket mailed to a real SMTP server on 127.0.0.1.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

#include "app/ui/childforms.h"
#include "app/ui/frmmain.h"
#include "base/ficheiroconfig.h"
#include "desks/balancadesk.h"
#include "desks/figurasdia.h"
#include "desks/ui/deskwindow.h"
#include "desks/ui/mostradorpeso.h"
#include "output/operacoestalao.h"
#include "output/registarvias.h"
#include "records/opcoesinstalacao.h"
#include "scale/monitorbalanca.h"
#include "tests/desks/clidesk.h"
#include "tests/desks/deskfixture.h"
#include "tests/output/bulkfixtures.h"
#include "tests/scale/simulador.h"
#include "tests/support/fotografia.h"
#include "tests/support/janelas.h"
#include "tests/support/smtptestserver.h"
#include "widgets/listapesquisa.h"
#include "widgets/messageboxes.h"
#include "widgets/mnemonicasformulario.h"
#include "widgets/traducaoqt.h"

namespace {

QString texto(QWidget* w, Campo c, const DeskKind& k = DeskKind::saidas()) {
    return filho<QLineEdit>(w, objecto(c, k))->text();
}

QWidget* focado() {
    return QApplication::focusWidget();
}
QString foco() {
    return focado() ? focado()->objectName() : QStringLiteral("(nenhum)");
}

// A PDF's page count: pdftotext ends every page with a form feed; -1 when there is no PDF.
int pdfPaginasDe(const QString& path) {
    return QFileInfo::exists(path) ? int(textoPdf(path).count(QLatin1Char('\f'))) : -1;
}

// Answers the next lookup list with the row the filter leaves first.
void escolherNaLista(const QString& filtro, QString* titulo) {
    QTimer::singleShot(0, [filtro, titulo] {
        QTRY_VERIFY(qobject_cast<ListaPesquisa*>(QApplication::activeModalWidget()));
        auto* lista = qobject_cast<ListaPesquisa*>(QApplication::activeModalWidget());
        *titulo = lista->windowTitle();
        QTest::keyClicks(lista->filtro(), filtro);
        QTest::keyClick(lista->filtro(), Qt::Key_Return);
    });
}

// One key as the operator presses it, on whatever has the focus.
void tecla(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QWidget* f = focado();
    QVERIFY2(f, "no focus");
    QTest::keyClick(f, k, m);
}
// Keys pressed in a row: a key, text typed, or a key and the control that has the focus after it.
struct Passo {
    Passo(Qt::Key k) : tecla(k) {}
    Passo(Qt::Key k, const char* f) : tecla(k), foco(QString::fromUtf8(f)) {}
    Passo(Qt::Key k, Campo c) : tecla(k), foco(objecto(c)) {}
    Passo(const char* t) : texto(QString::fromUtf8(t)) {}
    Qt::Key tecla = Qt::Key_unknown;
    QString texto, foco;
};
void premir(std::initializer_list<Passo> passos) {
    int n = 0;
    for (const Passo& p : passos) {
        ++n;
        QVERIFY2(focado(), "no focus");
        if (p.texto.isEmpty())
            QTest::keyClick(focado(), p.tecla);
        else
            QTest::keyClicks(focado(), p.texto);
        QVERIFY2(p.foco.isEmpty() || foco() == p.foco,
                 qPrintable(QStringLiteral("step %1: %2, not %3").arg(n).arg(foco(), p.foco)));
    }
}

// Answers every message box that opens: its text and default button noted, then the
// default pressed (or Yes when `sim`), as an operator pressing Enter would.
struct Respondedor {
    QStringList textos;
    QStringList predefinidos;
    bool sim = false;
    QTimer t;
    Respondedor() {
        t.setInterval(20);
        QObject::connect(&t, &QTimer::timeout, [this] {
            auto* b = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!b || !b->isVisible()) return;
            textos << b->text();
            predefinidos << (b->defaultButton() ? b->defaultButton()->text().remove(u'&') : QString());
            QAbstractButton* alvo =
                sim && b->button(QMessageBox::Yes) ? b->button(QMessageBox::Yes) : b->defaultButton();
            if (!alvo) alvo = b->buttons().value(0);
            alvo->click();
        });
        t.start();
    }
};

// Three trucks waiting on the outgoing desk, 11-AB-11, 22-CD-22 and 33-EF-33, for the customers
// given, with RAC-VL, TRIGO and TRIGO; the desk left idle.
void tresPendentes(DeskFixture& fx, DeskCore& d, const QStringList& clientes) {
    const QStringList artigos = {QStringLiteral("RAC-VL"), QStringLiteral("TRIGO"), QStringLiteral("TRIGO")};
    const QStringList matriculas = {QStringLiteral("11-AB-11"), QStringLiteral("22-CD-22"), QStringLiteral("33-EF-33")};
    for (int i = 0; i < 3; ++i) fx.primeiraPesagem(d, clientes[i], artigos[i], 12000 + 1000 * i, matriculas[i]);
    d.btCancGeral();
}

// The program's main window on a fixture's database, with the desks of `forms`.
std::unique_ptr<FrmMain> janelaPrincipal(DeskFixture& fx, const QString& config, const QString& posicao,
                                         const ChildForms& forms) {
    FrmMain::Setup setup;
    setup.configFile = config;
    setup.programFolder = qEnvironmentVariable("BALANTRIX_BIN");
    setup.messages = &fx.msgs;
    setup.placement = std::make_unique<QSettings>(posicao, QSettings::IniFormat);
    auto j = std::make_unique<FrmMain>(std::move(setup));
    j->setBaseDados(&fx.t.db());
    j->setSessao(fx.erp.get());
    j->setParametros(&fx.parametros);
    j->setChildForms(forms);
    return j;
}

}  // namespace

class DeskWindowTest : public QObject {
    Q_OBJECT

  public slots:
    // Stands in for the system's viewer (QDesktopServices hands "file" URLs here).
    void abrirUrl(const QUrl& url) { m_abertos << url; }

  private:
    QList<QUrl> m_abertos;

    // The files the history's preview hands the system's viewer.
    QList<QUrl> previsualizar(QWidget& w) {
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "abrirUrl");
        m_abertos.clear();
        clicar(&w, "btPrevHist");
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        return m_abertos;
    }
    SmtpTestServer m_smtp;
    int m_port = 0;

  private slots:
    void initTestCase() {
        QVERIFY(carregarTraducaoQt(*qApp));  // as the program does at start-up
        QVERIFY(m_smtp.iniciar());
        m_port = m_smtp.porta();
    }
    void cleanupTestCase() { m_smtp.parar(); }

    // One outgoing load from the empty truck to the mailed ticket, then the history.
    void outgoingLoadFromFirstWeightToMailedTicket() {
        TempDataDir dados;
        Simulador sim({QStringLiteral("--weight"), QStringLiteral("14220")});
        QVERIFY(sim.iniciado());
        const FicheiroBalanca balanca(sim.caminho());
        const QString config = dados.norvak() + QStringLiteral("/Balantrix.kel");
        escreverConfig(config, QString(), m_port);
        QTemporaryDir semBalanca;  // the program's folder has no scale file: the configuration folder's is read
        DeskFixture fx;
        DeskWindow w(DeskKind::saidas(), fx.t.db(), fx.parametros, fx.msgs, *fx.erp);
        w.setBalanca(std::make_unique<BalancaDesk>(semBalanca.path(), balanca.pasta()));
        const QString senha = dados.path() + QStringLiteral("/senha.pdf");
        w.setOperacoesTalao(
            std::make_unique<OperacoesTalao>(fx.t.db(), fx.msgs, qEnvironmentVariable("BALANTRIX_BIN"), config), senha);
        QVERIFY(activa(w));
        auto* tabs = filho<QTabWidget>(&w, "TabGrelha");
        QVERIFY(!tabs->isEnabled());

        // A new load: the customer typed, the article picked from its list with F4, the plate typed.
        clicar(&w, "btEntrada");
        QCOMPARE(foco(), objecto(Campo::Terceiro));
        QTest::keyClicks(focado(), QStringLiteral("C001"));
        tecla(Qt::Key_Tab);
        QCOMPARE(texto(&w, Campo::Nome), QStringLiteral("Quinta d'Ouro - Sociedade Agrícola, Lda."));
        QCOMPARE(rotulo(&w, "Label1"), texto(&w, Campo::Nome));
        QCOMPARE(foco(), objecto(Campo::Morada));
        premir({Qt::Key_Tab, {Qt::Key_Tab, Campo::Artigo}});  // no delivery address, no address type
        QString titulo;
        escolherNaLista(QStringLiteral("leiteiras"), &titulo);
        QTest::keyClick(focado(), Qt::Key_F4);
        QCOMPARE(titulo, QStringLiteral("Artigos"));
        QCOMPARE(texto(&w, Campo::Artigo), QStringLiteral("RAC-VL"));
        QCOMPARE(rotulo(&w, "lblDescArtigo"), QStringLiteral("Ração para vacas leiteiras"));
        QTRY_COMPARE(foco(), objecto(Campo::Matricula));  // the pick moved on
        QTest::keyClicks(focado(), QStringLiteral("12-AB-34"));
        tecla(Qt::Key_Tab);

        // First weight (the tare) from the indicator.
        clicar(&w, "btPeso");
        QVERIFY(!tabs->isEnabled());
        QCOMPARE(foco(), objecto(Campo::Peso));
        clicar(&w, "btPesar");
        QCOMPARE(texto(&w, Campo::Peso), QStringLiteral("14220"));
        // "Imprimir" saves the first weight and prints the driver's slip with its alibi number.
        clicar(&w, "btConfPeso_1");
        QCOMPARE(pdfPaginasDe(senha), 1);
        QCOMPARE(foraDoLugar(textoPdf(senha), {QStringLiteral("SENHA DE PESAGEM"), QStringLiteral("12-AB-34"),
                                               QStringLiteral("14.220,00 kg"), QStringLiteral("Alibi n.º"),
                                               QStringLiteral("Quinta d'Ouro")}),
                 QString());
        QVERIFY(!tabs->isEnabled());  // idle again: the truck waits in the pending list
        const qint32 id = PesagemLida::ultimo(fx.t.db());

        // A new load shows nothing of the truck just weighed on the weights card.
        clicar(&w, "btEntrada");
        for (int k = 0; k < 6; ++k)
            QCOMPARE(filho<QLabel>(&w, QStringLiteral("lblPesos_%1").arg(k))->text(), QStringLiteral("—"));
        fotografar(&w, QStringLiteral("desk-nova-carga"));
        clicar(&w, "btCancGeral");

        // The truck comes back loaded: pending list, Enter on its row.
        QCOMPARE(sim.comando(QStringLiteral("weight 40560")), QStringLiteral("ok"));
        clicar(&w, "btPendentes");
        auto* grelha = filho<QTableWidget>(&w, "Grelha");
        QCOMPARE(grelha->rowCount(), 1);
        QVERIFY(grelha->isColumnHidden(0));
        QCOMPARE(focado(), grelha);  // shown, and ready for the keys
        QTest::keyClick(grelha, Qt::Key_Return);
        QVERIFY(!grelha->isVisible());
        QCOMPARE(texto(&w, Campo::Terceiro), QStringLiteral("C001"));
        QCOMPARE(texto(&w, Campo::Tara), QStringLiteral("14.220,00"));
        QCOMPARE(foco(), QStringLiteral("btPeso"));

        // Second weight (gross), then the container discount on the "Carga" tab.
        QTest::keyClick(focado(), Qt::Key_Space);
        QTest::keyClick(focado(), Qt::Key_F8);
        QCOMPARE(texto(&w, Campo::Peso), QStringLiteral("40560"));
        fotografar(&w, QStringLiteral("desk-pesagem"));
        clicar(&w, "btConfPeso_0");
        QCOMPARE(tabs->currentIndex(), 3);
        QCOMPARE(texto(&w, Campo::Liquido), QStringLiteral("26.340,00"));
        QVERIFY(rotulo(&w, "lblPesos_1").startsWith(QDate::currentDate().toString(QStringLiteral("dd-MM-yyyy"))));
        auto* vasilhame = filho<QLineEdit>(&w, objecto(Campo::Vasilhame));
        vasilhame->setFocus(Qt::MouseFocusReason);
        // A decimal typed with the wrong mark is refused when the field is left: the focus stays.
        premir({"20.5", Qt::Key_Tab});
        QCOMPARE(focado(), vasilhame);
        vasilhame->selectAll();
        premir({"100", Qt::Key_Tab});
        QCOMPARE(texto(&w, Campo::Efectivo), QStringLiteral("26.240,00"));
        fotografar(&w, QStringLiteral("desk-saidas"));

        // Final save with the ticket mailed to the customer.
        clicar(&w, "btConf");
        QVERIFY(!filho(&w, "btEntrada")->isEnabled());
        QCOMPARE(rotulo(&w, "lblResumo_1"), QStringLiteral("Cliente: Quinta d'Ouro - Sociedade Agrícola, Lda."));
        QVERIFY(rotulo(&w, "lblResumo_3").endsWith(QStringLiteral("26.240,00 kg")));
        fotografar(&w, QStringLiteral("desk-final"));
        fx.msgs.clear();
        clicar(&w, "btConfFinal_2");
        QVERIFY2(fx.msgs.all.contains(QStringLiteral("Email enviado com sucesso !")),
                 qPrintable(fx.msgs.all.join(u'|')));
        QVERIFY(filho(&w, "btEntrada")->isEnabled());
        const QStringList anexos = m_smtp.anexos();  // one message, its one attachment the customer's ticket
        QCOMPARE(anexos.size(), 1);
        QVERIFY2(anexos[0].startsWith(QStringLiteral("geral@quintadouro.example\tTalaoPesagem_Cli.pdf\t")) &&
                     anexos[0].contains(QStringLiteral("26.240,00")),
                 qPrintable(anexos[0]));

        fx.msgs.clear();
        // The history of this month lists it; Enter opens it read-only with reprint and e-mail.
        clicar(&w, "btHistorico");
        QCOMPARE(filho<QDateEdit>(&w, "DTPicker4")->date(),
                 QDate(QDate::currentDate().year(), QDate::currentDate().month(), 1));
        QCOMPARE(filho<QDateEdit>(&w, "DTPicker3")->date(), QDate::currentDate());
        clicar(&w, "btler");
        QCOMPARE(grelha->rowCount(), 1);
        // The ticket as the desk names it: no prefix, no leading "/".
        QCOMPARE(grelha->item(0, 5)->text(), QString::number(PesagemLida::ler(fx.t.db(), id).noTalao));
        fotografar(&w, QStringLiteral("desk-historico"));
        const QPoint linha = grelha->visualItemRect(grelha->item(0, 2)).center();
        QTest::mouseClick(grelha->viewport(), Qt::LeftButton, {}, linha);
        QTest::mouseDClick(grelha->viewport(), Qt::LeftButton, {}, linha);
        QCOMPARE(fx.msgs.all, QStringList());
        QCOMPARE(texto(&w, Campo::Efectivo), QStringLiteral("26.240,00"));
        QVERIFY(filho<QLineEdit>(&w, objecto(Campo::Terceiro))->isReadOnly());
        QVERIFY(!filho(&w, objectoLista(Campo::Terceiro))->isEnabled());
        QVERIFY(filho(&w, "btImpHist")->isVisible());
        QVERIFY(filho(&w, "btMailHist")->isVisible());
        clicar(&w, "btCancGeral");
        QVERIFY(!filho<QLineEdit>(&w, objecto(Campo::Terceiro))->isReadOnly());
    }

    // The incoming desk: its own fields and controls, the supplier's rules, the weight
    // typed digits only, Esc stepping back and closing.
    void incomingDeskHasItsOwnControlsAndRules() {
        DeskFixture fx;
        DeskWindow w(DeskKind::entradas(), fx.t.db(), fx.parametros, fx.msgs, *fx.erp);
        QVERIFY(activa(w));
        QCOMPARE(w.windowTitle(), QStringLiteral("Entradas"));
        auto* tabs = filho<QTabWidget>(&w, "TabGrelha");
        QVERIFY(w.findChild<QWidget*>(objecto(Campo::Email, DeskKind::entradas())));
        QVERIFY(!w.findChild<QWidget*>(objecto(Campo::LocalDescarga)));
        QVERIFY(!w.findChild<QWidget*>(QStringLiteral("DTPicker1_0")));
        QVERIFY(w.findChild<QDateEdit*>(QStringLiteral("DTPicker1")));
        auto* combo = filho<QComboBox>(&w, "Combo1");
        QCOMPARE(combo->count(), 2);
        QCOMPARE(filho<QLineEdit>(&w, objecto(Campo::Qualidade, DeskKind::entradas()))->toolTip(),
                 QStringLiteral("Desconto Qualidade."));
        QCOMPARE(filho<QLineEdit>(&w, objecto(Campo::Nome))->maxLength(), 50);

        clicar(&w, "btEntrada");
        // An unknown supplier is warned once per edit; the second Tab lets the operator go.
        premir({"F999", {Qt::Key_Tab, Campo::Terceiro}, {Qt::Key_Tab, Campo::Morada}});
        QCOMPARE(fx.msgs.all, QStringList{QStringLiteral("Fornecedor não existente!")});
        premir({{Qt::Key_Escape, Campo::Terceiro}});  // one field back
        filho<QLineEdit>(&w, objecto(Campo::Terceiro))->selectAll();
        QTest::keyClicks(focado(), QStringLiteral("F001"));
        tecla(Qt::Key_Tab);
        QCOMPARE(texto(&w, Campo::Nome), QStringLiteral("Cerealis Norte - Comércio de Cereais, S.A."));
        QCOMPARE(texto(&w, Campo::Email, DeskKind::entradas()), QStringLiteral("encomendas@cerealisnorte.example"));
        premir({Qt::Key_Tab, "RAC-VL", Qt::Key_Tab});
        auto* check = filho<QCheckBox>(&w, "Check3");
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
        QVERIFY(w.core().materiasSubsidiarias());

        // The loaded truck first: the gross weight.
        clicar(&w, "btPeso");
        QCOMPARE(rotulo(&w, "lblLegendaPeso"), QStringLiteral("Peso Bruto"));
        QTest::keyClicks(focado(), QStringLiteral("15"));
        // No scale configured: the reason is shown and no weight is left to confirm.
        clicar(&w, "btPesar");
        QCOMPARE(fx.msgs.last(), QStringLiteral("Balança não configurada."));
        QCOMPARE(texto(&w, Campo::Peso), QString());
        clicar(&w, "btCancPeso");
        QVERIFY(tabs->isEnabled());

        // Abandoning clears the category and the box; Esc in the first field closes the desk.
        combo->setCurrentIndex(1);
        QCOMPARE(w.core().caracteristica(), 1);
        clicar(&w, "btCancGeral");
        QCOMPARE(combo->currentIndex(), 0);
        QVERIFY(!check->isChecked());
        clicar(&w, "btEntrada");
        QTest::keyClick(focado(), Qt::Key_Escape);
        QTRY_VERIFY(!w.isVisible());
    }

    // The main window opens the desks whole; a whole incoming delivery, first and second weight,
    // final save and printed ticket, by keys alone on a desk of it (the outgoing load by mouse:
    // the first test).
    void wholeDeliveryByKeysAlone() {
        TempDataDir dados;
        Simulador sim({QStringLiteral("--weight"), QStringLiteral("31000")});
        QVERIFY(sim.iniciado());
        const FicheiroBalanca balanca(sim.caminho());
        const QString config = dados.norvak() + QStringLiteral("/Balantrix.kel");
        QTemporaryDir semBalanca, impressos;
        DeskFixture fx;
        const QString bin = qEnvironmentVariable("BALANTRIX_BIN");
        ChildForms forms = ChildForms::available();
        forms.entradas = [&](const FormContext& c) -> QWidget* {
            auto* d = new DeskWindow(DeskKind::entradas(), c.db, *c.parametros, c.messages, *c.sessao);
            d->setBalanca(std::make_unique<BalancaDesk>(semBalanca.path(), balanca.pasta()));
            d->setOperacoesTalao(std::make_unique<OperacoesTalao>(c.db, c.messages, bin, config),
                                 impressos.filePath(QStringLiteral("entrada.pdf")));
            return d;
        };
        const QString loja = impressos.filePath(QStringLiteral("placement.ini"));
        const auto janela = janelaPrincipal(fx, config, loja, forms);
        QVERIFY(activa(*janela));

        // At its first-run placement (6500 twips square) the main window opens a desk: it grows
        // within the screen so the whole desk shows, the desk inside the client area.
        const QSize antes = janela->size();
        QVERIFY(antes.width() < 500);
        janela->findChild<QAction*>(QStringLiteral("mnuSaidas"))->trigger();
        QMdiSubWindow* sub = janela->mdiArea()->activeSubWindow();
        QVERIFY(sub);
        QCOMPARE(sub->widget()->objectName(), QStringLiteral("Saidas"));
        const QRect ecra = janela->screen()->availableGeometry();
        QTRY_VERIFY(janela->width() > antes.width());
        QVERIFY(ecra.contains(janela->frameGeometry()));
        // The whole desk in the client area, its top left corner never outside.
        QTRY_VERIFY2(janela->mdiArea()->viewport()->rect().contains(sub->geometry()), QTest::toString(sub->geometry()));
        QVERIFY(sub->x() >= 0 && sub->y() >= 0);
        QVERIFY(sub->width() >= sub->widget()->minimumSizeHint().width());
        fotografar(janela.get(), QStringLiteral("desk-primeira-vez"));

        // Beside it, the incoming desk: the loaded truck first.
        janela->findChild<QAction*>(QStringLiteral("mnuEntradas"))->trigger();
        QWidget* w = janela->mdiArea()->activeSubWindow()->widget();
        QCOMPARE(w->objectName(), QStringLiteral("Entradas"));
        QTRY_VERIFY2(w->isAncestorOf(focado()), qPrintable(foco()));
        premir({{Qt::Key_F2, Campo::Terceiro},
                "F001",
                Qt::Key_Tab,
                {Qt::Key_Tab, Campo::Artigo},
                "MILHO",
                {Qt::Key_Tab, Campo::Matricula},
                "98-CN-14",
                Qt::Key_Tab});
        // The weighing panel: Esc leaves it, F3 opens it again.
        tecla(Qt::Key_F3);
        auto* frame3 = filho(w, "Frame3");
        QVERIFY(frame3->isVisible());
        QCOMPARE(foco(), objecto(Campo::Peso));
        tecla(Qt::Key_Return);  // no weight yet: nothing happens
        QVERIFY(frame3->isVisible());
        tecla(Qt::Key_Escape);
        QVERIFY(!frame3->isVisible());
        // Tab runs through the panel in the order of use.
        premir({{Qt::Key_F3, Campo::Peso},
                {Qt::Key_Tab, "btConfPeso_0"},
                {Qt::Key_Tab, "btConfPeso_1"},
                {Qt::Key_Tab, "btCancPeso"},
                {Qt::Key_Tab, "btPesar"}});
        tecla(Qt::Key_F8);
        QCOMPARE(texto(w, Campo::Peso), QStringLiteral("31000"));
        QCOMPARE(foco(), objecto(Campo::Peso));
        tecla(Qt::Key_Return);
        QVERIFY(!frame3->isVisible());

        // The empty truck: pending list, Enter on the row, Enter on "Pesagem", F8, Alt+C.
        QCOMPARE(sim.comando(QStringLiteral("weight 12000")), QStringLiteral("ok"));
        premir({{Qt::Key_F5, "Grelha"}, {Qt::Key_Return, "btPeso"}, Qt::Key_Return});
        QVERIFY(frame3->isVisible());
        tecla(Qt::Key_F8);
        QCOMPARE(texto(w, Campo::Peso), QStringLiteral("12000"));
        // Alt+C is the panel's "Confirmar", not the main menu's "Configuração".
        tecla(Qt::Key_C, Qt::AltModifier);
        QVERIFY(!QApplication::activePopupWidget());
        QCOMPARE(texto(w, Campo::Liquido), QStringLiteral("19.000,00"));
        QCOMPARE(foco(), QStringLiteral("btConf"));
        tecla(Qt::Key_Return);
        QVERIFY(filho(w, "Frame7")->isVisible());
        QCOMPARE(foco(), QStringLiteral("btConfFinal_0"));
        // Esc goes back to the review; Enter on "Confirmar" again, then the ticket printed with
        // Alt+I, the final panel's "Imprimir".
        tecla(Qt::Key_Escape);
        QVERIFY(!filho(w, "Frame7")->isVisible());
        QCOMPARE(foco(), QStringLiteral("btConf"));
        premir({Qt::Key_Return, {Qt::Key_Tab, "btConfFinal_1"}});
        tecla(Qt::Key_I, Qt::AltModifier);
        QVERIFY2(!filho(w, "Frame7")->isVisible(), qPrintable(fx.msgs.all.join(u'|')));
        QVERIFY(!PesagemLida::ler(fx.t.db(), PesagemLida::ultimo(fx.t.db())).pendente);
        QCOMPARE(pdfPaginasDe(impressos.filePath(QStringLiteral("entrada.pdf"))), 2);  // NoVias copies
        QVERIFY2(fx.msgs.all.isEmpty(), qPrintable(fx.msgs.all.join(u'|')));

        // Closed, the grown placement is what is stored.
        janela->close();
        QTRY_VERIFY(janela->mdiArea()->subWindowList().isEmpty());
        const double twips =
            QSettings(loja, QSettings::IniFormat).value(QStringLiteral("Settings/MainWidth")).toDouble();
        QCOMPARE(qRound(twips * janela->logicalDpiX() / 1440.0), janela->width());
    }

    // A failed print is told once, with the reason; the preview hands the viewer a PDF of the
    // weighing's own ticket in a new file only this user reads, records no copy and leaves the
    // weighing on the desk; NoVias 0 says why nothing printed; a preview that fails says why.
    void ticketFailuresAreToldOnceAndThePreviewOpens() {
        DeskFixture fx;
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("Balantrix.kel"));
        FicheiroConfig(config).gravar(QStringLiteral("PRINT"), QStringLiteral("Impressora"),
                                      QStringLiteral("Balanca-Laser-9"));
        DeskWindow w(DeskKind::saidas(), fx.t.db(), fx.parametros, fx.msgs, *fx.erp);
        w.setOperacoesTalao(
            std::make_unique<OperacoesTalao>(fx.t.db(), fx.msgs, qEnvironmentVariable("BALANTRIX_BIN"), config));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(filho<QPushButton>(&w, "btAnularHist")->toolTip(), QStringLiteral("Anular."));
        DeskCore& d = w.core();
        const qint32 id = fx.primeiraPesagem(d, QStringLiteral("C001"), QStringLiteral("RAC-VL"), 14220);
        QVERIFY(fx.segundaPesagem(d, id, 40560));
        d.btConf();
        fx.msgs.clear();
        clicar(&w, "btConfFinal_1");
        QCOMPARE(fx.msgs.all.size(), 1);
        QVERIFY2(fx.msgs.last().contains(QStringLiteral("não foi impresso")) &&
                     fx.msgs.last().contains(QStringLiteral("\"Balanca-Laser-9\" não está disponível")),
                 qPrintable(fx.msgs.last()));
        QVERIFY(!PesagemLida::ler(fx.t.db(), id).pendente);

        RegistarVias(fx.t.db(), id, 2);  // as a printing that worked would
        const int vias = fx.contar(QStringLiteral("kel_PES_Vias"));
        QVERIFY(fx.abrirHistorico(d, id));
        const QList<QUrl> abertos = previsualizar(w);
        QVERIFY2(abertos.size() == 1, qPrintable(fx.msgs.all.join(QLatin1Char('|'))));
        const QString pdf = abertos.first().toLocalFile();
        QCOMPARE(QFileInfo(pdf).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFileDevice::Permissions());
        QVERIFY2(textoPdf(pdf).contains(QStringLiteral("26.340")), qPrintable(pdf));
        QFile::remove(pdf);
        QCOMPARE(fx.contar(QStringLiteral("kel_PES_Vias")), vias);
        QVERIFY(rotulo(&w, "lblEstado").contains(QString::number(PesagemLida::ler(fx.t.db(), id).noTalao)));

        // No copies asked: the reprint says so, once.
        QVERIFY(fx.gravarParametros(0));
        fx.msgs.clear();
        clicar(&w, "btImpHist");
        QCOMPARE(fx.msgs.all.size(), 1);
        QVERIFY2(fx.msgs.last().contains(QStringLiteral("(parâmetro \"Número Vias\") é 0")),
                 qPrintable(fx.msgs.last()));

        // Without its template nothing opens, and the operator is told why.
        w.setOperacoesTalao(std::make_unique<OperacoesTalao>(fx.t.db(), fx.msgs, dir.path(), config));
        fx.msgs.clear();
        QVERIFY(previsualizar(w).isEmpty());
        QVERIFY2(fx.msgs.last().startsWith(QStringLiteral("Não foi possível pré-visualizar o talão")),
                 qPrintable(fx.msgs.last()));
    }

    // One access letter per command in every state of both desks; read-only fields look
    // it; the desk's own line tells what was saved; the final panel names its desk.
    void accessLettersAndWhatTheDeskShows_data() {
        QTest::addColumn<bool>("entrada");
        QTest::newRow("saidas") << false;
        QTest::newRow("entradas") << true;
    }
    void accessLettersAndWhatTheDeskShows() {
        QFETCH(bool, entrada);
        const DeskKind& k = entrada ? DeskKind::entradas() : DeskKind::saidas();
        DeskFixture fx;
        DeskWindow w(k, fx.t.db(), fx.parametros, fx.msgs, *fx.erp);
        QVERIFY(activa(w));
        DeskCore& d = w.core();
        auto letrasUnicas = [&](const QString& estado) {
            QStringList repetidas;
            for (int c = Qt::Key_A; c <= Qt::Key_Z; ++c) {
                const auto alvos =
                    MnemonicasFormulario::alvos(&w, QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key(c))));
                if (alvos.size() > 1) repetidas << QString(QChar(c));
            }
            QVERIFY2(repetidas.isEmpty(), qPrintable(estado + QStringLiteral(": Alt+") + repetidas.join(u',')));
        };
        letrasUnicas(QStringLiteral("parado"));
        DeskFixture::nova(d, entrada ? QStringLiteral("F001") : QStringLiteral("C001"), QStringLiteral("MILHO"));
        letrasUnicas(QStringLiteral("nova"));
        DeskFixture::tab(d, Campo::Matricula, QStringLiteral("12-AB-34"));
        d.btPeso();
        letrasUnicas(QStringLiteral("painel de pesagem"));
        d.escrever(Campo::Peso, entrada ? QStringLiteral("30000") : QStringLiteral("12000"));
        d.btConfPeso(Gravacao::Confirmar);
        auto* estado = filho<QLabel>(&w, "lblEstado");
        QVERIFY(estado->isVisible());
        QVERIFY2(estado->text().startsWith(QStringLiteral("Talão 1 gravado: viatura 12-AB-34")),
                 qPrintable(estado->text()));
        const qint32 id = PesagemLida::ultimo(fx.t.db());
        QVERIFY(fx.segundaPesagem(d, id, entrada ? 12000 : 30000));
        QVERIFY(!estado->isVisible());
        letrasUnicas(QStringLiteral("revisão"));
        QCOMPARE(rotulo(&w, "lblUnidade_0"), QStringLiteral("kg"));
        d.btConf();
        letrasUnicas(QStringLiteral("gravação final"));
        QVERIFY(filho<QLabel>(&w, "lblTextoFinal")
                    ->text()
                    .contains(entrada ? QStringLiteral("da Entrada em curso") : QStringLiteral("da Saída em curso")));
        d.btConfFinal(Gravacao::Confirmar);
        d.btHistorico();
        letrasUnicas(QStringLiteral("pesquisa do histórico"));
        QVERIFY(fx.abrirHistorico(d, id));
        letrasUnicas(QStringLiteral("pesagem do histórico"));
        // What takes no typing looks it: the plate is read-only and painted unlike a deduction.
        auto* matricula = filho<QLineEdit>(&w, objecto(Campo::Matricula));
        auto* vasilhame = filho<QLineEdit>(&w, objecto(Campo::Vasilhame));
        QVERIFY(matricula->isReadOnly());
        QVERIFY(!vasilhame->isReadOnly());
        QTabWidget* tabs = filho<QTabWidget>(&w, "TabGrelha");
        tabs->setCurrentIndex(0);
        const QColor fundoMatricula = matricula->grab().toImage().pixelColor(4, matricula->height() / 2);
        tabs->setCurrentIndex(3);
        const QColor fundoVasilhame = vasilhame->grab().toImage().pixelColor(4, vasilhame->height() / 2);
        QVERIFY2(fundoMatricula != fundoVasilhame, qPrintable(fundoMatricula.name()));
    }

    // Two desks side by side: a desk's message box keeps that desk in front, switching
    // windows keeps each desk's focus, and a desk holding a read weight asks before it closes.
    void twoDesksKeepTheirPlaceAndTheirWork() {
        DeskFixture fx;
        QMdiArea mdi;
        mdi.resize(1300, 900);
        MessageBoxes caixas(&mdi);
        Respondedor resposta;
        auto* a = new DeskWindow(DeskKind::saidas(), fx.t.db(), fx.parametros, caixas, *fx.erp);
        auto* b = new DeskWindow(DeskKind::entradas(), fx.t.db(), fx.parametros, caixas, *fx.erp);
        QMdiSubWindow* subA = mdi.addSubWindow(a);
        QMdiSubWindow* subB = mdi.addSubWindow(b);
        QVERIFY(activa(mdi));
        const qint32 id = fx.primeiraPesagem(a->core(), QStringLiteral("C001"), QStringLiteral("MILHO"), 12000);
        QVERIFY(fx.segundaPesagem(a->core(), id, 30000));
        mdi.setActiveSubWindow(subA);
        auto* btConf = filho<QPushButton>(a, "btConf");
        QTRY_VERIFY(btConf->isVisible());
        btConf->setFocus(Qt::TabFocusReason);
        QCOMPARE(foco(), QStringLiteral("btConf"));
        // To the other desk and back, by the window list and by Ctrl+Tab: Enter is still "Confirmar".
        mdi.setActiveSubWindow(subB);
        QTRY_VERIFY(b->isAncestorOf(focado()));
        mdi.setActiveSubWindow(subA);
        QTRY_COMPARE(focado(), static_cast<QWidget*>(btConf));
        mdi.activateNextSubWindow();
        QTRY_COMPARE(mdi.activeSubWindow(), subB);
        mdi.activatePreviousSubWindow();
        QTRY_COMPARE(mdi.activeSubWindow(), subA);
        QTest::qWait(50);
        QCOMPARE(focado(), static_cast<QWidget*>(btConf));

        // A message of desk A ("Peso Líquido incorrecto") with B beside it: A stays in front.
        tecla(Qt::Key_F3);
        QTRY_COMPARE(foco(), objecto(Campo::Peso));
        QTest::keyClicks(focado(), QStringLiteral("1000"));
        QTest::mouseClick(filho<QPushButton>(a, "btConfPeso_0"), Qt::LeftButton);
        QTRY_COMPARE(resposta.textos.size(), 1);
        QCOMPARE(resposta.textos.last(), QStringLiteral("Peso Líquido incorrecto"));
        QTest::qWait(50);
        QCOMPARE(mdi.activeSubWindow(), subA);
        QTRY_VERIFY2(
            a->isAncestorOf(focado()),
            qPrintable(foco() + QStringLiteral(" activa: ") +
                       (QApplication::activeWindow() ? QApplication::activeWindow()->metaObject()->className() : "-")));

        // A read weight in the panel: closing the window asks (No by default) and the desk stays;
        // asked again, Yes lets it go.
        tecla(Qt::Key_F3);
        QTRY_COMPARE(foco(), objecto(Campo::Peso));
        QTest::keyClicks(focado(), QStringLiteral("30000"));
        QPointer<QMdiSubWindow> fechada(subA);
        subA->close();
        QTRY_COMPARE(resposta.textos.size(), 2);
        QCOMPARE(resposta.predefinidos.last(), QStringLiteral("Não"));  // Qt's own words in Portuguese too
        QTest::qWait(50);
        QVERIFY(subA->isVisible());
        QCOMPARE(texto(a, Campo::Peso), QStringLiteral("30000"));
        resposta.sim = true;
        subA->close();
        QTRY_VERIFY(fechada.isNull() || !fechada->isVisible());
        QCOMPARE(resposta.textos.mid(1), QStringList(2, QStringLiteral("Abandonar a pesagem em curso?")));
    }

    // One live reader for every desk: the weight large on each, its state as the
    // indicator changes, "a ler…" on the others while one desk takes its own logged
    // reading, the port closed with the last desk, and nothing of it with the option off.
    void liveWeightOnEveryDeskFromOneReader() {
        DeskFixture fx;
        Simulador sim({QStringLiteral("--weight"), QStringLiteral("14220")});
        QVERIFY(sim.iniciado());
        QVERIFY(escreverFicheiro(fx.t.folder() + QStringLiteral("/BALANCA.TXT"),
                                 (sim.caminho() + QStringLiteral("\r\n9600,N,8,1\r\n2\r\n")).toUtf8()));
        QTemporaryDir programa;
        MonitorBalanca monitor(programa.path(), fx.t.folder());
        monitor.setIntervalo(100);
        const FormContext c{
            fx.t.db(),       fx.erp.get(), &fx.parametros, fx.msgs, fx.t.folder() + QStringLiteral("/Balantrix.kel"),
            programa.path(), &monitor};
        const ChildForms forms = ChildForms::available();
        QMdiArea mdi;
        mdi.resize(1366, 768);
        mdi.show();
        QMdiSubWindow* a = mdi.addSubWindow(forms.saidas(c));
        QMdiSubWindow* b = mdi.addSubWindow(forms.entradas(c));
        for (QMdiSubWindow* s : {a, b}) {
            s->setAttribute(Qt::WA_DeleteOnClose);
            s->show();
        }
        auto* ma = filho<MostradorPeso>(a->widget(), "mostradorPeso");
        auto* mb = filho<MostradorPeso>(b->widget(), "mostradorPeso");
        QCOMPARE(monitor.registados(), 2);
        QTRY_COMPARE(ma->textoPeso(), QStringLiteral("14.220"));
        QCOMPARE(ma->textoEstado(), QStringLiteral("Estável"));
        QVERIFY(monitor.portaAberta());
        QVERIFY2(ma->alturaAlgarismos() >= MostradorPeso::kAlturaMinima,
                 qPrintable(QString::number(ma->alturaAlgarismos())));
        QVERIFY(ma->isVisible() && ma->height() >= ma->alturaAlgarismos());

        const struct {
            const char* comando;
            const char* peso;
            const char* estado;
        } casos[] = {{"mark gu", "14.220", "Instável"},  {"weight 31000", "31.000", "Instável"},
                     {"mark gs", "31.000", "Estável"},   {"unit off", "", "sem leitura"},
                     {"unit on", "31.000", "Estável"},   {"silent on", "", "sem leitura"},
                     {"silent off", "31.000", "Estável"}};
        for (const auto& k : casos) {
            QCOMPARE(sim.comando(QString::fromLatin1(k.comando)), QStringLiteral("ok"));
            QTRY_COMPARE(ma->textoEstado(), QString::fromUtf8(k.estado));
            QTRY_COMPARE(ma->textoPeso(), QString::fromLatin1(k.peso));
            QTRY_COMPARE(mb->estado(), ma->estado());
        }

        // The desk's own reading: the port is lent to it, the other desk says so, and only
        // that reading reaches the field and the alibi log.
        QWidget* w = a->widget();
        auto& d = static_cast<DeskWindow*>(w)->core();
        DeskFixture::nova(d, QStringLiteral("C001"), QStringLiteral("RAC-VL"));
        QVERIFY(DeskFixture::tab(d, Campo::Matricula, QStringLiteral("12-AB-34")));
        d.btPeso();
        const int alibiAntes = fx.contar(QStringLiteral("kel_PES_Alibi"));
        const int pedidosAntes = sim.pedidos();
        QCOMPARE(sim.comando(QStringLiteral("delay 400")), QStringLiteral("ok"));
        QString noOutro;
        QTimer::singleShot(200, [&] { noOutro = mb->textoEstado(); });
        clicar(w, "btPesar");
        QCOMPARE(texto(w, Campo::Peso), QStringLiteral("31000"));
        QCOMPARE(noOutro, QStringLiteral("a ler…"));
        QCOMPARE(sim.comando(QStringLiteral("delay 0")), QStringLiteral("ok"));
        QTRY_COMPARE(mb->textoPeso(), QStringLiteral("31.000"));
        QTRY_VERIFY(sim.pedidos() > pedidosAntes + 2);
        QCOMPARE(fx.contar(QStringLiteral("kel_PES_Alibi")), alibiAntes + 1);
        fotografar(w, QStringLiteral("desk-peso-vivo"));

        // "Sair" closes the desk's sub-window; the last desk closed closes the port; with the
        // option off a new desk polls nothing.
        d.btCancGeral();
        QPointer<QMdiSubWindow> fechada(a);
        clicar(w, "btSair");
        QTRY_VERIFY(fechada.isNull());
        QCOMPARE(mdi.subWindowList().size(), 1);
        QCOMPARE(monitor.registados(), 1);
        delete b;
        QCOMPARE(monitor.registados(), 0);
        QVERIFY(!monitor.portaAberta());
        QString erro;
        QVERIFY(OpcoesInstalacao(fx.t.db()).definir(QStringLiteral("LeituraContinua"), QStringLiteral("nao"), erro));
        std::unique_ptr<QWidget> semLeitura(forms.saidas(c));
        semLeitura->show();
        QCOMPARE(monitor.registados(), 0);
        QCOMPARE(filho<MostradorPeso>(semLeitura.get(), "mostradorPeso")->textoEstado(),
                 QStringLiteral("leitura contínua desligada"));
    }

    // Today's figures follow a first weighing, its completion and its cancellation; a
    // weighing finished yesterday is not today's; the other desk's are not this one's.
    void dayFiguresFollowEveryAction() {
        DeskFixture fx;
        DeskWindow w(DeskKind::saidas(), fx.t.db(), fx.parametros, fx.msgs, *fx.erp);
        QVERIFY(activa(w));
        auto* barra = filho<QPushButton>(&w, "btFigurasDia");
        auto* tabela = filho<QTableWidget>(&w, "tabelaDia");
        const QDate hoje = QDate::currentDate();
        const FigurasDia inicio = FigurasDia::ler(fx.t.db(), QStringLiteral("S"), hoje);
        const FigurasDia entradas = FigurasDia::ler(fx.t.db(), QStringLiteral("E"), hoje);
        auto agora = [&] {
            w.actualizarFiguras();
            return FigurasDia::ler(fx.t.db(), QStringLiteral("S"), hoje);
        };
        DeskCore& d = w.core();
        const qint32 id = fx.primeiraPesagem(d, QStringLiteral("C001"), QStringLiteral("RAC-VL"), 14000);
        FigurasDia f = agora();
        QCOMPARE(f.total.pendentes, inicio.total.pendentes + 1);
        QCOMPARE(f.total.concluidas, inicio.total.concluidas);
        QVERIFY(fx.segundaPesagem(d, id, 40000));
        DeskFixture::concluir(d);
        f = agora();
        QCOMPARE(f.total.pendentes, inicio.total.pendentes);
        QCOMPARE(f.total.concluidas, inicio.total.concluidas + 1);
        QCOMPARE(f.total.liquido, inicio.total.liquido + Money::fromInteger(26000));
        QVERIFY2(barra->text().startsWith(QStringLiteral("Hoje: %1 concluída").arg(f.total.concluidas)),
                 qPrintable(barra->text()));
        QVERIFY(barra->text().contains(QStringLiteral("líquido ") + f.total.liquido.format() + QStringLiteral(" kg")));
        // Per article, on a click or F9.
        QVERIFY(!tabela->isVisible());
        QTest::keyClick(&w, Qt::Key_F9);
        QVERIFY(tabela->isVisible());
        const auto linha = tabela->findItems(QStringLiteral("RAC-VL"), Qt::MatchExactly);
        QCOMPARE(linha.size(), 1);
        QCOMPARE(tabela->item(linha[0]->row(), 3)->text(), Money::fromInteger(26000).format());
        QTest::mouseClick(barra, Qt::LeftButton);
        QVERIFY(!tabela->isVisible());
        // Cancelled: pending again.
        QVERIFY(fx.abrirHistorico(d, id));
        fx.msgs.answers = {true};
        d.btAnularHist();
        f = agora();
        QCOMPARE(f.total.pendentes, inicio.total.pendentes + 1);
        QCOMPARE(f.total.concluidas, inicio.total.concluidas);
        // Finished just before midnight is yesterday's; the incoming desk counts its own.
        fx.t.db().executar(
            QStringLiteral("UPDATE kel_PES_Historico SET DataHoraPL = ?, PesoLiquido = 5 WHERE Hist_Id = ?"),
            {QDateTime(hoje.addDays(-1), QTime(23, 59, 59)), id});
        f = agora();
        QCOMPARE(f.total.pendentes, inicio.total.pendentes);
        QCOMPARE(f.total.concluidas, inicio.total.concluidas);
        const FigurasDia e = FigurasDia::ler(fx.t.db(), QStringLiteral("E"), hoje);
        QCOMPARE(e.total.pendentes, entradas.total.pendentes);
        QCOMPARE(e.total.concluidas, entradas.total.concluidas);
    }

    // The pending list narrows as one types, on any shown column, without case or accents.
    void pendingListFiltersAsOneTypes_data() {
        QTest::addColumn<QString>("filtro");
        QTest::addColumn<QStringList>("matriculas");
        QTest::newRow("nome sem acento") << QStringLiteral("CAVADO") << QStringList{QStringLiteral("22-CD-22")};
        QTest::newRow("nome, duas palavras") << QStringLiteral("lijo agro") << QStringList{QStringLiteral("33-EF-33")};
        QTest::newRow("matrícula") << QStringLiteral("11-ab") << QStringList{QStringLiteral("11-AB-11")};
        QTest::newRow("artigo") << QStringLiteral("trigo")
                                << QStringList{QStringLiteral("22-CD-22"), QStringLiteral("33-EF-33")};
        QTest::newRow("nada") << QStringLiteral("xyz") << QStringList{};
        QTest::newRow("vazio") << QString()
                               << QStringList{QStringLiteral("11-AB-11"), QStringLiteral("22-CD-22"),
                                              QStringLiteral("33-EF-33")};
    }
    void pendingListFiltersAsOneTypes() {
        QFETCH(QString, filtro);
        QFETCH(QStringList, matriculas);
        DeskFixture fx;
        DeskWindow w(DeskKind::saidas(), fx.t.db(), fx.parametros, fx.msgs, *fx.erp);
        QVERIFY(activa(w));
        tresPendentes(fx, w.core(), {QStringLiteral("C001"), QStringLiteral("C002"), QStringLiteral("C004")});
        clicar(&w, "btPendentes");
        auto* grelha = filho<QTableWidget>(&w, "Grelha");
        QCOMPARE(focado(), grelha);
        // Typed on the list itself: the letters go to its filter.
        QTest::keyClicks(grelha, filtro);
        QCOMPARE(filho<QLineEdit>(&w, "filtroGrelha")->text(), filtro);
        QStringList vistas;
        for (int r = 0; r < grelha->rowCount(); ++r)
            if (!grelha->isRowHidden(r)) vistas << grelha->item(r, 5)->text();
        vistas.sort();
        QCOMPARE(vistas, matriculas);
        // Enter opens the first row left.
        tecla(Qt::Key_Return);
        QCOMPARE(texto(&w, Campo::Matricula), matriculas.value(0));
    }

    // A header click sorts (again: the other way) and the order stays when the list is
    // read again; Home/End go to the first/last row; Enter in the history's dates searches.
    void listOrderHomeEndAndDateEnter() {
        DeskFixture fx;
        DeskWindow w(DeskKind::saidas(), fx.t.db(), fx.parametros, fx.msgs, *fx.erp);
        QVERIFY(activa(w));
        tresPendentes(fx, w.core(), {QStringLiteral("C003"), QStringLiteral("C001"), QStringLiteral("C002")});
        clicar(&w, "btPendentes");
        auto* grelha = filho<QTableWidget>(&w, "Grelha");
        auto coluna = [&](int c) {
            QStringList l;
            for (int r = 0; r < grelha->rowCount(); ++r) l << grelha->item(r, c)->text();
            return l;
        };
        QVERIFY(grelha->columnWidth(2) >=
                grelha->fontMetrics().horizontalAdvance(QStringLiteral("Quinta d'Ouro - Sociedade Agrícola, Lda.")));
        auto* cabecalho = grelha->horizontalHeader();
        const QPoint nome(cabecalho->sectionViewportPosition(2) + 5, cabecalho->height() / 2);
        QTest::mouseClick(cabecalho->viewport(), Qt::LeftButton, {}, nome);
        QCOMPARE(coluna(5),
                 (QStringList{QStringLiteral("33-EF-33"), QStringLiteral("11-AB-11"), QStringLiteral("22-CD-22")}));
        QTest::mouseClick(cabecalho->viewport(), Qt::LeftButton, {}, nome);
        const QStringList descendente = {QStringLiteral("22-CD-22"), QStringLiteral("11-AB-11"),
                                         QStringLiteral("33-EF-33")};
        QCOMPARE(coluna(5), descendente);
        clicar(&w, "btCancGeral");
        clicar(&w, "btPendentes");
        QCOMPARE(coluna(5), descendente);
        grelha->setFocus();
        tecla(Qt::Key_End);
        QCOMPARE(grelha->currentRow(), 2);
        tecla(Qt::Key_Home);
        QCOMPARE(grelha->currentRow(), 0);
        tecla(Qt::Key_End);
        tecla(Qt::Key_Return);
        QCOMPARE(texto(&w, Campo::Matricula), QStringLiteral("33-EF-33"));
        QCOMPARE(texto(&w, Campo::Terceiro), QStringLiteral("C002"));

        clicar(&w, "btCancGeral");
        clicar(&w, "btHistorico");
        auto* de = filho<QDateEdit>(&w, "DTPicker4");
        de->setFocus();
        fx.msgs.clear();
        tecla(Qt::Key_Return);
        QCOMPARE(fx.msgs.last(), QStringLiteral("Não existem registos de Histórico!"));
        QVERIFY(!filho(&w, "btler")->isVisible());
    }

    // The history read a page at a time: the first page shown, the next ones as the list
    // is scrolled; End, a filter or a sort read the rest first; every row opens its own weighing.
    // Its last finished weighing is the one "Reimprimir último talão" prints.
    void historyReadsItsRowsAsTheyAreScrolledTo() {
        DeskFixture fx;
        DeskWindow w(DeskKind::saidas(), fx.t.db(), fx.parametros, fx.msgs, *fx.erp);
        w.resize(900, 600);
        QVERIFY(activa(w));
        DeskCore& d = w.core();
        d.setTicketActions(&fx.tickets);
        // "Reimprimir último talão" with nothing finished yet says so.
        auto* reimprimir = filho<QPushButton>(&w, "btReimprimir");
        fx.t.db().executar(QStringLiteral("DELETE FROM kel_PES_Historico"));
        QTest::mouseClick(reimprimir, Qt::LeftButton);
        QCOMPARE(fx.msgs.last(), QStringLiteral("Ainda não há talões concluídos nesta balança."));
        const QStringList matriculas = {QStringLiteral("10-AA-01"), QStringLiteral("10-AA-02"),
                                        QStringLiteral("10-AA-03"), QStringLiteral("10-AA-04"),
                                        QStringLiteral("10-AA-05")};
        qint32 ultimaConcluida = 0;
        for (const QString& m : matriculas)
            QVERIFY((ultimaConcluida =
                         fx.concluida(d, QStringLiteral("C001"), QStringLiteral("RAC-VL"), 14000, 30000, m)) > 0);
        // It reprints the weighing this kind finished last, from an idle desk only.
        fx.primeiraPesagem(d, QStringLiteral("C002"), QStringLiteral("TRIGO"), 12000, QStringLiteral("10-AA-06"));
        d.btEntrada();
        QVERIFY(!reimprimir->isEnabled());  // a weighing on the desk
        d.btCancGeral();
        fx.tickets.impressos.clear();
        QTest::mouseClick(reimprimir, Qt::LeftButton);
        QCOMPARE(fx.tickets.impressos.size(), 1);
        QCOMPARE(fx.tickets.impressos.first().first, ultimaConcluida);
        QVERIFY2(rotulo(&w, "lblEstado").contains(QStringLiteral("10-AA-05")), qPrintable(rotulo(&w, "lblEstado")));
        d.setHistoricoPorPaginas(1);
        auto* grelha = filho<QTableWidget>(&w, "Grelha");
        grelha->verticalHeader()->setDefaultSectionSize(filho(&w, "pilha")->height());  // one row fills the screen
        auto ler = [&] {
            clicar(&w, "btCancGeral");
            clicar(&w, "btHistorico");
            clicar(&w, "btler");
        };
        ler();
        QTRY_VERIFY(grelha->rowCount() >= 2);
        const int primeiroEcra = grelha->rowCount();
        QVERIFY2(primeiroEcra >= 2 && primeiroEcra < 5, qPrintable(QString::number(primeiroEcra)));
        QCOMPARE(d.linhasPorLer(), 5 - primeiroEcra);
        QScrollBar* barra = grelha->verticalScrollBar();
        QTRY_VERIFY((barra->setValue(barra->maximum()), grelha->rowCount() > primeiroEcra));
        tecla(Qt::Key_End);
        QCOMPARE(grelha->rowCount(), 5);
        QCOMPARE(d.linhasPorLer(), 0);
        QCOMPARE(grelha->currentRow(), 4);
        const qint32 ultima = grelha->item(4, 0)->text().toInt();
        tecla(Qt::Key_Return);
        QCOMPARE(d.idHistorico(), ultima);
        // A filter reaches rows not read yet.
        ler();
        QCOMPARE(grelha->rowCount(), primeiroEcra);
        // The row of a weighing not read yet, found by its document ("GES/2026/1/3").
        const RecordSet doc = fx.t.db().consultar(
            QStringLiteral("SELECT Hist_Id, TpDoc || '/' || Ano || '/' || Serie || '/' || NoDoc AS Documento "
                           "FROM kel_PES_Historico WHERE Carro = ?"),
            {matriculas.first()});
        const qint32 procurada = doc.value(0, QStringLiteral("Hist_Id")).toInt();
        QVERIFY(grelha->findItems(QString::number(procurada), Qt::MatchExactly).isEmpty() || d.linhasPorLer() > 0);
        const QString documento = doc.text(0, QStringLiteral("Documento"));
        QTest::keyClicks(filho<QLineEdit>(&w, "filtroGrelha"), documento.toLower());
        tecla(Qt::Key_Return);
        QCOMPARE(texto(&w, Campo::Matricula), matriculas.first());
    }
};

QTEST_MAIN(DeskWindowTest)
#include "deskwindow_test.moc"
