#pragma once

#include "base/errooperacao.h"

// A ticket template that cannot be used: its mustache body, or its query refused or
// failed (the database's number kept where it gave one).
class ErroModelo : public ErroOperacao {
  public:
    explicit ErroModelo(const QString& descricao, qint64 numero = -1) : ErroOperacao(numero, descricao) {}
};
