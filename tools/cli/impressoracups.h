#pragma once

#include "output/impressora.h"

// The command line's printer queue: the ticket as a PDF handed to CUPS, the same print
// system Qt's printer uses on this platform, without linking Widgets.
class ImpressoraCups : public Impressora {
  public:
    bool imprimir(const QString& nome, const QString& nomeDoc, const QPageLayout& paginacao, const QStringList& paginas,
                  QString& usada, QString& erro) override;
};
