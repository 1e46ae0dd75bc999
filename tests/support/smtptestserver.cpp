#include "tests/support/smtptestserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QThread>

SmtpTestServer::~SmtpTestServer() {
    parar();
}

int SmtpTestServer::portaLivre() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

bool SmtpTestServer::aEscutar(int porta) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(quint16(porta));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

namespace {

// The handler and the Maildir readers (tests/support/balantrix_maildir.py) live in the sources.
QString pastaPython() {
    return qEnvironmentVariable("BALANTRIX_SOURCE") + QStringLiteral("/tests/support");
}

QString leitor() {
    return pastaPython() + QStringLiteral("/balantrix_maildir.py");
}

}  // namespace

void SmtpTestServer::recusar(const QStringList& enderecos) {
    QFile f(m_dir.filePath(QStringLiteral("recusados.txt")));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(enderecos.join(QLatin1Char('\n')).toUtf8() + '\n');
}

bool SmtpTestServer::iniciar() {
    m_porta = portaLivre();
    recusar({});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PYTHONPATH"), pastaPython());
    env.insert(QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1"));  // nothing written into the sources
    m_processo.setProcessEnvironment(env);
    // Debian's interpreter: a python3 earlier on PATH may lack Debian's packages.
    m_processo.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-m"), QStringLiteral("aiosmtpd"), QStringLiteral("-n"), QStringLiteral("-l"),
                      QStringLiteral("127.0.0.1:%1").arg(m_porta), QStringLiteral("-c"),
                      QStringLiteral("balantrix_maildir.MailboxRecusa"), maildir(),
                      m_dir.filePath(QStringLiteral("recusados.txt"))});
    if (!m_processo.waitForStarted()) return false;
    QDeadlineTimer prazo(15000);
    while (!aEscutar(m_porta)) {
        if (prazo.hasExpired() || m_processo.state() == QProcess::NotRunning) return false;
        QThread::msleep(50);
    }
    return true;
}

void SmtpTestServer::parar() {
    if (m_processo.state() == QProcess::NotRunning) return;
    m_processo.terminate();
    if (!m_processo.waitForFinished(5000)) m_processo.kill();
}

int SmtpTestServer::mensagens() const {
    return int(QDir(maildir() + QStringLiteral("/new")).entryList(QDir::Files).size());
}

void SmtpTestServer::esvaziar() {
    // The server makes the Maildir itself (it must not exist beforehand): empty only its inbox.
    QDir inbox(maildir() + QStringLiteral("/new"));
    for (const QString& f : inbox.entryList(QDir::Files)) inbox.remove(f);
}

QMap<QString, QString> SmtpTestServer::ler(const QString& modo) const {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {leitor(), modo, maildir()});
    p.waitForFinished(20000);
    QMap<QString, QString> out;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const int tab = int(line.indexOf(QLatin1Char('\t')));
        if (tab > 0) out.insert(line.left(tab), line.mid(tab + 1));
    }
    if (out.isEmpty()) qWarning() << p.readAllStandardError();
    return out;
}

QStringList SmtpTestServer::anexos() const {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {leitor(), QStringLiteral("anexos"), maildir()});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
