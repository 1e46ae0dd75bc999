#pragma once

#include <random>

#include "tests/desks/operador/accao.h"

class Mundo;

// Draws the operator's next action from a seed. Mostly what an operator at that desk
// would do next (so weighings get finished, corrected and cancelled), often anything
// at all: any field with valid, invalid or garbage text, any button, any row.
class GeradorAccoes {
  public:
    explicit GeradorAccoes(quint64 semente) : m_rng(semente) {}
    Accao proxima(Mundo& m);

  private:
    int ate(int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(m_rng)); }
    bool chance(int percent) { return ate(100) < percent; }
    template <typename T>
    T um(std::initializer_list<T> l) {
        return l.begin()[ate(int(l.size()))];
    }
    QString lixo();
    QString textoPara(int posto, Campo campo);
    QString peso();
    Accao sensata(Mundo& m, int posto);
    Accao qualquer(Mundo& m, int posto);

    std::mt19937_64 m_rng;
    int m_posto = 0;
};
