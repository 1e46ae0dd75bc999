// What the operator meets in every form: the lookup list's search, access keys of the
// active form before the main menu's, Enter and Esc of a form, the progress window of
// a long first start, Qt's own words in the operator's language.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <QtTest>

#include "tests/support/testsupport.h"
#include "widgets/campoentrada.h"
#include "widgets/filtrosemacentos.h"
#include "widgets/iconeprograma.h"
#include "widgets/listapesquisa.h"
#include "widgets/messageboxes.h"
#include "widgets/mnemonicasformulario.h"
#include "widgets/teclasformulario.h"
#include "widgets/traducaoqt.h"

namespace {

// A main window with the program's menu titles and one form inside it.
struct Janela {
    QMainWindow main;
    QMdiArea* mdi = new QMdiArea;
    QMenu* configuracao = nullptr;
    QMenu* processamento = nullptr;
    QWidget* form = new QWidget;
    CampoEntrada* campo = new CampoEntrada(0, form);
    QPushButton* confirmar = new QPushButton(QStringLiteral("&Confirmar"), form);
    QPushButton* cargas = new QPushButton(QStringLiteral("&Cargas Pendentes"), form);
    QPushButton* pesagem = new QPushButton(QStringLiteral("&Pesagem"), form);
    int confirmados = 0, pesagens = 0;

    Janela() {
        main.setCentralWidget(mdi);
        processamento = main.menuBar()->addMenu(QStringLiteral("&Processamento"));
        processamento->addAction(QStringLiteral("&Saidas"));
        configuracao = main.menuBar()->addMenu(QStringLiteral("&Configuração"));
        configuracao->addAction(QStringLiteral("&Parâmetros"));
        main.menuBar()->addMenu(QStringLiteral("&Janelas"))->addAction(QStringLiteral("Em &cascata"));
        auto* l = new QVBoxLayout(form);
        for (QWidget* w : {static_cast<QWidget*>(campo), static_cast<QWidget*>(confirmar),
                           static_cast<QWidget*>(cargas), static_cast<QWidget*>(pesagem)})
            l->addWidget(w);
        QObject::connect(confirmar, &QPushButton::clicked, [this] { ++confirmados; });
        QObject::connect(pesagem, &QPushButton::clicked, [this] { ++pesagens; });
        QMdiSubWindow* sub = mdi->addSubWindow(form);
        sub->show();
        mdi->setActiveSubWindow(sub);
        new MnemonicasFormulario(
            [this]() -> QWidget* { return mdi->activeSubWindow() ? mdi->activeSubWindow()->widget() : nullptr; },
            &main);
        main.resize(700, 500);
        main.show();
        main.activateWindow();
    }
};

void alt(Qt::Key k) {
    QTest::keyClick(QApplication::focusWidget(), k, Qt::AltModifier);
}

}  // namespace

class TestTeclado : public QObject {
    Q_OBJECT

  private slots:
    void searchIgnoresCaseAndAccentsInEveryColumn() {
        QCOMPARE(FiltroSemAcentos::dobrar(QStringLiteral("Lacticínios do CÁVADO, Açores")),
                 QStringLiteral("lacticinios do cavado, acores"));
        TempDatabase t(TempDatabase::Demo);
        RecordingMessages msgs;
        ListaPesquisa lista(t.db(), msgs);
        lista.setSql(QStringLiteral(
            "SELECT CODIGO AS 'Código', NOME AS Nome, Local AS Localidade FROM Clientes ORDER BY CODIGO"));
        QVERIFY(lista.carregar());
        const int todas = lista.linhasVisiveis();
        QVERIFY(todas > 3);
        const auto visiveis = [&lista](const QString& filtro) {
            lista.filtro()->setText(filtro);
            return lista.linhasVisiveis();
        };
        const auto celula = [&lista](int r, int c) {
            return FiltroSemAcentos::dobrar(lista.tabela()->model()->index(r, c).data().toString());
        };
        // The name as an operator types it: no accent, any case.
        QCOMPARE(visiveis(QStringLiteral("cavado")), 1);
        QCOMPARE(lista.tabela()->model()->index(0, 1).data().toString(), QStringLiteral("Lacticínios do Cávado, S.A."));
        QCOMPARE(visiveis(QStringLiteral("LACTICINIOS")), 1);
        // The accented form finds the plain one too, and any shown column counts.
        QCOMPARE(visiveis(QStringLiteral("c002")), 1);
        QVERIFY(visiveis(QStringLiteral("bragá")) >= 1);
        for (int r = 0; r < lista.linhasVisiveis(); ++r)
            QVERIFY(celula(r, 2).contains(QStringLiteral("braga")) || celula(r, 1).contains(QStringLiteral("braga")));
        // Never across two columns; empty shows everything.
        QCOMPARE(visiveis(QStringLiteral("c002 lacticinios")), 0);
        QCOMPARE(visiveis(QString()), todas);
        // Enter picks the first row the search left.
        QTimer::singleShot(0, &lista, [&lista] {
            QTest::keyClicks(lista.filtro(), QStringLiteral("CAVADO"));
            QTest::keyClick(lista.filtro(), Qt::Key_Return);
        });
        QCOMPARE(lista.mostrar(), QStringLiteral("C002"));
    }

    void formAccessKeysComeBeforeTheMenus() {
        Janela j;
        QVERIFY(QTest::qWaitForWindowActive(&j.main));
        j.campo->setFocus();
        // "&Pesagem" is the form's only P: pressed, the menu "&Processamento" stays shut.
        alt(Qt::Key_P);
        QCOMPARE(j.pesagens, 1);
        QVERIFY(!QApplication::activePopupWidget());
        QVERIFY(!j.main.menuBar()->activeAction());
        // Two captions share C: each press moves between them, none is pressed, no menu.
        alt(Qt::Key_C);
        QCOMPARE(QApplication::focusWidget(), j.confirmar);
        alt(Qt::Key_C);
        QCOMPARE(QApplication::focusWidget(), j.cargas);
        alt(Qt::Key_C);
        QCOMPARE(QApplication::focusWidget(), j.confirmar);
        QCOMPARE(j.confirmados, 0);
        QVERIFY(!j.main.menuBar()->activeAction());
        // With one of them hidden, C presses "Confirmar".
        j.cargas->hide();
        alt(Qt::Key_C);
        QCOMPARE(j.confirmados, 1);
        QVERIFY(!j.main.menuBar()->activeAction());
        // A disabled control does not count either.
        j.confirmar->setEnabled(false);
        alt(Qt::Key_J);  // the form has no J: the menu "&Janelas" opens as before
        QTRY_VERIFY(j.main.menuBar()->activeAction());
        QCOMPARE(j.main.menuBar()->activeAction()->text(), QStringLiteral("&Janelas"));
        QTest::keyClick(QApplication::activePopupWidget() ? QApplication::activePopupWidget() : &j.main,
                        Qt::Key_Escape);
        QTest::keyClick(QApplication::activePopupWidget() ? QApplication::activePopupWidget() : &j.main,
                        Qt::Key_Escape);
    }

    void enterPressesTheFormsButtonAndEscItsCancel() {
        QWidget form;
        auto* campo = new QLineEdit(&form);
        auto* conf = new QPushButton(QStringLiteral("&Confirmar"), &form);
        auto* outro = new QPushButton(QStringLiteral("&Imprimir"), &form);
        auto* canc = new QPushButton(QStringLiteral("Ca&ncelar"), &form);
        auto* l = new QVBoxLayout(&form);
        for (QWidget* w : {static_cast<QWidget*>(campo), static_cast<QWidget*>(conf), static_cast<QWidget*>(outro),
                           static_cast<QWidget*>(canc)})
            l->addWidget(w);
        QStringList premidos;
        for (QPushButton* b : {conf, outro, canc})
            connect(b, &QPushButton::clicked, &form, [&premidos, b] { premidos << b->text(); });
        bool enterActivo = true;
        auto* teclas = new TeclasFormulario(
            &form, [&]() -> QAbstractButton* { return enterActivo ? conf : nullptr; }, [&] { return canc; });
        Q_UNUSED(teclas);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        campo->setFocus();
        QTest::keyClick(campo, Qt::Key_Return);
        QTest::keyClick(campo, Qt::Key_Escape);
        outro->setFocus();
        QTest::keyClick(outro, Qt::Key_Enter);  // the focused button is the one meant
        enterActivo = false;
        campo->setFocus();
        QTest::keyClick(campo, Qt::Key_Return);  // nothing to confirm yet
        QCOMPARE(premidos,
                 (QStringList{QStringLiteral("&Confirmar"), QStringLiteral("Ca&ncelar"), QStringLiteral("&Imprimir")}));
    }

    void longFirstStartShowsItsProgress() {
        MessageBoxes boxes;
        boxes.progresso(QStringLiteral("A criar os índices de pesquisa das pesagens (1 de 3: ix)..."), 0, 3);
        QProgressDialog* p = boxes.janelaProgresso();
        QVERIFY(p);
        QVERIFY(p->isVisible());
        QCOMPARE(p->maximum(), 3);
        QCOMPARE(p->value(), 0);
        QVERIFY(p->labelText().contains(QStringLiteral("1 de 3")));
        boxes.progresso(QStringLiteral("A criar os índices de pesquisa das pesagens (3 de 3: ix)..."), 2, 3);
        QCOMPARE(p->value(), 2);
        boxes.progresso(QStringLiteral("Índices criados."), 3, 3);
        QVERIFY(!boxes.janelaProgresso());
    }

    void theProgramHasItsOwnIcon() {
        const QIcon icone = iconePrograma();
        QVERIFY(!icone.isNull());
        const QImage img = icone.pixmap(QSize(64, 64)).toImage();
        QCOMPARE(img.size(), QSize(64, 64));
        // Drawn, not empty: the truck's red cab is in it.
        bool vermelho = false;
        for (int y = 0; y < img.height() && !vermelho; ++y)
            for (int x = 0; x < img.width() && !vermelho; ++x)
                vermelho = img.pixelColor(x, y) == QColor(0xc0, 0x39, 0x2b);
        QVERIFY(vermelho);
    }

    // Last: the translation stays loaded for the rest of the process.
    void standardButtonsSpeakPortuguese() {
        QVERIFY(carregarTraducaoQt(*qApp));
        QMessageBox box(QMessageBox::Information, QStringLiteral("Informação"), QStringLiteral("Texto"),
                        QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Cancel)->text().remove(u'&'), QStringLiteral("Cancelar"));
        QCOMPARE(box.button(QMessageBox::Yes)->text().remove(u'&'), QStringLiteral("Sim"));
        QCOMPARE(box.button(QMessageBox::No)->text().remove(u'&'), QStringLiteral("Não"));
    }
};

QTEST_MAIN(TestTeclado)
#include "teclado_test.moc"
