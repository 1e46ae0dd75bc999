#include "formatos.h"

#include <QLocale>
#include <cmath>

QString Formatos::peso(double kg) {
    if (!std::isfinite(kg)) return {};
    // Round to cents on the integer, so 0.005 steps never show as "-0.00".
    long long cents = std::llround(kg * 100.0);
    const bool negative = cents < 0;
    if (negative) cents = -cents;
    QString whole = QString::number(cents / 100);
    for (int i = int(whole.size()) - 3; i > 0; i -= 3) whole.insert(i, QLatin1Char(','));
    const QString frac = QStringLiteral("%1").arg(cents % 100, 2, 10, QLatin1Char('0'));
    return (negative ? QStringLiteral("-") : QString()) + whole + QLatin1Char('.') + frac;
}

QString Formatos::peso(const QVariant& kg) {
    if (kg.isNull() || !kg.isValid()) return {};
    bool ok = false;
    const double v = kg.typeId() == QMetaType::QString ? QLocale::c().toDouble(kg.toString().trimmed(), &ok) : kg.toDouble(&ok);
    return ok ? peso(v) : QString();
}

QString Formatos::dataHora(const QDateTime& dt) {
    return dt.isValid() ? dt.toString(QStringLiteral("dd-MM-yyyy hh:mm")) : QString();
}

QString Formatos::data(const QDateTime& dt) { return dt.isValid() ? dt.toString(QStringLiteral("dd-MM-yyyy")) : QString(); }
