#include "base/money.h"

#include <cmath>
#include <limits>

namespace {

// Largest value SQL Server's money type holds, in units.
constexpr qint64 kMaxUnits = std::numeric_limits<qint64>::max() / 10;

bool allDigits(QStringView s) {
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

// Integer part with optional '.' grouping; false when the grouping is malformed.
bool integerPart(QStringView s, QString& digits) {
    if (s.isEmpty()) return false;
    if (!s.contains(QLatin1Char('.'))) {
        if (!allDigits(s)) return false;
        digits = s.toString();
        return true;
    }
    const auto groups = s.split(QLatin1Char('.'));
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const QStringView g = groups[i];
        if (!allDigits(g)) return false;
        if (i == 0 ? (g.isEmpty() || g.size() > 3) : g.size() != 3) return false;
        digits += g;
    }
    return true;
}

std::optional<Money> build(bool negative, const QString& intDigits, QStringView decimals) {
    if (decimals.size() > 4 || !allDigits(decimals)) return std::nullopt;
    bool ok = true;
    // Leading zeros are harmless; a value beyond the money range is refused.
    QString trimmed = intDigits;
    while (trimmed.size() > 1 && trimmed.front() == QLatin1Char('0')) trimmed.remove(0, 1);
    if (trimmed.size() > 15) return std::nullopt;
    const qint64 whole = trimmed.isEmpty() ? 0 : trimmed.toLongLong(&ok);
    if (!ok) return std::nullopt;
    QString dec = decimals.toString();
    while (dec.size() < 4) dec += QLatin1Char('0');
    const qint64 frac = dec.toLongLong(&ok);
    if (!ok) return std::nullopt;
    // Checked before multiplying: fifteen digits of kilograms would overflow the units.
    if (whole > (kMaxUnits - frac) / Money::kScale) return std::nullopt;
    const qint64 units = whole * Money::kScale + frac;
    return Money::fromUnits(negative ? -units : units);
}

}  // namespace

Money Money::fromDouble(double v) {
    return fromUnits(qint64(std::llround(v * kScale)));
}

Money Money::fromVariant(const QVariant& v) {
    if (v.isNull() || !v.isValid()) return {};
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            return fromInteger(v.toLongLong());
        case QMetaType::QString: {
            if (auto m = fromPlain(v.toString())) return *m;
            return fromDouble(v.toDouble());
        }
        default:
            return fromDouble(v.toDouble());
    }
}

std::optional<Money> Money::parse(const QString& text) {
    QStringView s = QStringView(text).trimmed();
    if (s.isEmpty()) return std::nullopt;
    bool negative = false;
    if (s.front() == QLatin1Char('-')) {
        negative = true;
        s = s.mid(1);
    }
    const qsizetype comma = s.indexOf(QLatin1Char(','));
    if (comma >= 0 && s.indexOf(QLatin1Char(','), comma + 1) >= 0) return std::nullopt;
    const QStringView intText = comma >= 0 ? s.left(comma) : s;
    const QStringView decText = comma >= 0 ? s.mid(comma + 1) : QStringView();
    QString digits;
    if (intText.isEmpty() && comma >= 0 && !decText.isEmpty()) {
        digits = QStringLiteral("0");  // ",5"
    } else if (!integerPart(intText, digits)) {
        return std::nullopt;
    }
    if (comma >= 0 && decText.isEmpty()) return std::nullopt;
    return build(negative, digits, decText);
}

std::optional<Money> Money::parseOrZero(const QString& text) {
    if (text.trimmed().isEmpty()) return Money();
    return parse(text);
}

QString Money::format() const {
    // Round half away from zero to two decimals.
    const bool negative = m_units < 0;
    const quint64 abs = negative ? quint64(0) - quint64(m_units) : quint64(m_units);
    const quint64 cents = (abs + 50) / 100;
    const QString whole = QString::number(cents / 100);
    QString grouped;
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0) grouped += QLatin1Char('.');
        grouped += whole[i];
    }
    const QString out = grouped + QLatin1Char(',') + QStringLiteral("%1").arg(cents % 100, 2, 10, QLatin1Char('0'));
    return (negative && cents != 0) ? QLatin1Char('-') + out : out;
}

QString Money::formatExact() const {
    if (m_units % 100 == 0) return format();
    // More than two decimals: the whole kilograms, grouped, then every decimal held.
    const bool negative = m_units < 0;
    const quint64 abs = negative ? quint64(0) - quint64(m_units) : quint64(m_units);
    const QString whole = QString::number(abs / kScale);
    QString grouped;
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0) grouped += QLatin1Char('.');
        grouped += whole[i];
    }
    QString frac = QStringLiteral("%1").arg(abs % kScale, 4, 10, QLatin1Char('0'));
    while (frac.back() == QLatin1Char('0')) frac.chop(1);
    const QString out = grouped + QLatin1Char(',') + frac;
    return negative ? QLatin1Char('-') + out : out;
}

QString Money::plain() const {
    const bool negative = m_units < 0;
    const quint64 abs = negative ? quint64(0) - quint64(m_units) : quint64(m_units);
    QString out = QString::number(abs / kScale);
    QString frac = QStringLiteral("%1").arg(abs % kScale, 4, 10, QLatin1Char('0'));
    while (!frac.isEmpty() && frac.back() == QLatin1Char('0')) frac.chop(1);
    if (!frac.isEmpty()) out += QLatin1Char('.') + frac;
    return negative ? QLatin1Char('-') + out : out;
}

std::optional<Money> Money::fromPlain(const QString& text) {
    QStringView s = QStringView(text).trimmed();
    if (s.isEmpty()) return std::nullopt;
    bool negative = false;
    if (s.front() == QLatin1Char('-')) {
        negative = true;
        s = s.mid(1);
    }
    const qsizetype dot = s.indexOf(QLatin1Char('.'));
    const QStringView intText = dot >= 0 ? s.left(dot) : s;
    const QStringView decText = dot >= 0 ? s.mid(dot + 1) : QStringView();
    if (intText.isEmpty() || !allDigits(intText) || (dot >= 0 && decText.isEmpty())) return std::nullopt;
    return build(negative, intText.toString(), decText);
}
