// Start-up time of the GUI program on the demo database: from the moment start-up
// begins (configuration, ERP, database, catalogue check, main window, company name,
// parameters) until the main window is exposed on screen. The first run also counts
// the QApplication itself. Run it under xvfb-run or with QT_QPA_PLATFORM=offscreen.
//   bench_startup [--runs N] [--screenshot FILE.png]
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>

#include "app/demo.h"
#include "app/startupdialogs.h"
#include "app/ui/arranquegui.h"
#include "app/ui/frmmain.h"
#include "bench/mensagensstderr.h"

namespace {

class NoDialogs : public StartupDialogs {
  public:
    bool configurarErp(const QString&, const QStringList&) override { return false; }
    bool configurarSql(const QString&, const QString&, bool, const QStringList&) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer processTimer;
    processTimer.start();
    QApplication app(argc, argv);
    const qint64 applicationMs = processTimer.elapsed();

    QStringList args = QApplication::arguments().mid(1);
    int runs = 5;
    QString screenshot;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QStringLiteral("--screenshot") && i + 1 < args.size())
            screenshot = args[++i];
    }

    QTemporaryDir data;
    qputenv("BALANTRIX_DATA_DIR", data.path().toLocal8Bit());
    const Demo::Resultado demo = Demo::criar(QString(), true);
    if (!demo.ok) {
        std::fprintf(stderr, "demo: %s\n", qPrintable(demo.mensagem));
        return 1;
    }

    StderrMessages messages("message: ");
    NoDialogs dialogs;
    QList<qint64> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        ArranqueGui arranque(QApplication::applicationDirPath(), QString(), messages, dialogs);
        arranque.setPlacementStore(
            std::make_unique<QSettings>(data.filePath(QStringLiteral("placement.ini")), QSettings::IniFormat));
        if (!arranque.executar()) return 1;
        if (!QTest::qWaitForWindowExposed(arranque.janela())) return 1;
        times << t.elapsed();
        if (run == 0) {
            times[0] += applicationMs;
            std::printf("title=%s\n", qPrintable(arranque.janela()->windowTitle()));
            if (!screenshot.isEmpty()) {
                QTest::qWait(500);
                FrmMain* w = arranque.janela();
                // On a real display the screen grab keeps the window manager's title bar;
                // offscreen only the window itself can be drawn.
                const QPixmap shot =
                    QGuiApplication::platformName() == QStringLiteral("xcb")
                        ? w->screen()->grabWindow(0, w->frameGeometry().x(), w->frameGeometry().y(),
                                                  w->frameGeometry().width(), w->frameGeometry().height())
                        : w->grab();
                if (!shot.save(screenshot)) return 1;
                std::printf("screenshot=%s\n", qPrintable(screenshot));
            }
        }
        arranque.janela()->close();
    }
    QList<qint64> later = times.mid(1);
    std::sort(later.begin(), later.end());
    std::printf("first_ms=%lld\n", times[0]);
    if (!later.isEmpty()) {
        std::printf("later_median_ms=%lld\n", later[later.size() / 2]);
        std::printf("later_max_ms=%lld\n", later.last());
    }
    std::printf("runs=%d\n", runs);
    return 0;
}
