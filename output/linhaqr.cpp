#include "output/linhaqr.h"

QString LinhaQr::valor(const QString& texto) {
    QString out;
    out.reserve(texto.size());
    for (const QChar c : texto) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('|'))
            out += QStringLiteral("\\|");
        else if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString LinhaQr::juntar(const QStringList& valores) {
    QStringList partes;
    partes.reserve(valores.size());
    for (const QString& v : valores) partes << valor(v);
    return partes.join(QLatin1Char('|'));
}

std::optional<LinhaQr::Partes> LinhaQr::separar(const QString& linha) {
    Partes p;
    QString actual;
    p.inicios << 0;
    for (qsizetype i = 0; i < linha.size(); ++i) {
        const QChar c = linha[i];
        if (c == QLatin1Char('|')) {
            p.valores << actual;
            actual.clear();
            p.inicios << i + 1;
            continue;
        }
        if (c != QLatin1Char('\\')) {
            actual += c;
            continue;
        }
        if (i + 1 >= linha.size()) return std::nullopt;
        const QChar n = linha[++i];
        if (n == QLatin1Char('\\') || n == QLatin1Char('|')) {
            actual += n;
        } else if (n == QLatin1Char('u') && i + 4 < linha.size()) {
            uint codigo = 0;
            for (qsizetype k = i + 1; k <= i + 4; ++k) {
                const int d = QStringView(linha).mid(k, 1).toString().toInt(nullptr, 16);
                const QChar h = linha[k];
                const bool hex = h.isDigit() || (h >= QLatin1Char('a') && h <= QLatin1Char('f')) ||
                                 (h >= QLatin1Char('A') && h <= QLatin1Char('F'));
                if (!hex || h.unicode() > 0x7f) return std::nullopt;
                codigo = codigo * 16 + uint(d);
            }
            actual += QChar(char16_t(codigo));
            i += 4;
        } else {
            return std::nullopt;
        }
    }
    p.valores << actual;
    return p;
}
