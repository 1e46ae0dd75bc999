#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QSerialPort>
#include <QSet>
#include <QTimer>
#include <memory>

#include "scale/configbalanca.h"

// What the live display shows. Never a weight for a weighing: only the desk's own
// reading (LeitorBalanca) is logged and used.
struct PesoVivo {
    enum Tipo { Desligado, SemLeitura, Estavel, Instavel, ALer };
    Tipo tipo = Desligado;
    qint64 peso = 0;
    bool operator==(const PesoVivo& o) const { return tipo == o.tipo && peso == o.peso; }

    // The live reading one reply gives: stable or unstable with its kilograms, or no
    // reading when it has no mark or no weight in kg.
    static PesoVivo deResposta(const QByteArray& resposta);
};
Q_DECLARE_METATYPE(PesoVivo)

// One reader per program for the live weight of every open desk: the port is opened
// once, while at least one desk watches, and the indicator is asked every half second.
// A weighing reading takes the port for itself between pausar() and retomar().
class MonitorBalanca : public QObject {
    Q_OBJECT
  public:
    MonitorBalanca(QString pastaPrograma, QString pastaConfig, QObject* parent = nullptr);
    ~MonitorBalanca() override;

    void setFicheiro(const QString& caminho) { m_ficheiro = caminho; }
    void setIntervalo(int ms);
    int intervalo() const { return m_timer.interval(); }

    // A desk that shows the live weight; it is forgotten by itself when destroyed.
    void registar(QObject* desk);
    void libertar(QObject* desk);
    int registados() const { return int(m_desks.size()); }

    // A weighing reading needs the port: polling stops and the port is closed (a reply
    // on its way is awaited briefly so that it cannot pass for the weighing's own).
    void pausar();
    void retomar();

    PesoVivo estado() const { return m_estado; }
    bool portaAberta() const { return m_porta && m_porta->isOpen(); }
    int pedidos() const { return m_pedidos; }

  signals:
    void mudou(const PesoVivo& estado);

  private:
    void arrancar();
    void parar();
    void tick();
    bool abrir();
    void fechar();
    void lerDisponivel();
    void definir(const PesoVivo& e);

    QString m_pastaPrograma;
    QString m_pastaConfig;
    QString m_ficheiro;
    QSet<QObject*> m_desks;
    std::unique_ptr<QSerialPort> m_porta;
    QTimer m_timer;
    QByteArray m_recebido;
    PesoVivo m_estado;
    int m_pausas = 0;
    int m_pedidos = 0;
    int m_semResposta = 0;    // requests in a row left unanswered
    int m_esperaAbrir = 0;    // ticks to wait before trying the port again
    bool m_aguardar = false;  // a request is out
};
