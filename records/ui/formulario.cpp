#include "formulario.h"

#include <QMdiSubWindow>

#include "campoentrada.h"

namespace Formulario {

void fechar(QWidget* form) {
    for (QWidget* w = form->parentWidget(); w; w = w->parentWidget()) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) {
            sub->close();
            return;
        }
    }
    form->close();
}

void focarAnterior(const QList<CampoEntrada*>& ordem, CampoEntrada* atual) {
    const qsizetype i = ordem.indexOf(atual);
    for (qsizetype j = i - 1; j >= 0; --j) {
        if (!ordem[j]->isHidden() && ordem[j]->isEnabled()) {
            ordem[j]->setFocus(Qt::BacktabFocusReason);
            return;
        }
    }
}

CampoEntrada* comFoco(const QList<CampoEntrada*>& campos) {
    for (CampoEntrada* c : campos)
        if (c->hasFocus()) return c;
    return nullptr;
}

}  // namespace Formulario
