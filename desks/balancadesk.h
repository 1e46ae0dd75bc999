#pragma once

#include <QPointer>
#include <QString>

#include "desks/deskservices.h"
#include "scale/monitorbalanca.h"

// The desk's weights from the indicator: a fresh scale reader for each reading,
// configured by BALANCA.TXT (program folder, then configuration folder).
class BalancaDesk : public WeightSource {
  public:
    BalancaDesk(QString pastaPrograma, QString pastaConfig);
    // Reads a named scale file instead (the command-line tool's --scale-file).
    void setFicheiro(const QString& caminho) { m_ficheiro = caminho; }
    // The program's live reader: it gives the port up while this desk takes its reading.
    void setMonitor(MonitorBalanca* monitor) { m_monitor = monitor; }
    bool pesar(Money& peso, QString& mensagem) override;
    QByteArray resposta() const override { return m_resposta; }

  private:
    QString m_pastaPrograma;
    QString m_pastaConfig;
    QString m_ficheiro;
    QByteArray m_resposta;
    QPointer<MonitorBalanca> m_monitor;
};
