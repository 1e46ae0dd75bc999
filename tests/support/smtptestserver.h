#pragma once

#include <QMap>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A real SMTP server for tests: Debian's aiosmtpd on 127.0.0.1 and a free port,
// keeping every message it receives in a Maildir (with an X-RcptTo header, so blind
// copies can be checked), and refusing the recipients a test names. Stopped when destroyed.
class SmtpTestServer {
  public:
    ~SmtpTestServer();
    // Starts it and waits until it listens; false when it could not.
    bool iniciar();
    void parar();
    int porta() const { return m_porta; }
    QString maildir() const { return m_dir.path() + QStringLiteral("/Maildir"); }
    // Messages received so far, and emptying the inbox between cases.
    int mensagens() const;
    void esvaziar();
    // Addresses the server refuses at RCPT TO from now on ("550 5.1.1 ..."), as a real
    // server refuses unknown mailboxes; an empty list accepts everyone again.
    void recusar(const QStringList& enderecos);
    // The "key<TAB>value" lines of a Maildir reader of balantrix_maildir.py ("mensagem", "cabecalhos").
    QMap<QString, QString> ler(const QString& modo) const;
    // One line per attachment of every message, in file order: "To<TAB>file name<TAB>text of the PDF".
    QStringList anexos() const;

    static int portaLivre();
    static bool aEscutar(int porta);

  private:
    QTemporaryDir m_dir;
    QProcess m_processo;
    int m_porta = 0;
};
