#include "scale/monitorbalanca.h"

#include <QDeadlineTimer>
#include <QFileInfo>

#include "scale/respostabalanca.h"

namespace {
// Without an answer for this many requests in a row the display says so.
constexpr int kPerdidos = 2;
// A port that would not open (or no scale file) is tried again after this many ticks.
constexpr int kEsperaAbrir = 10;
// A live reply is a line; anything longer is noise.
constexpr qsizetype kMaximoResposta = 256;
}  // namespace

PesoVivo PesoVivo::deResposta(const QByteArray& resposta) {
    const LeituraBalanca r = RespostaBalanca::interpretar(resposta);
    const qsizetype kg = RespostaBalanca::procurar(resposta, "KG");
    bool algarismos = false;
    for (qsizetype i = 0; i < kg; ++i) algarismos = algarismos || (resposta[i] >= '0' && resposta[i] <= '9');
    if (kg < 0 || !algarismos) return {SemLeitura, 0};
    if (r.estavel) return {Estavel, r.peso};
    if (r.mensagem == RespostaBalanca::instavel()) return {Instavel, r.peso};
    return {SemLeitura, 0};
}

MonitorBalanca::MonitorBalanca(QString pastaPrograma, QString pastaConfig, QObject* parent)
    : QObject(parent), m_pastaPrograma(std::move(pastaPrograma)), m_pastaConfig(std::move(pastaConfig)) {
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, &MonitorBalanca::tick);
}

MonitorBalanca::~MonitorBalanca() {
    fechar();
}

void MonitorBalanca::setIntervalo(int ms) {
    m_timer.setInterval(ms);
}

void MonitorBalanca::registar(QObject* desk) {
    if (!desk || m_desks.contains(desk)) return;
    m_desks.insert(desk);
    connect(desk, &QObject::destroyed, this, [this, desk] { libertar(desk); });
    if (m_desks.size() == 1) arrancar();
}

void MonitorBalanca::libertar(QObject* desk) {
    if (!m_desks.remove(desk)) return;
    disconnect(desk, nullptr, this, nullptr);
    if (m_desks.isEmpty()) parar();
}

void MonitorBalanca::arrancar() {
    m_esperaAbrir = 0;
    definir({PesoVivo::SemLeitura, 0});
    if (m_pausas > 0) return;
    tick();
    m_timer.start();
}

void MonitorBalanca::parar() {
    m_timer.stop();
    fechar();
    definir({PesoVivo::Desligado, 0});
}

void MonitorBalanca::pausar() {
    if (m_pausas++ > 0) return;
    m_timer.stop();
    if (m_porta && m_aguardar) {
        // Let the answer to our last request arrive here, not in the weighing's reader.
        QDeadlineTimer limite(300);
        while (!m_recebido.contains('\r') && !limite.hasExpired() &&
               m_porta->waitForReadyRead(int(limite.remainingTime())))
            m_recebido.append(m_porta->readAll());
    }
    fechar();
    if (!m_desks.isEmpty()) definir({PesoVivo::ALer, 0});
}

void MonitorBalanca::retomar() {
    if (m_pausas == 0 || --m_pausas > 0) return;
    if (m_desks.isEmpty()) return;
    // The reader just closed the port: the next tick opens it again.
    m_esperaAbrir = 0;
    definir({PesoVivo::SemLeitura, 0});
    m_timer.start();
}

void MonitorBalanca::tick() {
    if (m_pausas > 0 || m_desks.isEmpty()) return;
    if (!portaAberta()) {
        if (m_esperaAbrir > 0) {
            --m_esperaAbrir;
            return;
        }
        if (!abrir()) {
            m_esperaAbrir = kEsperaAbrir;
            definir({PesoVivo::SemLeitura, 0});
            return;
        }
    }
    if (m_aguardar && ++m_semResposta >= kPerdidos) definir({PesoVivo::SemLeitura, 0});
    m_recebido.clear();
    m_aguardar = true;
    ++m_pedidos;
    if (m_porta->write("\r\n", 2) != 2) {
        fechar();
        m_esperaAbrir = kEsperaAbrir;
        definir({PesoVivo::SemLeitura, 0});
    }
}

bool MonitorBalanca::abrir() {
    ConfigBalanca config;
    const QString caminho =
        m_ficheiro.isEmpty() ? ConfigBalanca::localizar(m_pastaPrograma, m_pastaConfig) : m_ficheiro;
    QString erro;
    if (caminho.isEmpty() || !QFileInfo(caminho).isFile() || !config.ler(caminho, &erro)) return false;
    auto porta = std::make_unique<QSerialPort>();
    porta->setPortName(config.porta);
    porta->setBaudRate(config.baud);
    porta->setParity(config.paridade);
    porta->setDataBits(config.dados);
    porta->setStopBits(config.paragem);
    porta->setFlowControl(QSerialPort::NoFlowControl);
    if (!porta->open(QIODevice::ReadWrite)) return false;
    m_porta = std::move(porta);
    connect(m_porta.get(), &QSerialPort::readyRead, this, &MonitorBalanca::lerDisponivel);
    connect(m_porta.get(), &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::NoError || e == QSerialPort::TimeoutError) return;
        // The line broke (adapter unplugged): close and try again later, from the timer.
        QTimer::singleShot(0, this, [this] {
            fechar();
            m_esperaAbrir = kEsperaAbrir;
            if (m_pausas == 0 && !m_desks.isEmpty()) definir({PesoVivo::SemLeitura, 0});
        });
    });
    m_porta->clear(QSerialPort::Input);
    m_semResposta = 0;
    return true;
}

void MonitorBalanca::fechar() {
    m_aguardar = false;
    m_recebido.clear();
    if (!m_porta) return;
    m_porta->disconnect(this);
    m_porta->close();
    // This may run inside a signal of the port itself.
    m_porta.release()->deleteLater();
}

void MonitorBalanca::lerDisponivel() {
    if (!m_porta) return;
    const QByteArray chegou = m_porta->readAll();
    if (!m_aguardar) return;  // nothing was asked: not an answer
    m_recebido.append(chegou.left(kMaximoResposta - m_recebido.size()));
    if (!m_recebido.contains('\r')) {
        if (m_recebido.size() >= kMaximoResposta) m_recebido.clear();
        return;
    }
    m_aguardar = false;
    m_semResposta = 0;
    definir(PesoVivo::deResposta(m_recebido));
    m_recebido.clear();
}

void MonitorBalanca::definir(const PesoVivo& e) {
    if (e == m_estado) return;
    m_estado = e;
    emit mudou(e);
}
