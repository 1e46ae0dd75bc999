#include "output/formatos.h"

#include <cmath>
#include "base/money.h"

QString Formatos::peso(double kg) {
    if (!std::isfinite(kg)) return {};
    return Money::fromDouble(kg).format();
}

QString Formatos::peso(const QVariant& kg) {
    if (kg.isNull() || !kg.isValid()) return {};
    if (kg.typeId() == QMetaType::QString) {
        const auto m = Money::fromPlain(kg.toString().trimmed());
        return m ? m->format() : QString();
    }
    bool ok = false;
    kg.toDouble(&ok);
    return ok ? Money::fromVariant(kg).format() : QString();
}

QString Formatos::dataHora(const QDateTime& dt) {
    return dt.isValid() ? dt.toString(QStringLiteral("dd-MM-yyyy hh:mm")) : QString();
}

QString Formatos::data(const QDateTime& dt) {
    return dt.isValid() ? dt.toString(QStringLiteral("dd-MM-yyyy")) : QString();
}

QString Formatos::isolado(const QString& texto) {
    constexpr char16_t kFsi = 0x2068, kPdi = 0x2069, kPdf = 0x202C;
    const auto isolante = [](char16_t c) { return c >= 0x2066 && c <= 0x2068; };
    QString out;
    out.reserve(texto.size() + 2);
    QList<char16_t> abertos;
    bool isolar = false;
    for (const QChar c : texto) {
        const char16_t u = c.unicode();
        if ((u >= 0x202A && u <= 0x202E && u != kPdf) || isolante(u)) {
            abertos << u;
            out += c;
            isolar = true;
        } else if (u == kPdf) {
            // Closes the last embedding or override, never past an open isolate.
            if (!abertos.isEmpty() && !isolante(abertos.last())) {
                abertos.removeLast();
                out += c;
            }
        } else if (u == kPdi) {
            // Closes the last isolate and the embeddings opened inside it.
            qsizetype i = abertos.size() - 1;
            while (i >= 0 && !isolante(abertos[i])) --i;
            if (i < 0) continue;
            abertos.resize(i);
            out += c;
        } else {
            const QChar::Direction d = c.direction();
            if (d == QChar::DirR || d == QChar::DirAL || d == QChar::DirAN) isolar = true;
            out += c;
        }
    }
    while (!abertos.isEmpty()) out += QChar(isolante(abertos.takeLast()) ? kPdi : kPdf);
    return isolar ? QChar(kFsi) + out + QChar(kPdi) : out;
}
