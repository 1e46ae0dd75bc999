#include "app/ui/guistartupdialogs.h"

#include "widgets/dialogoerp.h"
#include "widgets/dialogosql.h"

bool GuiStartupDialogs::configurarErp(const QString& configFile, const QStringList&) {
    DialogoErp dialog(configFile, m_messages);
    dialog.exec();
    return true;
}

bool GuiStartupDialogs::configurarSql(const QString& configFile, const QString& catalogScript, bool option,
                                      const QStringList&) {
    DialogoSql dialog(configFile, catalogScript, option, m_messages);
    dialog.exec();
    return true;
}
