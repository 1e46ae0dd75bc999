#pragma once

#include <QSerialPort>
#include <QString>

// The scale file BALANCA.TXT: line 1 the port (a number, 1 = first serial port, or a
// device path), line 2 "baud,parity,data,stop", line 3 the seconds to wait for a reply.
struct ConfigBalanca {
    QString ficheiro;       // the file read
    QString linhaPorta;     // line 1 as written
    QString linhaSettings;  // line 2 as written
    QString linhaSegundos;  // line 3 as written

    QString porta;  // device to open
    qint32 baud = 9600;
    QSerialPort::Parity paridade = QSerialPort::NoParity;
    QSerialPort::DataBits dados = QSerialPort::Data8;
    QSerialPort::StopBits paragem = QSerialPort::OneStop;
    int segundos = 0;

    static QString nomeFicheiro() { return QStringLiteral("BALANCA.TXT"); }

    // The file in the program's folder, else in the configuration folder (installs whose
    // program folder is read-only). Empty when neither holds it.
    static QString localizar(const QString& pastaPrograma, const QString& pastaConfig);

    // The device for a port number: COMn on Windows, /dev/ttyS(n-1) elsewhere.
    static QString dispositivo(int numero);

    // Reads the file. On failure returns false with the operator's text in `erro`.
    bool ler(const QString& caminho, QString* erro);

    // Parses line 2. On failure returns false with the reason in `erro`.
    bool lerSettings(const QString& texto, QString* erro);
    bool lerPorta(const QString& texto, QString* erro);
};
