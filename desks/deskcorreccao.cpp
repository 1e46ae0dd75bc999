#include "desks/deskcore.h"

#include "base/basedados.h"
#include "base/crashpoint.h"
#include "base/intentnotes.h"
#include "base/operatormessages.h"
#include "desks/alibidesk.h"
#include "desks/deskapoio.h"
#include "desks/erpreconciler.h"
#include "desks/intentpayload.h"
#include "erp/apiregistry.h"
#include "erp/documentodesk.h"
#include "erp/sessaosage.h"
#include "records/numeracao.h"
#include "records/opcoespesagem.h"
#include "records/parametrosaplic.h"
#include "records/registohistorico.h"
#include "records/viaturas.h"

// A finished weighing corrected from the history: the record and its document written again.

using namespace deskapoio;

Resultado DeskCore::gravarCorreccao(qint64 nota, const Pesagem& p) {
    const ProcessIdentity eu = ProcessIdentity::current();
    IntentNotes notas(m_db);
    const auto falhou = [&](const QString& erro) {
        // The document was changed but the record was not: the note brings the document back.
        try {
            notas.libertar(nota, eu);
        } catch (const DbError&) {
        }
        const QString acerto = ErpReconciler::textoOperador(ErpReconciler(m_db, m_sessao).settle(m_idHistorico));
        return falha(QStringLiteral("A correcção não foi gravada.\r\nErro: ") + erro +
                     (acerto.isEmpty() ? QString() : QStringLiteral("\r\n") + acerto));
    };
    try {
        Transaccao t(m_db, true);
        ActualizaHistorico(m_db, m_idHistorico, p.justificacao, p.efectivo, complemento(p));
        if (!notas.fechar(nota, eu)) throw AcertadaNoutroPosto{QStringLiteral("A correcção")};
        CrashPoint::hit("correct.before-commit");
        t.commit();
        return Resultado::feito();
    } catch (const ErroOperacao& e) {
        return falhou(e.texto());
    } catch (const AcertadaNoutroPosto& e) {
        return falhou(e.texto());
    }
}

IntentNote DeskCore::notaCorreccao(const DocumentoComercial& antes, const ProcessIdentity& eu) const {
    IntentNote n;
    n.histId = m_idHistorico;
    n.operation = IntentNote::Operation::Correct;
    n.tipoDoc = m_doc.tipo;
    n.serie = m_doc.serie;
    n.noDoc = m_doc.numero;
    n.ano = m_doc.ano;
    n.referencia = antes.Cab.VossoNoDocumento;
    n.tipoTerc = short(m_kind.tipoTerc);
    n.terceiro = campo(Campo::Terceiro);
    n.owner = eu;
    n.dados = QJsonObject{{QStringLiteral("antes"), IntentPayload::documentoAntes(antes)}};
    return n;
}
