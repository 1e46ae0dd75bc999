// The money type at the edges of its range: texts too long to hold are refused, never
// wrapped. Built once with -fsanitize=undefined (BALANTRIX_UBSAN_MONEY) to show that no
// text or value reaches an overflow.
#include <QtTest>
#include <limits>

#include "base/money.h"

class MoneyTest : public QObject {
    Q_OBJECT

  private slots:
    // The shown text of a value, which reads back to the same text.
    void displayRule_data() {
        QTest::addColumn<qint64>("units");
        QTest::addColumn<QString>("shown");
        QTest::newRow("grouped") << qint64(123455000) << "12.345,50";
        QTest::newRow("zero") << qint64(0) << "0,00";
        QTest::newRow("millions") << qint64(12345670000) << "1.234.567,00";
        QTest::newRow("negative") << qint64(-12345) << "-1,23";
        QTest::newRow("negative grouped") << qint64(-12345000) << "-1.234,50";
        QTest::newRow("half away from zero") << qint64(12355) << "1,24";
        QTest::newRow("largest shown") << qint64(9999999900) << "999.999,99";
    }
    void displayRule() {
        QFETCH(qint64, units);
        QFETCH(QString, shown);
        QCOMPARE(Money::fromUnits(units).format(), shown);
        const auto m = Money::parse(shown);
        QVERIFY(m.has_value());
        QCOMPARE(m->format(), shown);
    }

    // Typed text: whole numbers are kilograms; a decimal typed with the wrong mark must not
    // become a weight a hundred times larger (-1: refused).
    void typedText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("units");
        QTest::newRow("kilograms, spaces") << " 1234 " << qint64(12340000);
        QTest::newRow("one digit") << "7" << qint64(70000);
        QTest::newRow("four decimals") << "0,1234" << qint64(1234);
        QTest::newRow("grouped, one decimal") << "12.345,5" << qint64(123455000);
        // Beyond the range: 15 whole digits, past the 64-bit limit, grouped at both ends.
        for (const char* t :
             {"12.5", "1.23,4", "12,34567", "abc", "1,2,3", "1..000", ".5", "12,", "--1", "1 000", "",
              "999999999999999", "9223372036854775808", "-99999999999999999999,9999", "922.337.203.685.477,5808"})
            QTest::newRow(t) << QString::fromLatin1(t) << qint64(-1);
    }
    void typedText() {
        QFETCH(QString, text);
        QFETCH(qint64, units);
        const auto m = Money::parse(text);
        QCOMPARE(m.has_value(), units >= 0);
        if (m) QCOMPARE(m->units(), units);
    }

    void conversions() {
        QCOMPARE(Money::parseOrZero(QStringLiteral("  "))->units(), 0);
        QCOMPARE(Money::fromPlain(QStringLiteral("12345.5"))->plain(), QStringLiteral("12345.5"));
        QCOMPARE(Money::fromVariant(QVariant(980.25)).format(), QStringLiteral("980,25"));
        QCOMPARE((Money::fromInteger(1000) - Money::fromInteger(20)).format(), QStringLiteral("980,00"));
    }

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
        QVERIFY(!Money::fromPlain(QStringLiteral("999999999999999")).has_value());
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
