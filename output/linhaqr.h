#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The text form of the line a ticket's QR code holds: values joined by '|'. Inside a
// value '\' is written "\\", '|' is written "\|", and every character outside printable
// ASCII (barcode readers guess the encoding of anything else) "\uXXXX", its UTF-16 code
// unit in four lower-case hex digits. The writer and the reader of tickets both use this
// one codec, so a value holding a separator reads back as it was written.
namespace LinhaQr {
QString valor(const QString& texto);
QString juntar(const QStringList& valores);

struct Partes {
    QStringList valores;
    // Where each value starts in the line (the text before the last value's start,
    // less its separator, is what a signature covers).
    QList<qsizetype> inicios;
};
// The values of a line; nothing for text that is not written by these rules (a lone
// '\', an unknown escape, a short \u).
std::optional<Partes> separar(const QString& linha);
}  // namespace LinhaQr
