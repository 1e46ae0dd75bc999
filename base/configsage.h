#pragma once

#include <QString>
#include <QStringList>

class FicheiroConfig;

// The five ERP connection settings (section "ERP"). Settings 1, 3, 4 and 5 are
// required; setting 2 (the instance) may stay empty.
struct ConfigSage {
    QString servidor;    // 1
    QString instancia;   // 2
    QString empresa;     // 3
    QString utilizador;  // 4
    QString password;    // 5

    static ConfigSage ler(const FicheiroConfig& f);
    void gravar(FicheiroConfig& f) const;
    QStringList missing() const;

    static QString section() { return QStringLiteral("ERP"); }
};
