#include "desks/ui/deskteclado.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QWidget>

#include "widgets/teclasformulario.h"

void ligarTecladoDesk(QWidget* desk) {
    auto filho = [desk](const char* nome) { return desk->findChild<QWidget*>(QLatin1String(nome)); };
    auto botao = [desk](const char* nome) { return desk->findChild<QAbstractButton*>(QLatin1String(nome)); };
    QWidget* pesagem = filho("Frame3");
    QWidget* final = filho("Frame7");
    auto* peso = desk->findChild<QLineEdit*>(QStringLiteral("campo_9"));
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

    auto ordem = [&](std::initializer_list<const char*> nomes) {
        QWidget* antes = nullptr;
        for (const char* n : nomes) {
            QWidget* w = filho(n);
            if (!w) continue;
            if (antes) QWidget::setTabOrder(antes, w);
            antes = w;
        }
    };
    ordem({"campo_9", "btConfPeso_0", "btConfPeso_1", "btCancPeso", "btPesar", "DTPicker2"});
    ordem({"btConfFinal_0", "btConfFinal_1", "btConfFinal_2", "btCancFinal"});
}
