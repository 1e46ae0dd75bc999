#pragma once

#include <cstdio>

#include "base/operatormessages.h"

// A benchmark's operator messages: every message on standard error, every question answered yes.
class StderrMessages : public OperatorMessages {
  public:
    explicit StderrMessages(const char* prefixo = "") : m_prefixo(prefixo) {}
    bool mostrarAviso(int, const QString& t) override { return say(t); }
    void mostrarEstado(int, const QString& t) override { say(t); }
    void mensagem(const QString& t) override { say(t); }
    bool say(const QString& t) {
        std::fprintf(stderr, "%s%s\n", m_prefixo, qPrintable(t));
        return true;
    }

  private:
    const char* m_prefixo;
};
