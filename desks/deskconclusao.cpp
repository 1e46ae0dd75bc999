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

// The completion: the final save panel, the record finished and its ERP document, undone on failure.

using namespace deskapoio;

Resultado DeskCore::btConf() {
    if (segundoPeso()) {
        if (vazio(campo(Campo::Peso))) return recusa(Campo::Peso, m_kind.faltaPesoFinal);
        const auto lido = m_portao.ler(formulario(), PortaoPesagem::Momento::Conclusao);
        if (const Recusa* r = std::get_if<Recusa>(&lido)) {
            recusar(*r);
            return Resultado::recusado(*r);
        }
        // The panel shows what the completion will write: a deduction typed but not yet
        // left already counts there, so the effective weight field follows it first.
        set(Campo::Efectivo, formatarPeso(std::get<Pesagem>(lido).efectivo));
        m_ecra.painel = EcraDesk::Painel::Final;
        setRotulo(Resumo1, m_kind.resumoTerceiro + rotulo(NomeTerceiro));
        setRotulo(Resumo2, QStringLiteral("Artigo: ") + rotulo(DescArtigo));
        setRotulo(Resumo3, QStringLiteral("Peso Efectivo = ") + pesoComUnidade(campo(Campo::Efectivo)));
        setRotulo(Resumo4, m_kind.entrada
                               ? QStringLiteral("Característica ") + caracteristicas().value(m_caracteristica)
                               : QString());
        notificar();
        return Resultado::feito();
    }
    if (primeiroPeso() || m_idHistorico == 0)
        return Resultado::recusado(std::nullopt, QStringLiteral("Não há pesagem concluída a corrigir."));
    // A finished weighing opened from the history: apply the operator's corrections, all
    // checked before the ERP document is touched.
    const auto lido = m_portao.ler(formulario(), PortaoPesagem::Momento::Correccao);
    if (const Recusa* r = std::get_if<Recusa>(&lido)) {
        recusar(*r);
        return Resultado::recusado(*r);
    }
    const Pesagem& p = std::get<Pesagem>(lido);
    // The field shows what is about to be written (a deduction typed but not yet left counts).
    set(Campo::Efectivo, formatarPeso(p.efectivo));
    notificar();
    const QString talao = talaoTexto();
    try {
        if (!dadosAlterados()) {
            if (obsAlteradas()) ActualizaHistorico(m_db, m_idHistorico, p.justificacao, p.efectivo, complemento(p));
            btCancGeral();
            // Confirmar on an unchanged weighing writes nothing, and says so.
            m_estado = obsAlteradas() ? QStringLiteral("Talão %1: observações gravadas.").arg(talao)
                                      : QStringLiteral("Talão %1 sem alterações: nada foi gravado.").arg(talao);
            notificar();
            return Resultado::feito();
        }
        // The document's state before the update is announced first: an interruption
        // before the record is rewritten brings the document back to it.
        const ProcessIdentity eu = ProcessIdentity::current();
        IntentNotes notas(m_db);
        qint64 nota = 0;
        const auto anunciar = [&](const DocumentoComercial& antes) {
            nota = notas.abrir(notaCorreccao(antes, eu));
            if (nota == 0)
                aviso(
                    QStringLiteral("Esta pesagem está a ser tratada noutro posto. Tente de novo dentro de momentos."));
            return nota != 0;
        };
        switch (m_documento->actualizarDocumentoFinalizado(dadosDocumento(p), anunciar)) {
            case DocumentoDesk::Actualizacao::Gravado:
                CrashPoint::hit("correct.document-saved");
                if (Resultado r = gravarCorreccao(nota, p); !r) {
                    notificar();
                    return r;
                }
                CrashPoint::hit("correct.after-commit");
                {
                    const ChaveDocumento k = m_doc;
                    btCancGeral();
                    m_estado =
                        QStringLiteral("Talão %1 corrigido; documento %2 actualizado.").arg(talao, textoDocumento(k));
                    notificar();
                }
                return Resultado::feito();
            case DocumentoDesk::Actualizacao::Anulado:
            case DocumentoDesk::Actualizacao::Convertido:
                btCancGeral();
                return Resultado::recusado(std::nullopt,
                                           QStringLiteral("O documento do ERP desta pesagem não permite alterações."));
            case DocumentoDesk::Actualizacao::Desistiu:
            case DocumentoDesk::Actualizacao::Falhou: {
                // The ERP refused the save: nothing of the correction is left to settle.
                if (nota) notas.fechar(nota, eu);
                notificar();
                const QString texto = QStringLiteral("A correcção não foi gravada.");
                return nota ? Resultado::falhou(texto) : Resultado::recusado(std::nullopt, texto);
            }
        }
    } catch (const ErroOperacao& e) {
        aviso(e.texto());
        notificar();
        return Resultado::falhou(e.texto());
    }
    return Resultado::falhou(QStringLiteral("A correcção não foi gravada."));
}

bool DeskCore::acertarNotas(qint32 id) {
    const QList<ReconciliationResult> rs = ErpReconciler(m_db, m_sessao).settle(id);
    if (rs.isEmpty()) return true;
    // Whatever was settled changed the weighing: the operator opens it again from a fresh list.
    aviso(ErpReconciler::textoOperador(rs) + QStringLiteral("\r\nAbra a pesagem de novo."));
    return false;
}

Resultado DeskCore::btConfFinal(Gravacao indice) {
    m_concluido = ChaveDocumento{};
    // Checked again right before anything is written or sent to the ERP.
    const auto lido = m_portao.ler(formulario(), PortaoPesagem::Momento::Conclusao);
    if (const Recusa* r = std::get_if<Recusa>(&lido)) {
        m_ecra.painel = EcraDesk::Painel::Nenhum;
        m_ecra.pagina = Pagina::Carga;
        recusar(*r);
        return Resultado::recusado(*r);
    }
    const Pesagem& p = std::get<Pesagem>(lido);
    // Another workstation may have completed or cancelled this weighing meanwhile:
    // look before any ERP document is made (inside the transaction the rewrite checks again).
    try {
        const RecordSet rs = m_db.consultar(
            QStringLiteral("SELECT DataHoraPL FROM kel_PES_Historico WHERE Hist_Id = ?"), {m_idHistorico});
        if (rs.isEmpty() || !rs.isNull(QStringLiteral("DataHoraPL"))) {
            Resultado r =
                recusa(std::nullopt,
                       QStringLiteral("Esta pesagem já não está pendente: foi concluída ou anulada noutro posto."));
            limparForm();
            m_ecra.entrar(EcraDesk::Modo::Inicio);
            notificar();
            return r;
        }
    } catch (const DbError& e) {
        return falha(e.texto());
    }
    m_ecra.aConcluir = true;
    // The ERP is written outside the program's transaction: announce it first, so that
    // an interruption in between is settled later instead of leaving a stray document.
    const ProcessIdentity eu = ProcessIdentity::current();
    IntentNotes notas(m_db);
    qint64 nota = 0;
    std::optional<Resultado> semNota;
    try {
        nota = notas.abrir(notaConclusao(p, eu));
        if (nota == 0)
            semNota = recusa(std::nullopt, QStringLiteral("Esta pesagem está a ser tratada noutro posto. Tente de "
                                                          "novo dentro de momentos."));
    } catch (const DbError& e) {
        semNota = falha(QStringLiteral("Não foi possível preparar a gravação no ERP.\r\nErro: ") + e.texto());
    }
    if (semNota) {
        m_ecra.aConcluir = false;
        notificar();
        return *semNota;
    }
    CrashPoint::hit("complete.note-written");
    try {
        Transaccao t(m_db);
        concluir(p);
        if (!notas.fechar(nota, eu)) {
            m_ultimoErro = QStringLiteral("A conclusão foi acertada noutro posto entretanto.");
            throw FalhaConclusao{m_ultimoErro};
        }
        CrashPoint::hit("complete.before-commit");
        t.commit();
    } catch (const FalhaConclusao&) {
        desfazerConclusao(nota);
        return Resultado::falhou(m_ultimoErro);
    } catch (const ErroOperacao& e) {
        registarErro(e);
        desfazerConclusao(nota);
        return Resultado::falhou(m_ultimoErro);
    }
    CrashPoint::hit("complete.after-commit");
    m_ecra.aConcluir = false;
    m_criados.clear();
    m_flagsCriados.clear();
    m_concluido = m_doc;
    m_estado = QStringLiteral("Talão %1 concluído: viatura %2, peso efectivo %3; documento %4.")
                   .arg(talaoTexto(), vazio(p.matricula) ? QStringLiteral("sem matrícula") : p.matricula.trimmed(),
                        pesoComUnidade(formatarPeso(p.efectivo)), textoDocumento(m_doc));
    // The weighing is finished whatever the ticket does: a ticket that fails is said after it.
    QString depois;
    if (indice == Gravacao::Imprimir && m_noTalao >= 1) {
        QString erro;
        if (!m_talao ||
            !m_talao->imprimir(m_idHistorico, m_kind.entrada, m_parametros.inteiro(QStringLiteral("NoVias")), erro)) {
            depois = QStringLiteral("O talão não foi impresso. ") +
                     (m_talao ? erro : QStringLiteral("Impressão indisponível."));
            aviso(depois);
        }
    }
    if (indice == Gravacao::Email)
        if (const Resultado mail = enviarEmail(); !mail) depois = mail.mensagem();
    limparForm();
    m_ecra.entrar(EcraDesk::Modo::Inicio);
    notificar();
    return Resultado::feito(depois);
}

void DeskCore::registarErro(const ErroOperacao& e) {
    // Provider errors come as HRESULTs and are shown without their facility part.
    qint64 numero = e.numero();
    if (numero >= qint64(0x80040000) && numero <= qint64(0x8004FFFF)) numero = qint32(quint32(numero) - 0x80040000u);
    m_ultimoErro = QString::number(numero) + QStringLiteral(" - ") + e.descricao();
}

DadosDocumentoDesk DeskCore::dadosDocumento(const Pesagem& p) const {
    DadosDocumentoDesk d;
    d.entrada = m_kind.entrada;
    d.ano = m_doc.ano;
    d.serie = m_doc.serie;
    d.numero = m_doc.numero;
    d.tipo = m_doc.tipo;
    d.dataPesagem = m_dataPesagem;
    d.sector = m_parametros.texto(QStringLiteral("Sector"));
    d.terceiro = campo(Campo::Terceiro);
    d.contribuinte = campo(Campo::Contribuinte);
    d.matricula = campo(Campo::Matricula);
    d.artigo = campo(Campo::Artigo);
    d.nomeArtigo = rotulo(DescArtigo);
    d.pesoEfectivo = p.efectivo.plain();
    d.materiasSubsidiarias = m_materiasSubsidiarias;
    d.caracteristica = caracteristicas().value(m_caracteristica);
    if (!m_kind.entrada) {
        d.ondeEntregar = campo(Campo::Morada);
        d.localCarga = campo(Campo::LocalCarga);
        d.localDescarga = campo(Campo::LocalDescarga);
        d.carga = m_carga;
        d.descarga = m_descarga;
    }
    return d;
}

void DeskCore::concluir(const Pesagem& pesagem) {
    const QString tipo = tipoDocumento();
    const short serie = short(serieDocumento());
    const Money efectivo = pesagem.efectivo;
    // The reference carries the ticket as the first weighing numbered it.
    const QString campanha = pesagem.campanha;

    PedidoDocumento p;
    p.tipoDocumento = m_kind.tipoDocumentoErp;
    p.tipo = tipo;
    p.sector = m_parametros.texto(QStringLiteral("Sector"));
    p.serie = serie;
    p.terceiro = pesagem.terceiro;
    p.referencia = IntentPayload::referencia(m_kind.entrada, m_sigla, m_noTalao, campanha);
    p.data = m_dataPesagem.toString(QStringLiteral("dd-MM-yyyy"));
    p.armazem = m_armazem;
    if (m_kind.entrada) {
        p.artigos = {QString(), QString(), pesagem.artigo};
        p.descricoes = {QString(),
                        m_materiasSubsidiarias
                            ? QString()
                            : QStringLiteral("Qualidade do Produto ") + caracteristicas().value(m_caracteristica),
                        rotulo(DescArtigo)};
        p.quantidades = {0, 0, efectivo.toDouble()};
        p.numeros2 = {0, 0, 0};
        p.textos2 = {QString(), QString(), QString()};
    } else {
        p.artigos = {QString(), pesagem.artigo};
        p.descricoes = {QString(), QString()};
        p.quantidades = {0, efectivo.toDouble()};
        p.numeros2 = {0, 0};
        p.textos2 = {QString(), QString()};
    }
    m_sessao.setOpcaoCriacao(true);
    short r1 = 0, r2 = 0;
    m_sessao.criarDocumento(p, r1, r2);
    if (!m_sessao.sucesso()) {
        desactiva();
        m_ultimoErro = m_sessao.mensagem();
        throw FalhaConclusao{m_ultimoErro};
    }
    CrashPoint::hit("complete.document-created");
    std::unique_ptr<DocumentoComercial> doc = m_sessao.documentoCriado();
    if (!doc) {
        m_ultimoErro = QStringLiteral("O ERP não devolveu o documento criado.");
        throw FalhaConclusao{m_ultimoErro};
    }
    ChaveDocumento k{m_doc.ano, m_doc.tipo, m_doc.serie, m_doc.numero};
    const long fim = doc->Finalizar(k.ano, k.tipo, k.serie, k.numero);
    if (fim != 0) {
        // A weighing is never finished against a document that is not.
        if (k.numero != 0) {
            m_criados << k;
            m_flagsCriados << 0;
        }
        m_ultimoErro = doc->UltimaMensagem.isEmpty() ? QStringLiteral("O documento do ERP não foi finalizado.")
                                                     : doc->UltimaMensagem;
        throw FalhaConclusao{m_ultimoErro};
    }
    doc.reset();
    m_doc = k;
    m_criados << k;
    m_flagsCriados << 0;
    CrashPoint::hit("complete.document-finalised");

    // The rewrite applies only while the weighing is still pending: two workstations
    // can never finish the same truck twice.
    const int claimed = m_db.executar(
        QStringLiteral("UPDATE kel_PES_Historico SET DataHoraPL = NULL WHERE Hist_Id = ? AND DataHoraPL IS NULL"),
        {m_idHistorico});
    if (claimed != 1) {
        m_ultimoErro = QStringLiteral("Esta pesagem já não está pendente: foi concluída ou anulada noutro posto.");
        throw FalhaConclusao{m_ultimoErro};
    }
    qint32 id = m_idHistorico;
    GravarRegistoHistorico(m_db, registo(pesagem), id);
    GravarComplementoHistorico(m_db, m_idHistorico, 0, complemento(pesagem));
    RegistarCarro(m_db, pesagem.matricula);
    // An incoming delivery's tare is its second weight: weighed now, it is no stored tare.
    if (m_kind.entrada && !m_taraRegistada) RegistoViaturas(m_db).desmarcar(m_idHistorico);
    if (!m_kind.entrada) cabecalhoCarga().aplicar(m_db, k);
    m_alibi->ligar(m_idHistorico, 2);
    desactiva();
}

CamposComplemento DeskCore::complemento(const Pesagem& p) const {
    return CamposComplemento{p.pesos.vasilhame, m_kind.entrada ? p.pesos.qualidade : Money(), m_caracteristica,
                             m_kind.entrada};
}

CabecalhoCarga DeskCore::cabecalhoCarga() const {
    return CabecalhoCarga{campo(Campo::LocalCarga), campo(Campo::LocalDescarga), m_carga, m_descarga,
                          campo(Campo::Matricula),  campo(Campo::Morada)};
}

IntentNote DeskCore::notaConclusao(const Pesagem& p, const ProcessIdentity& eu) const {
    IntentNote n;
    n.histId = m_idHistorico;
    n.operation = IntentNote::Operation::Complete;
    n.tipoDoc = tipoDocumento();
    n.serie = short(serieDocumento());
    n.referencia = IntentPayload::referencia(m_kind.entrada, m_sigla, m_noTalao, p.campanha);
    n.tipoTerc = short(m_kind.tipoTerc);
    n.terceiro = p.terceiro;
    n.owner = eu;
    n.dados = IntentPayload::conclusao(registo(p), complemento(p), p.matricula,
                                       m_kind.entrada ? std::nullopt : std::optional<CabecalhoCarga>(cabecalhoCarga()));
    return n;
}

IntentNote DeskCore::notaAnulacao(const ChaveDocumento& k, const RecordSet& r, const ProcessIdentity& eu) const {
    IntentNote n;
    n.histId = m_idHistorico;
    n.operation = IntentNote::Operation::Cancel;
    n.tipoDoc = k.tipo;
    n.serie = k.serie;
    n.noDoc = k.numero;
    n.ano = k.ano;
    n.referencia =
        IntentPayload::referencia(m_kind.entrada, r.text(QStringLiteral("Sigla")),
                                  r.value(QStringLiteral("NoTalao")).toInt(), r.text(QStringLiteral("Campanha")));
    n.tipoTerc = short(m_kind.tipoTerc);
    n.terceiro = r.text(QStringLiteral("Terceiro"));
    n.owner = eu;
    return n;
}

void DeskCore::desfazerConclusao(qint64 nota) {
    if (m_db.inTransaction()) m_db.rollback();
    aviso(QStringLiteral("Situação Anómala\n\rErro: ") + m_ultimoErro);
    const bool tudoAnulado = anularDocumentosCriados(m_sessao, m_messages, m_criados, m_flagsCriados).isEmpty();
    // A document the ERP kept is left to the settling of the note (which never lets the
    // load be invoiced twice).
    try {
        const ProcessIdentity eu = ProcessIdentity::current();
        if (!tudoAnulado || !IntentNotes(m_db).fechar(nota, eu)) IntentNotes(m_db).libertar(nota, eu);
    } catch (const DbError&) {
    }
    m_doc = ChaveDocumento{};
    m_ecra.aConcluir = false;
    limparForm();
    m_ecra.entrar(EcraDesk::Modo::Inicio);
    notificar();
}
