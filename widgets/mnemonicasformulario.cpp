#include "widgets/mnemonicasformulario.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTabBar>

#include "widgets/campoentrada.h"

MnemonicasFormulario::MnemonicasFormulario(FormularioActivo activo, QObject* parent)
    : QObject(parent), m_activo(std::move(activo)) {
    qApp->installEventFilter(this);
}

MnemonicasFormulario::~MnemonicasFormulario() {
    if (qApp) qApp->removeEventFilter(this);
}

namespace {

bool alcancavel(const QWidget* w) {
    return w->isVisible() && w->isEnabled();
}

}  // namespace

QList<MnemonicasFormulario::Alvo> MnemonicasFormulario::alvos(QWidget* formulario, const QKeySequence& tecla) {
    QList<Alvo> out;
    if (!formulario) return out;
    const QList<QWidget*> filhos = formulario->findChildren<QWidget*>();
    for (QWidget* w : filhos) {
        if (!alcancavel(w)) continue;
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            if (QKeySequence::mnemonic(b->text()) == tecla) out << Alvo{b};
        } else if (auto* t = qobject_cast<QTabBar*>(w)) {
            for (int i = 0; i < t->count(); ++i)
                if (t->isTabEnabled(i) && t->isTabVisible(i) && QKeySequence::mnemonic(t->tabText(i)) == tecla)
                    out << Alvo{t, i};
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            if (l->buddy() && alcancavel(l->buddy()) && QKeySequence::mnemonic(l->text()) == tecla) out << Alvo{l};
        }
    }
    return out;
}

void MnemonicasFormulario::activar(const QList<Alvo>& alvos) {
    auto executar = [](const Alvo& a) {
        if (auto* t = qobject_cast<QTabBar*>(a.widget)) {
            t->setCurrentIndex(a.tab);
        } else if (auto* l = qobject_cast<QLabel*>(a.widget)) {
            l->buddy()->setFocus(Qt::ShortcutFocusReason);
        } else if (auto* b = qobject_cast<QAbstractButton*>(a.widget)) {
            b->click();
        }
    };
    if (alvos.size() == 1) {
        executar(alvos.first());
        return;
    }
    // Shared letter: the focus moves to the next control with it; none is pressed.
    QWidget* foco = QApplication::focusWidget();
    qsizetype actual = -1;
    for (qsizetype i = 0; i < alvos.size(); ++i)
        if (alvos[i].widget == foco &&
            (alvos[i].tab < 0 || static_cast<QTabBar*>(foco)->currentIndex() == alvos[i].tab))
            actual = i;
    const Alvo& proximo = alvos[(actual + 1) % alvos.size()];
    // A field is left as by Tab: it validates first and may refuse.
    if (auto* c = qobject_cast<CampoEntrada*>(foco); c && !c->validarAgora()) return;
    if (auto* t = qobject_cast<QTabBar*>(proximo.widget)) t->setCurrentIndex(proximo.tab);
    QWidget* alvo =
        qobject_cast<QLabel*>(proximo.widget) ? static_cast<QLabel*>(proximo.widget)->buddy() : proximo.widget;
    alvo->setFocus(Qt::ShortcutFocusReason);
}

bool MnemonicasFormulario::eventFilter(QObject* o, QEvent* e) {
    if (e->type() != QEvent::ShortcutOverride && e->type() != QEvent::KeyPress) return false;
    auto* k = static_cast<QKeyEvent*>(e);
    if ((k->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier) return false;
    if (k->key() >= Qt::Key_Escape || k->key() <= Qt::Key_Space) return false;
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || !m_activo) return false;
    QWidget* formulario = m_activo();
    if (!formulario || (w != formulario && !formulario->isAncestorOf(w))) return false;
    const QList<Alvo> lista = alvos(formulario, QKeySequence(Qt::ALT | Qt::Key(k->key())));
    if (lista.isEmpty()) return false;
    // Claimed on the shortcut pass, so the menu bar never sees it; acted on as a key press.
    e->accept();
    if (e->type() == QEvent::KeyPress && !k->isAutoRepeat()) activar(lista);
    return true;
}
