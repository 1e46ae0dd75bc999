#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "scale/configbalanca.h"
#include "scale/respostabalanca.h"

class QEventLoop;

// Takes one weight from the indicator: reads BALANCA.TXT, opens the port, sends CR LF
// and collects the reply until a carriage return or the time limit, by events (never a
// busy loop). Use it by signal (iniciar → concluida) or synchronously (pesar), which
// runs a local event loop so the windows stay responsive meanwhile.
class LeitorBalanca : public QObject {
    Q_OBJECT
  public:
    // Looks for BALANCA.TXT in the program's folder, then in the configuration folder.
    LeitorBalanca(const QString& pastaPrograma, const QString& pastaConfig, QObject* parent = nullptr);
    // The program's folder of this executable and its configuration folder.
    explicit LeitorBalanca(QObject* parent = nullptr);
    ~LeitorBalanca() override;

    // Reads a named scale file instead of looking for one.
    void setFicheiro(const QString& caminho) { m_ficheiroFixo = caminho; }
    // Pause between the attempts to open a port that another reader holds.
    void setPausaTentativas(int ms) { m_pausaTentativas = ms; }

    // One complete reading. True only for a stable weight; `peso` holds the kilograms
    // read (0 on failure) and `mensagem` the outcome, left as passed when the reply
    // carries no stability mark.
    bool pesar(qint64& peso, QString& mensagem);

    // Starts a reading and returns at once; `concluida` follows. Ignored while a reading runs.
    void iniciar(const QString& mensagemInicial = {});
    bool emCurso() const { return m_emCurso; }
    LeituraBalanca resultado() const { return m_resultado; }

    // The steps of the last reading and the raw text received, for the diagnostic window.
    QStringList registo() const { return m_registo; }
    QByteArray recebido() const { return m_recebido; }
    QString ficheiroUsado() const { return m_config.ficheiro; }

    static QString semFicheiro() { return QStringLiteral("Não existe o ficheiro de configuração da balança"); }
    static constexpr int kTentativas = 3;
    static constexpr qsizetype kMaximoRecebido = 64 * 1024;

  signals:
    void concluida(const LeituraBalanca& leitura);
    void passo(const QString& texto);
    void recebidoMudou(const QByteArray& recebido);

  private:
    void log(const QString& texto);
    void abrir();
    void lerDisponivel();
    void fimDeEspera();
    void erroPorta(QSerialPort::SerialPortError e);
    void terminar(const LeituraBalanca& r);
    void falhar(const QString& mensagem);
    QString mensagemErro(bool tentativas) const;

    QString m_pastaPrograma;
    QString m_pastaConfig;
    QString m_ficheiroFixo;
    int m_pausaTentativas = 250;

    ConfigBalanca m_config;
    std::unique_ptr<QSerialPort> m_porta;
    QTimer m_limite;
    QTimer m_tentativa;
    QStringList m_registo;
    QByteArray m_recebido;
    QString m_mensagemInicial;
    LeituraBalanca m_resultado;
    int m_tentativas = 0;
    bool m_emCurso = false;
    bool m_aEsperar = false;
    QEventLoop* m_ciclo = nullptr;
};
