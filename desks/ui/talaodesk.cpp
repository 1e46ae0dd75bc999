#include "talaodesk.h"

#include "basedados.h"
#include "impressaotalao.h"
#include "operacoestalao.h"
#include "operatormessages.h"
#include "registarvias.h"

TalaoDesk::TalaoDesk(OperacoesTalao& operacoes, QString ficheiroImpressao)
    : m_ops(operacoes), m_ficheiro(std::move(ficheiroImpressao)) {}

bool TalaoDesk::imprimir(qint32 idHistorico, bool entrada, int copias, QString& erro) {
    try {
        RegistarVias(m_ops.db(), idHistorico, qint16(copias));
    } catch (const DbError& e) {
        erro = e.texto();
        return false;
    }
    ImpressaoTalao impressao(m_ops);
    const bool ok = impressao.imprimeDoc(idHistorico, entrada ? TipoTalao::Fornecedor : TipoTalao::Cliente, m_ficheiro);
    if (!ok) erro = impressao.ultimoErro();
    return ok;
}

void TalaoDesk::enviarEmail(qint32 idHistorico, bool entrada, const QString& destinatario) {
    try {
        m_ops.enviarMail(idHistorico, entrada ? TipoTalao::Fornecedor : TipoTalao::Cliente, destinatario);
    } catch (const DbError& e) {
        m_ops.mensagens().mostrarEstado(2, QStringLiteral("Não foi possivel enviar o email\r\n") + e.texto());
    }
}
