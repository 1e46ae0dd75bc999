#include "tools/indicator-sim/indicador.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <QStringList>
#include <cerrno>
#include <cstring>

Indicador::Indicador() {
    m_envio.setSingleShot(true);
    connect(&m_envio, &QTimer::timeout, this, &Indicador::enviarSeguinte);
}

Indicador::~Indicador() {
    m_notificador.reset();
    m_segura.reset();
    if (m_escravo >= 0) ::close(m_escravo);
    if (m_mestre >= 0) ::close(m_mestre);
}

bool Indicador::abrir(QString* erro) {
    char nome[256] = {};
    if (::openpty(&m_mestre, &m_escravo, nome, nullptr, nullptr) != 0) {
        *erro = QStringLiteral("openpty: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // Raw line, no echo: what the reader sends must not come back to it. The slave
    // stays open here so the master keeps working between readers.
    termios t{};
    ::tcgetattr(m_escravo, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(m_escravo, TCSANOW, &t);
    ::fcntl(m_mestre, F_SETFL, ::fcntl(m_mestre, F_GETFL) | O_NONBLOCK);
    m_caminho = QString::fromLocal8Bit(nome);
    m_notificador = std::make_unique<QSocketNotifier>(m_mestre, QSocketNotifier::Read);
    connect(m_notificador.get(), &QSocketNotifier::activated, this, &Indicador::lerMestre);
    return true;
}

bool Indicador::segurar(bool sim, QString* erro) {
    if (!sim) {
        m_segura.reset();
        return true;
    }
    if (m_segura) return true;
    m_segura = std::make_unique<QSerialPort>(m_caminho);
    if (!m_segura->open(QIODevice::ReadWrite)) {
        *erro = m_segura->errorString();
        m_segura.reset();
        return false;
    }
    return true;
}

void Indicador::lerMestre() {
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(m_mestre, buf, sizeof buf);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i)
            if (buf[i] == '\r') responder();
    }
}

QByteArray Indicador::montarResposta() const {
    if (!resposta.isEmpty()) return resposta;
    QByteArray r;
    switch (marca) {
        case Estavel:
            r = "GS";
            break;
        case Instavel:
            r = "GU";
            break;
        case Ambas:
            r = "GU GS";
            break;
        case Nenhuma:
            break;
    }
    r += "  ";
    r += QByteArray::number(peso).rightJustified(6, '0');
    if (unidade) r += "kg";
    r += "\r\n";
    return r;
}

void Indicador::responder() {
    ++m_pedidos;
    emit pedido(m_pedidos);
    if (silencio) return;
    QByteArray r;
    if (lixo) {
        // Line noise: no marks, no unit, no digits, ended like a reply.
        static const char alfabeto[] = "!#$%&()*+-./:;<=>?@ABCDEFHIJLMNOPQRTVWXYZ[]^_abcdefhijlmnopqrtvwxyz~";
        for (int i = 0; i < 24; ++i) {
            m_semente = m_semente * 1103515245u + 12345u;
            r += alfabeto[(m_semente >> 16) % (sizeof alfabeto - 1)];
        }
        r += "\r\n";
    } else {
        r = montarResposta();
    }
    m_porEnviar += r;
    if (!m_envio.isActive()) m_envio.start(atrasoMs);
}

void Indicador::enviarSeguinte() {
    if (m_porEnviar.isEmpty()) return;
    const qsizetype n = lentoMs > 0 ? 1 : m_porEnviar.size();
    const ssize_t escrito = ::write(m_mestre, m_porEnviar.constData(), size_t(n));
    if (escrito > 0) m_porEnviar.remove(0, escrito);
    if (!m_porEnviar.isEmpty()) m_envio.start(lentoMs);
}

namespace {
QByteArray desfazerEscapes(const QString& texto) {
    QByteArray r = texto.toLatin1();
    r.replace("\\r", "\r");
    r.replace("\\n", "\n");
    return r;
}
bool ligado(const QString& v) {
    return v.isEmpty() || v == QLatin1String("on") || v == QLatin1String("1");
}
}  // namespace

bool Indicador::comando(const QString& linha, QString* erro) {
    const QString t = linha.trimmed();
    const qsizetype espaco = t.indexOf(QLatin1Char(' '));
    const QString nome = (espaco < 0 ? t : t.left(espaco)).toLower();
    const QString valor = espaco < 0 ? QString() : t.mid(espaco + 1).trimmed();
    bool ok = true;
    if (nome == QLatin1String("weight")) {
        const qint64 p = valor.toLongLong(&ok);
        if (ok) peso = p;
    } else if (nome == QLatin1String("mark")) {
        const QString m = valor.toLower();
        if (m == QLatin1String("gs") || m == QLatin1String("stable"))
            marca = Estavel;
        else if (m == QLatin1String("gu") || m == QLatin1String("unstable"))
            marca = Instavel;
        else if (m == QLatin1String("both"))
            marca = Ambas;
        else if (m == QLatin1String("none"))
            marca = Nenhuma;
        else
            ok = false;
    } else if (nome == QLatin1String("unit")) {
        unidade = ligado(valor);
    } else if (nome == QLatin1String("silent")) {
        silencio = ligado(valor);
    } else if (nome == QLatin1String("garbage")) {
        lixo = ligado(valor);
    } else if (nome == QLatin1String("delay")) {
        atrasoMs = valor.toInt(&ok);
    } else if (nome == QLatin1String("slow")) {
        lentoMs = valor.isEmpty() ? 20 : valor.toInt(&ok);
    } else if (nome == QLatin1String("reply")) {
        resposta = desfazerEscapes(valor);
    } else if (nome == QLatin1String("hold")) {
        return segurar(ligado(valor), erro);
    } else {
        *erro = QStringLiteral("comando desconhecido: %1").arg(nome);
        return false;
    }
    if (!ok) *erro = QStringLiteral("valor inválido: %1").arg(valor);
    if (ok) emit alterado();
    return ok;
}
