#include "output/codigoqr.h"

#include <qrencode.h>
#include <QBuffer>
#include <cstring>

QImage CodigoQr::imagem(const QString& texto, int pixelsPorModulo) {
    const QByteArray utf8 = texto.toUtf8();
    QRcode* qr = QRcode_encodeString(utf8.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!qr) return {};
    constexpr int kMargem = 4;  // modules of quiet zone, as readers expect
    const int lado = (qr->width + 2 * kMargem) * pixelsPorModulo;
    // Black as colour 0 and white as 1: the order Qt's PDF writer keeps as a one-bit image
    // (any other it writes as 24-bit colour, tried as JPEG too).
    QImage img(lado, lado, QImage::Format_Mono);
    img.setColor(0, qRgb(0, 0, 0));
    img.setColor(1, qRgb(255, 255, 255));
    img.fill(1);
    // One scan line per row of modules, copied to the module's other pixel rows
    // (Format_Mono: most significant bit first).
    for (int y = 0; y < qr->width; ++y) {
        uchar* linha = img.scanLine((y + kMargem) * pixelsPorModulo);
        for (int x = 0; x < qr->width; ++x) {
            if (!(qr->data[y * qr->width + x] & 1)) continue;
            for (int px = (x + kMargem) * pixelsPorModulo, fim = px + pixelsPorModulo; px < fim; ++px)
                linha[px >> 3] &= uchar(~(0x80 >> (px & 7)));
        }
        for (int dy = 1; dy < pixelsPorModulo; ++dy)
            std::memcpy(img.scanLine((y + kMargem) * pixelsPorModulo + dy), linha, size_t(img.bytesPerLine()));
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
