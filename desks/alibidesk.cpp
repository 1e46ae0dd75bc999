#include "desks/alibidesk.h"

#include <QSysInfo>

#include "base/basedados.h"
#include "records/opcoesinstalacao.h"

AlibiDesk::AlibiDesk(BaseDados& db, QString balcao)
    : m_db(db), m_balcao(std::move(balcao)), m_registo(db, QSysInfo::machineHostName()) {}

bool AlibiDesk::leitura(const QByteArray& resposta, const Money& peso, bool estavel, QString& erro) {
    m_leitura.reset();
    try {
        const LinhaAlibi l = m_registo.registarLeitura(m_balcao, resposta, peso, estavel);
        m_leitura = Lida{l.id, peso, estavel};
        return true;
    } catch (const DbError& e) {
        erro =
            QStringLiteral("A leitura da balança não pôde ser registada no registo alibi e não pode ser usada.\r\n") +
            e.texto();
        return false;
    }
}

bool AlibiDesk::confirmar(const Money& peso, int numeroPeso, QString& erro) {
    if (numeroPeso < 1 || numeroPeso > 2) return true;
    m_confirmada[numeroPeso] = 0;
    if (m_leitura && m_leitura->estavel && m_leitura->peso == peso) {
        m_confirmada[numeroPeso] = m_leitura->id;
        return true;
    }
    try {
        if (!OpcoesInstalacao(m_db).pesoManualPermitido()) {
            erro = mensagemProibido();
            return false;
        }
        m_confirmada[numeroPeso] = m_registo.registarManual(m_balcao, peso).id;
        return true;
    } catch (const DbError& e) {
        erro = QStringLiteral("O peso introduzido não pôde ser registado no registo alibi.\r\n") + e.texto();
        return false;
    }
}

bool AlibiDesk::confirmarRegistada(const Money& tara, qint64 alibiId, int numeroPeso, QString& erro) {
    if (numeroPeso < 1 || numeroPeso > 2) return false;
    m_confirmada[numeroPeso] = 0;
    try {
        if (alibiId > 0) {
            const auto l = m_registo.linha(alibiId);
            if (!l || l->tipo != LinhaAlibi::Tipo::Leitura || l->origem.trimmed() != QStringLiteral("scale") ||
                !l->estavel || l->peso != tara) {
                erro = QStringLiteral(
                           "A leitura %1 do registo alibi não é a da tara registada: a viatura é pesada "
                           "duas vezes.")
                           .arg(alibiId);
                return false;
            }
            m_confirmada[numeroPeso] = alibiId;
            return true;
        }
        if (!OpcoesInstalacao(m_db).pesoManualPermitido()) {
            erro = QStringLiteral(
                "A tara registada foi introduzida à mão e nesta instalação não são permitidos "
                "pesos manuais (opção PesoManual = proibido): a viatura é pesada duas vezes.");
            return false;
        }
        m_confirmada[numeroPeso] = m_registo.registarManual(m_balcao, tara).id;
        return true;
    } catch (const DbError& e) {
        erro = QStringLiteral("A tara registada não pôde ser registada no registo alibi.\r\n") + e.texto();
        return false;
    }
}

void AlibiDesk::ligar(qint32 histId, int numeroPeso) {
    if (numeroPeso < 1 || numeroPeso > 2 || m_confirmada[numeroPeso] == 0 || histId <= 0) return;
    m_registo.ligar(m_balcao, m_confirmada[numeroPeso], histId, numeroPeso);
    m_confirmada[numeroPeso] = 0;
}
