#include "widgets/campoentrada.h"

#include <QKeyEvent>
#include <QPointer>
#include <QTimer>

CampoEntrada::CampoEntrada(int indice, QWidget* parent) : QLineEdit(parent), m_indice(indice) {
    setObjectName(QStringLiteral("campo_%1").arg(indice));
}

bool CampoEntrada::validarAgora() {
    if (m_aValidar) return true;
    m_aValidar = true;
    bool cancelar = false;
    emit validar(m_indice, cancelar);
    m_aValidar = false;
    return !cancelar;
}

bool CampoEntrada::event(QEvent* e) {
    // Tab and Shift+Tab reach event() before the focus chain moves: validate first.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            if (!validarAgora()) {
                setFocus(Qt::OtherFocusReason);
                return true;
            }
            m_jaValidado = true;
            const bool r = QLineEdit::event(e);
            m_jaValidado = false;
            return r;
        }
    }
    return QLineEdit::event(e);
}

void CampoEntrada::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        emit escape(m_indice);
        return;
    }
    if (e->key() == Qt::Key_F4) {
        e->accept();
        emit pedidoLista(m_indice);
        return;
    }
    if (!e->text().isEmpty() || e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete)
        emit teclaPremida(m_indice);
    QLineEdit::keyPressEvent(e);
}

void CampoEntrada::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    const Qt::FocusReason r = e->reason();
    // A message box or menu taking the focus is not the operator leaving the field.
    if (m_jaValidado || r == Qt::ActiveWindowFocusReason || r == Qt::PopupFocusReason) return;
    if (r != Qt::MouseFocusReason && r != Qt::TabFocusReason && r != Qt::BacktabFocusReason) return;
    if (!validarAgora()) {
        QPointer<CampoEntrada> self(this);
        QTimer::singleShot(0, this, [self] {
            if (self) self->setFocus(Qt::OtherFocusReason);
        });
    }
}

void CampoEntrada::avancar() {
    if (!validarAgora()) {
        setFocus(Qt::OtherFocusReason);
        return;
    }
    m_jaValidado = true;
    focusNextChild();
    m_jaValidado = false;
}

void CampoEntrada::aplicarEscolha(const QString& valor) {
    setFocus(Qt::OtherFocusReason);
    if (valor.isEmpty()) return;
    setText(valor);
    setSelection(0, int(valor.size()));
    emit teclaPremida(m_indice);
    avancar();
}
