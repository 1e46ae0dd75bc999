#include "base/configsql.h"

#include "base/ficheiroconfig.h"

SqlSettings ConfigSQL::ler(const FicheiroConfig& f) {
    const QString s = section();
    SqlSettings out{f.ler(s, QStringLiteral("Backend")), f.ler(s, QStringLiteral("Servidor")),
                    f.ler(s, QStringLiteral("BaseDados")), f.ler(s, QStringLiteral("Login")),
                    f.ler(s, QStringLiteral("Password"))};
    out.loginModelos = f.ler(s, QStringLiteral("LoginModelos"));
    out.passwordModelos = f.ler(s, QStringLiteral("PasswordModelos"));
    if (out.backend.trimmed().isEmpty()) out.backend = QStringLiteral("sqlite");
    return out;
}

void ConfigSQL::gravar(FicheiroConfig& f, const SqlSettings& v) {
    const QString s = section();
    f.gravar(s, QStringLiteral("Backend"), v.backend);
    f.gravar(s, QStringLiteral("Servidor"), v.servidor);
    f.gravar(s, QStringLiteral("BaseDados"), v.baseDados);
    f.gravar(s, QStringLiteral("Login"), v.login);
    f.gravar(s, QStringLiteral("Password"), v.password);
}
