#include "formatos.h"

#include "money.h"
#include <cmath>

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

QString Formatos::data(const QDateTime& dt) { return dt.isValid() ? dt.toString(QStringLiteral("dd-MM-yyyy")) : QString(); }
