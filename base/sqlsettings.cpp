#include "sqlsettings.h"

#include <QStringList>

QStringList SqlSettings::missing() const {
    QStringList out;
    if (kind() == Backend::Mssql) {
        if (servidor.trimmed().isEmpty()) out << QStringLiteral("SQL/Servidor");
        if (baseDados.trimmed().isEmpty()) out << QStringLiteral("SQL/BaseDados");
        if (login.trimmed().isEmpty()) out << QStringLiteral("SQL/Login");
    } else if (baseDados.trimmed().isEmpty()) {
        out << QStringLiteral("SQL/BaseDados");
    }
    return out;
}
