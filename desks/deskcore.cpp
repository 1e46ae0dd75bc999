#include "desks/deskcore.h"

#include "base/basedados.h"
#include "base/crashpoint.h"
#include "base/intentnotes.h"
#include "base/operatormessages.h"
#include "desks/alibidesk.h"
#include "desks/consultasdesk.h"
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

// The desk core: its state, the field entry and the buttons that only move between states.

using namespace deskapoio;

QString DeskGrid::valor(int linha, const QString& chave) const {
    if (linha < 0 || linha >= linhas.size()) return {};
    for (int c = 0; c < colunas.size(); ++c)
        if (colunas[c].chave == chave) return linhas[linha].value(c);
    return {};
}

DeskCore::DeskCore(const DeskKind& kind, BaseDados& db, ParametrosAplic& parametros, OperatorMessages& messages,
                   SessaoSage& sessao, ApiRegistry& registry, QObject* parent)
    : QObject(parent),
      m_kind(kind),
      m_db(db),
      m_parametros(parametros),
      m_messages(messages),
      m_sessao(sessao),
      m_registry(registry),
      m_documento(std::make_unique<DocumentoDesk>(sessao, registry, messages)),
      m_alibi(std::make_unique<AlibiDesk>(db, kind.nome)),
      m_portao(kind) {
    for (const CampoDesk& c : m_kind.tabela().todos()) {
        m_campos[size_t(c.nome)].maximo = c.maximo;
        m_campos[size_t(c.nome)].soLeitura = nuncaEscrito(c.tipo);
    }
    limparForm();
    m_criados.clear();
    m_flagsCriados.clear();
    m_histDe = QDate(QDate::currentDate().year(), QDate::currentDate().month(), 1);
    m_histAte = QDate::currentDate();
    m_anunciado = vista();
}

DeskCore::~DeskCore() = default;

DeskCore::Vista DeskCore::vista() const {
    Vista v{m_campos,
            m_listasDesactivadas,
            m_rotulos,
            m_ecra,
            m_grelha.colunas,
            m_grelha.linhas,
            m_dataPesagem,
            m_histDe,
            m_histAte,
            m_carga,
            m_descarga,
            m_caracteristica,
            m_materiasSubsidiarias,
            caixaSubsidiariasActiva(),
            m_estado};
    // What the operator changed is the desk's own business: nothing shows it.
    v.ecra.campoAlterado = v.ecra.dadosAlterados = v.ecra.obsAlteradas = false;
    return v;
}

void DeskCore::notificar() {
    Vista antes = vista();
    std::swap(antes, m_anunciado);
    const Vista& agora = m_anunciado;
    for (const CampoDesk& c : m_kind.tabela().todos())
        if (!(agora.campos[size_t(c.nome)] == antes.campos[size_t(c.nome)]) ||
            agora.listasDesactivadas.contains(c.nome) != antes.listasDesactivadas.contains(c.nome))
            emit campoMudou(c.nome);
    for (int r = 0; r < NumRotulos; ++r)
        if (agora.rotulos[r] != antes.rotulos[r]) emit rotuloMudou(Rotulo(r));
    if (agora.dataPesagem != antes.dataPesagem || agora.histDe != antes.histDe || agora.histAte != antes.histAte ||
        agora.carga != antes.carga || agora.descarga != antes.descarga ||
        agora.caracteristica != antes.caracteristica || agora.materiasSubsidiarias != antes.materiasSubsidiarias ||
        agora.caixaSubsidiarias != antes.caixaSubsidiarias)
        emit valoresMudaram();
    if (agora.estado != antes.estado) emit estadoMudou();
    // The screen before the list: a list shown anew is filled once its page is in view.
    if (!(agora.ecra == antes.ecra)) emit ecraMudou();
    if (agora.colunas != antes.colunas || agora.linhas != antes.linhas) emit grelhaMudou();
}

void DeskCore::set(Campo c, const QString& t) {
    if (valid(c)) m_campos[size_t(c)].texto = t.left(m_campos[size_t(c)].maximo);
}

void DeskCore::aviso(const QString& texto) {
    m_messages.mostrarAviso(OperatorMessages::Informacao, texto);
}

bool DeskCore::falhaCampo(Campo c, const QString& texto) {
    if (!texto.isEmpty()) aviso(texto);
    m_foco = c;
    return false;
}

FormularioDesk DeskCore::formulario() const {
    FormularioDesk f;
    for (const CampoDesk& c : m_kind.tabela().todos()) f.campo(c.nome) = campo(c.nome);
    f.terceiroAceite = m_terceiroAceite;
    f.moradaAceite = m_moradaAceite;
    f.moradaDoTerceiro = m_moradaDoTerceiro;
    f.artigoAceite = m_artigoAceite;
    f.tipoMoradaAceite = m_tipoMoradaAceite;
    f.efectivoCalculado = m_efectivoCalculado;
    const QTime agora = m_relogio ? m_relogio() : QTime::currentTime();
    f.agora = QDateTime(m_dataPesagem, QTime(agora.hour(), agora.minute()));
    f.dataPesagem = m_dataPesagem;
    f.caracteristica = m_caracteristica;
    f.materiasSubsidiarias = m_materiasSubsidiarias;
    f.noTalao = m_noTalao;
    f.anoTalao = m_anoTalao;
    f.sigla = m_sigla;
    f.campanha = m_campanha;
    return f;
}

void DeskCore::recusar(const Recusa& r) {
    aviso(r.mensagem);
    if (r.campo) m_foco = r.campo;
    notificar();
}

QStringList DeskCore::cartaoPesos() const {
    const bool comRegisto = m_ecra.tabsActivas() || m_ecra.painel != EcraDesk::Painel::Nenhum;
    if (!comRegisto) return QStringList(6, QString());
    // The entry time outlives the clear of the desk: it belongs to a truck only once one is loaded or saved.
    return {campo(Campo::Matricula),
            m_idHistorico > 0 ? campo(Campo::DataEntrada) : QString(),
            pesoComUnidade(campo(m_kind.campoPrimeiroPeso)),
            pesoComUnidade(campo(m_kind.campoSegundoPeso)),
            pesoComUnidade(campo(Campo::Liquido)),
            pesoComUnidade(campo(Campo::Efectivo))};
}

QString DeskCore::pesoComUnidade(const QString& campo) {
    if (vazio(campo)) return {};
    // Every weight beside a caption reads alike, whatever way it reached the field.
    const auto m = Money::parse(campo);
    return (m ? m->formatExact() : campo) + QStringLiteral(" kg");
}

QString DeskCore::textoTalao(const QString& sigla, qint32 numero) {
    if (numero <= 0) return {};
    return sigla.trimmed().isEmpty() ? QString::number(numero) : sigla + QLatin1Char('/') + QString::number(numero);
}

QString DeskCore::textoDocumento(const ChaveDocumento& k) {
    return k.tipo + QLatin1Char(' ') + QString::number(k.serie) + QLatin1Char('/') + QString::number(k.numero);
}

QString DeskCore::talaoTexto() const {
    return textoTalao(m_kind.entrada ? QString() : m_sigla, m_noTalao);
}

bool DeskCore::podeAbandonar() {
    if (!m_porGravar) return true;
    if (!m_messages.mostrarAviso(OperatorMessages::SimNaoPredefinidoNao,
                                 QStringLiteral("Abandonar a pesagem em curso?")))
        return false;
    m_porGravar = false;
    return true;
}

std::optional<DeskCore::PendenteMatricula> DeskCore::pendenteComMatricula(const QString& matricula) const {
    if (vazio(matricula)) return std::nullopt;
    const RecordSet rs = m_db.consultar(
        QStringLiteral("SELECT Hist_Id, NoTalao, Sigla FROM kel_PES_Historico WHERE DataHoraPL IS NULL AND Tipo = ? "
                       "AND UPPER(Carro) = UPPER(?) ORDER BY Hist_Id"),
        {m_kind.tipo, matricula.trimmed()});
    if (rs.isEmpty()) return std::nullopt;
    return PendenteMatricula{rs.value(QStringLiteral("Hist_Id")).toInt(),
                             textoTalao(m_kind.entrada ? QString() : rs.text(QStringLiteral("Sigla")),
                                        rs.value(QStringLiteral("NoTalao")).toInt())};
}

bool DeskCore::perguntarMatriculaPendente(const QString& matricula) {
    std::optional<PendenteMatricula> p;
    try {
        p = pendenteComMatricula(matricula);
    } catch (const DbError& e) {
        aviso(e.texto());
        return false;
    }
    if (!p) return true;
    return m_messages.mostrarAviso(
        OperatorMessages::SimNaoPredefinidoNao,
        QStringLiteral("A viatura %1 já tem uma pesagem pendente (talão %2). Registar outra?")
            .arg(matricula.trimmed(), p->talao.isEmpty() ? QString::number(p->id) : p->talao));
}

// ---------------------------------------------------------------- desk states

void DeskCore::limparForm() {
    m_porGravar = false;
    m_taraRegistada.reset();
    m_ecra.limpar();
    const QDateTime agora =
        QDateTime(QDate::currentDate(), QTime(QTime::currentTime().hour(), QTime::currentTime().minute()));
    if (!m_kind.entrada) {
        m_carga = agora;
        m_descarga = agora;
    }
    // The entry date-time and the e-mail keep their text: the next record overwrites them.
    for (const CampoDesk& c : m_kind.tabela().todos())
        if (c.nome != Campo::DataEntrada && c.nome != Campo::Email) m_campos[size_t(c.nome)].texto.clear();
    for (auto& r : m_rotulos) r.clear();
    if (m_kind.entrada) {
        m_caracteristica = 0;
        m_materiasSubsidiarias = false;
        m_subsidiariasBloqueadas = false;
    } else {
        set(Campo::LocalCarga, QStringLiteral("Nossas instalações"));
        set(Campo::LocalDescarga, QStringLiteral("Instalações do Cliente"));
    }
    m_doc = ChaveDocumento{};
    m_terceiroAceite = QString();
    m_moradaAceite = QString();
    m_moradaDoTerceiro = QString();
    m_artigoAceite = QString();
    m_tipoMoradaAceite = QString();
    m_efectivoCalculado = true;
    setRotulo(Titulo, m_kind.caption);
}

// The party's name, address and tax number, as the party or the address filled them.
static const Campo kDadosTerceiro[] = {Campo::Nome, Campo::Endereco, Campo::Localidade, Campo::CodPostal,
                                       Campo::Contribuinte};

void DeskCore::desactiva() {
    for (Campo c : kDadosTerceiro) m_campos[size_t(c)].soLeitura = true;
    m_listasDesactivadas.insert(Campo::CodPostal);
}

void DeskCore::activa() {
    for (Campo c : kDadosTerceiro) m_campos[size_t(c)].soLeitura = false;
    m_listasDesactivadas.remove(Campo::CodPostal);
}

void DeskCore::desbloquearIdentificacao() {
    // Everything the operator types on a new weighing; the dates and weights of the
    // record are never typed.
    for (const CampoDesk& c : m_kind.tabela().todos())
        if (!nuncaEscrito(c.tipo)) m_campos[size_t(c.nome)].soLeitura = false;
    m_listasDesactivadas.clear();
}

void DeskCore::bloquearRegisto() {
    // A recalled truck keeps the identity it was saved with: party, addresses, article
    // and plate stay as the first weighing wrote them (its ticket was numbered by them).
    QList<Campo> bloqueados = {Campo::Terceiro,  Campo::Morada,       Campo::Artigo,
                               Campo::Nome,      Campo::Endereco,     Campo::Localidade,
                               Campo::CodPostal, Campo::Contribuinte, Campo::Matricula};
    if (!m_kind.entrada) bloqueados << Campo::TipoMorada;
    if (verHistorico()) {
        // A finished weighing: only what a correction writes stays open (deductions,
        // effective weight, observations, outgoing load places; the e-mail a ticket is
        // sent to). Everything else the record and its document already hold.
        bloqueados.clear();
        const QList<Campo> abertos = {Campo::Vasilhame, Campo::Qualidade,  Campo::Observacoes,  Campo::Efectivo,
                                      Campo::Email,     Campo::LocalCarga, Campo::LocalDescarga};
        for (const CampoDesk& c : m_kind.tabela().todos())
            if (!abertos.contains(c.nome)) bloqueados << c.nome;
    }
    for (Campo c : bloqueados) {
        if (!valid(c)) continue;
        m_campos[size_t(c)].soLeitura = true;
        m_listasDesactivadas.insert(c);
    }
}

// ---------------------------------------------------------------- field entry

void DeskCore::escrever(Campo i, const QString& texto) {
    // While the final save panel is open the tabs are closed: what it shows is what gets saved.
    if (!valid(i) || m_campos[size_t(i)].soLeitura || painelFinal()) return;
    QString t = texto;
    if (i == Campo::Peso) {
        // A typed weight is a whole number: only digits get in.
        QString digits;
        for (QChar c : t)
            if (c.isDigit() && c.unicode() < 128) digits += c;
        t = digits;
    }
    if (t.left(m_campos[size_t(i)].maximo) == m_campos[size_t(i)].texto) return;
    if (i == Campo::Peso) m_alibi->esquecerLeitura();
    if (i == Campo::Matricula) esquecerTaraRegistada();
    set(i, t);
    m_ecra.campoAlterado = true;
    marcarTrabalho();
    if (i == Campo::Efectivo) m_efectivoCalculado = false;
    // Recomputed as typed; checked (with a message) when the field is left.
    if (m_kind.camposRecalculo.contains(i)) {
        m_aEscrever = true;
        validar(i);
        m_aEscrever = false;
    }
    if (i == Campo::Observacoes) m_ecra.obsAlteradas = true;
    notificar();
}

void DeskCore::escape(Campo i) {
    m_ecra.campoAlterado = false;
    // Esc in the first field closes the desk, never over work the operator would lose.
    if (i == Campo::Terceiro && podeAbandonar()) emit fecharPedido();
}

bool DeskCore::sair(Campo i) {
    if (!valid(i)) return true;
    if (!m_ecra.campoAlterado) return true;
    // Nothing was typed into a read-only field: it is left as it is (a recalled truck's
    // party is never validated again into a new weighing).
    if (m_campos[size_t(i)].soLeitura) {
        m_ecra.campoAlterado = false;
        return true;
    }
    const bool ok = validar(i);
    m_ecra.campoAlterado = false;
    notificar();
    return ok;
}

void DeskCore::setDataCarga(const QDateTime& dt) {
    m_carga = dt;
    m_ecra.dadosAlterados = true;
    marcarTrabalho();
    notificar();
}

void DeskCore::setDataDescarga(const QDateTime& dt) {
    m_descarga = dt;
    m_ecra.dadosAlterados = true;
    marcarTrabalho();
    notificar();
}

void DeskCore::setPeriodoHistorico(const QDate& de, const QDate& ate) {
    m_histDe = de;
    m_histAte = ate;
    notificar();
}

void DeskCore::setCaracteristica(int indice) {
    if (indice < 0 || indice > 1) return;
    m_caracteristica = indice;
    m_ecra.dadosAlterados = true;
    marcarTrabalho();
    notificar();
}

void DeskCore::setMateriasSubsidiarias(bool v) {
    // The choice made the ticket number and makes the document type: once the first
    // weight is saved it stays with the weighing.
    if (!m_subsidiariasBloqueadas) m_materiasSubsidiarias = v;
    notificar();
}

// ---------------------------------------------------------------- buttons

void DeskCore::btEntrada() {
    if (!podeAbandonar()) return;
    m_estado.clear();
    limparForm();
    m_ecra.entrar(EcraDesk::Modo::Nova);
    m_idHistorico = 0;
    m_noTalao = 0;
    m_anoTalao = 0;
    m_sigla.clear();
    m_campanha.clear();
    // A new weighing may need the name, address or tax number typed in.
    activa();
    desbloquearIdentificacao();
    m_foco = Campo::Terceiro;
    notificar();
}

void DeskCore::btPeso() {
    m_ecra.pesou = true;
    if (primeiroPeso()) {
        for (Campo i : {Campo::Terceiro, Campo::Artigo, Campo::Nome, Campo::Contribuinte}) {
            if (vazio(campo(i))) {
                aviso(QStringLiteral("%1: campo obrigatório!").arg(m_portao.nomeCampo(i)));
                m_ecra.pagina = (i == Campo::Terceiro || i == Campo::Artigo) ? Pagina::Dados : Pagina::Terceiro;
                m_foco = i;
                notificar();
                return;
            }
        }
    }
    if (primeiroPeso()) avisarTerceiroInactivo();
    m_ecra.painel = EcraDesk::Painel::Pesagem;
    set(Campo::Peso, QString());
    m_alibi->esquecerLeitura();
    m_foco = Campo::Peso;
    // Each weighing is dated today unless the operator says otherwise; a pending truck
    // that leaves after midnight leaves on the day it leaves.
    m_dataPesagem = QDate::currentDate();
    if (primeiroPeso()) {
        set(m_kind.campoPrimeiroPeso, QString());
        setRotulo(LegendaPeso, m_taraRegistada ? QStringLiteral("Peso Bruto (tara registada %1)")
                                                     .arg(pesoComUnidade(formatarPeso(m_taraRegistada->tara)))
                                               : m_kind.legendaPrimeiroPeso);
    } else if (segundoPeso()) {
        for (Campo i : {m_kind.campoSegundoPeso, Campo::Liquido, Campo::Efectivo}) set(i, QString());
        setRotulo(LegendaPeso, m_kind.legendaSegundoPeso);
    }
    notificar();
}

void DeskCore::avisarTerceiroInactivo() {
    // Inactive parties are weighed for (the ERP makes their documents); the operator is
    // only told, once per first weighing.
    try {
        const std::optional<Terceiro> t = consultasdesk::lerTerceiro(m_db, m_kind, campo(Campo::Terceiro));
        if (t && t->inactivo)
            m_messages.mostrarEstado(OperatorMessages::Info,
                                     QStringLiteral("Atenção: o %1 %2 está inactivo no ERP.")
                                         .arg(m_kind.entrada ? QStringLiteral("fornecedor") : QStringLiteral("cliente"),
                                              campo(Campo::Terceiro).trimmed()));
    } catch (const DbError&) {
        // Only a warning: the weighing goes on without it.
    }
}

void DeskCore::btPesar() {
    m_ecra.aPesar = true;
    notificar();
    Money valor;
    QString mensagem;
    bool ok = m_balanca && m_balanca->pesar(valor, mensagem);
    if (!m_balanca) mensagem = QStringLiteral("Balança não configurada.");
    // Every reply of the indicator goes to the alibi log, stable or not.
    if (m_balanca && (ok || !m_balanca->resposta().isEmpty()) &&
        !m_alibi->leitura(m_balanca->resposta(), valor, ok, mensagem))
        ok = false;
    if (ok) {
        set(Campo::Peso, QString::number(valor.units() / Money::kScale));
        marcarTrabalho();
    } else {
        aviso(mensagem);
        // No weight is left behind to be confirmed as a weight of 0.
        set(Campo::Peso, QString());
        m_foco = Campo::Peso;
    }
    m_ecra.aPesar = false;
    notificar();
}

void DeskCore::btCancPeso() {
    m_ecra.painel = EcraDesk::Painel::Nenhum;
    notificar();
}

void DeskCore::btCancFinal() {
    m_ecra.painel = EcraDesk::Painel::Nenhum;
    m_ecra.pagina = Pagina::Carga;
    notificar();
}

void DeskCore::btCancGeral() {
    limparForm();
    m_ecra.entrar(EcraDesk::Modo::Inicio);
    m_foco.reset();
    desbloquearIdentificacao();
    if (!m_kind.entrada) m_documento->LibertaDocumento();
    notificar();
}

void DeskCore::cancelar() {
    if (podeAbandonar()) btCancGeral();
}

void DeskCore::btSair() {
    if (podeAbandonar()) emit fecharPedido();
}
