#pragma once

#include <QByteArray>
#include <QStringList>

#include "output/mailsettings.h"

// One e-mail with one attachment.
struct MailMessage {
    QString para;  // recipient(s): several addresses separated by commas or semicolons
    QString cc;
    QString bcc;  // only ever given to the server as recipients, never written in a header
    QString assunto;
    QString corpo;
    QString nomeAnexo;
    QByteArray anexo;  // the file's contents, read before anything can overwrite it
};

// Sends mail through the SMTP server of the settings with libcurl: STARTTLS or SSL
// when configured (certificates checked against the system's store, or the CA file
// of the settings), login when a user is set, and a time limit on the whole sending.
// The transfer runs on a worker thread; the caller's thread keeps handling its
// events meanwhile, so a window does not freeze while the server is slow.
class MailSender {
  public:
    explicit MailSender(MailSettings settings);

    // True when the message went to its main recipients (some copies may have been
    // refused: copiasRecusadas()); false when it was not sent (ultimoErro() says why,
    // naming a refused main recipient).
    bool enviar(const MailMessage& m);
    // The library's or our own text for the last failure.
    QString ultimoErro() const { return m_erro; }
    // CC and BCC addresses the server refused in the last sending, each with its reply.
    QStringList copiasRecusadas() const { return m_copiasRecusadas; }

    // "a@x; b@y, Nome <c@z>" -> the bare addresses; false when one of them is not an
    // address or holds a control character (C0, DEL, C1).
    static bool enderecos(const QString& lista, QStringList& out, QString* invalido = nullptr);
    // RFC 2047 encoded-words (each at most 75 characters) for a header text that is not
    // plain ASCII; control characters become spaces.
    static QByteArray cabecalho(const QString& texto);

    // Header lines as RFC 5322 wants them, folded at spaces to 78 characters where the
    // words allow and never over 998:
    // "Subject: ..." plain, or as encoded-words when not ASCII (or a word is too long);
    static QByteArray cabecalhoTexto(const QByteArray& nome, const QString& texto);
    // "To: a@x, b@y, ..." one address list;
    static QByteArray cabecalhoEnderecos(const QByteArray& nome, const QStringList& enderecos);
    // a display name as one phrase: a quoted-string ("Vale, Lda.", with quotes and
    // backslashes escaped) or encoded-words when not ASCII, the first at most `primeiro` long;
    static QByteArray nomeExibicao(const QString& nome, int primeiro = 75);
    // and a whole header line folded.
    static QByteArray dobrar(const QByteArray& linha);

  private:
    struct Recusa {
        QString endereco;  // the recipient the server refused, if that stopped the sending
        QString resposta;
    };
    // One SMTP transaction with these recipients.
    bool tentar(const MailMessage& m, const QString& de, const QStringList& para, const QStringList& cc,
                const QStringList& bcc, Recusa& recusa);

    MailSettings m_s;
    QString m_erro;
    QStringList m_copiasRecusadas;
};
