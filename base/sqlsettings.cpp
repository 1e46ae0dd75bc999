#include "base/sqlsettings.h"

#include <QStringList>

QStringList SqlSettings::missing() const {
    QStringList out;
    if (kind() != Backend::Sqlite) {
        if (servidor.trimmed().isEmpty()) out << QStringLiteral("SQL/Servidor");
        if (baseDados.trimmed().isEmpty()) out << QStringLiteral("SQL/BaseDados");
        if (login.trimmed().isEmpty()) out << QStringLiteral("SQL/Login");
    } else if (baseDados.trimmed().isEmpty()) {
        out << QStringLiteral("SQL/BaseDados");
    }
    return out;
}

QString SqlSettings::nomeBackend(Backend b) {
    switch (b) {
        case Backend::Mssql:
            return QStringLiteral("mssql");
        case Backend::Postgresql:
            return QStringLiteral("postgresql");
        case Backend::Sqlite:
            break;
    }
    return QStringLiteral("sqlite");
}
