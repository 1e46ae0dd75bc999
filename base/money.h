#pragma once

#include <QString>
#include <QVariant>
#include <optional>

// Kilograms (and any SQL money value) held exactly: a count of ten-thousandths.
//
// The one text rule used everywhere a weight is shown or typed (desks, lists,
// record store): the display pattern "###,###.#0" rendered the Portuguese way,
//   - '.' groups thousands and ',' marks the decimals: 12.345,50
//   - always two decimals and at least one integer digit: 0,00  -1.234,50
// Parsing accepts what formatting produces and what operators type:
//   - digits with an optional leading '-' and optional ',' plus up to four decimals;
//   - '.' only as a thousands separator between proper groups of three digits;
//     anything else ("12.5", "1.23,4.5", "12,34567") is refused, never guessed,
//     so a decimal typed with the wrong mark cannot turn 12.5 into 125.
// Plain text ("12345.5", '.' decimal, no grouping) is the form for files, the
// command-line tool and SQL: see plain()/fromPlain().
class Money {
  public:
    static constexpr qint64 kScale = 10000;

    constexpr Money() = default;
    static constexpr Money fromUnits(qint64 units) {
        Money m;
        m.m_units = units;
        return m;
    }
    static constexpr Money fromInteger(qint64 kg) { return fromUnits(kg * kScale); }
    // Rounds to the nearest ten-thousandth.
    static Money fromDouble(double v);
    // A number read from the database (integer, real, decimal text or null = 0).
    static Money fromVariant(const QVariant& v);

    // The display rule above. Empty (after trimming) is not a number: nullopt.
    static std::optional<Money> parse(const QString& text);
    // Like parse, but an empty text gives 0 (how the record store treats weights).
    static std::optional<Money> parseOrZero(const QString& text);
    QString format() const;
    // The display rule with every decimal held, never rounded: 20,555  1.250,00  0,0001.
    // For a value an operator may type again (a deduction, an effective weight).
    QString formatExact() const;

    // '.' decimal, no grouping, trailing zeros dropped: "12345.5", "0", "-3.25".
    QString plain() const;
    static std::optional<Money> fromPlain(const QString& text);

    qint64 units() const { return m_units; }
    double toDouble() const { return double(m_units) / kScale; }
    // What goes to the database as a bound value.
    QVariant toVariant() const { return toDouble(); }
    bool isZero() const { return m_units == 0; }

    friend constexpr Money operator+(Money a, Money b) { return fromUnits(a.m_units + b.m_units); }
    friend constexpr Money operator-(Money a, Money b) { return fromUnits(a.m_units - b.m_units); }
    friend constexpr Money operator-(Money a) { return fromUnits(-a.m_units); }
    friend constexpr bool operator==(Money a, Money b) = default;
    friend constexpr auto operator<=>(Money a, Money b) = default;

  private:
    qint64 m_units = 0;
};
