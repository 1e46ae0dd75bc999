#include "tests/scale/simulador.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QFile>
#include <QTest>

Simulador::Simulador(const QStringList& argumentos) {
    const QString bin = qEnvironmentVariable("BALANTRIX_BIN") + QStringLiteral("/indicator-sim");
    m_processo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_processo.start(bin, argumentos);
    if (!m_processo.waitForStarted(5000)) return;
    m_caminho = linha();
}

Simulador::~Simulador() {
    if (m_processo.state() == QProcess::NotRunning) return;
    m_processo.write("quit\n");
    if (!m_processo.waitForFinished(2000)) {
        m_processo.kill();
        m_processo.waitForFinished(2000);
    }
}

QString Simulador::linha() {
    const QDeadlineTimer limite(5000);
    while (!m_processo.canReadLine() && !limite.hasExpired())
        if (!m_processo.waitForReadyRead(int(limite.remainingTime()))) break;
    return QString::fromLocal8Bit(m_processo.readLine()).trimmed();
}

QString Simulador::comando(const QString& l) {
    m_processo.write(l.toLocal8Bit() + '\n');
    m_processo.waitForBytesWritten(2000);
    return linha();
}

int Simulador::pedidos() {
    return comando(QStringLiteral("count")).section(QLatin1Char('='), 1).toInt();
}

PeerPty::PeerPty() {
    char nome[256] = {};
    if (::openpty(&m_mestre, &m_escravo, nome, nullptr, nullptr) != 0) return;
    termios t{};
    ::tcgetattr(m_escravo, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(m_escravo, TCSANOW, &t);
    ::fcntl(m_mestre, F_SETFL, ::fcntl(m_mestre, F_GETFL) | O_NONBLOCK);
    m_caminho = QString::fromLocal8Bit(nome);
}

PeerPty::~PeerPty() {
    fechar();
}

QByteArray PeerPty::ler() {
    QByteArray r;
    char buf[256];
    ssize_t n;
    while (m_mestre >= 0 && (n = ::read(m_mestre, buf, sizeof buf)) > 0) r.append(buf, n);
    return r;
}

void PeerPty::enviar(const QByteArray& b) {
    if (m_mestre >= 0) (void)!::write(m_mestre, b.constData(), size_t(b.size()));
}

void PeerPty::fechar() {
    if (m_escravo >= 0) ::close(m_escravo);
    if (m_mestre >= 0) ::close(m_mestre);
    m_escravo = m_mestre = -1;
}

FicheiroBalanca::FicheiroBalanca(const QString& linha1, const QString& linha2, const QString& linha3)
    : FicheiroBalanca(QStringLiteral("%1\r\n%2\r\n%3\r\n").arg(linha1, linha2, linha3).toLocal8Bit()) {}

FicheiroBalanca::FicheiroBalanca(const QByteArray& conteudo) {
    QFile f(caminho());
    if (f.open(QIODevice::WriteOnly)) f.write(conteudo);
}
