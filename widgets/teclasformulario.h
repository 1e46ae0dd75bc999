#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

class QAbstractButton;
class QWidget;

// Enter and Esc of a form or of one of its panels. Enter presses the focused button,
// else the button the form names for Enter at that moment (none: Enter does nothing);
// Esc presses the button it names for Esc. A key a control uses itself (a list's
// Enter, a multi-line text's Enter, a field's Esc) stays with that control, unless
// the control is watched with vigiar().
class TeclasFormulario : public QObject {
    Q_OBJECT
  public:
    using Botao = std::function<QAbstractButton*()>;
    TeclasFormulario(QWidget* formulario, Botao enter, Botao esc = {});

    // Enter and Esc in `w` go to the form first.
    void vigiar(QWidget* w);

  protected:
    bool eventFilter(QObject* o, QEvent* e) override;

  private:
    bool premir(QAbstractButton* b);

    QWidget* m_formulario;
    Botao m_enter;
    Botao m_esc;
    QList<QPointer<QWidget>> m_vigiados;
};
