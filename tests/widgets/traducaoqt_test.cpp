// Qt's own words in the operator's language: the standard buttons of a message box.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "widgets/traducaoqt.h"

class TraducaoQtTest : public QObject {
    Q_OBJECT
  private slots:
    void standardButtonsSpeakPortuguese() {
        QVERIFY(carregarTraducaoQt(*qApp));
        QMessageBox box(QMessageBox::Information, QStringLiteral("Informação"), QStringLiteral("Texto"),
                        QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Cancel)->text().remove(u'&'), QStringLiteral("Cancelar"));
        QCOMPARE(box.button(QMessageBox::Yes)->text().remove(u'&'), QStringLiteral("Sim"));
        QCOMPARE(box.button(QMessageBox::No)->text().remove(u'&'), QStringLiteral("Não"));
    }
};

QTEST_MAIN(TraducaoQtTest)
#include "traducaoqt_test.moc"
