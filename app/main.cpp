#include <QApplication>

#include "app/ui/arranquegui.h"
#include "app/ui/guistartupdialogs.h"
#include "base/programinfo.h"
#include "widgets/iconeprograma.h"
#include "widgets/messageboxes.h"
#include "widgets/traducaoqt.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt's own buttons and dialogs speak the operator's language, as the program's own texts do.
    carregarTraducaoQt(app);
    QApplication::setApplicationName(ProgramInfo::title());
    QApplication::setApplicationVersion(ProgramInfo::version());
    // Every window of the program (dialogs, the main window, its child windows) shows it.
    QApplication::setWindowIcon(iconePrograma());
    QGuiApplication::setDesktopFileName(QStringLiteral("balantrix"));

    // The whole argument text names the configuration file (Qt's own options removed).
    const QString argument = QApplication::arguments().mid(1).join(QLatin1Char(' '));

    MessageBoxes messages;
    GuiStartupDialogs dialogs(messages);
    ArranqueGui arranque(QApplication::applicationDirPath(), argument, messages, dialogs);
    // The two fatal failures (ERP, database) have shown their message.
    if (!arranque.executar()) return 1;
    return app.exec();
}
