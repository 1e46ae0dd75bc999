#pragma once

#include "output/impressora.h"

// The window program's printer queue: Qt's print system (QPrinter), which needs Widgets.
class ImpressoraSistema : public Impressora {
  public:
    bool imprimir(const QString& nome, const QString& nomeDoc, const QPageLayout& paginacao, const QStringList& paginas,
                  QString& usada, QString& erro) override;
};
