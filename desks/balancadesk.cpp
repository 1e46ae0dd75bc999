#include "desks/balancadesk.h"

#include "scale/leitorbalanca.h"

BalancaDesk::BalancaDesk(QString pastaPrograma, QString pastaConfig)
    : m_pastaPrograma(std::move(pastaPrograma)), m_pastaConfig(std::move(pastaConfig)) {}

bool BalancaDesk::pesar(Money& peso, QString& mensagem) {
    LeitorBalanca leitor(m_pastaPrograma, m_pastaConfig);
    if (!m_ficheiro.isEmpty()) leitor.setFicheiro(m_ficheiro);
    qint64 kg = 0;
    QPointer<MonitorBalanca> monitor = m_monitor;
    if (monitor) monitor->pausar();
    const bool ok = leitor.pesar(kg, mensagem);
    if (monitor) monitor->retomar();
    m_resposta = leitor.recebido();
    peso = Money::fromInteger(kg);
    return ok;
}
