#pragma once

#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

// A real SMTP server for tests: Debian's aiosmtpd on 127.0.0.1 and a free port,
// keeping every message it receives in a Maildir (with an X-RcptTo header, so blind
// copies can be checked). Stopped when destroyed.
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
    // Runs a Python reader with the Maildir as its argument; its "key<TAB>value" lines.
    QMap<QString, QString> ler(const char* script) const;

    static int portaLivre();
    static bool aEscutar(int porta);

private:
    QTemporaryDir m_dir;
    QProcess m_processo;
    int m_porta = 0;
};
