#pragma once

#include <QImage>
#include <QString>

// A QR code of one line of text (libqrencode, error correction M), as an image with
// its quiet zone, or as a data URL a ticket template can put in an <img>.
class CodigoQr {
  public:
    static QImage imagem(const QString& texto, int pixelsPorModulo = 6);
    static QString dataUrl(const QString& texto);
};
