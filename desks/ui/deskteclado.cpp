#include "desks/ui/deskteclado.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QWidget>

#include "widgets/teclasformulario.h"

void ligarTecladoDesk(QWidget* desk, const QString& campoPeso) {
    auto filho = [desk](const char* nome) { return desk->findChild<QWidget*>(QLatin1String(nome)); };
    auto botao = [desk](const char* nome) { return desk->findChild<QAbstractButton*>(QLatin1String(nome)); };
    QWidget* pesagem = filho("Frame3");
    QWidget* final = filho("Frame7");
    auto* peso = desk->findChild<QLineEdit*>(campoPeso);
    if (!pesagem || !final || !peso) return;
    QAbstractButton* confPeso = botao("btConfPeso_0");
    QAbstractButton* cancPeso = botao("btCancPeso");
    QAbstractButton* confFinal = botao("btConfFinal_0");
    QAbstractButton* cancFinal = botao("btCancFinal");

    auto* teclas = new TeclasFormulario(
        desk,
        [=]() -> QAbstractButton* {
            if (pesagem->isVisible()) return peso->text().trimmed().isEmpty() ? nullptr : confPeso;
            if (final->isVisible()) return confFinal;
            return nullptr;
        },
        [=]() -> QAbstractButton* {
            QWidget* foco = QApplication::focusWidget();
            if (pesagem->isVisible() && pesagem->isAncestorOf(foco)) return cancPeso;
            if (final->isVisible() && final->isAncestorOf(foco)) return cancFinal;
            return nullptr;
        });
    teclas->vigiar(peso);

    auto ordem = [&](std::initializer_list<QWidget*> controlos) {
        QWidget* antes = nullptr;
        for (QWidget* w : controlos) {
            if (!w) continue;
            if (antes) QWidget::setTabOrder(antes, w);
            antes = w;
        }
    };
    ordem({peso, filho("btConfPeso_0"), filho("btConfPeso_1"), filho("btCancPeso"), filho("btPesar"),
           filho("DTPicker2")});
    ordem({filho("btConfFinal_0"), filho("btConfFinal_1"), filho("btConfFinal_2"), filho("btCancFinal")});
}
