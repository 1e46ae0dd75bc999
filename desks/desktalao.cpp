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

// The ticket of a finished weighing: printed, previewed, mailed; the truck's tare stored.

using namespace deskapoio;

// ---------------------------------------------------------------- tickets

Resultado DeskCore::btImpHist() {
    const QString talao = talaoTexto();
    if (m_noTalao > 0) {
        QString erro;
        if (!m_talao ||
            !m_talao->imprimir(m_idHistorico, m_kind.entrada, m_parametros.inteiro(QStringLiteral("NoVias")), erro)) {
            const Resultado r = falha(QStringLiteral("O talão não foi impresso. ") +
                                      (m_talao ? erro : QStringLiteral("Impressão indisponível.")));
            // A failed reprint leaves the weighing on the desk, to try again or mail it.
            notificar();
            return r;
        }
    }
    btCancGeral();
    if (!talao.isEmpty()) {
        m_estado = QStringLiteral("Talão %1 impresso.").arg(talao);
        notificar();
    }
    return Resultado::feito();
}

void DeskCore::btPrevisualizar() {
    if (!botaoVisivel(BtImpHist) || m_idHistorico <= 0 || m_noTalao <= 0) return;
    QString erro;
    if (!m_talao || !m_talao->previsualizar(m_idHistorico, m_kind.entrada, erro)) {
        aviso(QStringLiteral("Não foi possível pré-visualizar o talão %1. ").arg(talaoTexto()) +
              (m_talao ? erro : QStringLiteral("Pré-visualização indisponível.")));
        return;
    }
    m_estado = QStringLiteral("Talão %1 aberto para pré-visualização.").arg(talaoTexto());
    notificar();
}

void DeskCore::reimprimirUltimo() {
    if (!podeAbandonar()) return;
    RecordSet rs;
    try {
        // The latest second weighing of this kind (index on Tipo, DataHoraPL), then its rows.
        rs = m_db.consultar(
            QStringLiteral(
                "SELECT Hist_Id, NoTalao, Sigla, Carro FROM kel_PES_Historico WHERE Tipo = ? AND DataHoraPL = "
                "(SELECT MAX(DataHoraPL) FROM kel_PES_Historico WHERE Tipo = ? AND DataHoraPL IS NOT NULL)"),
            {m_kind.tipo, m_kind.tipo});
    } catch (const DbError& e) {
        aviso(e.texto());
        return;
    }
    int ultima = -1;
    for (int r = 0; r < rs.count(); ++r)
        if (ultima < 0 ||
            rs.value(r, QStringLiteral("Hist_Id")).toInt() > rs.value(ultima, QStringLiteral("Hist_Id")).toInt())
            ultima = r;
    if (ultima < 0) {
        aviso(QStringLiteral("Ainda não há talões concluídos nesta balança."));
        return;
    }
    const qint32 id = rs.value(ultima, QStringLiteral("Hist_Id")).toInt();
    const QString talao = textoTalao(m_kind.entrada ? QString() : rs.text(ultima, QStringLiteral("Sigla")),
                                     rs.value(ultima, QStringLiteral("NoTalao")).toInt());
    QString erro;
    if (!m_talao || !m_talao->imprimir(id, m_kind.entrada, m_parametros.inteiro(QStringLiteral("NoVias")), erro)) {
        aviso(QStringLiteral("O talão %1 não foi impresso. ").arg(talao) +
              (m_talao ? erro : QStringLiteral("Impressão indisponível.")));
        return;
    }
    m_estado = QStringLiteral("Talão %1 (%2) impresso de novo.").arg(talao, rs.text(ultima, QStringLiteral("Carro")));
    notificar();
}

Resultado DeskCore::btGuardarTara() {
    if (!botaoVisivel(BtGuardarTara) || m_idHistorico <= 0)
        return Resultado::recusado(std::nullopt, QStringLiteral("Não há carga concluída cuja tara se guarde."));
    Resultado feito = Resultado::feito();
    try {
        RegistoViaturas viaturas(m_db);
        const auto r = viaturas.daPesagem(m_idHistorico, std::nullopt, QDate::currentDate());
        if (const QString* erro = std::get_if<QString>(&r)) return recusa(std::nullopt, *erro);
        const Viatura& v = std::get<Viatura>(r);
        const auto antes = viaturas.ler(v.matricula);
        QString pergunta = QStringLiteral("Guardar a tara de %1 como tara registada da viatura %2, válida até %3?")
                               .arg(pesoComUnidade(formatarPeso(v.tara)), v.matricula,
                                    v.validaAte.toString(QStringLiteral("dd-MM-yyyy")));
        if (antes)
            pergunta += QStringLiteral("\r\nSubstitui a tara registada de %1 (pesada em %2).")
                            .arg(pesoComUnidade(formatarPeso(antes->tara)),
                                 antes->pesadaEm.toString(QStringLiteral("dd-MM-yyyy")));
        if (!m_messages.mostrarAviso(OperatorMessages::SimNao, pergunta))
            return Resultado::recusado(std::nullopt, QStringLiteral("A tara não foi guardada."));
        viaturas.gravar(v);
        m_estado = QStringLiteral("Tara da viatura %1 guardada: %2, válida até %3.")
                       .arg(v.matricula, pesoComUnidade(formatarPeso(v.tara)),
                            v.validaAte.toString(QStringLiteral("dd-MM-yyyy")));
    } catch (const ErroOperacao& e) {
        feito = falha(QStringLiteral("Não foi possível guardar a tara.\r\nErro: ") + e.texto());
    }
    notificar();
    return feito;
}

Resultado DeskCore::btMailHist() {
    const Resultado r = enviarEmail();
    notificar();
    return r;
}

Resultado DeskCore::enviarEmail() {
    const QString destinatario = campo(Campo::Email).trimmed();
    if (destinatario.isEmpty()) return recusa(Campo::Email, QStringLiteral("Terceiro sem e-mail associado!"));
    const QString falhou = QStringLiteral("Não foi possivel enviar o email");
    if (!m_talao) {
        m_messages.mostrarEstado(OperatorMessages::Critico, falhou);
        return Resultado::falhou(falhou);
    }
    // The outcome, sent or not, is shown by the ticket actions themselves.
    return m_talao->enviarEmail(m_idHistorico, m_kind.entrada, destinatario) ? Resultado::feito()
                                                                             : Resultado::falhou(falhou);
}
