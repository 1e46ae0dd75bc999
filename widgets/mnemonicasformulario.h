#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <functional>

class QWidget;

// Access keys of the active form before the main menu's. The main window's menu
// takes Alt+letter for its titles ("&Configuração"); a form or desk inside the
// window has its own ("&Confirmar", "&Pesagem"). While a form is active and the
// focus is in it, Alt+letter goes to the form's own visible and enabled controls:
// one control is pressed (a tab is shown, a label's buddy is focused); where two of
// the form's captions share the letter, each press moves the focus to the next of
// them, as Qt does inside one window. Letters the form does not use still open the
// main menu. Installed on the application by the main window.
class MnemonicasFormulario : public QObject {
    Q_OBJECT
  public:
    using FormularioActivo = std::function<QWidget*()>;
    explicit MnemonicasFormulario(FormularioActivo activo, QObject* parent = nullptr);
    ~MnemonicasFormulario() override;

    // A control that Alt+letter reaches: a button, a tab of a tab bar, a label's buddy.
    struct Alvo {
        QWidget* widget = nullptr;
        int tab = -1;  // the tab's index when widget is a tab bar
    };
    // The form's controls whose caption has the access key of `tecla` (Alt+letter), in
    // the order of the form's widgets; only controls the operator can reach now.
    static QList<Alvo> alvos(QWidget* formulario, const QKeySequence& tecla);

  protected:
    bool eventFilter(QObject* o, QEvent* e) override;

  private:
    void activar(const QList<Alvo>& alvos);

    FormularioActivo m_activo;
};
