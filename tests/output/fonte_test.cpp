// The ticket font's copy without hinting programs: the same glyphs and widths as the
// installed DejaVu Sans, the same font names in the PDF, and only the style naming it.
#include <QBuffer>
#include <QPdfWriter>
#include <QRawFont>
#include <QtTest>

#include "output/fontetalao.h"
#include "output/renderizadortalao.h"

class FonteTest : public QObject {
    Q_OBJECT

  private slots:
    void sameGlyphsAndWidths_data() {
        QTest::addColumn<bool>("negrito");
        QTest::newRow("regular") << false;
        QTest::newRow("bold") << true;
    }
    void sameGlyphsAndWidths() {
        QFETCH(bool, negrito);
        QVERIFY2(FonteTalao::familia() != QStringLiteral("DejaVu Sans"), "DejaVu Sans (fonts-dejavu-core) is missing");
        const auto raw = [&](const QString& familia) {
            QFont f(familia);
            f.setBold(negrito);
            f.setPixelSize(2048);
            f.setHintingPreference(QFont::PreferNoHinting);
            return QRawFont::fromFont(f);
        };
        const QRawFont original = raw(QStringLiteral("DejaVu Sans")), copia = raw(FonteTalao::familia());
        QCOMPARE(copia.familyName(), FonteTalao::familia());
        QCOMPARE(copia.weight(), original.weight());
        for (const char* tabela : {"fpgm", "prep", "cvt "}) QVERIFY(copia.fontTable(tabela).isEmpty());
        const QString texto = QStringLiteral("Talão n.º 1234 · Peso líquido 26.340,00 kg € ção ÁÉÍÓÚ");
        const QList<quint32> glifos = copia.glyphIndexesForString(texto);
        QCOMPARE(glifos, original.glyphIndexesForString(texto));
        QCOMPARE(copia.advancesForGlyphIndexes(glifos, QRawFont::UseDesignMetrics),
                 original.advancesForGlyphIndexes(glifos, QRawFont::UseDesignMetrics));
    }

    // A customer named after the font keeps the name; "DejaVu Sans Mono" stays another face.
    void htmlNamesTheCopyInStyleOnly_data() {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("attribute") << QStringLiteral("<p style=\"font-family: 'DejaVu Sans'\">x</p>")
                                   << QStringLiteral("<p style=\"font-family: '@'\">x</p>");
        QTest::newRow("style sheet") << QStringLiteral(
                                            "<style>td { font-family: dejavu sans, serif }</style><td>y</td>")
                                     << QStringLiteral("<style>td { font-family: @, serif }</style><td>y</td>");
        QTest::newRow("text") << QStringLiteral("<b>DejaVu Sans, Lda.</b>")
                              << QStringLiteral("<b>DejaVu Sans, Lda.</b>");
        QTest::newRow("other face") << QStringLiteral("<tt style=\"font-family: 'DejaVu Sans Mono'\">1</tt>")
                                    << QStringLiteral("<tt style=\"font-family: 'DejaVu Sans Mono'\">1</tt>");
    }
    void htmlNamesTheCopyInStyleOnly() {
        QFETCH(QString, html);
        QFETCH(QString, esperado);
        QCOMPARE(FonteTalao::html(html), esperado.replace(QLatin1Char('@'), FonteTalao::familia()));
    }

    // Readers and printers see DejaVu Sans, regular and bold, and nothing else.
    void pdfNamesDejaVu() {
        QByteArray pdf;
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        {
            QPdfWriter writer(&buffer);
            RenderizadorTalao::pintarDocumento(
                writer, QStringLiteral("<p style=\"font-family: 'DejaVu Sans'\">Peso <b>26.340 kg</b></p>"));
        }
        QCOMPARE(pdf.count("/BaseFont /DejaVuSans-Bold"), 2);  // the font and its descendant
        QCOMPARE(pdf.count("/BaseFont /DejaVuSans"), 4);
        QCOMPARE(pdf.count("/Type /FontDescriptor"), 2);
    }
};

QTEST_MAIN(FonteTest)
#include "fonte_test.moc"
