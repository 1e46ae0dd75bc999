#include "records/ui/formulario.h"

#include <QFontMetrics>
#include <QMdiSubWindow>
#include <algorithm>

#include "widgets/campoentrada.h"

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

void larguraPara(CampoEntrada* campo, int caracteres, bool numerico) {
    const QFontMetrics fm = campo->fontMetrics();
    const QChar largo = numerico ? QLatin1Char('0') : QLatin1Char('W');
    // Frame and text margins of the line edit, plus room for the cursor.
    campo->setFixedWidth(fm.horizontalAdvance(QString(std::max(caracteres, 3), largo)) + 16);
}

}  // namespace Formulario
