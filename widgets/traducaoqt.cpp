#include "widgets/traducaoqt.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool carregarTraducaoQt(QCoreApplication& app) {
    const QString pasta = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // pt_PT's catalogue lacks the standard buttons' context: it only comes before pt_BR when it has them.
    for (QLocale::Territory t : {QLocale::Portugal, QLocale::Brazil}) {
        auto* tradutor = new QTranslator(&app);
        if (tradutor->load(QLocale(QLocale::Portuguese, t), QStringLiteral("qtbase"), QStringLiteral("_"), pasta) &&
            !tradutor->translate("QPlatformTheme", "Cancel").isEmpty()) {
            QCoreApplication::installTranslator(tradutor);
            return true;
        }
        delete tradutor;
    }
    return false;
}
