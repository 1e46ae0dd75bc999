#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

// A weighbridge indicator on a pseudo-terminal: every carriage return received is a
// request, answered with a reply such as "GS  001250kg" CR LF. How it answers can be
// changed while it runs (see comando()).
class Indicador : public QObject {
    Q_OBJECT
  public:
    enum Marca { Estavel, Instavel, Ambas, Nenhuma };

    Indicador();
    ~Indicador() override;

    bool abrir(QString* erro);
    QString caminho() const { return m_caminho; }

    qint64 peso = 1250;
    Marca marca = Estavel;
    bool unidade = true;
    bool silencio = false;
    bool lixo = false;
    int atrasoMs = 0;     // before the reply starts
    int lentoMs = 0;      // > 0: one byte every lentoMs
    QByteArray resposta;  // when set, sent instead of the built reply

    // Holds the port as another program would (its lock), so readers find it busy.
    bool segurar(bool sim, QString* erro);

    // One control line ("weight 2000", "mark gu", ...). Returns false for an unknown one.
    bool comando(const QString& linha, QString* erro);

    QByteArray montarResposta() const;
    int pedidos() const { return m_pedidos; }

  signals:
    void pedido(int numero);
    // How it answers changed (a control line, the window).
    void alterado();

  private:
    void lerMestre();
    void responder();
    void enviarSeguinte();

    int m_mestre = -1;
    int m_escravo = -1;
    QString m_caminho;
    std::unique_ptr<QSocketNotifier> m_notificador;
    std::unique_ptr<QSerialPort> m_segura;
    QByteArray m_porEnviar;
    QTimer m_envio;
    int m_pedidos = 0;
    quint32 m_semente = 12345;
};
