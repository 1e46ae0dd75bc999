#include "scale/leitorbalanca.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>

#include "base/configlocation.h"

LeitorBalanca::LeitorBalanca(const QString& pastaPrograma, const QString& pastaConfig, QObject* parent)
    : QObject(parent), m_pastaPrograma(pastaPrograma), m_pastaConfig(pastaConfig) {
    m_limite.setSingleShot(true);
    m_limite.setTimerType(Qt::PreciseTimer);
    m_tentativa.setSingleShot(true);
    connect(&m_limite, &QTimer::timeout, this, &LeitorBalanca::fimDeEspera);
    connect(&m_tentativa, &QTimer::timeout, this, &LeitorBalanca::abrir);
}

LeitorBalanca::LeitorBalanca(QObject* parent)
    : LeitorBalanca(QCoreApplication::applicationDirPath(),
                    ConfigLocation::configFolder(QCoreApplication::applicationDirPath()), parent) {}

LeitorBalanca::~LeitorBalanca() {
    if (m_porta) m_porta->close();
}

void LeitorBalanca::log(const QString& texto) {
    m_registo << texto;
    emit passo(texto);
}

bool LeitorBalanca::pesar(qint64& peso, QString& mensagem) {
    if (m_emCurso) {
        peso = 0;
        mensagem = QStringLiteral("Já está a decorrer uma pesagem nesta balança.");
        return false;
    }
    iniciar(mensagem);
    if (m_emCurso) {
        QEventLoop ciclo;
        m_ciclo = &ciclo;
        ciclo.exec();
        m_ciclo = nullptr;
    }
    peso = m_resultado.peso;
    mensagem = m_resultado.mensagem;
    return m_resultado.estavel;
}

void LeitorBalanca::iniciar(const QString& mensagemInicial) {
    if (m_emCurso) return;
    m_emCurso = true;
    m_registo.clear();
    m_recebido.clear();
    m_tentativas = 0;
    m_mensagemInicial = mensagemInicial;
    m_resultado = LeituraBalanca{};
    m_config = ConfigBalanca{};
    emit recebidoMudou(m_recebido);

    const QString caminho =
        m_ficheiroFixo.isEmpty() ? ConfigBalanca::localizar(m_pastaPrograma, m_pastaConfig) : m_ficheiroFixo;
    log(QStringLiteral("Ler configuração ") +
        QDir::toNativeSeparators(caminho.isEmpty() ? QDir(m_pastaPrograma).filePath(ConfigBalanca::nomeFicheiro())
                                                   : caminho));
    if (caminho.isEmpty() || !QFileInfo(caminho).isFile()) {
        terminar({false, 0, semFicheiro()});
        return;
    }
    QString erro;
    const bool lido = m_config.ler(caminho, &erro);
    if (!m_config.linhaPorta.isNull()) {
        log(QStringLiteral("Porta ") + m_config.linhaPorta);
        log(QStringLiteral("Settings ") + m_config.linhaSettings);
        log(QStringLiteral("Quantos segundos espera ") + m_config.linhaSegundos);
    }
    if (!lido) {
        falhar(erro);
        return;
    }
    abrir();
}

void LeitorBalanca::abrir() {
    m_porta = std::make_unique<QSerialPort>();
    m_porta->setPortName(m_config.porta);
    m_porta->setBaudRate(m_config.baud);
    m_porta->setParity(m_config.paridade);
    m_porta->setDataBits(m_config.dados);
    m_porta->setStopBits(m_config.paragem);
    m_porta->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_porta->open(QIODevice::ReadWrite)) {
        if (m_porta->error() == QSerialPort::PermissionError) {
            // Another reader holds the port: try again a few times before giving up,
            // pausing so that a reading in progress elsewhere can finish.
            ++m_tentativas;
            if (m_tentativas > kTentativas) {
                falhar(mensagemErro(true));
                return;
            }
            log(QStringLiteral("Porta ocupada - tentativa %1").arg(m_tentativas));
            m_porta.reset();
            m_tentativa.start(m_pausaTentativas);
            return;
        }
        falhar(mensagemErro(false));
        return;
    }
    log(QStringLiteral("Abrir a porta"));
    connect(m_porta.get(), &QSerialPort::readyRead, this, &LeitorBalanca::lerDisponivel);
    connect(m_porta.get(), &QSerialPort::errorOccurred, this, &LeitorBalanca::erroPorta);
    m_porta->clear(QSerialPort::Input);  // a reply left over from an earlier request is not this one
    if (m_porta->write("\r\n", 2) != 2) {
        falhar(mensagemErro(false));
        return;
    }
    // The wait ends once more second boundaries than the configured seconds have passed
    // since the start second: between N and N+1 seconds, as operators are used to.
    const qint64 agora = QDateTime::currentMSecsSinceEpoch();
    const qint64 fim = (agora / 1000 + m_config.segundos + 1) * 1000;
    m_aEsperar = true;
    m_limite.start(int(fim - agora));
    lerDisponivel();
}

void LeitorBalanca::lerDisponivel() {
    if (!m_aEsperar || !m_porta) return;
    const QByteArray chegou = m_porta->readAll();
    if (chegou.isEmpty()) return;
    // An indicator that streams without end must not grow the buffer without bound.
    const qsizetype cabe = kMaximoRecebido - m_recebido.size();
    if (cabe > 0) m_recebido.append(chegou.left(cabe));
    emit recebidoMudou(m_recebido);
    if (RespostaBalanca::completa(m_recebido) || chegou.contains('\r')) fimDeEspera();
}

void LeitorBalanca::fimDeEspera() {
    if (!m_aEsperar) return;
    m_aEsperar = false;
    m_limite.stop();
    log(QStringLiteral("Fim de pesagem - Fechar Porta"));
    if (m_porta) m_porta->close();
    LeituraBalanca r = RespostaBalanca::interpretar(m_recebido, m_mensagemInicial);
    if (r.mensagem.isEmpty()) {
        // No mark and nothing from the caller: a failure must still say why.
        r.mensagem = m_recebido.isEmpty()
                         ? QStringLiteral("A balança não respondeu em %1 segundos.").arg(m_config.segundos)
                         : QStringLiteral("A resposta da balança não indica se o peso está estável.");
    }
    terminar(r);
}

void LeitorBalanca::erroPorta(QSerialPort::SerialPortError e) {
    if (e == QSerialPort::NoError || !m_aEsperar) return;
    // The line broke while waiting (adapter unplugged, device gone).
    falhar(mensagemErro(false));
}

void LeitorBalanca::falhar(const QString& mensagem) {
    m_aEsperar = false;
    m_limite.stop();
    m_tentativa.stop();
    if (m_porta) m_porta->close();
    terminar({false, 0, mensagem});
}

void LeitorBalanca::terminar(const LeituraBalanca& r) {
    m_resultado = r;
    m_emCurso = false;
    // This may run inside a signal of the port itself: let it go once control returns.
    if (m_porta) m_porta.release()->deleteLater();
    emit concluida(r);
    if (m_ciclo) m_ciclo->quit();
}

QString LeitorBalanca::mensagemErro(bool tentativas) const {
    const int numero = m_porta ? int(m_porta->error()) : 0;
    const QString descricao = m_porta ? m_porta->errorString() : QString();
    return (tentativas ? QStringLiteral("Erro na função de Pesagem após 3 tentativas ")
                       : QStringLiteral("Erro na função de Pesagem ")) +
           QStringLiteral("\r\nErro Número:%1\r\n (%2)").arg(numero).arg(descricao);
}
