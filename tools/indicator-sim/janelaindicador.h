#pragma once

#include <QWidget>

class Indicador;
class QLabel;
class QRadioButton;
class QSpinBox;

// The simulated indicator as a small window an operator drives while trying the
// program: the weight it answers, stable / unstable / silent, and one button per
// typical truck (empty and loaded), so a truck can be weighed empty and then loaded.
// Control lines on standard input still work and show here.
class JanelaIndicador : public QWidget {
    Q_OBJECT
  public:
    explicit JanelaIndicador(Indicador& indicador, QWidget* parent = nullptr);

    // Beside the program: the bottom right corner of the screen's available area.
    void colocarAoLado();

    struct Camiao {
        const char* nome;
        int kg;
    };
    static const QList<Camiao>& camioes();

  private:
    void mostrar();
    void aplicar(const QString& comando);

    Indicador& m_ind;
    QLabel* m_peso;
    QLabel* m_estado;
    QLabel* m_pedidos;
    QSpinBox* m_valor;
    QRadioButton* m_estavel;
    QRadioButton* m_instavel;
    QRadioButton* m_silencio;
    bool m_aMostrar = false;
};
