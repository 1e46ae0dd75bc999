#pragma once

#include <QString>

// The one door through which the program talks to the operator. The GUI shows
// modal boxes; the command-line tool writes to standard error; tests answer.
class OperatorMessages {
  public:
    // Kinds of MostrarAviso (box titled "Informação").
    // SimNaoPredefinidoNao: a Yes/No question whose safe answer is No (Enter keeps the work).
    enum Aviso { CampoObrigatorio = 1, Informacao = 2, OkCancelar = 3, SimNao = 4, SimNaoPredefinidoNao = 5 };
    // Status of MostrarEstado (box titled with the program's description).
    enum Estado { Exclamacao = 0, Info = 1, Critico = 2 };

    virtual ~OperatorMessages() = default;

    // Gives true for OK / Yes; kinds 1 and 2 always give true.
    virtual bool mostrarAviso(int tipo, const QString& texto) = 0;
    virtual void mostrarEstado(int estado, const QString& texto) = 0;
    // A plain box (OK button, no icon, application title).
    virtual void mensagem(const QString& texto) = 0;
    // Progress of long work the operator waits for (the first start's indexes and
    // tables): `feito` of `total` steps done, `texto` says what is being done now.
    // `feito` == `total` ends it. Shown by the GUI as a progress window and by the
    // command-line tool as lines on standard error; nothing by default.
    virtual void progresso(const QString& texto, int feito, int total) {
        Q_UNUSED(texto);
        Q_UNUSED(feito);
        Q_UNUSED(total);
    }
};

// Says nothing and answers OK/Yes, keeping the last text: for work that runs without an
// operator (the demo, creating an installation's tables) and reports its outcome itself.
class MensagensCaladas : public OperatorMessages {
  public:
    bool mostrarAviso(int, const QString& t) override {
        last = t;
        return true;
    }
    void mostrarEstado(int, const QString& t) override { last = t; }
    void mensagem(const QString& t) override { last = t; }
    QString last;
};
