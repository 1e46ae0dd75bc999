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

// Cancelling a weighing: a pending one deleted, a finished one and its ERP document cancelled.

using namespace deskapoio;

// ---------------------------------------------------------------- cancellation

Resultado DeskCore::btAnularHist() {
    bool continuar = true;
    if (verHistorico()) {
        continuar = m_messages.mostrarAviso(
            OperatorMessages::OkCancelar,
            m_kind.anulacaoFinalizada +
                QStringLiteral("\n\rOs Documentos gerados vão ser anulados\n\rPretende continuar?"));
    } else if (!primeiroPeso()) {
        continuar = m_messages.mostrarAviso(OperatorMessages::OkCancelar,
                                            m_kind.anulacaoPendente + QStringLiteral("\n\rPretende continuar?"));
    }
    const QString talao = talaoTexto();
    const ChaveDocumento doc = m_doc;
    const bool historico = verHistorico();
    const bool pendente = !historico && !primeiroPeso() && m_idHistorico > 0;
    const Resultado r =
        continuar ? anular() : Resultado::recusado(std::nullopt, QStringLiteral("A anulação não foi confirmada."));
    if (r) {
        if (historico)
            m_estado = doc.tipo.isEmpty() ? QStringLiteral("Talão %1 voltou às pendentes.").arg(talao)
                                          : QStringLiteral("Talão %1 voltou às pendentes; documento %2 anulado.")
                                                .arg(talao, textoDocumento(doc));
        else if (pendente)
            m_estado = QStringLiteral("Pesagem pendente do talão %1 anulada.").arg(talao);
    }
    limparForm();
    m_ecra.entrar(EcraDesk::Modo::Inicio);
    notificar();
    return r;
}

Resultado DeskCore::anular() {
    const qint32 id = m_idHistorico;
    try {
        if (!verHistorico()) {
            if (primeiroPeso()) return Resultado::feito();
            // Only a weighing that is still pending goes: one completed meanwhile by another
            // workstation has a live document.
            int apagados = 0;
            {
                Transaccao t(m_db, true);
                apagados = m_db.executar(
                    QStringLiteral("DELETE FROM kel_PES_Historico WHERE Hist_Id = ? AND DataHoraPL IS NULL"), {id});
                if (apagados == 1) {
                    m_db.executar(QStringLiteral("DELETE FROM kel_PES_Historico_Comp WHERE Cab_Id = ?"), {id});
                    OpcoesPesagem::apagar(m_db, id);
                    RegistoViaturas(m_db).desmarcar(id);
                }
                t.commit();
            }
            const Resultado r =
                apagados == 1
                    ? Resultado::feito()
                    : recusa(std::nullopt, QStringLiteral("A pesagem não foi anulada: já não está pendente."));
            btCancGeral();
            return r;
        }
        const RecordSet rs = LerHistorico(m_db, id);
        if (rs.isEmpty()) {
            // Deleted meanwhile by another workstation: nothing was cancelled here.
            const Resultado r = recusa(std::nullopt, QStringLiteral("Não foi possível proceder à anulação!"));
            btCancGeral();
            return r;
        } else {
            const QString tpDoc = rs.text(QStringLiteral("TpDoc"));
            const ProcessIdentity eu = ProcessIdentity::current();
            IntentNotes notas(m_db);
            qint64 nota = 0;
            if (!vazio(tpDoc)) {
                const ChaveDocumento k = ErpReconciler::chaveDoRegisto(rs);
                nota = notas.abrir(notaAnulacao(k, rs, eu));
                if (nota == 0) {
                    const Resultado r =
                        recusa(std::nullopt, QStringLiteral("Esta pesagem está a ser tratada noutro "
                                                            "posto. Tente de novo dentro de momentos."));
                    btCancGeral();
                    return r;
                }
                CrashPoint::hit("cancel.note-written");
                ResultadoAnulacao r;
                long erro = 0;
                m_sessao.anularDocumento(1, k, r, erro);
                if (!r.anulado()) {
                    notas.fechar(nota, eu);
                    // The weighing stays finished while its document lives in the ERP.
                    const Resultado r = falha(QStringLiteral("O documento %1 não foi anulado no ERP.\r\n%2 - %3")
                                                  .arg(k.texto())
                                                  .arg(m_sessao.ultimoErroNumero())
                                                  .arg(m_sessao.ultimoErro()));
                    btCancGeral();
                    return r;
                }
                CrashPoint::hit("cancel.document-cancelled");
            }
            const auto falhou = [&](const QString& erro) {
                // The document is cancelled already: the note finishes the weighing's side.
                QString acerto;
                if (nota) {
                    try {
                        notas.libertar(nota, eu);
                    } catch (const DbError&) {
                    }
                    acerto = ErpReconciler::textoOperador(ErpReconciler(m_db, m_sessao).settle(id));
                }
                const Resultado r = falha(QStringLiteral("Não foi possível proceder à anulação!\r\nErro: ") + erro +
                                          (acerto.isEmpty() ? QString() : QStringLiteral("\r\n") + acerto));
                btCancGeral();
                return r;
            };
            try {
                // Back to pending: the second weighing goes, the first weighing and the
                // ticket number stay with the truck.
                const QString segundo = m_kind.entrada ? QStringLiteral("PesoTara") : QStringLiteral("PesoBruto");
                Transaccao t(m_db, true);
                m_db.executar(
                    QStringLiteral("UPDATE kel_PES_Historico SET TpDoc = '', Serie = 0, NoDoc = 0, Ano = 0, %1 = 0, "
                                   "PesoLiquido = 0, PesoEfectivo = 0, DataHoraPL = NULL WHERE Hist_Id = ?")
                        .arg(segundo),
                    {id});
                m_db.executar(QStringLiteral("DELETE FROM kel_PES_Historico_Comp WHERE Cab_Id = ?"), {id});
                // The stored tare of a delivery was its second weight, which goes.
                if (m_kind.entrada) RegistoViaturas(m_db).desmarcar(id);
                // Pending again: the document type it had stays its choice.
                if (m_kind.entrada && !vazio(tpDoc))
                    OpcoesPesagem::gravarMateriasSubsidiarias(m_db, id, eSubsidiarias(tpDoc));
                if (nota && !notas.fechar(nota, eu)) throw AcertadaNoutroPosto{QStringLiteral("A anulação")};
                CrashPoint::hit("cancel.before-commit");
                t.commit();
            } catch (const DbError& e) {
                return falhou(e.texto());
            } catch (const AcertadaNoutroPosto& e) {
                return falhou(e.texto());
            }
            CrashPoint::hit("cancel.after-commit");
        }
    } catch (const DbError& e) {
        // Nothing was cancelled: said as a failure, never as a weighing back in the pending list.
        const Resultado r = falha(QStringLiteral("Não foi possível proceder à anulação!\r\nErro: ") + e.texto());
        btCancGeral();
        return r;
    }
    btCancGeral();
    return Resultado::feito();
}
