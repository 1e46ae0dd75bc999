#pragma once

#include <QString>

#include "deskservices.h"

// The desk's weights from the indicator: a fresh scale reader for each reading,
// configured by BALANCA.TXT (program folder, then configuration folder).
class BalancaDesk : public WeightSource {
public:
    BalancaDesk(QString pastaPrograma, QString pastaConfig);
    // Reads a named scale file instead (the command-line tool's --scale-file).
    void setFicheiro(const QString& caminho) { m_ficheiro = caminho; }
    bool pesar(Money& peso, QString& mensagem) override;
    QByteArray resposta() const override { return m_resposta; }

  private:
    QString m_pastaPrograma;
    QString m_pastaConfig;
    QString m_ficheiro;
    QByteArray m_resposta;
};
