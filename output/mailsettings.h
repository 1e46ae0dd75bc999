#pragma once

#include <QString>

// What a ticket e-mail needs from the workstation's configuration file: the server
// and sender (section "SMTP") and the texts and copy addresses (section "EMAIL").
struct MailSettings {
    enum class Seguranca { Nenhuma, StartTls, Ssl };

    QString servidor;
    int porta = 0;  // 0: the usual port of the security mode (25, 587, 465)
    Seguranca seguranca = Seguranca::Nenhuma;
    QString utilizador;
    QString password;
    QString nomeEmissor;
    QString emailEmissor;
    QString ficheiroCA;            // certificates to trust instead of the system's store
    int tempoLimiteSegundos = 60;  // the whole sending, connection included

    QString assunto;
    QString mensagem;
    QString cc;  // several addresses separated by commas or semicolons
    QString bcc;

    int portaEfectiva() const;

    // Reads the file. A value with commas stays one text (a subject "Talão, pesagem"
    // or a list of copy addresses), unlike a plain list-aware INI read.
    static MailSettings ler(const QString& configFile);
};
