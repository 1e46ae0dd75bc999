#include "codigoqr.h"

#include <qrencode.h>
#include <QBuffer>

QImage CodigoQr::imagem(const QString& texto, int pixelsPorModulo) {
    const QByteArray utf8 = texto.toUtf8();
    QRcode* qr = QRcode_encodeString(utf8.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!qr) return {};
    constexpr int kMargem = 4;  // modules of quiet zone, as readers expect
    const int lado = (qr->width + 2 * kMargem) * pixelsPorModulo;
    QImage img(lado, lado, QImage::Format_Mono);
    img.setColor(0, qRgb(255, 255, 255));
    img.setColor(1, qRgb(0, 0, 0));
    img.fill(0);
    for (int y = 0; y < qr->width; ++y)
        for (int x = 0; x < qr->width; ++x) {
            if (!(qr->data[y * qr->width + x] & 1)) continue;
            for (int dy = 0; dy < pixelsPorModulo; ++dy)
                for (int dx = 0; dx < pixelsPorModulo; ++dx)
                    img.setPixel((x + kMargem) * pixelsPorModulo + dx, (y + kMargem) * pixelsPorModulo + dy,
                                 1);
        }
    QRcode_free(qr);
    return img;
}

QString CodigoQr::dataUrl(const QString& texto) {
    const QImage img = imagem(texto);
    if (img.isNull()) return {};
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
}
