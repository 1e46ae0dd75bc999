#include "desks/erpreconciler.h"

#include "base/basedados.h"
#include "desks/intentpayload.h"
#include "erp/sessaosage.h"
#include "records/opcoespesagem.h"
#include "records/registohistorico.h"

namespace {

using Action = ReconciliationResult::Action;
using Operation = IntentNote::Operation;

ChaveDocumento chaveDaNota(const IntentNote& n) {
    return ChaveDocumento{n.ano, n.tipoDoc, n.serie, n.noDoc};
}

QString chaves(const QList<ChaveDocumento>& ks) {
    QStringList t;
    for (const ChaveDocumento& k : ks) t << k.texto();
    return t.isEmpty() ? QStringLiteral("-") : t.join(QLatin1Char(','));
}

bool concluida(const RecordSet& r) {
    return !r.isEmpty() && !r.isNull(QStringLiteral("DataHoraPL"));
}

// Thrown when the note was taken over while it was being settled.
struct NotaPerdida {};

}  // namespace

QString ReconciliationResult::actionName(Action a) {
    switch (a) {
        case Action::Cancelled:
            return QStringLiteral("cancelled");
        case Action::Restored:
            return QStringLiteral("restored");
        case Action::Finished:
            return QStringLiteral("finished");
        case Action::Adopted:
            return QStringLiteral("adopted");
        case Action::Refused:
            return QStringLiteral("refused");
        case Action::Waiting:
            return QStringLiteral("waiting");
    }
    return {};
}

QString ReconciliationResult::line() const {
    return QStringLiteral("hist_id=%1 operation=%2 document=%3 action=%4")
        .arg(histId)
        .arg(IntentNote::operationName(operation), document.isEmpty() ? QStringLiteral("-") : document,
             actionName(action));
}

ErpReconciler::ErpReconciler(BaseDados& db, SessaoSage& sessao, ProcessIdentity eu, int idadeMaxima)
    : m_db(db), m_sessao(sessao), m_eu(std::move(eu)), m_idadeMaxima(idadeMaxima), m_notas(db) {}

ChaveDocumento ErpReconciler::chaveDoRegisto(const RecordSet& r) {
    return ChaveDocumento{short(r.value(QStringLiteral("Ano")).toInt()), r.text(QStringLiteral("TpDoc")).trimmed(),
                          short(r.value(QStringLiteral("Serie")).toInt()), r.value(QStringLiteral("NoDoc")).toInt()};
}

bool ErpReconciler::voltarAPendente(BaseDados& db, qint32 histId, bool entrada, const ChaveDocumento& k) {
    const QString segundo = entrada ? QStringLiteral("PesoTara") : QStringLiteral("PesoBruto");
    Transaccao t(db, true);
    const int n =
        db.executar(QStringLiteral("UPDATE kel_PES_Historico SET TpDoc = '', Serie = 0, NoDoc = 0, Ano = 0, %1 = 0, "
                                   "PesoLiquido = 0, PesoEfectivo = 0, DataHoraPL = NULL WHERE Hist_Id = ? AND "
                                   "TpDoc = ? AND Serie = ? AND NoDoc = ? AND Ano = ?")
                        .arg(segundo),
                    {histId, k.tipo, k.serie, k.numero, k.ano});
    if (n != 1) return false;
    db.executar(QStringLiteral("DELETE FROM kel_PES_Historico_Comp WHERE Cab_Id = ?"), {histId});
    t.commit();
    return true;
}

int ErpReconciler::abertas() {
    try {
        return m_notas.contar();
    } catch (const DbError&) {
        return -1;
    }
}

QList<ReconciliationResult> ErpReconciler::settleAll() {
    try {
        return run(m_notas.abertas());
    } catch (const DbError& e) {
        ReconciliationResult r;
        r.message = QStringLiteral("Não foi possível ler as operações do ERP por concluir.\r\nErro: ") + e.texto();
        return {r};
    }
}

QList<ReconciliationResult> ErpReconciler::settle(qint32 histId) {
    try {
        return run(m_notas.abertasDe(histId));
    } catch (const DbError& e) {
        ReconciliationResult r;
        r.histId = histId;
        r.message = QStringLiteral("Não foi possível ler as operações do ERP por concluir.\r\nErro: ") + e.texto();
        return {r};
    }
}

QList<ReconciliationResult> ErpReconciler::run(const QList<IntentNote>& notes) {
    QList<ReconciliationResult> out;
    for (const IntentNote& n : notes) out << settleOne(n);
    return out;
}

bool ErpReconciler::donoVivo(const IntentNote& n) const {
    if (n.owner.isNobody()) return false;
    if (n.owner == m_eu) return true;
    if (n.owner.workstation.compare(m_eu.workstation, Qt::CaseInsensitive) == 0)
        return ProcessIdentity::isAlive(n.owner.pid, n.owner.startMark);
    // Another workstation's process cannot be seen from here: its note is settled only
    // when it is older than any ERP call can take.
    return n.ageSeconds < m_idadeMaxima;
}

ReconciliationResult ErpReconciler::settleOne(const IntentNote& n) {
    ReconciliationResult r;
    r.histId = n.histId;
    r.operation = n.operation;
    r.document = n.noDoc ? chaveDaNota(n).texto() : QStringLiteral("-");
    if (donoVivo(n)) {
        r.message =
            n.owner.workstation.compare(m_eu.workstation, Qt::CaseInsensitive) == 0
                ? QStringLiteral("A pesagem %1 está a ser tratada por outro programa deste posto (processo %2).")
                      .arg(n.histId)
                      .arg(n.owner.pid)
                : QStringLiteral("A pesagem %1 está a ser tratada noutro posto (%2).")
                      .arg(n.histId)
                      .arg(n.owner.workstation);
        return r;
    }
    try {
        if (!m_notas.tomar(n.id, n.owner, m_eu)) {
            r.message = QStringLiteral("A pesagem %1 está a ser acertada noutro posto.").arg(n.histId);
            return r;
        }
    } catch (const DbError& e) {
        r.message = QStringLiteral("Não foi possível acertar a pesagem %1.\r\nErro: %2").arg(n.histId).arg(e.texto());
        return r;
    }
    try {
        switch (n.operation) {
            case Operation::Complete:
                return conclusao(n);
            case Operation::Correct:
                return correccao(n);
            case Operation::Cancel:
                return anulacao(n);
        }
    } catch (const NotaPerdida&) {
        r.message = QStringLiteral("A pesagem %1 está a ser acertada noutro posto.").arg(n.histId);
        return r;
    } catch (const ErroOperacao& e) {
        // Handed over again, so that the next start or desk finishes it.
        try {
            m_notas.libertar(n.id, m_eu);
        } catch (const DbError&) {
        }
        r.message = QStringLiteral("Não foi possível acertar a pesagem %1.\r\nErro: %2").arg(n.histId).arg(e.texto());
    }
    return r;
}

void ErpReconciler::fecharNota(const IntentNote& n) {
    if (!m_notas.fechar(n.id, m_eu)) throw NotaPerdida{};
}

bool ErpReconciler::anularNoErp(const ChaveDocumento& k, QString& erro) {
    ResultadoAnulacao res;
    long codigo = 0;
    m_sessao.anularDocumento(1, k, res, codigo);
    if (res.anulado()) return true;
    erro = QStringLiteral("%1 - %2").arg(m_sessao.ultimoErroNumero()).arg(m_sessao.ultimoErro());
    return false;
}

ReconciliationResult ErpReconciler::conclusao(const IntentNote& n) {
    ReconciliationResult r;
    r.histId = n.histId;
    r.operation = n.operation;
    QList<DocumentoEncontrado> docs;
    if (!m_sessao.procurarDocumentos(PesquisaDocumentos{n.referencia, n.tipoTerc, n.terceiro, n.tipoDoc, n.serie},
                                     docs)) {
        m_notas.libertar(n.id, m_eu);
        r.document = QStringLiteral("-");
        r.message = QStringLiteral("Não foi possível procurar no ERP os documentos da pesagem %1.\r\nErro: %2 - %3")
                        .arg(n.histId)
                        .arg(m_sessao.ultimoErroNumero())
                        .arg(m_sessao.ultimoErro());
        return r;
    }
    // Read after the search: a document found is either recorded by now or not the weighing's.
    const RecordSet w = LerHistorico(m_db, n.histId);
    const std::optional<ChaveDocumento> registado =
        concluida(w) ? std::optional<ChaveDocumento>(chaveDoRegisto(w)) : std::nullopt;
    QList<ChaveDocumento> anulados, recusados;
    QStringList erros;
    for (const DocumentoEncontrado& d : docs) {
        if (!d.vivo() || (registado && d.chave == *registado)) continue;
        QString erro;
        if (anularNoErp(d.chave, erro)) {
            anulados << d.chave;
        } else {
            recusados << d.chave;
            erros << d.chave.texto() + QStringLiteral(": ") + erro;
        }
    }
    const bool pendente = !w.isEmpty() && !concluida(w);
    if (recusados.size() == 1 && pendente) {
        // The document stays in the ERP: the weighing is finished with it, from the
        // values the completion had, so the load is invoiced once.
        const ChaveDocumento k = recusados.first();
        QString erroNota;
        std::optional<RegistoPesagem> v = IntentPayload::registo(n.dados, erroNota);
        const auto comp = v ? IntentPayload::complemento(n.dados, erroNota) : std::nullopt;
        if (v && comp) {
            Transaccao t(m_db, true);
            const int livre = m_db.executar(QStringLiteral("UPDATE kel_PES_Historico SET DataHoraPL = NULL "
                                                           "WHERE Hist_Id = ? AND DataHoraPL IS NULL"),
                                            {n.histId});
            if (livre == 1) {
                v->histId = n.histId;
                v->tpDoc = k.tipo;
                v->serie = k.serie;
                v->noDoc = k.numero;
                v->ano = k.ano;
                qint32 id = n.histId;
                GravarRegistoHistorico(m_db, *v, id);
                GravarComplementoHistorico(m_db, n.histId, 0, *comp);
                RegistarCarro(m_db, IntentPayload::carro(n.dados));
                if (const auto cab = IntentPayload::cabecalho(n.dados)) cab->aplicar(m_db, k);
                fecharNota(n);
                t.commit();
                r.action = Action::Adopted;
                r.document = k.texto();
                r.message =
                    QStringLiteral("A pesagem %1 foi concluída com o documento %2, que o ERP não deixou anular.")
                        .arg(n.histId)
                        .arg(k.texto());
                return r;
            }
        } else {
            erros << erroNota;
        }
    }
    fecharNota(n);
    if (!recusados.isEmpty()) {
        r.action = Action::Refused;
        r.document = chaves(recusados);
        r.message = QStringLiteral("Os documentos seguintes da pesagem %1 devem ser anulados manualmente - %2")
                        .arg(n.histId)
                        .arg(erros.join(QStringLiteral("; ")));
        return r;
    }
    r.action = Action::Cancelled;
    r.document = chaves(anulados);
    r.message =
        anulados.isEmpty()
            ? QStringLiteral("A conclusão interrompida da pesagem %1 não chegou a criar documento no ERP.")
                  .arg(n.histId)
            : QStringLiteral("A conclusão interrompida da pesagem %1 foi desfeita: documento %2 anulado no ERP.")
                  .arg(n.histId)
                  .arg(r.document);
    return r;
}

ReconciliationResult ErpReconciler::correccao(const IntentNote& n) {
    ReconciliationResult r;
    r.histId = n.histId;
    r.operation = n.operation;
    const ChaveDocumento k = chaveDaNota(n);
    r.document = k.texto();
    const RecordSet w = LerHistorico(m_db, n.histId);
    if (!concluida(w) || !(chaveDoRegisto(w) == k)) {
        // The weighing no longer records that document: there is nothing of it to restore.
        fecharNota(n);
        r.action = Action::Restored;
        r.message = QStringLiteral("A correcção da pesagem %1 não foi gravada.").arg(n.histId);
        return r;
    }
    std::unique_ptr<ApiObject> obj = m_sessao.criarObjecto(QStringLiteral("SageApiNextPlus.DocumentoComercial"));
    auto* doc = dynamic_cast<DocumentoComercial*>(obj.get());
    QString erro;
    if (!doc) {
        erro = m_sessao.ultimoErro();
    } else {
        short ano = k.ano, serie = k.serie;
        int numero = k.numero;
        QString tipo = k.tipo;
        if (doc->Ler(ano, serie, numero, tipo) != 0) {
            erro = doc->UltimaMensagem;
        } else if (doc->Cab.NumeroViasemitidas == -1 || doc->Cab.Convertido == -1) {
            erro = doc->Cab.NumeroViasemitidas == -1 ? QStringLiteral("o documento está anulado")
                                                     : QStringLiteral("o documento já foi convertido");
        } else {
            IntentPayload::reporDocumento(n.dados.value(QStringLiteral("antes")).toObject(), *doc);
            long codigo = 0;
            m_sessao.gravarDocumento(2, 1, *doc, codigo);
            if (codigo != 0)
                erro = QStringLiteral("%1 - %2").arg(m_sessao.ultimoErroNumero()).arg(m_sessao.ultimoErro());
        }
    }
    fecharNota(n);
    if (!erro.isEmpty()) {
        r.action = Action::Refused;
        r.message =
            QStringLiteral("A correcção da pesagem %1 não foi gravada e o documento %2 não pôde ser reposto: %3")
                .arg(n.histId)
                .arg(k.texto(), erro);
        return r;
    }
    r.action = Action::Restored;
    r.message = QStringLiteral("A correcção da pesagem %1 não foi gravada: o documento %2 foi reposto como estava.")
                    .arg(n.histId)
                    .arg(k.texto());
    return r;
}

ReconciliationResult ErpReconciler::anulacao(const IntentNote& n) {
    ReconciliationResult r;
    r.histId = n.histId;
    r.operation = n.operation;
    const ChaveDocumento k = chaveDaNota(n);
    r.document = k.texto();
    QString erro;
    // Cancelling a document already cancelled is accepted by the ERP: this finishes the
    // step whether or not it ran before the interruption.
    if (!anularNoErp(k, erro)) {
        fecharNota(n);
        r.action = Action::Refused;
        r.message = QStringLiteral("A pesagem %1 não foi anulada: o ERP recusou anular o documento %2 (%3).")
                        .arg(n.histId)
                        .arg(k.texto(), erro);
        return r;
    }
    const RecordSet w = LerHistorico(m_db, n.histId);
    Transaccao t(m_db, true);
    if (concluida(w) && chaveDoRegisto(w) == k) {
        const bool entrada = w.text(QStringLiteral("Tipo")).compare(QStringLiteral("E"), Qt::CaseInsensitive) == 0;
        if (voltarAPendente(m_db, n.histId, entrada, k) && entrada) {
            // Pending again: the document type it had stays its subsidiary-materials choice.
            const QString ms =
                m_db.escalar(QStringLiteral("SELECT TpGuiaEntMS FROM kel_PES_Parametros WHERE Numero = 1")).toString();
            OpcoesPesagem::gravarMateriasSubsidiarias(
                m_db, n.histId, !ms.trimmed().isEmpty() && k.tipo.compare(ms.trimmed(), Qt::CaseInsensitive) == 0);
        }
    }
    fecharNota(n);
    t.commit();
    r.action = Action::Finished;
    r.message = QStringLiteral(
                    "A anulação da pesagem %1 foi concluída: o documento %2 está anulado e a pesagem voltou aos "
                    "pendentes.")
                    .arg(n.histId)
                    .arg(k.texto());
    return r;
}

QString ErpReconciler::textoOperador(const QList<ReconciliationResult>& rs) {
    QStringList t;
    for (const ReconciliationResult& r : rs)
        if (!r.message.isEmpty()) t << r.message;
    return t.join(QStringLiteral("\r\n"));
}
