#include "scale/configbalanca.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString ConfigBalanca::localizar(const QString& pastaPrograma, const QString& pastaConfig) {
    for (const QString& pasta : {pastaPrograma, pastaConfig}) {
        if (pasta.isEmpty()) continue;
        const QString caminho = QDir(pasta).filePath(nomeFicheiro());
        if (QFileInfo(caminho).isFile()) return caminho;
    }
    return {};
}

QString ConfigBalanca::dispositivo(int numero) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(numero);
#else
    return QStringLiteral("/dev/ttyS%1").arg(numero - 1);
#endif
}

bool ConfigBalanca::lerPorta(const QString& texto, QString* erro) {
    const QString t = texto.trimmed();
    bool numero = false;
    const int n = t.toInt(&numero);
    if (numero) {
        if (n < 1 || n > 256) {
            *erro = QStringLiteral("O número da porta da balança (linha 1) deve estar entre 1 e 256: \"%1\".").arg(t);
            return false;
        }
        porta = dispositivo(n);
        return true;
    }
#ifdef Q_OS_WIN
    const bool caminho =
        t.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) || t.startsWith(QLatin1String("\\\\.\\"));
#else
    const bool caminho = t.startsWith(QLatin1Char('/'));
#endif
    if (!caminho) {
        *erro = QStringLiteral(
                    "A linha 1 do ficheiro da balança deve ser o número da porta ou o caminho do "
                    "dispositivo: \"%1\".")
                    .arg(t);
        return false;
    }
    // The port's lock is named after the path opened: open the device itself, not a
    // link to it, so that two readers of one device always meet the same lock.
    const QString canonico = QFileInfo(t).canonicalFilePath();
    porta = canonico.isEmpty() ? t : canonico;
    return true;
}

bool ConfigBalanca::lerSettings(const QString& texto, QString* erro) {
    const QStringList p = texto.trimmed().split(QLatin1Char(','));
    const QString invalido =
        QStringLiteral(
            "A linha 2 do ficheiro da balança deve ter a forma \"velocidade,paridade,bits de dados,bits de "
            "paragem\" (por exemplo 9600,N,8,1): \"%1\".")
            .arg(texto.trimmed());
    if (p.size() != 4) {
        *erro = invalido;
        return false;
    }
    bool ok = false;
    const int b = p.at(0).trimmed().toInt(&ok);
    if (!ok || b <= 0) {
        *erro = invalido;
        return false;
    }
    const QString par = p.at(1).trimmed().toUpper();
    QSerialPort::Parity paridadeLida;
    if (par == QLatin1String("N"))
        paridadeLida = QSerialPort::NoParity;
    else if (par == QLatin1String("E"))
        paridadeLida = QSerialPort::EvenParity;
    else if (par == QLatin1String("O"))
        paridadeLida = QSerialPort::OddParity;
    else if (par == QLatin1String("M"))
        paridadeLida = QSerialPort::MarkParity;
    else if (par == QLatin1String("S"))
        paridadeLida = QSerialPort::SpaceParity;
    else {
        *erro = invalido;
        return false;
    }
    const int d = p.at(2).trimmed().toInt(&ok);
    if (!ok || d < 5 || d > 8) {
        *erro = invalido;
        return false;
    }
    const QString s = p.at(3).trimmed();
    QSerialPort::StopBits paragemLida;
    if (s == QLatin1String("1"))
        paragemLida = QSerialPort::OneStop;
    else if (s == QLatin1String("1.5"))
        paragemLida = QSerialPort::OneAndHalfStop;
    else if (s == QLatin1String("2"))
        paragemLida = QSerialPort::TwoStop;
    else {
        *erro = invalido;
        return false;
    }
    baud = b;
    paridade = paridadeLida;
    dados = QSerialPort::DataBits(d);
    paragem = paragemLida;
    return true;
}

bool ConfigBalanca::ler(const QString& caminho, QString* erro) {
    ficheiro = caminho;
    QFile f(caminho);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *erro = QStringLiteral("Não foi possível ler o ficheiro de configuração da balança %1: %2")
                    .arg(caminho, f.errorString());
        return false;
    }
    QStringList linhas;
    while (linhas.size() < 3 && !f.atEnd()) {
        QString linha = QString::fromUtf8(f.readLine(4096));
        while (linha.endsWith(QLatin1Char('\n')) || linha.endsWith(QLatin1Char('\r'))) linha.chop(1);
        linhas << linha;
    }
    if (linhas.size() < 3) {
        *erro = QStringLiteral(
                    "O ficheiro de configuração da balança %1 deve ter três linhas: porta, parâmetros da linha "
                    "série e segundos de espera.")
                    .arg(caminho);
        return false;
    }
    // Notepad may save the file with a byte-order mark in front of line 1.
    if (linhas[0].startsWith(QChar(0xFEFF))) linhas[0].remove(0, 1);
    linhaPorta = linhas.at(0);
    linhaSettings = linhas.at(1);
    linhaSegundos = linhas.at(2);
    if (!lerPorta(linhaPorta, erro)) return false;
    if (!lerSettings(linhaSettings, erro)) return false;
    bool ok = false;
    segundos = linhaSegundos.trimmed().toInt(&ok);
    if (!ok || segundos < 0 || segundos > 3600) {
        *erro = QStringLiteral(
                    "A linha 3 do ficheiro da balança deve ser o número de segundos de espera (0 a 3600): "
                    "\"%1\".")
                    .arg(linhaSegundos.trimmed());
        return false;
    }
    return true;
}
