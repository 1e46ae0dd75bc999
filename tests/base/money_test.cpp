// The money type at the edges of its range: texts too long to hold are refused, never
// wrapped. Built once with -fsanitize=undefined (BALANTRIX_UBSAN_MONEY) to show that no
// text or value reaches an overflow.
#include <QtTest>
#include <limits>

#include "base/money.h"

class MoneyTest : public QObject {
    Q_OBJECT

  private slots:
    // Whole kilograms from 1 to 14 digits and beyond: what is accepted is exact, the rest refused.
    void longNumbersAreExactOrRefused() {
        QString digitos;
        for (int n = 1; n <= 25; ++n) {
            digitos += QLatin1Char('9');
            for (const auto& m : {Money::parse(digitos), Money::fromPlain(digitos)}) {
                if (!m) continue;
                QCOMPARE(m->plain(), digitos);
                QVERIFY2(m->units() > 0, qPrintable(digitos));
            }
        }
        QVERIFY(!Money::parse(QStringLiteral("999999999999999")).has_value());
        QVERIFY(!Money::fromPlain(QStringLiteral("999999999999999")).has_value());
        QVERIFY(!Money::parse(QStringLiteral("9223372036854775808")).has_value());
        QVERIFY(!Money::parse(QStringLiteral("-99999999999999999999,9999")).has_value());
        QVERIFY(!Money::parse(QStringLiteral("922.337.203.685.477,5808")).has_value());
        QCOMPARE(Money::parse(QStringLiteral("12.345,5"))->units(), 123455000);
        QCOMPARE(Money::fromPlain(QStringLiteral("-0.0001"))->units(), -1);
    }

    // Shown and plain texts at the very ends of the range.
    void extremesFormatWithoutOverflow() {
        const Money minimo = Money::fromUnits(std::numeric_limits<qint64>::min());
        const Money maximo = Money::fromUnits(std::numeric_limits<qint64>::max());
        QCOMPARE(maximo.plain(), QStringLiteral("922337203685477.5807"));
        QCOMPARE(minimo.plain(), QStringLiteral("-922337203685477.5808"));
        QVERIFY(minimo.format().startsWith(QStringLiteral("-922.337.203.685.477,")));
        QVERIFY(maximo.format().startsWith(QStringLiteral("922.337.203.685.477,")));
        QCOMPARE(minimo.formatExact(), QStringLiteral("-922.337.203.685.477,5808"));
        QCOMPARE(maximo.formatExact(), QStringLiteral("922.337.203.685.477,5807"));
    }

    // The exact display text keeps every decimal held and reads back to the same value.
    void exactTextReadsBackUnchanged() {
        for (const qint64 u : {qint64(0), qint64(1), qint64(-1), qint64(1250000), qint64(205550), qint64(79999999),
                               qint64(99999999989999), qint64(-12345678)}) {
            const Money m = Money::fromUnits(u);
            const auto lido = Money::parse(m.formatExact());
            QVERIFY2(lido && *lido == m, qPrintable(m.formatExact()));
        }
        QCOMPARE(Money::fromUnits(205550).formatExact(), QStringLiteral("20,555"));
        QCOMPARE(Money::fromUnits(12500000).formatExact(), QStringLiteral("1.250,00"));
        QCOMPARE(Money::fromUnits(79998750).formatExact(), QStringLiteral("7.999,875"));
        QCOMPARE(Money::fromUnits(1).formatExact(), QStringLiteral("0,0001"));
    }
};

QTEST_GUILESS_MAIN(MoneyTest)
#include "money_test.moc"
