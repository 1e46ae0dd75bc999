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

// The weighing panel confirmed: the first weight saved as a pending record (or the one-pass weighing).

using namespace deskapoio;

QString DeskCore::momentoPesagem() const {
    const QTime agora = m_relogio ? m_relogio() : QTime::currentTime();
    return m_dataPesagem.toString(QStringLiteral("dd-MM-yyyy")) + QLatin1Char(' ') +
           agora.toString(QStringLiteral("HH:mm"));
}

std::variant<Pesagem, Resultado> DeskCore::primeiraPesagem(const FormularioDesk& f) {
    const auto lido = m_portao.ler(f, PortaoPesagem::Momento::PrimeiroPeso);
    if (const Recusa* r = std::get_if<Recusa>(&lido)) {
        if (r->campo != Campo::Peso) {
            // Identification to mend: back to the tabs.
            m_ecra.painel = EcraDesk::Painel::Nenhum;
            m_ecra.pagina = Pagina::Dados;
        }
        recusar(*r);
        return Resultado::recusado(*r);
    }
    const Pesagem& p = std::get<Pesagem>(lido);
    // A truck already waiting on this desk is recalled, not weighed in again by a slip.
    if (!perguntarMatriculaPendente(p.matricula)) {
        m_ecra.painel = EcraDesk::Painel::Nenhum;
        m_ecra.pagina = Pagina::Dados;
        m_foco = Campo::Matricula;
        notificar();
        return Resultado::recusado(
            Campo::Matricula, QStringLiteral("A viatura %1 já tem uma pesagem pendente.").arg(p.matricula.trimmed()));
    }
    return p;
}

Resultado DeskCore::gravarPrimeiroPeso(const Pesagem& p, const Money& pesado, const QString& quando) {
    set(m_kind.campoPrimeiroPeso, formatarPeso(pesado));
    set(Campo::DataEntrada, quando);
    Resultado r = gravarPrimeiroPeso(p);
    if (r) return r;
    set(m_kind.campoPrimeiroPeso, QString());
    notificar();
    return r;
}

Resultado DeskCore::btConfPeso(Gravacao indice) {
    // "Imprimir" saves exactly as "Confirmar"; at a first weighing it then prints the driver's slip.
    if (vazio(campo(Campo::Peso))) {
        Resultado r = recusa(Campo::Peso, QStringLiteral("Deve introduzir um valor no campo Peso!"));
        m_foco = Campo::Peso;
        notificar();
        return r;
    }
    if (primeiroPeso() && m_taraRegistada) return pesagemUnica(indice);
    const QString quando = momentoPesagem();
    bool primeiro = false;
    // The weight is the reading just taken or a typed one (logged, or refused where forbidden).
    auto confirmarOrigem = [&](const Money& pesado, int numeroPeso) -> std::optional<Resultado> {
        QString erro;
        if (m_alibi->confirmar(pesado, numeroPeso, erro)) return std::nullopt;
        Resultado r = recusa(Campo::Peso, erro);
        m_foco = Campo::Peso;
        notificar();
        return r;
    };
    QString depois;
    if (primeiroPeso()) {
        const auto lido = primeiraPesagem(formulario());
        if (const Resultado* r = std::get_if<Resultado>(&lido)) return *r;
        const Pesagem& p = std::get<Pesagem>(lido);
        const Money pesado = m_kind.campoPrimeiroPeso == Campo::Bruto ? *p.pesos.bruto : *p.pesos.tara;
        if (auto r = confirmarOrigem(pesado, 1)) return *r;
        if (Resultado r = gravarPrimeiroPeso(p, pesado, quando); !r) return r;
        primeiro = true;
        m_estado = QStringLiteral("Talão %1 gravado: viatura %2, %3 %4. Aguarda a segunda pesagem.")
                       .arg(talaoTexto(), vazio(p.matricula) ? QStringLiteral("sem matrícula") : p.matricula.trimmed(),
                            m_kind.legendaPrimeiroPeso, pesoComUnidade(formatarPeso(pesado)));
    } else if (segundoPeso()) {
        QString erro;
        const auto pesado = Pesos::lerPesado(campo(Campo::Peso), m_portao.nomeCampo(m_kind.campoSegundoPeso), erro);
        if (!pesado) {
            const Recusa r{Campo::Peso, erro};
            recusar(r);
            return Resultado::recusado(r);
        }
        const auto primeiroPesado = Money::parse(campo(m_kind.campoPrimeiroPeso));
        if (!primeiroPesado) {
            const Recusa r{Campo::Peso, QStringLiteral("%1: falta o primeiro peso desta pesagem.")
                                            .arg(m_portao.nomeCampo(m_kind.campoPrimeiroPeso))};
            recusar(r);
            return Resultado::recusado(r);
        }
        const Money liquido = m_kind.entrada ? *primeiroPesado - *pesado : *pesado - *primeiroPesado;
        if (liquido <= Money()) {
            Resultado r = recusa(Campo::Peso, QStringLiteral("Peso Líquido incorrecto"));
            // Back to the truck on the desk: its first weight and entry stay in view.
            m_ecra.painel = EcraDesk::Painel::Nenhum;
            set(Campo::Peso, QString());
            notificar();
            return r;
        }
        const auto entrada = RegistoHistorico::lerDataHora(campo(Campo::DataEntrada));
        const auto saida = RegistoHistorico::lerDataHora(quando);
        if (entrada && saida && *saida < *entrada) {
            Resultado r = recusa(std::nullopt, QStringLiteral("A data/hora de saída (%1) não pode ser anterior à de "
                                                              "entrada (%2)!")
                                                   .arg(quando, campo(Campo::DataEntrada)));
            notificar();
            return r;
        }
        if (auto r = confirmarOrigem(*pesado, 2)) return *r;
        set(Campo::DataSaida, quando);
        set(m_kind.campoSegundoPeso, formatarPeso(*pesado));
        set(Campo::Liquido, formatarPeso(liquido));
        set(Campo::Efectivo, campo(Campo::Liquido));
        recalcularEfectivo();
    }
    m_ecra.painel = EcraDesk::Painel::Nenhum;
    if (primeiro) {
        QString erro;
        if (indice == Gravacao::Imprimir && (!m_talao || !m_talao->imprimirSenha(m_idHistorico, erro))) {
            depois = QStringLiteral("A senha não foi impressa. ") +
                     (m_talao ? erro : QStringLiteral("Impressão indisponível."));
            aviso(depois);
        }
        limparForm();
        m_ecra.entrar(EcraDesk::Modo::Inicio);
    } else {
        m_ecra.pagina = Pagina::Carga;
    }
    notificar();
    return Resultado::feito(depois);
}

Resultado DeskCore::pesagemUnica(Gravacao indice) {
    const Viatura v = *m_taraRegistada;
    const auto deVolta = [this](const QString& texto) {
        Resultado r = recusa(Campo::Peso, texto);
        set(Campo::Peso, QString());
        m_foco = Campo::Peso;
        notificar();
        return r;
    };
    // Checked against the day the weighing is dated, which the operator may have changed.
    if (!v.valida(m_dataPesagem)) {
        esquecerTaraRegistada();
        return deVolta(RegistoViaturas::mensagemExpirada(v.matricula, v.validaAte));
    }
    QString erro;
    const auto lido = Pesos::lerPesado(campo(Campo::Peso), m_portao.nomeCampo(Campo::Bruto), erro);
    if (!lido) {
        const Recusa r{Campo::Peso, erro};
        recusar(r);
        return Resultado::recusado(r);
    }
    if (*lido <= v.tara)
        return deVolta(QStringLiteral("Peso Líquido incorrecto: o peso bruto (%1) não excede a tara registada (%2).")
                           .arg(pesoComUnidade(formatarPeso(*lido)), pesoComUnidade(formatarPeso(v.tara))));
    // Incoming deliveries weigh gross first; outgoing loads stand on the tare first.
    const int nLido = m_kind.entrada ? 1 : 2;
    const Money primeiro = m_kind.entrada ? *lido : v.tara;
    const Money segundo = m_kind.entrada ? v.tara : *lido;
    FormularioDesk f = formulario();
    f.campo(Campo::Peso) = QString::number(primeiro.units() / Money::kScale);
    const auto gate = primeiraPesagem(f);
    if (const Resultado* r = std::get_if<Resultado>(&gate)) return *r;
    Pesagem p = std::get<Pesagem>(gate);
    (m_kind.campoPrimeiroPeso == Campo::Bruto ? p.pesos.bruto : p.pesos.tara) = primeiro;
    // Both weights stand on the alibi log before anything is saved: the reading just
    // taken (or typed, where allowed) and the reading the tare was weighed with.
    if (!m_alibi->confirmar(*lido, nLido, erro)) return deVolta(erro);
    if (!m_alibi->confirmarRegistada(v.tara, v.manual ? 0 : v.alibiId, 3 - nLido, erro)) {
        esquecerTaraRegistada();
        return deVolta(erro);
    }
    const QString quando = momentoPesagem();
    if (Resultado r = gravarPrimeiroPeso(p, primeiro, quando); !r) return r;
    // The second weight at once, then the completion the final panel would make. Should
    // that completion be refused (a deduction to mend), the truck stays on the desk as a
    // recalled one: its identity is the saved record's and no longer takes typing.
    m_ecra.modo = EcraDesk::Modo::Recolhida;
    m_ecra.peso = EcraDesk::Peso::Segundo;
    bloquearRegisto();
    set(Campo::DataSaida, quando);
    set(m_kind.campoSegundoPeso, formatarPeso(segundo));
    set(Campo::Liquido, formatarPeso(*lido - v.tara));
    set(Campo::Efectivo, campo(Campo::Liquido));
    recalcularEfectivo();
    m_ecra.painel = EcraDesk::Painel::Nenhum;
    return btConfFinal(indice == Gravacao::Imprimir ? Gravacao::Imprimir : Gravacao::Confirmar);
}

// ---------------------------------------------------------------- saving

QString DeskCore::tipoDocumento() const {
    if (!m_kind.entrada) return m_parametros.texto(QStringLiteral("TpSaida"));
    return m_parametros.texto(m_materiasSubsidiarias ? QStringLiteral("TpGuiaEntMS") : QStringLiteral("TpGuiaEntMP"));
}

int DeskCore::serieDocumento() const {
    if (!m_kind.entrada) return m_parametros.inteiro(QStringLiteral("SeSaida"));
    return m_parametros.inteiro(m_materiasSubsidiarias ? QStringLiteral("SeGuiaEntMS") : QStringLiteral("SeGuiaEntMP"));
}

RegistoPesagem DeskCore::registo(const Pesagem& p) const {
    const bool concluida = p.saida.isValid();
    RegistoPesagem r;
    r.histId = m_idHistorico;
    r.tipo = m_kind.tipo;
    r.tpDoc = m_doc.tipo;
    r.serie = m_doc.serie;
    r.noDoc = m_doc.numero;
    r.ano = m_doc.ano;
    // A pending weighing has one weight; the table has always held the other as 0 until it is
    // taken. A finished one has both: the gate refuses a completion without them.
    r.pesoBruto = p.pesos.bruto.value_or(Money());
    r.pesoTara = p.pesos.tara.value_or(Money());
    if (concluida) {
        r.pesoLiquido = p.liquido;
        r.pesoEfectivo = p.efectivo;
        r.dataHoraPL = p.saida;
    }
    r.justificacao = p.justificacao;
    r.dataHoraPB = p.entrada;
    r.terceiro = p.terceiro;
    r.artigo = p.artigo;
    r.codMorada = p.morada;
    r.carro = p.matricula;
    r.tipoTerc = m_kind.tipoTerc;
    // Ticket data stay as the first weighing took them (the first save fills them itself).
    r.anoTalao = p.anoTalao;
    r.noTalao = p.noTalao;
    r.campanha = p.campanha;
    if (!m_kind.entrada) {
        r.refCliente = p.refCliente;
        r.refEntrega = p.refEntrega;
        r.sigla = p.sigla;
        r.tipoMorada = p.tipoMorada;
    }
    return r;
}

Resultado DeskCore::gravarPrimeiroPeso(const Pesagem& p) {
    ChaveTalao chave;
    chave.tipo = m_kind.tipoContador;
    chave.campanha = CampanhaDaData(m_dataPesagem);
    chave.tipoDoc = tipoDocumento();
    if (!m_kind.entrada) {
        chave.cliente = p.terceiro;
        chave.tipoMorada = p.tipoMorada;
    }
    m_idHistorico = 0;
    m_doc = ChaveDocumento{};
    try {
        // The record, its choices and the link of its first weight to the alibi log: all or nothing.
        Transaccao t(m_db, true);
        const NovaPesagem nova = GravarNovaPesagem(m_db, registo(p), m_dataPesagem, chave);
        if (m_kind.entrada) OpcoesPesagem::gravarMateriasSubsidiarias(m_db, nova.idRegisto, m_materiasSubsidiarias);
        // The stored tare is marked with the record (a number given again never inherits a mark).
        RegistoViaturas viaturas(m_db);
        if (m_taraRegistada)
            viaturas.marcar(nova.idRegisto, *m_taraRegistada);
        else
            viaturas.desmarcar(nova.idRegisto);
        m_alibi->ligar(nova.idRegisto, 1);
        t.commit();
        m_idHistorico = nova.idRegisto;
        m_noTalao = nova.talao.numero;
        m_sigla = nova.talao.sigla;
        m_anoTalao = nova.anoTalao;
        m_campanha = nova.campanha;
    } catch (const ErroOperacao& e) {
        return falha(QStringLiteral("Não foi possível gravar a pesagem.\r\nErro: ") + e.texto());
    }
    desactiva();
    return Resultado::feito();
}
