#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

// What one reply of the indicator means. Kept apart from the port so it can be
// tested with any bytes (and fuzzed) without a serial line.
struct LeituraBalanca {
    bool estavel = false;  // the reply carried the stable mark "GS"
    qint64 peso = 0;       // kilograms: the digits before the first "KG"
    QString mensagem;      // "Pesagem Estável", "Pesagem Instável", an error, or the caller's text
};
Q_DECLARE_METATYPE(LeituraBalanca)

namespace RespostaBalanca {
// Largest weight a currency value can hold, in whole kilograms.
inline constexpr qint64 kPesoMaximo = 922337203685477LL;

inline QString estavel() {
    return QStringLiteral("Pesagem Estável");
}
inline QString instavel() {
    return QStringLiteral("Pesagem Instável");
}
inline QString semPeso() {
    return QStringLiteral("A resposta da balança não traz o peso em kg.");
}

inline QString pesoNegativo() {
    return QStringLiteral("A balança indica um peso negativo: verifique o zero da balança.");
}

// The reply is complete once it holds a carriage return.
bool completa(const QByteArray& recebido);

// Reads a reply. `mensagemAnterior` is what the message stays when the reply carries
// neither stability mark. A reply holding both marks counts as stable. A stable mark
// with no digits before "KG" (or no "KG" at all) is no reading and gives false, and so
// is a weight with a minus in front of it.
LeituraBalanca interpretar(const QByteArray& recebido, const QString& mensagemAnterior = {});

// Case-insensitive search over the raw bytes (ASCII letters only): the reply is never
// decoded, so no byte of line noise can fold into a mark.
qsizetype procurar(const QByteArray& texto, const char* marca);
}  // namespace RespostaBalanca
