#pragma once

#include <QLineEdit>

// The input field of the forms: a line edit that knows its index and reports what
// the forms react to, each with that index:
//  - teclaPremida: any key typed (not Tab/Esc/F4);
//  - escape: Esc (the key is swallowed; the form decides where the focus goes);
//  - pedidoLista: F4, the lookup request;
//  - validar: the focus leaves by Tab, Shift+Tab or the mouse. A handler that sets
//    `cancelar` keeps the focus in the field (on Tab the key is simply not acted on).
class CampoEntrada : public QLineEdit {
    Q_OBJECT
  public:
    explicit CampoEntrada(int indice, QWidget* parent = nullptr);
    int indice() const { return m_indice; }

    // A value picked from a list: empty leaves the field alone (focus back in it);
    // otherwise the field gets the value, counts as typed, and the focus moves on so
    // it validates exactly as if the operator had typed it and pressed Tab.
    void aplicarEscolha(const QString& valor);
    // Moves the focus to the next field after validating, as Tab does.
    void avancar();
    // Runs the leaving validation now (a button that acts on the form calls it for the
    // field that has the focus). False when the field refused.
    bool validarAgora();

  signals:
    void teclaPremida(int indice);
    void escape(int indice);
    void pedidoLista(int indice);
    void validar(int indice, bool& cancelar);

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool event(QEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

  private:
    int m_indice;
    bool m_jaValidado = false;  // the Tab that moves the focus has already validated
    bool m_aValidar = false;
};
