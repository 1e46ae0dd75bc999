#include "widgets/teclasformulario.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

TeclasFormulario::TeclasFormulario(QWidget* formulario, Botao enter, Botao esc)
    : QObject(formulario), m_formulario(formulario), m_enter(std::move(enter)), m_esc(std::move(esc)) {
    formulario->installEventFilter(this);
}

void TeclasFormulario::vigiar(QWidget* w) {
    w->installEventFilter(this);
    m_vigiados << w;
}

bool TeclasFormulario::premir(QAbstractButton* b) {
    if (!b || !b->isVisible() || !b->isEnabled()) return false;
    b->click();
    return true;
}

bool TeclasFormulario::eventFilter(QObject* o, QEvent* e) {
    if (e->type() != QEvent::KeyPress) return false;
    if (o != m_formulario && !m_vigiados.contains(qobject_cast<QWidget*>(o))) return false;
    auto* k = static_cast<QKeyEvent*>(e);
    if ((k->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
        // A button with the focus is the one the operator means.
        auto* focado = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
        if (focado && m_formulario->isAncestorOf(focado) && premir(focado)) return true;
        return premir(m_enter ? m_enter() : nullptr);
    }
    if (k->key() == Qt::Key_Escape) return premir(m_esc ? m_esc() : nullptr);
    return false;
}
