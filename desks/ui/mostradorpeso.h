#pragma once

#include <QWidget>

#include "scale/monitorbalanca.h"

// The indicator's weight as the desk shows it all the time: digits large enough to be
// read from two metres, the stable/unstable state beside them, "sem leitura" when the
// indicator does not answer and "a ler…" while a weighing reading is taken. It shows;
// it never gives a weight to the desk.
class MostradorPeso : public QWidget {
    Q_OBJECT
  public:
    explicit MostradorPeso(QWidget* parent = nullptr);

    void mostrar(const PesoVivo& estado);
    PesoVivo estado() const { return m_estado; }
    // What is on screen: the digits ("14.220", empty without a reading) and the line beside them.
    QString textoPeso() const;
    QString textoEstado() const;
    // The height of the digits as painted, in pixels.
    int alturaAlgarismos() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // The digits' height: two metres away they must stay readable.
    static constexpr int kAlturaMinima = 72;

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    QFont fonteAlgarismos() const { return m_algarismos; }
    QFont fonteEstado() const;

    PesoVivo m_estado;
    QFont m_algarismos;
};
