#include "output/mailsettings.h"

#include <QFileInfo>

#include "base/ficheiroconfig.h"

namespace {

QString texto(const FicheiroConfig& f, const QString& key) {
    const qsizetype slash = key.indexOf(QLatin1Char('/'));
    return f.ler(key.left(slash), key.mid(slash + 1));
}

}  // namespace

int MailSettings::portaEfectiva() const {
    if (porta > 0) return porta;
    switch (seguranca) {
        case Seguranca::Ssl:
            return 465;
        case Seguranca::StartTls:
            return 587;
        case Seguranca::Nenhuma:
            break;
    }
    return 25;
}

MailSettings MailSettings::ler(const QString& configFile) {
    MailSettings m;
    if (!QFileInfo(configFile).isFile()) return m;
    const FicheiroConfig s(configFile);
    m.servidor = texto(s, QStringLiteral("SMTP/Servidor")).trimmed();
    m.porta = texto(s, QStringLiteral("SMTP/Porta")).trimmed().toInt();
    const QString seg = texto(s, QStringLiteral("SMTP/Seguranca")).trimmed().toLower();
    if (seg == QStringLiteral("starttls") || seg == QStringLiteral("tls"))
        m.seguranca = Seguranca::StartTls;
    else if (seg == QStringLiteral("ssl"))
        m.seguranca = Seguranca::Ssl;
    m.utilizador = texto(s, QStringLiteral("SMTP/Utilizador"));
    m.password = texto(s, QStringLiteral("SMTP/Password"));
    m.nomeEmissor = texto(s, QStringLiteral("SMTP/NomeEmissor")).trimmed();
    m.emailEmissor = texto(s, QStringLiteral("SMTP/emailEmissor")).trimmed();
    m.ficheiroCA = texto(s, QStringLiteral("SMTP/FicheiroCA")).trimmed();
    const int limite = texto(s, QStringLiteral("SMTP/TempoLimite")).trimmed().toInt();
    if (limite > 0) m.tempoLimiteSegundos = limite;
    m.assunto = texto(s, QStringLiteral("EMAIL/Assunto"));
    m.mensagem = texto(s, QStringLiteral("EMAIL/Mensagem"));
    m.cc = texto(s, QStringLiteral("EMAIL/CC"));
    m.bcc = texto(s, QStringLiteral("EMAIL/BCC"));
    return m;
}
