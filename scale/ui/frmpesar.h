#pragma once

#include <QWidget>

#include "scale/leitorbalanca.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

// Diagnostic window of the scale: "Pesar" takes one reading and shows the weight,
// the message, the steps taken and the raw text received. Installers open it to try an
// indicator; the desks use the reader without it.
class FrmPesar : public QWidget {
    Q_OBJECT
  public:
    explicit FrmPesar(LeitorBalanca* leitor, QWidget* parent = nullptr);

    LeitorBalanca* leitor() const { return m_leitor; }

  private:
    void pesar();
    void concluida(const LeituraBalanca& leitura);

    LeitorBalanca* m_leitor;
    QPushButton* m_btPesar;
    QLabel* m_lblPeso;
    QLabel* m_lblMensagem;
    QListWidget* m_lstRegisto;
    QPlainTextEdit* m_txtRecebido;
};
