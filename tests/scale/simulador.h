#pragma once

#include <QByteArray>
#include <QProcess>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// The indicator simulator (build/bin/indicator-sim) run as a child process: its
// pseudo-terminal path, and control lines sent on its standard input.
class Simulador {
  public:
    explicit Simulador(const QStringList& argumentos = {});
    ~Simulador();
    bool iniciado() const { return !m_caminho.isEmpty(); }
    QString caminho() const { return m_caminho; }
    // Sends one control line and waits for its answer ("ok", "count=N", "erro: ...").
    QString comando(const QString& linha);
    int pedidos();

  private:
    QString linha();
    QProcess m_processo;
    QString m_caminho;
};

// A pseudo-terminal whose far end the test drives by hand: exact bytes, split replies,
// a line that goes away.
class PeerPty {
  public:
    PeerPty();
    ~PeerPty();
    QString caminho() const { return m_caminho; }
    int mestre() const { return m_mestre; }
    QByteArray ler();                  // what the reader sent so far
    void enviar(const QByteArray& b);  // to the reader
    void fechar();                     // the line goes away

  private:
    int m_mestre = -1;
    int m_escravo = -1;
    QString m_caminho;
};

// A BALANCA.TXT in a temporary folder.
class FicheiroBalanca {
  public:
    FicheiroBalanca(const QString& linha1, const QString& linha2 = QStringLiteral("9600,N,8,1"),
                    const QString& linha3 = QStringLiteral("2"));
    explicit FicheiroBalanca(const QByteArray& conteudo);
    QString pasta() const { return m_dir.path(); }
    QString caminho() const { return m_dir.filePath(QStringLiteral("BALANCA.TXT")); }

  private:
    QTemporaryDir m_dir;
};
