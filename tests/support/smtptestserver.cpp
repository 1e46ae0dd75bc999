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

// aiosmtpd's Maildir handler that refuses, at RCPT TO, the addresses listed in a file
// (read at every recipient, so a test can change it while the server runs).
const char* kHandler = R"(from aiosmtpd.handlers import Mailbox


class MailboxRecusa(Mailbox):
    def __init__(self, mail_dir, lista):
        super().__init__(mail_dir)
        self.lista = lista

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        try:
            with open(self.lista, encoding='utf-8') as f:
                recusados = {l.strip().lower() for l in f if l.strip()}
        except FileNotFoundError:
            recusados = set()
        if address.lower() in recusados:
            return '550 5.1.1 <%s>: Recipient address rejected: User unknown' % address
        envelope.rcpt_tos.append(address)
        return '250 OK'

    @classmethod
    def from_cli(cls, parser, *args):
        return cls(args[0], args[1])
)";

}  // namespace

void SmtpTestServer::recusar(const QStringList& enderecos) {
    QFile f(m_dir.filePath(QStringLiteral("recusados.txt")));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(enderecos.join(QLatin1Char('\n')).toUtf8() + '\n');
}

bool SmtpTestServer::iniciar() {
    m_porta = portaLivre();
    {
        QFile handler(m_dir.filePath(QStringLiteral("balantrix_smtp_recusa.py")));
        if (!handler.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
        handler.write(kHandler);
    }
    recusar({});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PYTHONPATH"), m_dir.path());
    m_processo.setProcessEnvironment(env);
    // Debian's interpreter: a python3 earlier on PATH may lack Debian's packages.
    m_processo.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-m"), QStringLiteral("aiosmtpd"), QStringLiteral("-n"), QStringLiteral("-l"),
                      QStringLiteral("127.0.0.1:%1").arg(m_porta), QStringLiteral("-c"),
                      QStringLiteral("balantrix_smtp_recusa.MailboxRecusa"), maildir(),
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

QMap<QString, QString> SmtpTestServer::ler(const char* script) const {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(script), maildir()});
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
    static const char* kAnexos = R"(
import email, email.policy, glob, subprocess, sys
for f in sorted(glob.glob(sys.argv[1] + '/new/*')):
    msg = email.message_from_binary_file(open(f, 'rb'), policy=email.policy.default)
    for part in msg.iter_attachments():
        text = subprocess.run(['pdftotext', '-', '-'], input=part.get_content(), capture_output=True).stdout
        print('%s\t%s\t%s' % (msg['To'], part.get_filename(), text.decode('utf-8').replace('\n', ' ')))
)";
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(kAnexos), maildir()});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
