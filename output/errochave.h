#pragma once

#include "base/errooperacao.h"

// The workstation's signing key cannot be made, read or used (its file or folder).
class ErroChave : public ErroOperacao {
  public:
    explicit ErroChave(const QString& descricao) : ErroOperacao(-1, descricao) {}
};
