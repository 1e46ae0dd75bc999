// The main window: placement in the per-user store, menus as the operators know them,
// child windows and their arrangement, status bar and title.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSet>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include "app/ui/frmmain.h"
#include "base/programinfo.h"
#include "erp/sessaosage.h"
#include "records/parametrosaplic.h"
#include "tests/support/encaixe.h"
#include "tests/support/fakesessao.h"
#include "tests/support/testsupport.h"
#include "widgets/campoentrada.h"

namespace {

class CountingSession : public FakeSessao {
  public:
    bool ligado() const override { return !desligado; }
    void desligar() override {
        ++desligacoes;
        desligado = true;
    }
    int desligacoes = 0;
    bool desligado = false;
};

// Captions of a menu in order, "-" for separators, submenus as "caption>" followed by theirs.
QStringList captions(const QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) {
            out << QStringLiteral("-");
        } else if (a->menu()) {
            out << a->text() + QLatin1Char('>');
            for (const QString& c : captions(a->menu())) out << QStringLiteral("  ") + c;
        } else {
            out << a->text();
        }
    }
    return out;
}

}  // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    RecordingMessages m_messages;

    QString storePath() const { return m_dir.filePath(QStringLiteral("placement.ini")); }
    std::unique_ptr<FrmMain> window(BaseDados* db = nullptr) {
        FrmMain::Setup setup;
        setup.configFile = m_dir.filePath(QStringLiteral("Balantrix.kel"));
        setup.programFolder = m_dir.path();
        setup.messages = &m_messages;
        setup.placement = std::make_unique<QSettings>(storePath(), QSettings::IniFormat);
        auto w = std::make_unique<FrmMain>(std::move(setup));
        w->setBaseDados(db);
        return w;
    }
    static QStringList chaves() {
        return {QStringLiteral("MainLeft"), QStringLiteral("MainTop"), QStringLiteral("MainWidth"),
                QStringLiteral("MainHeight")};
    }
    QStringList stored() const {
        QSettings s(storePath(), QSettings::IniFormat);
        QStringList out;
        for (const QString& k : chaves()) out << s.value(QStringLiteral("Settings/") + k).toString();
        return out;
    }
    void store(const QList<int>& valores) {
        QSettings s(storePath(), QSettings::IniFormat);
        for (int i = 0; i < 4; ++i) s.setValue(QStringLiteral("Settings/") + chaves()[i], QString::number(valores[i]));
    }

    // The main window shown at `tamanho` with three children of at least `minimo`, in creation order.
    static QList<QMdiSubWindow*> tresFilhos(FrmMain& w, const QSize& tamanho, const QSize& minimo) {
        w.resize(tamanho);
        w.show();
        if (!QTest::qWaitForWindowExposed(&w)) return {};
        for (int i = 0; i < 3; ++i) {
            auto* filho = new QWidget;
            filho->setMinimumSize(minimo);
            w.abrirFilho(filho, QStringLiteral("Janela %1").arg(i));
        }
        return w.mdiArea()->subWindowList(QMdiArea::CreationOrder);
    }

  private slots:
    void init() {
        QFile::remove(storePath());
        m_messages.clear();
    }

    // The placement in twips: the first run's default or what was stored, written back on close
    // within one pixel, and kept when the window is closed minimised.
    void placementIsReadAndStoredOnClose_data() {
        QTest::addColumn<QList<int>>("guardado");  // left, top, width, height; empty: the first run
        QTest::addColumn<bool>("minimizada");
        QTest::newRow("first run") << QList<int>{} << false;
        QTest::newRow("stored, closed minimised") << QList<int>{1500, 1200, 9000, 7500} << true;
    }
    void placementIsReadAndStoredOnClose() {
        QFETCH(QList<int>, guardado);
        QFETCH(bool, minimizada);
        if (!guardado.isEmpty()) store(guardado);
        const QList<int> esperado = guardado.isEmpty() ? QList<int>{1000, 1000, 6500, 6500} : guardado;
        auto w = window();
        const double tpp = 1440.0 / w->logicalDpiX();
        QCOMPARE(QRect(w->pos(), w->size()), QRect(qRound(esperado[0] / tpp), qRound(esperado[1] / tpp),
                                                   qRound(esperado[2] / tpp), qRound(esperado[3] / tpp)));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        if (minimizada) {
            w->resize(300, 200);
            w->showMinimized();
            QTRY_VERIFY(w->isMinimized());
        }
        w->close();
        const QStringList s = stored();
        for (int i = 0; i < 4; ++i) QVERIFY2(qAbs(s.value(i).toFloat() - esperado[i]) <= tpp, qPrintable(s.join(u',')));
    }

    void closingDisconnectsTheErpOnce() {
        CountingSession erp;
        auto w = window();
        w->setSessao(&erp);
        w->show();
        w->findChild<QAction*>(QStringLiteral("mnuSair"))->trigger();
        QVERIFY(!w->isVisible());
        QCOMPARE(erp.desligacoes, 1);
    }

    void menusAreAsTheOperatorsKnowThem() {
        auto w = window();
        QStringList bar;
        for (QAction* a : w->menuBar()->actions()) bar << a->text();
        QCOMPARE(bar.join(u'|'), QStringLiteral("&Processamento|&Mapas|&Configuração|&Janelas|Aj&uda"));
        const QList<std::pair<const char*, QString>> menus = {
            {"mnuProcessamento",
             QStringLiteral("&Entradas|-|&Saidas|-|Envio e-&Mail/PDF>|  &Fornecedores|  &Clientes|-|Sai&r")},
            {"mnuMapas",
             QStringLiteral("&Pesagens por período|-|&Modelos instalados>|Abrir a pasta dos meus m&odelos")},
            {"mnuConfiguracao", QStringLiteral("&Ligação a Base de Dados|Ligação ao Servidor &SQL|-|Numeradores>|"
                                               "  Talões - &Entradas|  -|  Talões - &Saídas|&Parâmetros")},
            {"mnuJanelas",
             QStringLiteral("Em &cascata|Arranjar &horizontalmente|Arranjar &verticalmente|&Arranjar icons")},
            {"mnuAjuda", QStringLiteral("&Acerca de...")}};
        for (const auto& [nome, texto] : menus)
            QCOMPARE(captions(w->findChild<QMenu*>(QLatin1String(nome))).join(u'|'), texto);
        // One access key per entry of every menu, never on a blank.
        for (QMenu* m : w->findChildren<QMenu*>()) {
            QSet<QChar> teclas;
            for (QAction* a : m->actions()) {
                const qsizetype i = a->text().indexOf(u'&');
                if (a->isSeparator() || i < 0) continue;
                const QChar k = a->text().at(i + 1).toLower();
                QVERIFY2(!k.isSpace() && !teclas.contains(k),
                         qPrintable(m->objectName() + QLatin1Char(' ') + a->text()));
                teclas.insert(k);
            }
        }
    }

    // "Mapas" lists the templates (the user's copy before the program's) and opens the
    // user's own folder for copies, creating it.
    void templatesMenuListsTemplatesAndOpensTheUsersFolder() {
        for (const char* nome : {"mapas/kel_PES_Talao_Cliente.rpt", "mapas/kel_PES_Senha.rpt"})
            QVERIFY(escreverFicheiro(m_dir.filePath(QLatin1String(nome)), {}));
        auto w = window();
        QList<QUrl> abertas;
        w->setAbridorUrl([&](const QUrl& u) {
            abertas << u;
            return true;
        });
        auto* modelos = w->findChild<QMenu*>(QStringLiteral("mnuModelos"));
        emit modelos->aboutToShow();
        QCOMPARE(captions(modelos), (QStringList{QStringLiteral("kel_PES_Senha.rpt  (cópia do utilizador)"),
                                                 QStringLiteral("kel_PES_Talao_Cliente.rpt  (cópia do utilizador)")}));
        QDir(m_dir.filePath(QStringLiteral("mapas"))).removeRecursively();
        emit modelos->aboutToShow();
        QCOMPARE(captions(modelos), QStringList{QStringLiteral("(nenhum modelo instalado)")});
        w->findChild<QAction*>(QStringLiteral("mnuPastaModelos"))->trigger();
        QCOMPARE(abertas, QList<QUrl>{QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("mapas")))});
        QVERIFY(QFileInfo(m_dir.filePath(QStringLiteral("mapas"))).isDir());
    }

    // Forms not built yet are disabled and open nothing; the others get the database, their
    // mode and their title.
    void childWindowsGetTheDatabaseModeAndTitle() {
        TempDatabase db;
        ParametrosAplic parametros;
        auto w = window(&db.db());
        w->setParametros(&parametros);
        for (const char* name : {"mnuEntradas", "mnuSaidas", "mnuEnvioFornecedores", "mnuEnvioClientes",
                                 "mnuTaloesEntradas", "mnuTaloesSaidas", "mnuParametros"}) {
            QAction* a = w->findChild<QAction*>(QLatin1String(name));
            QVERIFY2(a && !a->isEnabled(), name);
            a->trigger();
        }
        QVERIFY(w->mdiArea()->subWindowList().isEmpty());
        QList<BaseDados*> handed;
        QList<int> modes;
        ChildForms forms;
        forms.saidas = [&](const FormContext& c) {
            handed << &c.db;
            auto* f = new QWidget;
            f->setWindowTitle(QStringLiteral("Saídas"));
            return f;
        };
        QList<ParametrosAplic*> parametrosHanded;
        forms.numeradores = [&](const FormContext& c, int modo) -> QWidget* {
            handed << &c.db;
            modes << modo;
            parametrosHanded << c.parametros;
            return new QWidget;
        };
        w->setChildForms(forms);
        w->show();
        QAction* saidas = w->findChild<QAction*>(QStringLiteral("mnuSaidas"));
        QVERIFY(saidas->isEnabled());
        QVERIFY(!w->findChild<QAction*>(QStringLiteral("mnuEntradas"))->isEnabled());
        saidas->trigger();
        saidas->trigger();
        w->findChild<QAction*>(QStringLiteral("mnuTaloesSaidas"))->trigger();
        const QList<QMdiSubWindow*> subs = w->mdiArea()->subWindowList(QMdiArea::CreationOrder);
        QCOMPARE(subs.size(), 3);  // two independent outgoing desks and the counters
        QVERIFY(subs[0]->widget() != subs[1]->widget());
        QCOMPARE(handed, (QList<BaseDados*>{&db.db(), &db.db(), &db.db()}));
        QCOMPARE(modes, QList<int>{2});
        QCOMPARE(parametrosHanded, QList<ParametrosAplic*>{&parametros});
        QCOMPARE(subs[2]->widget()->windowTitle(), QStringLiteral("Numeradores - Saídas"));

        // The window list names each child; choosing one brings it to the front.
        QMenu* janelas = w->findChild<QMenu*>(QStringLiteral("mnuJanelas"));
        QMetaObject::invokeMethod(janelas, "aboutToShow");
        QStringList listed;
        for (QAction* a : janelas->actions())
            if (a->objectName().startsWith(QStringLiteral("mnuJanela"))) listed << a->text();
        QCOMPARE(listed, (QStringList{QStringLiteral("&1 Saídas"), QStringLiteral("&2 Saídas"),
                                      QStringLiteral("&3 Numeradores - Saídas")}));
        w->findChild<QAction*>(QStringLiteral("mnuJanela1"))->trigger();
        QCOMPARE(w->mdiArea()->activeSubWindow(), subs[0]);
        // Listing again does not pile up entries.
        QMetaObject::invokeMethod(janelas, "aboutToShow");
        QCOMPARE(janelas->actions().size(), 4 + 1 + 3);

        // Closing the main window closes its children.
        w->close();
        QVERIFY(w->mdiArea()->subWindowList().isEmpty());
    }

    // The counters form from the keyboard: its fields show their longest values, and
    // Alt+C is its "&Confirmar" while it is active, not the menu "&Configuração"; Enter
    // confirms as well.
    void countersFormByKeys() {
        TempDatabase db(TempDatabase::Demo);
        ParametrosAplic parametros;
        gravarParametros(db.db(), parametros);
        auto w = window(&db.db());
        w->setParametros(&parametros);
        w->setChildForms(ChildForms::available());
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QVERIFY(!w->windowIcon().isNull());
        w->findChild<QAction*>(QStringLiteral("mnuTaloesSaidas"))->trigger();
        QWidget* f = w->mdiArea()->activeSubWindow()->widget();
        QCOMPARE(f->objectName(), QStringLiteral("Taloes"));
        // Wide enough: a campaign, a customer code, a prefix, a nine-digit counter.
        const QList<QPair<int, QString>> maiores = {
            {0, QStringLiteral("2026/2027")}, {5, QStringLiteral("CLIENTE-000123")},
            {4, QStringLiteral("WWWWW")},     {1, QStringLiteral("999999999")},
            {2, QStringLiteral("WWW")},       {3, QStringLiteral("WWW")}};
        for (const auto& [campo, texto] : maiores) {
            auto* c = f->findChild<QLineEdit*>(QStringLiteral("campo_%1").arg(campo));
            QVERIFY2(c->width() - 12 >= c->fontMetrics().horizontalAdvance(texto),
                     qPrintable(QStringLiteral("campo_%1: %2 px").arg(campo).arg(c->width())));
        }
        w->findChild<QAction*>(QStringLiteral("mnuTaloesEntradas"))->trigger();
        f = w->mdiArea()->activeSubWindow()->widget();
        QTRY_COMPARE(QApplication::focusWidget(), f->findChild<QWidget*>(QStringLiteral("campo_0")));
        auto tecla = [](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
            QTest::keyClick(QApplication::focusWidget(), k, m);
        };
        // Campaign, Tab, document type, Tab: the counter, typed over.
        auto chave = [&](const QString& tipo, const QString& contador) {
            for (const QString& t : {QStringLiteral("2026/2027"), tipo}) {
                QTest::keyClicks(QApplication::focusWidget(), t);
                tecla(Qt::Key_Tab);
            }
            QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("campo_1"));
            static_cast<QLineEdit*>(QApplication::focusWidget())->selectAll();
            QTest::keyClicks(QApplication::focusWidget(), contador);
        };
        auto guardado = [&](const char* tipo) {
            return db.db()
                .escalar(QStringLiteral("SELECT Contador FROM kel_PES_Taloes WHERE iTipo = 1 AND TipoDoc = ?"),
                         {QString::fromLatin1(tipo)})
                .toInt();
        };
        chave(QStringLiteral("GMP"), QStringLiteral("41"));
        tecla(Qt::Key_C, Qt::AltModifier);
        QVERIFY(!QApplication::activePopupWidget());
        QVERIFY(!w->menuBar()->activeAction());
        QCOMPARE(guardado("GMP"), 41);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("campo_0"));
        chave(QStringLiteral("GMS"), QStringLiteral("7"));
        tecla(Qt::Key_Return);
        QCOMPARE(guardado("GMS"), 7);
        QVERIFY(m_messages.all.isEmpty());
        w->close();
    }

    void tilingSharesTheAreaAndIconsLineUpAtTheBottom() {
        auto w = window();
        const QList<QMdiSubWindow*> subs = tresFilhos(*w, QSize(800, 600), QSize());
        QCOMPARE(subs.size(), 3);
        const QRect area = w->mdiArea()->viewport()->rect();

        w->findChild<QAction*>(QStringLiteral("mnuVertical"))->trigger();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(subs[i]->height(), area.height());
            QVERIFY(qAbs(subs[i]->width() - area.width() / 3) <= 1);
            QVERIFY(qAbs(subs[i]->x() - area.width() * i / 3) <= 1);
        }
        w->findChild<QAction*>(QStringLiteral("mnuHorizontal"))->trigger();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(subs[i]->width(), area.width());
            QVERIFY(qAbs(subs[i]->y() - area.height() * i / 3) <= 1);
        }

        subs[0]->showMinimized();
        subs[2]->showMinimized();
        subs[0]->move(300, 10);
        w->findChild<QAction*>(QStringLiteral("mnuIcons"))->trigger();
        QCOMPARE(subs[0]->geometry().bottom(), area.height() - 1);
        QCOMPARE(subs[0]->x(), 0);
        QCOMPARE(subs[2]->x(), subs[0]->width());
        QCOMPARE(subs[2]->geometry().bottom(), area.height() - 1);

        w->findChild<QAction*>(QStringLiteral("mnuCascata"))->trigger();
        QVERIFY(subs[1]->isVisible());
    }

    // Windows that cannot shrink to their share (a desk's minimum size) keep that size in
    // every arrangement and stay wholly inside the area, overlapping instead.
    void arrangementsKeepEachWindowWholeAndUsable() {
        auto w = window();
        const QList<QMdiSubWindow*> subs = tresFilhos(*w, QSize(900, 700), QSize(520, 380));
        QCOMPARE(subs.size(), 3);
        const QRect area = w->mdiArea()->viewport()->rect();
        for (const char* accao : {"mnuVertical", "mnuHorizontal", "mnuCascata"}) {
            w->findChild<QAction*>(QString::fromLatin1(accao))->trigger();
            for (QMdiSubWindow* s : subs) {
                QVERIFY2(s->widget()->width() >= 520 && s->widget()->height() >= 380, accao);
                QVERIFY2(area.contains(s->geometry()), accao);
            }
        }
        // Cascade: each one lower and to the right of the one before.
        QVERIFY(subs[1]->x() > subs[0]->x() && subs[1]->y() > subs[0]->y());
    }

    void statusBarAndCompanyTitle() {
        TempDatabase db(TempDatabase::Demo);
        auto w = window(&db.db());
        w->setStatusTexts(QStringLiteral("26.1.0"), QStringLiteral("SRV01"), QStringLiteral("EMPRESA_X"));
        w->getNomeEmpresa();
        QCOMPARE(w->windowTitle(), QStringLiteral("[Agro-Pecuária do Vale, Lda.]"));
        QCOMPARE(w->panelText(2), QStringLiteral("Versão: 26.1.0"));
        QCOMPARE(w->panelText(3), QStringLiteral("Servidor: SRV01"));
        QCOMPARE(w->panelText(4), QStringLiteral("Base de Dados: EMPRESA_X"));
        for (int p : {1, 5, 6}) QVERIFY(w->panelText(p).isEmpty());
        // At the first run's size the last panel shows whole, inside the window.
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->setStatusTexts(QStringLiteral("26.1.0"), QStringLiteral("SRVPRODUCAO01\\SQLEXPRESS"),
                          QStringLiteral("COOPERATIVA_AGRICOLA_2026"));
        auto* ultimo = w->findChild<QLabel*>(QStringLiteral("Panel4"));
        QTRY_VERIFY(ultimo->mapTo(w.get(), ultimo->rect().topRight()).x() < w->width());
        QCOMPARE(encaixe::problemas(w->statusBar()), QStringList());

        // Without a company row the title is empty, without a message; the panels stay.
        db.db().executar(QStringLiteral("DELETE FROM EMPRESA"));
        w->getNomeEmpresa();
        QCOMPARE(w->windowTitle(), QString());
        QVERIFY(m_messages.all.isEmpty());
        QCOMPARE(w->panelText(3), QStringLiteral("Servidor: SRVPRODUCAO01\\SQLEXPRESS"));
    }

    void aboutBoxShowsTitleDescriptionAndVersion() {
        auto w = window();
        w->show();
        QString text;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            text = box->windowTitle() + u'|' + box->text() + u'|' + box->informativeText();
            box->accept();
        });
        w->findChild<QAction*>(QStringLiteral("mnuAcercaDe"))->trigger();
        QCOMPARE(foraDoLugar(text, {QStringLiteral("Balantrix"), ProgramInfo::description(), QStringLiteral("26.1.0")}),
                 QString());
    }
};

QTEST_MAIN(TestFrmMain)
#include "frmmain_test.moc"
