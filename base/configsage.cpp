#include "base/configsage.h"

#include "base/ficheiroconfig.h"

ConfigSage ConfigSage::ler(const FicheiroConfig& f) {
    const QString s = section();
    return {f.ler(s, QStringLiteral("Servidor")), f.ler(s, QStringLiteral("Instancia")),
            f.ler(s, QStringLiteral("Empresa")), f.ler(s, QStringLiteral("Utilizador")),
            f.ler(s, QStringLiteral("Password"))};
}

void ConfigSage::gravar(FicheiroConfig& f) const {
    const QString s = section();
    f.gravar(s, QStringLiteral("Servidor"), servidor);
    f.gravar(s, QStringLiteral("Instancia"), instancia);
    f.gravar(s, QStringLiteral("Empresa"), empresa);
    f.gravar(s, QStringLiteral("Utilizador"), utilizador);
    f.gravar(s, QStringLiteral("Password"), password);
}

QStringList ConfigSage::missing() const {
    QStringList out;
    if (servidor.trimmed().isEmpty()) out << QStringLiteral("ERP/Servidor");
    if (empresa.trimmed().isEmpty()) out << QStringLiteral("ERP/Empresa");
    if (utilizador.trimmed().isEmpty()) out << QStringLiteral("ERP/Utilizador");
    if (password.isEmpty()) out << QStringLiteral("ERP/Password");
    return out;
}
