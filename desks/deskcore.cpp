#include "desks/deskcore.h"

#include "base/basedados.h"
#include "base/crashpoint.h"
#include "base/intentnotes.h"
#include "base/operatormessages.h"
#include "desks/alibidesk.h"
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

namespace {

// Thrown inside the completion; the text is already the desk's last error.
struct FalhaConclusao {
    QString texto;
};

QString dataHoraTexto(const QDateTime& dt) {
    return dt.isValid() ? dt.toString(QStringLiteral("dd-MM-yyyy HH:mm")) : QString();
}

// The same text for a list cell. SQLite's ISO text ("yyyy-MM-dd HH:mm:ss") is rearranged
// as stored: a local QDateTime per row costs a parse and a time-zone lookup, which for a
// month of history was most of the time the list took.
QString dataHoraTexto(const QVariant& v) {
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString();
        if (s.size() >= 16 && s[4] == u'-' && s[7] == u'-' && s[10] == u' ' && s[13] == u':') {
            QString t;
            t.reserve(16);
            t.append(QStringView(s).mid(8, 2)).append(u'-').append(QStringView(s).mid(5, 2)).append(u'-');
            t.append(QStringView(s).left(4)).append(u' ').append(QStringView(s).mid(11, 5));
            return t;
        }
    }
    return dataHoraTexto(RecordSet::toDateTime(v));
}

// Only what the operator sees as empty counts as empty.
bool vazio(const QString& t) {
    return t.trimmed().isEmpty();
}

// A weight as the record store reads it, every decimal kept ("1250", "20,5").
// The dates and weights of the record: the desk writes them, the operator never types them.
bool nuncaEscrito(TipoCampo t) {
    return t == TipoCampo::Registo || t == TipoCampo::DataHora;
}

QString textoPeso(const Money& m) {
    return m.plain().replace(QLatin1Char('.'), QLatin1Char(','));
}

}  // namespace

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
    for (int b = 0; b < NumBotoes; ++b) {
        m_botaoActivo[b] = true;
        m_botaoVisivel[b] = true;
    }
    limparForm();
    m_verHistorico = false;
    m_criados.clear();
    m_flagsCriados.clear();
    m_histDe = QDate(QDate::currentDate().year(), QDate::currentDate().month(), 1);
    m_histAte = QDate::currentDate();
}

DeskCore::~DeskCore() = default;

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
    emit alterado();
}

QStringList DeskCore::cartaoPesos() const {
    const bool comRegisto = m_tabsActivas || m_painelPesagem || m_painelFinal;
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
    m_dadosAlterados = false;
    m_obsAlteradas = false;
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
    m_tabsActivas = false;
    for (bool& t : m_tabActiva) t = false;
    activar(BtPeso, false);
    m_painelFinal = false;
    m_painelPesagem = false;
    m_tab = Pagina::Dados;
    m_segundoPeso = false;
    m_primeiroPeso = false;
    m_doc = ChaveDocumento{};
    m_pesquisaVisivel = false;
    m_terceiroAceite = QString();
    m_moradaAceite = QString();
    m_moradaDoTerceiro = QString();
    m_artigoAceite = QString();
    m_tipoMoradaAceite = QString();
    m_efectivoCalculado = true;
    mostrar(BtLer, false);
    mostrar(BtAnularHist, false);
    mostrar(BtImpHist, false);
    mostrar(BtMailHist, false);
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

void DeskCore::desactivaBotoes() {
    for (Botao b : {BtEntrada, BtPendentes, BtPeso, BtHistorico}) activar(b, false);
}

void DeskCore::activaBotoes() {
    for (Botao b : {BtEntrada, BtPendentes, BtPeso, BtHistorico}) activar(b, true);
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
    if (m_verHistorico) {
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
    if (!valid(i) || m_campos[size_t(i)].soLeitura || m_painelFinal) return;
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
    m_campoAlterado = true;
    marcarTrabalho();
    if (i == Campo::Efectivo) m_efectivoCalculado = false;
    // Recomputed as typed; checked (with a message) when the field is left.
    if (m_kind.camposRecalculo.contains(i)) {
        m_aEscrever = true;
        validar(i);
        m_aEscrever = false;
    }
    if (i == Campo::Observacoes) m_obsAlteradas = true;
    emit alterado();
}

void DeskCore::escape(Campo i) {
    m_campoAlterado = false;
    // Esc in the first field closes the desk, never over work the operator would lose.
    if (i == Campo::Terceiro && podeAbandonar()) emit fecharPedido();
}

bool DeskCore::sair(Campo i) {
    if (!valid(i)) return true;
    if (!m_campoAlterado) return true;
    // Nothing was typed into a read-only field: it is left as it is (a recalled truck's
    // party is never validated again into a new weighing).
    if (m_campos[size_t(i)].soLeitura) {
        m_campoAlterado = false;
        return true;
    }
    const bool ok = validar(i);
    m_campoAlterado = false;
    emit alterado();
    return ok;
}

bool DeskCore::validar(Campo i) {
    switch (i) {
        case Campo::Terceiro:
            return validarTerceiro();
        case Campo::Morada:
            return validarMorada();
        case Campo::Artigo:
            return validarArtigo();
        case Campo::Vasilhame:
        case Campo::Liquido:
            m_dadosAlterados = true;
            recalcularEfectivo();
            return verificarPeso(i);
        case Campo::CodPostal:
            if (vazio(campo(Campo::CodPostal))) return true;
            try {
                const RecordSet rs =
                    m_db.consultar(QStringLiteral("SELECT * FROM CodPost WHERE COD = ?"), {campo(Campo::CodPostal)});
                if (rs.isEmpty()) {
                    setRotulo(DescCodPostal, QString());
                    return falhaCampo(Campo::CodPostal, QString());
                }
                setRotulo(DescCodPostal, rs.text(QStringLiteral("Descr")));
            } catch (const DbError& e) {
                return falhaCampo(Campo::CodPostal, e.texto());
            }
            return true;
        case Campo::Peso:
            if (vazio(campo(Campo::Peso))) return falhaCampo(Campo::Peso, QStringLiteral("Peso: campo obrigatório!"));
            return true;
        case Campo::Matricula:
            return oferecerTaraRegistada();
        case Campo::Qualidade:
            m_dadosAlterados = true;
            recalcularEfectivo();
            return verificarPeso(i);
        case Campo::Observacoes:
            m_obsAlteradas = true;
            return true;
        case Campo::Efectivo:
            m_dadosAlterados = true;
            return verificarPeso(i);
        case Campo::LocalCarga:
        case Campo::LocalDescarga:
            m_dadosAlterados = true;
            return true;
        case Campo::TipoMorada:
            if (vazio(campo(Campo::TipoMorada))) return true;
            m_tipoMoradaAceite = QString();
            try {
                const RecordSet rs = m_db.consultar(QStringLiteral("SELECT * FROM TpMorada WHERE Codigo = ?"),
                                                    {campo(Campo::TipoMorada)});
                if (rs.isEmpty()) {
                    setRotulo(DescTipoMorada, QString());
                    return falhaCampo(Campo::TipoMorada, QStringLiteral("Tipo Morada não existente!"));
                }
                setRotulo(DescTipoMorada, rs.text(QStringLiteral("Descrica")));
                m_tipoMoradaAceite = campo(Campo::TipoMorada);
            } catch (const DbError& e) {
                return falhaCampo(Campo::TipoMorada, e.texto());
            }
            return true;
        default:
            return true;
    }
}

void DeskCore::descricaoCodPostal() {
    try {
        const RecordSet rs =
            m_db.consultar(QStringLiteral("SELECT * FROM CodPost WHERE COD = ?"), {campo(Campo::CodPostal)});
        setRotulo(DescCodPostal, rs.isEmpty() ? QString() : rs.text(QStringLiteral("Descr")));
    } catch (const DbError&) {
        setRotulo(DescCodPostal, QString());
    }
}

bool DeskCore::verificarPeso(Campo i) {
    // Checked when the operator leaves the field (not at every key); the gate checks
    // everything again before any write.
    if (m_aEscrever || !m_campoAlterado) return true;
    if (const auto r = m_portao.verificarCampo(formulario(), i)) return falhaCampo(i, r->mensagem);
    return true;
}

bool DeskCore::validarTerceiro() {
    m_terceiroAceite = QString();
    if (vazio(campo(Campo::Terceiro)))
        return falhaCampo(Campo::Terceiro,
                          m_portao.nomeCampo(Campo::Terceiro) + QStringLiteral(": campo obrigatório!"));
    RecordSet rs;
    try {
        rs = m_db.consultar(QStringLiteral("SELECT * FROM %1 WHERE %1.CODIGO = ?").arg(m_kind.tabelaTerceiro),
                            {campo(Campo::Terceiro)});
    } catch (const DbError& e) {
        return falhaCampo(Campo::Terceiro, e.texto());
    }
    if (rs.isEmpty()) return falhaCampo(Campo::Terceiro, m_kind.terceiroNaoExiste);
    setRotulo(NomeTerceiro, QString());
    setRotulo(DescArtigo, QString());
    m_primeiroPeso = true;
    m_segundoPeso = false;
    activar(BtPeso, true);
    const QString nome = rs.text(QStringLiteral("NOME"));
    setRotulo(Titulo, nome);
    set(Campo::Nome, nome);
    setRotulo(NomeTerceiro, nome);
    set(Campo::Endereco, rs.text(QStringLiteral("Morada")));
    set(Campo::Localidade, rs.text(QStringLiteral("Local")));
    set(Campo::CodPostal, rs.text(QStringLiteral("CdPostal")));
    set(Campo::Contribuinte, rs.text(QStringLiteral("NContrib")));
    set(Campo::Email, rs.text(m_kind.colunaEmail));
    descricaoCodPostal();
    m_terceiroAceite = campo(Campo::Terceiro);
    return true;
}

bool DeskCore::validarMorada() {
    m_moradaAceite = QString();
    if (vazio(campo(Campo::Morada))) return true;
    RecordSet rs;
    try {
        // The address's own lines (the join's tables share the column names Local and CdPostal).
        rs = m_db.consultar(
            QStringLiteral("SELECT MORADAS.CDMORADA, MORADAS.Descr, MORADAS.Local, MORADAS.CdPostal FROM "
                           "%1 INNER JOIN MORADAS ON %1.CODIGO = MORADAS.TERCEIRO WHERE (MORADAS.TPTERC = "
                           "?) AND MORADAS.TERCEIRO = ? AND MORADAS.CDMORADA = ?")
                .arg(m_kind.tabelaTerceiro),
            {m_kind.tpTerc, campo(Campo::Terceiro), campo(Campo::Morada)});
    } catch (const DbError& e) {
        return falhaCampo(Campo::Morada, e.texto());
    }
    if (rs.isEmpty()) {
        setRotulo(DescMorada, QString());
        return falhaCampo(Campo::Morada, QStringLiteral("Morada não existente!"));
    }
    set(Campo::Endereco, rs.text(QStringLiteral("Descr")));
    set(Campo::Localidade, rs.text(QStringLiteral("Local")));
    set(Campo::CodPostal, rs.text(QStringLiteral("CdPostal")));
    setRotulo(DescMorada, rs.text(QStringLiteral("Descr")));
    descricaoCodPostal();
    m_moradaAceite = campo(Campo::Morada);
    m_moradaDoTerceiro = campo(Campo::Terceiro);
    return true;
}

bool DeskCore::validarArtigo() {
    m_artigoAceite = QString();
    if (vazio(campo(Campo::Artigo))) return falhaCampo(Campo::Artigo, QStringLiteral("Artigo: campo obrigatório!"));
    RecordSet rs;
    try {
        rs = m_db.consultar(QStringLiteral("SELECT ARTIGOS.CODIGO AS Codigo, ARTIGOS.NOME AS Designacao, UnBase FROM "
                                           "ARTIGOS WHERE ARTIGOS.CODIGO = ? AND Artoudes = 0 AND Inactivo <> -1"),
                            {campo(Campo::Artigo)});
    } catch (const DbError& e) {
        return falhaCampo(Campo::Artigo, e.texto());
    }
    if (rs.isEmpty()) return falhaCampo(Campo::Artigo, QStringLiteral("Artigo não existente!"));
    setRotulo(DescArtigo, rs.text(QStringLiteral("Designacao")));
    m_armazem = m_parametros.texto(m_kind.parametroArmazem);
    m_unBase = rs.text(QStringLiteral("UnBase"));
    setRotulo(Unidade, QStringLiteral("kg"));  // weights are kilograms whatever the article is sold in
    m_artigoAceite = campo(Campo::Artigo);
    return true;
}

void DeskCore::esquecerTaraRegistada() {
    if (!m_taraRegistada) return;
    m_taraRegistada.reset();
    if (m_painelPesagem && m_primeiroPeso) setRotulo(LegendaPeso, m_kind.legendaPrimeiroPeso);
}

bool DeskCore::oferecerTaraRegistada() {
    esquecerTaraRegistada();
    // Only a truck arriving: a recalled or finished weighing keeps the weights it has.
    if (m_idHistorico != 0 || m_verHistorico || m_segundoPeso || vazio(campo(Campo::Matricula))) return true;
    std::optional<Viatura> v;
    try {
        v = RegistoViaturas(m_db).ler(campo(Campo::Matricula));
    } catch (const DbError&) {
        return true;  // only an offer: the truck is weighed twice
    }
    if (!v) return true;
    const QString matricula = campo(Campo::Matricula).trimmed();
    if (!v->valida(QDate::currentDate())) {
        m_messages.mostrarEstado(OperatorMessages::Info, RegistoViaturas::mensagemExpirada(matricula, v->validaAte));
        return true;
    }
    if (!m_messages.mostrarAviso(
            OperatorMessages::SimNao,
            QStringLiteral("A viatura %1 tem uma tara registada de %2 (pesada em %3, válida até %4).\r\nPesar "
                           "uma só vez, com a tara registada?")
                .arg(matricula, pesoComUnidade(formatarPeso(v->tara)),
                     v->pesadaEm.toString(QStringLiteral("dd-MM-yyyy")),
                     v->validaAte.toString(QStringLiteral("dd-MM-yyyy")))))
        return true;
    m_taraRegistada = v;
    marcarTrabalho();
    // The truck's usual party and article fill what is still empty, when this desk knows them.
    try {
        if (vazio(campo(Campo::Terceiro)) && !v->terceiro.isEmpty() &&
            m_db.escalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE CODIGO = ?").arg(m_kind.tabelaTerceiro),
                         {v->terceiro})
                    .toInt() > 0) {
            set(Campo::Terceiro, v->terceiro);
            validarTerceiro();
        }
        if (vazio(campo(Campo::Artigo)) && !v->artigo.isEmpty() &&
            m_db.escalar(QStringLiteral("SELECT COUNT(*) FROM ARTIGOS WHERE CODIGO = ? AND Artoudes = 0 AND "
                                        "Inactivo <> -1"),
                         {v->artigo})
                    .toInt() > 0) {
            set(Campo::Artigo, v->artigo);
            validarArtigo();
        }
    } catch (const DbError&) {
        // The operator types them.
    }
    return true;
}

void DeskCore::recalcularEfectivo() {
    if (vazio(campo(Campo::Liquido))) return;
    m_efectivoCalculado = true;
    const auto liquido = Money::parse(campo(Campo::Liquido));
    const auto descontos = m_portao.descontos(formulario());
    // A deduction that is not a weight leaves no effective weight to be taken for one.
    if (!liquido || std::holds_alternative<Recusa>(descontos)) {
        set(Campo::Efectivo, QString());
        return;
    }
    set(Campo::Efectivo, formatarPeso(*liquido - std::get<Pesos>(descontos).descontos()));
}

void DeskCore::pedirLista(Campo i) {
    if (!valid(i) || !m_lookup || m_listasDesactivadas.contains(i) || m_campos[size_t(i)].soLeitura) return;
    LookupSpec spec;
    spec.campo = i;
    const QString t = m_kind.tabelaTerceiro;
    switch (i) {
        case Campo::Terceiro:
            spec.titulo = m_kind.tituloListaTerceiro;
            spec.sql = QStringLiteral("SELECT %1.CODIGO AS 'Código', %1.NOME AS Nome FROM %1 %2 ORDER BY %1.CODIGO")
                           .arg(t, m_kind.listaTerceiroSoActivos ? QStringLiteral("WHERE Inactivo <> -1") : QString());
            spec.largura = 7200;
            spec.larguras = {1700, 5000};
            break;
        case Campo::Morada:
            spec.titulo = m_kind.tituloListaMoradas;
            spec.sql = QStringLiteral(
                           "SELECT MORADAS.CDMORADA AS 'Cód.Morada', MORADAS.Descr AS Morada, MORADAS.Local AS "
                           "Localidade FROM %1 INNER JOIN MORADAS ON %1.CODIGO = MORADAS.TERCEIRO WHERE "
                           "(MORADAS.TPTERC = ?) AND MORADAS.TERCEIRO = ? ORDER BY MORADAS.CDMORADA")
                           .arg(t);
            spec.params = {m_kind.tpTerc, campo(Campo::Terceiro)};
            spec.largura = 9200;
            spec.larguras = {700, 4000, 4000};
            break;
        case Campo::Artigo:
            spec.titulo = QStringLiteral("Artigos");
            spec.sql = QStringLiteral(
                "SELECT ARTIGOS.CODIGO AS 'Código', ARTIGOS.NOME AS 'Designação' FROM ARTIGOS WHERE "
                "Artoudes = 0 AND Inactivo <> -1 ORDER BY CODIGO");
            spec.largura = 7200;
            spec.larguras = {1700, 5000};
            break;
        case Campo::CodPostal:
            spec.titulo = QStringLiteral("Códigos Postais");
            spec.sql = QStringLiteral("SELECT Cod AS 'Cd.Postal', Descr AS 'Designação' FROM CodPost ORDER BY Cod");
            spec.largura = 4500;
            spec.larguras = {1000, 3000};
            break;
        case Campo::Matricula:
            spec.titulo = QStringLiteral("Carros");
            spec.sql = QStringLiteral("SELECT Codigo AS 'Matrícula' FROM kel_PES_Carros ORDER BY Codigo");
            spec.largura = 2500;
            spec.larguras = {2000};
            break;
        case Campo::RefCliente:
            spec.titulo = QStringLiteral("Motoristas");
            spec.sql =
                QStringLiteral("SELECT Codigo AS 'Codigo', Nome AS 'Descrição' FROM kel_RS_Motoristas ORDER BY Codigo");
            spec.largura = 7200;
            spec.larguras = {1700, 5000};
            break;
        case Campo::TipoMorada:
            spec.titulo = QStringLiteral("Tipos Morada");
            spec.sql =
                QStringLiteral("SELECT Codigo AS 'Código', Descrica AS 'Descrição' FROM TpMorada ORDER BY Codigo");
            spec.largura = 5200;
            spec.larguras = {700, 4000};
            break;
        default:
            return;
    }
    m_foco = i;
    const QString valor = m_lookup->escolher(spec);
    if (valor.isEmpty()) {
        emit alterado();
        return;
    }
    set(i, valor);
    m_campoAlterado = true;
    marcarTrabalho();
    // The pick is validated exactly as if it had been typed and the operator pressed Tab.
    const bool ok = sair(i);
    emit alterado();
    if (ok) emit avancarFoco(i);
}

void DeskCore::setDataCarga(const QDateTime& dt) {
    m_carga = dt;
    m_dadosAlterados = true;
    marcarTrabalho();
    emit alterado();
}

void DeskCore::setDataDescarga(const QDateTime& dt) {
    m_descarga = dt;
    m_dadosAlterados = true;
    marcarTrabalho();
    emit alterado();
}

void DeskCore::setPeriodoHistorico(const QDate& de, const QDate& ate) {
    m_histDe = de;
    m_histAte = ate;
    emit alterado();
}

void DeskCore::setCaracteristica(int indice) {
    if (indice < 0 || indice > 1) return;
    m_caracteristica = indice;
    m_dadosAlterados = true;
    marcarTrabalho();
    emit alterado();
}

void DeskCore::setMateriasSubsidiarias(bool v) {
    // The choice made the ticket number and makes the document type: once the first
    // weight is saved it stays with the weighing.
    if (!m_subsidiariasBloqueadas) m_materiasSubsidiarias = v;
    emit alterado();
}

// ---------------------------------------------------------------- buttons

void DeskCore::btEntrada() {
    if (!podeAbandonar()) return;
    m_estado.clear();
    limparForm();
    m_tabsActivas = true;
    for (Pagina t : {Pagina::Dados, Pagina::Terceiro, Pagina::Observacoes}) m_tabActiva[int(t)] = true;
    m_tabActiva[int(Pagina::Carga)] = false;
    m_tab = Pagina::Dados;
    m_grelhaVisivel = false;
    m_segundoPeso = false;
    activar(BtPendentes, false);
    activar(BtHistorico, false);
    m_idHistorico = 0;
    m_noTalao = 0;
    m_anoTalao = 0;
    m_sigla.clear();
    m_campanha.clear();
    // A new weighing may need the name, address or tax number typed in.
    activa();
    desbloquearIdentificacao();
    mostrar(BtConf, true);
    m_foco = Campo::Terceiro;
    emit alterado();
}

void DeskCore::btPeso() {
    mostrar(BtAnularHist, false);
    if (m_primeiroPeso) {
        for (Campo i : {Campo::Terceiro, Campo::Artigo, Campo::Nome, Campo::Contribuinte}) {
            if (vazio(campo(i))) {
                aviso(QStringLiteral("%1: campo obrigatório!").arg(m_portao.nomeCampo(i)));
                m_tab = (i == Campo::Terceiro || i == Campo::Artigo) ? Pagina::Dados : Pagina::Terceiro;
                m_foco = i;
                emit alterado();
                return;
            }
        }
    }
    if (m_primeiroPeso) avisarTerceiroInactivo();
    m_tabsActivas = false;
    m_painelPesagem = true;
    set(Campo::Peso, QString());
    m_alibi->esquecerLeitura();
    m_foco = Campo::Peso;
    // Each weighing is dated today unless the operator says otherwise; a pending truck
    // that leaves after midnight leaves on the day it leaves.
    m_dataPesagem = QDate::currentDate();
    if (m_primeiroPeso) {
        set(m_kind.campoPrimeiroPeso, QString());
        setRotulo(LegendaPeso, m_taraRegistada ? QStringLiteral("Peso Bruto (tara registada %1)")
                                                     .arg(pesoComUnidade(formatarPeso(m_taraRegistada->tara)))
                                               : m_kind.legendaPrimeiroPeso);
    } else if (m_segundoPeso) {
        for (Campo i : {m_kind.campoSegundoPeso, Campo::Liquido, Campo::Efectivo}) set(i, QString());
        setRotulo(LegendaPeso, m_kind.legendaSegundoPeso);
    }
    emit alterado();
}

void DeskCore::avisarTerceiroInactivo() {
    // Inactive parties are weighed for (the ERP makes their documents); the operator is
    // only told, once per first weighing.
    try {
        const QVariant v =
            m_db.escalar(QStringLiteral("SELECT Inactivo FROM %1 WHERE CODIGO = ?").arg(m_kind.tabelaTerceiro),
                         {campo(Campo::Terceiro)});
        if (v.isValid() && v.toInt() == -1)
            m_messages.mostrarEstado(OperatorMessages::Info,
                                     QStringLiteral("Atenção: o %1 %2 está inactivo no ERP.")
                                         .arg(m_kind.entrada ? QStringLiteral("fornecedor") : QStringLiteral("cliente"),
                                              campo(Campo::Terceiro).trimmed()));
    } catch (const DbError&) {
        // Only a warning: the weighing goes on without it.
    }
}

void DeskCore::btPesar() {
    activar(BtPesar, false);
    emit alterado();
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
    activar(BtPesar, true);
    emit alterado();
}

void DeskCore::btConfPeso(Gravacao indice) {
    // "Imprimir" saves exactly as "Confirmar"; at a first weighing it then prints the driver's slip.
    if (vazio(campo(Campo::Peso))) {
        aviso(QStringLiteral("Deve introduzir um valor no campo Peso!"));
        m_foco = Campo::Peso;
        emit alterado();
        return;
    }
    if (m_primeiroPeso && m_taraRegistada) {
        pesagemUnica(indice);
        return;
    }
    const QTime agora = m_relogio ? m_relogio() : QTime::currentTime();
    const QString quando = m_dataPesagem.toString(QStringLiteral("dd-MM-yyyy")) + QLatin1Char(' ') +
                           agora.toString(QStringLiteral("HH:mm"));
    bool primeiro = false;
    // The weight is the reading just taken or a typed one (logged, or refused where forbidden).
    auto confirmarOrigem = [&](const Money& pesado, int numeroPeso) {
        QString erro;
        if (m_alibi->confirmar(pesado, numeroPeso, erro)) return true;
        aviso(erro);
        m_foco = Campo::Peso;
        emit alterado();
        return false;
    };
    if (m_primeiroPeso) {
        const auto lido = m_portao.ler(formulario(), PortaoPesagem::Momento::PrimeiroPeso);
        if (const Recusa* r = std::get_if<Recusa>(&lido)) {
            if (r->campo != Campo::Peso) {
                // Identification to mend: back to the tabs.
                m_painelPesagem = false;
                m_tabsActivas = true;
                m_tab = Pagina::Dados;
            }
            recusar(*r);
            return;
        }
        const Pesagem& p = std::get<Pesagem>(lido);
        // A truck already waiting on this desk is recalled, not weighed in again by a slip.
        if (!perguntarMatriculaPendente(p.matricula)) {
            m_painelPesagem = false;
            m_tabsActivas = true;
            m_tab = Pagina::Dados;
            m_foco = Campo::Matricula;
            emit alterado();
            return;
        }
        const Money pesado = m_kind.campoPrimeiroPeso == Campo::Bruto ? *p.pesos.bruto : *p.pesos.tara;
        if (!confirmarOrigem(pesado, 1)) return;
        set(m_kind.campoPrimeiroPeso, formatarPeso(pesado));
        set(Campo::DataEntrada, quando);
        if (!gravarPrimeiroPeso(p)) {
            set(m_kind.campoPrimeiroPeso, QString());
            emit alterado();
            return;
        }
        primeiro = true;
        m_estado = QStringLiteral("Talão %1 gravado: viatura %2, %3 %4. Aguarda a segunda pesagem.")
                       .arg(talaoTexto(), vazio(p.matricula) ? QStringLiteral("sem matrícula") : p.matricula.trimmed(),
                            m_kind.legendaPrimeiroPeso, pesoComUnidade(formatarPeso(pesado)));
    } else if (m_segundoPeso) {
        QString erro;
        const auto pesado = Pesos::lerPesado(campo(Campo::Peso), m_portao.nomeCampo(m_kind.campoSegundoPeso), erro);
        if (!pesado) {
            recusar(Recusa{Campo::Peso, erro});
            return;
        }
        const auto primeiroPesado = Money::parse(campo(m_kind.campoPrimeiroPeso));
        if (!primeiroPesado) {
            recusar(Recusa{Campo::Peso, QStringLiteral("%1: falta o primeiro peso desta pesagem.")
                                            .arg(m_portao.nomeCampo(m_kind.campoPrimeiroPeso))});
            return;
        }
        const Money liquido = m_kind.entrada ? *primeiroPesado - *pesado : *pesado - *primeiroPesado;
        if (liquido <= Money()) {
            aviso(QStringLiteral("Peso Líquido incorrecto"));
            // Back to the truck on the desk: its first weight and entry stay in view.
            m_painelPesagem = false;
            m_tabsActivas = true;
            set(Campo::Peso, QString());
            emit alterado();
            return;
        }
        const auto entrada = RegistoHistorico::lerDataHora(campo(Campo::DataEntrada));
        const auto saida = RegistoHistorico::lerDataHora(quando);
        if (entrada && saida && *saida < *entrada) {
            aviso(QStringLiteral("A data/hora de saída (%1) não pode ser anterior à de entrada (%2)!")
                      .arg(quando, campo(Campo::DataEntrada)));
            emit alterado();
            return;
        }
        if (!confirmarOrigem(*pesado, 2)) return;
        set(Campo::DataSaida, quando);
        set(m_kind.campoSegundoPeso, formatarPeso(*pesado));
        set(Campo::Liquido, formatarPeso(liquido));
        set(Campo::Efectivo, campo(Campo::Liquido));
        recalcularEfectivo();
    }
    m_painelPesagem = false;
    m_tabsActivas = true;
    if (primeiro) {
        QString erro;
        if (indice == Gravacao::Imprimir && (!m_talao || !m_talao->imprimirSenha(m_idHistorico, erro)))
            aviso(QStringLiteral("A senha não foi impressa. ") +
                  (m_talao ? erro : QStringLiteral("Impressão indisponível.")));
        activaBotoes();
        limparForm();
    } else {
        m_tabActiva[int(Pagina::Carga)] = true;
        m_tab = Pagina::Carga;
    }
    emit alterado();
}

void DeskCore::pesagemUnica(Gravacao indice) {
    const Viatura v = *m_taraRegistada;
    const auto deVolta = [this](const QString& texto) {
        aviso(texto);
        set(Campo::Peso, QString());
        m_foco = Campo::Peso;
        emit alterado();
    };
    // Checked against the day the weighing is dated, which the operator may have changed.
    if (!v.valida(m_dataPesagem)) {
        esquecerTaraRegistada();
        deVolta(RegistoViaturas::mensagemExpirada(v.matricula, v.validaAte));
        return;
    }
    QString erro;
    const auto lido = Pesos::lerPesado(campo(Campo::Peso), m_portao.nomeCampo(Campo::Bruto), erro);
    if (!lido) {
        recusar(Recusa{Campo::Peso, erro});
        return;
    }
    if (*lido <= v.tara) {
        deVolta(QStringLiteral("Peso Líquido incorrecto: o peso bruto (%1) não excede a tara registada (%2).")
                    .arg(pesoComUnidade(formatarPeso(*lido)), pesoComUnidade(formatarPeso(v.tara))));
        return;
    }
    // Incoming deliveries weigh gross first; outgoing loads stand on the tare first.
    const int nLido = m_kind.entrada ? 1 : 2;
    const Money primeiro = m_kind.entrada ? *lido : v.tara;
    const Money segundo = m_kind.entrada ? v.tara : *lido;
    FormularioDesk f = formulario();
    f.campo(Campo::Peso) = QString::number(primeiro.units() / Money::kScale);
    const auto gate = m_portao.ler(f, PortaoPesagem::Momento::PrimeiroPeso);
    if (const Recusa* r = std::get_if<Recusa>(&gate)) {
        if (r->campo != Campo::Peso) {
            m_painelPesagem = false;
            m_tabsActivas = true;
            m_tab = Pagina::Dados;
        }
        recusar(*r);
        return;
    }
    Pesagem p = std::get<Pesagem>(gate);
    (m_kind.campoPrimeiroPeso == Campo::Bruto ? p.pesos.bruto : p.pesos.tara) = primeiro;
    if (!perguntarMatriculaPendente(p.matricula)) {
        m_painelPesagem = false;
        m_tabsActivas = true;
        m_tab = Pagina::Dados;
        m_foco = Campo::Matricula;
        emit alterado();
        return;
    }
    // Both weights stand on the alibi log before anything is saved: the reading just
    // taken (or typed, where allowed) and the reading the tare was weighed with.
    if (!m_alibi->confirmar(*lido, nLido, erro)) {
        deVolta(erro);
        return;
    }
    if (!m_alibi->confirmarRegistada(v.tara, v.manual ? 0 : v.alibiId, 3 - nLido, erro)) {
        esquecerTaraRegistada();
        deVolta(erro);
        return;
    }
    const QTime agora = m_relogio ? m_relogio() : QTime::currentTime();
    const QString quando = m_dataPesagem.toString(QStringLiteral("dd-MM-yyyy")) + QLatin1Char(' ') +
                           agora.toString(QStringLiteral("HH:mm"));
    set(m_kind.campoPrimeiroPeso, formatarPeso(primeiro));
    set(Campo::DataEntrada, quando);
    if (!gravarPrimeiroPeso(p)) {
        set(m_kind.campoPrimeiroPeso, QString());
        emit alterado();
        return;
    }
    // The second weight at once, then the completion the final panel would make.
    m_primeiroPeso = false;
    m_segundoPeso = true;
    set(Campo::DataSaida, quando);
    set(m_kind.campoSegundoPeso, formatarPeso(segundo));
    set(Campo::Liquido, formatarPeso(*lido - v.tara));
    set(Campo::Efectivo, campo(Campo::Liquido));
    recalcularEfectivo();
    m_painelPesagem = false;
    m_tabsActivas = true;
    btConfFinal(indice == Gravacao::Imprimir ? Gravacao::Imprimir : Gravacao::Confirmar);
}

void DeskCore::btCancPeso() {
    m_painelPesagem = false;
    m_tabsActivas = true;
    emit alterado();
}

void DeskCore::btConf() {
    if (m_segundoPeso) {
        if (vazio(campo(Campo::Peso))) {
            aviso(m_kind.faltaPesoFinal);
            return;
        }
        const auto lido = m_portao.ler(formulario(), PortaoPesagem::Momento::Conclusao);
        if (const Recusa* r = std::get_if<Recusa>(&lido)) {
            recusar(*r);
            return;
        }
        // The panel shows what the completion will write: a deduction typed but not yet
        // left already counts there, so the effective weight field follows it first.
        set(Campo::Efectivo, formatarPeso(std::get<Pesagem>(lido).efectivo));
        m_painelFinal = true;
        m_tabsActivas = false;
        desactivaBotoes();
        setRotulo(Resumo1, m_kind.resumoTerceiro + rotulo(NomeTerceiro));
        setRotulo(Resumo2, QStringLiteral("Artigo: ") + rotulo(DescArtigo));
        setRotulo(Resumo3, QStringLiteral("Peso Efectivo = ") + pesoComUnidade(campo(Campo::Efectivo)));
        setRotulo(Resumo4, m_kind.entrada
                               ? QStringLiteral("Característica ") + caracteristicas().value(m_caracteristica)
                               : QString());
        emit alterado();
        return;
    }
    if (m_primeiroPeso || m_idHistorico == 0) return;
    // A finished weighing opened from the history: apply the operator's corrections, all
    // checked before the ERP document is touched.
    const auto lido = m_portao.ler(formulario(), PortaoPesagem::Momento::Correccao);
    if (const Recusa* r = std::get_if<Recusa>(&lido)) {
        recusar(*r);
        return;
    }
    const Pesagem& p = std::get<Pesagem>(lido);
    // The field shows what is about to be written (a deduction typed but not yet left counts).
    set(Campo::Efectivo, formatarPeso(p.efectivo));
    emit alterado();
    CamposComplemento comp{textoPeso(p.pesos.vasilhame), m_kind.entrada ? textoPeso(p.pesos.qualidade) : QString(),
                           m_caracteristica, m_kind.entrada};
    const QString efectivo = textoPeso(p.efectivo);
    const QString talao = talaoTexto();
    try {
        if (!m_dadosAlterados) {
            if (m_obsAlteradas) ActualizaHistorico(m_db, m_idHistorico, p.justificacao, efectivo, comp);
            btCancGeral();
            // Confirmar on an unchanged weighing writes nothing, and says so.
            m_estado = m_obsAlteradas ? QStringLiteral("Talão %1: observações gravadas.").arg(talao)
                                      : QStringLiteral("Talão %1 sem alterações: nada foi gravado.").arg(talao);
            emit alterado();
            return;
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
                if (!gravarCorreccao(nota, p.justificacao, efectivo, comp)) {
                    emit alterado();
                    return;
                }
                CrashPoint::hit("correct.after-commit");
                {
                    const ChaveDocumento k = m_doc;
                    btCancGeral();
                    m_estado =
                        QStringLiteral("Talão %1 corrigido; documento %2 actualizado.").arg(talao, textoDocumento(k));
                    emit alterado();
                }
                return;
            case DocumentoDesk::Actualizacao::Anulado:
            case DocumentoDesk::Actualizacao::Convertido:
                btCancGeral();
                return;
            case DocumentoDesk::Actualizacao::Desistiu:
            case DocumentoDesk::Actualizacao::Falhou:
                // The ERP refused the save: nothing of the correction is left to settle.
                if (nota) notas.fechar(nota, eu);
                emit alterado();
                return;
        }
    } catch (const DbError& e) {
        aviso(e.texto());
        emit alterado();
    }
}

bool DeskCore::gravarCorreccao(qint64 nota, const QString& justificacao, const QString& efectivo,
                               CamposComplemento& comp) {
    const ProcessIdentity eu = ProcessIdentity::current();
    IntentNotes notas(m_db);
    try {
        Transaccao t(m_db, true);
        ActualizaHistorico(m_db, m_idHistorico, justificacao, efectivo, comp);
        if (!notas.fechar(nota, eu))
            throw DbError(-1, QStringLiteral("A correcção foi acertada noutro posto entretanto."));
        CrashPoint::hit("correct.before-commit");
        t.commit();
        return true;
    } catch (const DbError& e) {
        // The document was changed but the record was not: the note brings the document back.
        try {
            notas.libertar(nota, eu);
        } catch (const DbError&) {
        }
        const QString acerto = ErpReconciler::textoOperador(ErpReconciler(m_db, m_sessao).settle(m_idHistorico));
        aviso(QStringLiteral("A correcção não foi gravada.\r\nErro: ") + e.texto() +
              (acerto.isEmpty() ? QString() : QStringLiteral("\r\n") + acerto));
        return false;
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

bool DeskCore::acertarNotas(qint32 id) {
    const QList<ReconciliationResult> rs = ErpReconciler(m_db, m_sessao).settle(id);
    if (rs.isEmpty()) return true;
    // Whatever was settled changed the weighing: the operator opens it again from a fresh list.
    aviso(ErpReconciler::textoOperador(rs) + QStringLiteral("\r\nAbra a pesagem de novo."));
    return false;
}

void DeskCore::btConfFinal(Gravacao indice) {
    m_concluido = ChaveDocumento{};
    // Checked again right before anything is written or sent to the ERP.
    const auto lido = m_portao.ler(formulario(), PortaoPesagem::Momento::Conclusao);
    if (const Recusa* r = std::get_if<Recusa>(&lido)) {
        m_painelFinal = false;
        activar(BtPendentes, true);
        activar(BtPeso, true);
        m_tabsActivas = true;
        m_tab = Pagina::Carga;
        recusar(*r);
        return;
    }
    const Pesagem& p = std::get<Pesagem>(lido);
    // Another workstation may have completed or cancelled this weighing meanwhile:
    // look before any ERP document is made (inside the transaction the rewrite checks again).
    try {
        const RecordSet rs = m_db.consultar(
            QStringLiteral("SELECT DataHoraPL FROM kel_PES_Historico WHERE Hist_Id = ?"), {m_idHistorico});
        if (rs.isEmpty() || !rs.isNull(QStringLiteral("DataHoraPL"))) {
            aviso(QStringLiteral("Esta pesagem já não está pendente: foi concluída ou anulada noutro posto."));
            m_tabsActivas = true;
            m_painelFinal = false;
            activaBotoes();
            limparForm();
            emit alterado();
            return;
        }
    } catch (const DbError& e) {
        aviso(e.texto());
        return;
    }
    for (Botao b : {BtConfFinal, BtCancFinal}) activar(b, false);
    // The ERP is written outside the program's transaction: announce it first, so that
    // an interruption in between is settled later instead of leaving a stray document.
    const ProcessIdentity eu = ProcessIdentity::current();
    IntentNotes notas(m_db);
    qint64 nota = 0;
    try {
        nota = notas.abrir(notaConclusao(p, eu));
        if (nota == 0)
            aviso(QStringLiteral("Esta pesagem está a ser tratada noutro posto. Tente de novo dentro de momentos."));
    } catch (const DbError& e) {
        aviso(QStringLiteral("Não foi possível preparar a gravação no ERP.\r\nErro: ") + e.texto());
    }
    if (nota == 0) {
        for (Botao b : {BtConfFinal, BtCancFinal}) activar(b, true);
        emit alterado();
        return;
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
        return;
    } catch (const DbError& e) {
        registarErro(e);
        desfazerConclusao(nota);
        return;
    }
    CrashPoint::hit("complete.after-commit");
    for (Botao b : {BtConfFinal, BtCancFinal}) activar(b, true);
    m_criados.clear();
    m_flagsCriados.clear();
    m_concluido = m_doc;
    m_estado = QStringLiteral("Talão %1 concluído: viatura %2, peso efectivo %3; documento %4.")
                   .arg(talaoTexto(), vazio(p.matricula) ? QStringLiteral("sem matrícula") : p.matricula.trimmed(),
                        pesoComUnidade(formatarPeso(p.efectivo)), textoDocumento(m_doc));
    if (indice == Gravacao::Imprimir && m_noTalao >= 1) {
        QString erro;
        if (!m_talao ||
            !m_talao->imprimir(m_idHistorico, m_kind.entrada, m_parametros.inteiro(QStringLiteral("NoVias")), erro))
            aviso(QStringLiteral("O talão não foi impresso. ") +
                  (m_talao ? erro : QStringLiteral("Impressão indisponível.")));
    }
    if (indice == Gravacao::Email) enviarEmail();
    m_tabsActivas = true;
    m_painelFinal = false;
    activaBotoes();
    limparForm();
    emit alterado();
}

void DeskCore::btCancFinal() {
    m_painelFinal = false;
    activar(BtPendentes, true);
    activar(BtPeso, true);
    m_tabsActivas = true;
    m_tab = Pagina::Carga;
    emit alterado();
}

void DeskCore::btCancGeral() {
    activaBotoes();
    limparForm();
    m_grelhaVisivel = false;
    m_foco.reset();
    m_tab = Pagina::Dados;
    desbloquearIdentificacao();
    m_verHistorico = false;
    mostrar(BtImpHist, false);
    mostrar(BtMailHist, false);
    mostrar(BtAnularHist, false);
    if (!m_kind.entrada) m_documento->LibertaDocumento();
    emit alterado();
}

void DeskCore::cancelar() {
    if (podeAbandonar()) btCancGeral();
}

void DeskCore::btSair() {
    if (podeAbandonar()) emit fecharPedido();
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

QStringList DeskCore::valoresRegisto(const Pesagem& p) const {
    using namespace RegistoHistorico;
    const auto peso = [](const std::optional<Money>& m) { return m ? textoPeso(*m) : QString(); };
    const bool concluida = p.saida.isValid();
    QStringList v;
    for (int i = 0; i < NumCampos; ++i) v << QString();
    v[Hist_Id] = QString::number(m_idHistorico);
    v[Tipo] = m_kind.tipo;
    v[TpDoc] = m_doc.tipo;
    v[Serie] = QString::number(m_doc.serie);
    v[NoDoc] = QString::number(m_doc.numero);
    v[Ano] = QString::number(m_doc.ano);
    v[PesoBruto] = peso(p.pesos.bruto);
    v[PesoTara] = peso(p.pesos.tara);
    v[PesoLiquido] = concluida ? textoPeso(p.liquido) : QString();
    v[PesoEfectivo] = concluida ? textoPeso(p.efectivo) : QString();
    v[Justificacao] = p.justificacao;
    v[DataHoraPB] = textoDataHora(p.entrada);
    v[DataHoraPL] = concluida ? textoDataHora(p.saida) : QString();
    v[Terceiro] = p.terceiro;
    v[Artigo] = p.artigo;
    v[CodMorada] = p.morada;
    v[Motorista] = QString();
    v[Carro] = p.matricula;
    v[TipoTerc] = QString::number(m_kind.tipoTerc);
    // Ticket data stay as the first weighing took them (the first save fills them itself).
    v[AnoTalao] = QString::number(p.anoTalao);
    v[NoTalao] = QString::number(p.noTalao);
    v[RefCliente] = m_kind.entrada ? QString() : p.refCliente;
    v[RefEntrega] = m_kind.entrada ? QString() : p.refEntrega;
    v[Sigla] = m_kind.entrada ? QString() : p.sigla;
    v[Campanha] = p.campanha;
    v[TipoMorada] = m_kind.entrada ? QString() : p.tipoMorada;
    return v;
}

bool DeskCore::gravarPrimeiroPeso(const Pesagem& p) {
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
        const NovaPesagem nova = GravarNovaPesagem(m_db, valoresRegisto(p), m_dataPesagem, chave);
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
    } catch (const DbError& e) {
        aviso(QStringLiteral("Não foi possível gravar a pesagem.\r\nErro: ") + e.texto());
        return false;
    }
    desactiva();
    return true;
}

void DeskCore::registarErro(const DbError& e) {
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
    GravarRegistoHistorico(m_db, valoresRegisto(pesagem), id);
    GravarComplementoHistorico(m_db, m_idHistorico, 0,
                               CamposComplemento{textoPeso(pesagem.pesos.vasilhame),
                                                 m_kind.entrada ? textoPeso(pesagem.pesos.qualidade) : QString(),
                                                 m_caracteristica, m_kind.entrada});
    RegistarCarro(m_db, pesagem.matricula);
    // An incoming delivery's tare is its second weight: weighed now, it is no stored tare.
    if (m_kind.entrada && !m_taraRegistada) RegistoViaturas(m_db).desmarcar(m_idHistorico);
    if (!m_kind.entrada) cabecalhoCarga().aplicar(m_db, k);
    m_alibi->ligar(m_idHistorico, 2);
    desactiva();
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
    n.dados = IntentPayload::conclusao(
        valoresRegisto(p),
        CamposComplemento{textoPeso(p.pesos.vasilhame), m_kind.entrada ? textoPeso(p.pesos.qualidade) : QString(),
                          m_caracteristica, m_kind.entrada},
        p.matricula, m_kind.entrada ? std::nullopt : std::optional<CabecalhoCarga>(cabecalhoCarga()));
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
    for (Botao b : {BtConfFinal, BtCancFinal}) activar(b, true);
    m_tabsActivas = true;
    m_painelFinal = false;
    activaBotoes();
    limparForm();
    emit alterado();
}

// ---------------------------------------------------------------- cancellation

void DeskCore::btAnularHist() {
    bool continuar = true;
    if (m_verHistorico) {
        continuar = m_messages.mostrarAviso(
            OperatorMessages::OkCancelar,
            m_kind.anulacaoFinalizada +
                QStringLiteral("\n\rOs Documentos gerados vão ser anulados\n\rPretende continuar?"));
    } else if (!m_primeiroPeso) {
        continuar = m_messages.mostrarAviso(OperatorMessages::OkCancelar,
                                            m_kind.anulacaoPendente + QStringLiteral("\n\rPretende continuar?"));
    }
    const QString talao = talaoTexto();
    const ChaveDocumento doc = m_doc;
    const bool historico = m_verHistorico;
    const bool pendente = !m_verHistorico && !m_primeiroPeso && m_idHistorico > 0;
    if (continuar && anular()) {
        if (historico)
            m_estado = doc.tipo.isEmpty() ? QStringLiteral("Talão %1 voltou às pendentes.").arg(talao)
                                          : QStringLiteral("Talão %1 voltou às pendentes; documento %2 anulado.")
                                                .arg(talao, textoDocumento(doc));
        else if (pendente)
            m_estado = QStringLiteral("Pesagem pendente do talão %1 anulada.").arg(talao);
    }
    m_tabsActivas = true;
    m_painelFinal = false;
    activaBotoes();
    limparForm();
    for (Botao b : {BtConf, BtImpHist, BtMailHist, BtAnularHist}) mostrar(b, false);
    emit alterado();
}

bool DeskCore::anular() {
    const qint32 id = m_idHistorico;
    try {
        if (!m_verHistorico) {
            if (m_primeiroPeso) return true;
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
            if (apagados != 1) aviso(QStringLiteral("A pesagem não foi anulada: já não está pendente."));
            m_verHistorico = true;
            btCancGeral();
            return apagados == 1;
        }
        const RecordSet rs = LerHistorico(m_db, id);
        if (rs.isEmpty()) {
            aviso(QStringLiteral("Não foi possível proceder à anulação!"));
        } else {
            const QString tpDoc = rs.text(QStringLiteral("TpDoc"));
            const ProcessIdentity eu = ProcessIdentity::current();
            IntentNotes notas(m_db);
            qint64 nota = 0;
            if (!vazio(tpDoc)) {
                const ChaveDocumento k = ErpReconciler::chaveDoRegisto(rs);
                nota = notas.abrir(notaAnulacao(k, rs, eu));
                if (nota == 0) {
                    aviso(QStringLiteral(
                        "Esta pesagem está a ser tratada noutro posto. Tente de novo dentro de momentos."));
                    m_verHistorico = true;
                    btCancGeral();
                    return false;
                }
                CrashPoint::hit("cancel.note-written");
                ResultadoAnulacao r;
                long erro = 0;
                m_sessao.anularDocumento(1, k, r, erro);
                if (!r.anulado()) {
                    notas.fechar(nota, eu);
                    // The weighing stays finished while its document lives in the ERP.
                    aviso(QStringLiteral("O documento %1 não foi anulado no ERP.\r\n%2 - %3")
                              .arg(k.texto())
                              .arg(m_sessao.ultimoErroNumero())
                              .arg(m_sessao.ultimoErro()));
                    m_verHistorico = true;
                    btCancGeral();
                    return false;
                }
                CrashPoint::hit("cancel.document-cancelled");
            }
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
                if (nota && !notas.fechar(nota, eu))
                    throw DbError(-1, QStringLiteral("A anulação foi acertada noutro posto entretanto."));
                CrashPoint::hit("cancel.before-commit");
                t.commit();
            } catch (const DbError& e) {
                // The document is cancelled already: the note finishes the weighing's side.
                QString acerto;
                if (nota) {
                    try {
                        notas.libertar(nota, eu);
                    } catch (const DbError&) {
                    }
                    acerto = ErpReconciler::textoOperador(ErpReconciler(m_db, m_sessao).settle(id));
                }
                aviso(QStringLiteral("Não foi possível proceder à anulação!\r\nErro: ") + e.texto() +
                      (acerto.isEmpty() ? QString() : QStringLiteral("\r\n") + acerto));
                m_verHistorico = true;
                btCancGeral();
                return false;
            }
            CrashPoint::hit("cancel.after-commit");
        }
    } catch (const DbError& e) {
        aviso(QStringLiteral("Não foi possível proceder à anulação!\r\nErro: ") + e.texto());
    }
    m_verHistorico = true;
    btCancGeral();
    return true;
}

// ---------------------------------------------------------------- tickets

void DeskCore::btImpHist() {
    const QString talao = talaoTexto();
    if (m_noTalao > 0) {
        QString erro;
        if (!m_talao ||
            !m_talao->imprimir(m_idHistorico, m_kind.entrada, m_parametros.inteiro(QStringLiteral("NoVias")), erro)) {
            aviso(QStringLiteral("O talão não foi impresso. ") +
                  (m_talao ? erro : QStringLiteral("Impressão indisponível.")));
            // A failed reprint leaves the weighing on the desk, to try again or mail it.
            emit alterado();
            return;
        }
    }
    m_tabsActivas = true;
    m_painelFinal = false;
    activaBotoes();
    limparForm();
    for (Botao b : {BtImpHist, BtAnularHist, BtMailHist}) mostrar(b, false);
    btCancGeral();
    if (!talao.isEmpty()) {
        m_estado = QStringLiteral("Talão %1 impresso.").arg(talao);
        emit alterado();
    }
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
    emit alterado();
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
    emit alterado();
}

void DeskCore::btGuardarTara() {
    if (!botaoVisivel(BtGuardarTara) || m_idHistorico <= 0) return;
    try {
        RegistoViaturas viaturas(m_db);
        const auto r = viaturas.daPesagem(m_idHistorico, std::nullopt, QDate::currentDate());
        if (const QString* erro = std::get_if<QString>(&r)) {
            aviso(*erro);
            return;
        }
        const Viatura& v = std::get<Viatura>(r);
        const auto antes = viaturas.ler(v.matricula);
        QString pergunta = QStringLiteral("Guardar a tara de %1 como tara registada da viatura %2, válida até %3?")
                               .arg(pesoComUnidade(formatarPeso(v.tara)), v.matricula,
                                    v.validaAte.toString(QStringLiteral("dd-MM-yyyy")));
        if (antes)
            pergunta += QStringLiteral("\r\nSubstitui a tara registada de %1 (pesada em %2).")
                            .arg(pesoComUnidade(formatarPeso(antes->tara)),
                                 antes->pesadaEm.toString(QStringLiteral("dd-MM-yyyy")));
        if (!m_messages.mostrarAviso(OperatorMessages::SimNao, pergunta)) return;
        viaturas.gravar(v);
        m_estado = QStringLiteral("Tara da viatura %1 guardada: %2, válida até %3.")
                       .arg(v.matricula, pesoComUnidade(formatarPeso(v.tara)),
                            v.validaAte.toString(QStringLiteral("dd-MM-yyyy")));
    } catch (const DbError& e) {
        aviso(QStringLiteral("Não foi possível guardar a tara.\r\nErro: ") + e.texto());
    }
    emit alterado();
}

void DeskCore::btMailHist() {
    enviarEmail();
    emit alterado();
}

void DeskCore::enviarEmail() {
    const QString destinatario = campo(Campo::Email).trimmed();
    if (destinatario.isEmpty()) {
        aviso(QStringLiteral("Terceiro sem e-mail associado!"));
        return;
    }
    if (!m_talao) {
        m_messages.mostrarEstado(OperatorMessages::Critico, QStringLiteral("Não foi possivel enviar o email"));
        return;
    }
    m_talao->enviarEmail(m_idHistorico, m_kind.entrada, destinatario);
}

// ---------------------------------------------------------------- pending and history

void DeskCore::grelhaPendentes() {
    m_grelha.colunas = {{QStringLiteral("Id"), QStringLiteral("Id"), 1500, true},
                        {QStringLiteral("CodigoLER"), QStringLiteral("Cod. LER"), 1400, true},
                        {QStringLiteral("Nome"), QStringLiteral("Nome"), 4400, false},
                        {QStringLiteral("Artigo"), QStringLiteral("Artigo"), 1400, false},
                        {QStringLiteral("Data"), QStringLiteral("Data"), 2000, false},
                        {QStringLiteral("Carro"), QStringLiteral("Carro"), 1300, false}};
    m_grelha.linhas.clear();
    m_historicoIds.clear();
    m_historicoLidos = 0;
}

void DeskCore::grelhaHistorico() {
    m_grelha.colunas = {{QStringLiteral("Id"), QStringLiteral("Id"), 1500, true},
                        {QStringLiteral("Doc"), QStringLiteral("Documento"), 2000, false},
                        {QStringLiteral("Nome"), QStringLiteral("Nome"), 2500, false},
                        {QStringLiteral("Data"), QStringLiteral("Data"), 1800, false},
                        {QStringLiteral("Artigo"), QStringLiteral("Artigo"), 1200, false},
                        {QStringLiteral("Talao"), QStringLiteral("Talão"), 1600, false}};
    m_grelha.linhas.clear();
    m_historicoIds.clear();
    m_historicoLidos = 0;
}

bool DeskCore::carregarPendentes() {
    grelhaPendentes();
    const QString t = m_kind.tabelaTerceiro;
    const RecordSet rs = m_db.consultar(
        QStringLiteral(
            "SELECT Hist_Id, Terceiro, %1.NOME, Artigo, DataHoraPB, Carro FROM kel_PES_Historico INNER JOIN %1 "
            "ON kel_PES_Historico.Terceiro = %1.CODIGO WHERE (kel_PES_Historico.DataHoraPL IS NULL) AND Tipo = ? "
            "ORDER BY kel_PES_Historico.DataHoraPB")
            .arg(t),
        {m_kind.tipo});
    for (int r = 0; r < rs.count(); ++r) {
        m_grelha.linhas << QStringList{rs.text(r, QStringLiteral("Hist_Id")),
                                       QString(),
                                       rs.text(r, QStringLiteral("NOME")),
                                       rs.text(r, QStringLiteral("Artigo")),
                                       dataHoraTexto(rs.value(r, QStringLiteral("DataHoraPB"))),
                                       rs.text(r, QStringLiteral("Carro"))};
    }
    return !m_grelha.linhas.isEmpty();
}

bool DeskCore::carregarHistorico() {
    grelhaHistorico();
    const QString t = m_kind.tabelaTerceiro;
    const QVariantList periodo = {m_kind.tipo, QDateTime(m_histDe, QTime(0, 0, 0)),
                                  QDateTime(m_histAte, QTime(23, 59, 59))};
    if (m_paginaHistorico <= 0) {
        acrescentarHistorico(m_db.consultar(
            QStringLiteral(
                "SELECT Hist_Id, TpDoc, Serie, NoDoc, Ano, %1.NOME, DataHoraPB, Artigo, AnoTalao, NoTalao, Sigla FROM "
                "kel_PES_Historico INNER JOIN %1 ON kel_PES_Historico.Terceiro = %1.CODIGO WHERE "
                "(kel_PES_Historico.DataHoraPL IS NOT NULL) AND Tipo = ? AND kel_PES_Historico.DataHoraPB >= ? AND "
                "kel_PES_Historico.DataHoraPB <= ? ORDER BY DataHoraPB DESC")
                .arg(t),
            periodo));
        return !m_grelha.linhas.isEmpty();
    }
    // A page at a time: the numbers of the whole range first (the list's length and
    // order, from the date index alone), each page's rows with their party when the
    // list reaches them (a weighing whose party is gone is left out there).
    const RecordSet ids = m_db.consultar(
        QStringLiteral("SELECT Hist_Id FROM kel_PES_Historico WHERE (DataHoraPL IS NOT NULL) AND Tipo = ? AND "
                       "DataHoraPB >= ? AND DataHoraPB <= ? ORDER BY DataHoraPB DESC"),
        periodo);
    m_historicoIds.reserve(ids.count());
    for (int r = 0; r < ids.count(); ++r) m_historicoIds << ids.value(r, QStringLiteral("Hist_Id")).toInt();
    lerMaisLinhas(m_paginaHistorico);
    return !m_historicoIds.isEmpty();
}

void DeskCore::lerMaisLinhas(int quantas) {
    const int de = m_historicoLidos;
    const int ate = int(std::min<qsizetype>(m_historicoIds.size(), qsizetype(de) + std::max(0, quantas)));
    if (ate <= de) return;
    QVariantList params;
    QStringList marcas;
    for (int i = de; i < ate; ++i) {
        params << m_historicoIds[i];
        marcas << QStringLiteral("?");
    }
    const QString t = m_kind.tabelaTerceiro;
    const RecordSet rs = m_db.consultar(
        QStringLiteral(
            "SELECT Hist_Id, TpDoc, Serie, NoDoc, Ano, %1.NOME, DataHoraPB, Artigo, AnoTalao, NoTalao, Sigla FROM "
            "kel_PES_Historico INNER JOIN %1 ON kel_PES_Historico.Terceiro = %1.CODIGO WHERE "
            "(kel_PES_Historico.DataHoraPL IS NOT NULL) AND Hist_Id IN (%2)")
            .arg(t, marcas.join(QLatin1Char(','))),
        params);
    m_historicoLidos = ate;
    // In the order of the range; a weighing cancelled since the range was read is left out.
    QHash<qint32, int> porId;
    for (int r = 0; r < rs.count(); ++r) porId.insert(rs.value(r, QStringLiteral("Hist_Id")).toInt(), r);
    QVector<int> ordem;
    for (int i = de; i < ate; ++i)
        if (auto it = porId.constFind(m_historicoIds[i]); it != porId.constEnd()) ordem << *it;
    acrescentarHistorico(rs, ordem);
}

void DeskCore::lerTodasLinhas() {
    lerMaisLinhas(int(m_historicoIds.size()) - m_historicoLidos);
}

void DeskCore::acrescentarHistorico(const RecordSet& rs, QVector<int> ordem) {
    if (ordem.isEmpty() && rs.count() > 0)
        for (int r = 0; r < rs.count(); ++r) ordem << r;
    m_grelha.linhas.reserve(m_grelha.linhas.size() + ordem.size());
    for (int r : ordem) {
        const QString doc = rs.text(r, QStringLiteral("TpDoc")) + QLatin1Char('/') + rs.text(r, QStringLiteral("Ano")) +
                            QLatin1Char('/') + rs.text(r, QStringLiteral("Serie")) + QLatin1Char('/') +
                            rs.text(r, QStringLiteral("NoDoc"));
        const QString talao = textoTalao(m_kind.entrada ? QString() : rs.text(r, QStringLiteral("Sigla")),
                                         rs.value(r, QStringLiteral("NoTalao")).toInt());
        m_grelha.linhas << QStringList{
            rs.text(r, QStringLiteral("Hist_Id")), doc,
            rs.text(r, QStringLiteral("NOME")),    dataHoraTexto(rs.value(r, QStringLiteral("DataHoraPB"))),
            rs.text(r, QStringLiteral("Artigo")),  talao};
    }
}

void DeskCore::btPendentes() {
    if (!podeAbandonar()) return;
    m_estado.clear();
    limparForm();
    activar(BtEntrada, false);
    activar(BtHistorico, false);
    mostrar(BtAnularHist, false);
    m_verHistorico = false;
    bool algum = false;
    try {
        algum = carregarPendentes();
    } catch (const DbError& e) {
        aviso(e.texto());
    }
    m_grelhaVisivel = algum;
    if (!algum) aviso(m_kind.pendentesVazio);
    emit alterado();
}

void DeskCore::btHistorico() {
    if (!podeAbandonar()) return;
    m_pesquisaVisivel = true;
    mostrar(BtLer, true);
    m_histDe = QDate(QDate::currentDate().year(), QDate::currentDate().month(), 1);
    m_histAte = QDate::currentDate();
    activar(BtEntrada, false);
    activar(BtPendentes, false);
    for (Botao b : {BtImpHist, BtMailHist, BtAnularHist}) mostrar(b, false);
    emit alterado();
}

void DeskCore::btLer() {
    if (!podeAbandonar()) return;
    m_estado.clear();
    m_pesquisaVisivel = false;
    mostrar(BtLer, false);
    limparForm();
    activar(BtEntrada, false);
    activar(BtPendentes, false);
    m_verHistorico = false;
    bool algum = false;
    try {
        algum = carregarHistorico();
    } catch (const DbError& e) {
        aviso(e.texto());
    }
    m_verHistorico = algum;
    m_grelhaVisivel = algum;
    if (!algum) aviso(QStringLiteral("Não existem registos de Histórico!"));
    m_tabActiva[int(Pagina::Carga)] = true;
    emit alterado();
}

void DeskCore::activarLinha(int linha) {
    const qint32 id = m_grelha.valor(linha, QStringLiteral("Id")).toInt();
    if (id == 0) return;
    m_idHistorico = id;
    limparForm();
    activar(BtPeso, true);
    m_tabsActivas = true;
    for (bool& t : m_tabActiva) t = true;
    if (m_verHistorico) {
        m_segundoPeso = false;
        m_primeiroPeso = false;
    } else {
        m_segundoPeso = true;
        m_primeiroPeso = false;
    }
    if (!acertarNotas(id) || !lerCarga(id)) {
        // Never a half-filled desk: the operator is told and the desk is cleared.
        const bool historico = m_verHistorico;
        btCancGeral();
        m_verHistorico = false;
        if (historico) desbloquearIdentificacao();
        return;
    }
    m_grelhaVisivel = false;
    mostrar(BtConf, true);
    if (const auto pb = RegistoHistorico::lerDataHora(campo(Campo::DataEntrada))) m_dataPesagem = pb->date();
    m_estado.clear();
    bloquearRegisto();
    if (m_verHistorico) {
        m_tab = Pagina::Dados;
        for (Campo i : {Campo::Terceiro, Campo::Morada, Campo::Artigo, Campo::Vasilhame, Campo::CodPostal,
                        Campo::Matricula, Campo::RefCliente, Campo::Qualidade, Campo::Observacoes, Campo::Efectivo})
            m_listasDesactivadas.insert(i);
        mostrar(BtImpHist, true);
        mostrar(BtMailHist, true);
    }
    emit alterado();
}

bool DeskCore::eSubsidiarias(const QString& tpDoc) const {
    return !tpDoc.isEmpty() &&
           tpDoc.compare(m_parametros.texto(QStringLiteral("TpGuiaEntMS")), Qt::CaseInsensitive) == 0;
}

void DeskCore::restaurarMateriasSubsidiarias(qint32 id) {
    // A finished weighing: its document says. A pending one: the choice stored with its
    // first weight; one saved by an older workstation has none and leaves the box free.
    std::optional<bool> escolha;
    if (!m_doc.tipo.isEmpty())
        escolha = eSubsidiarias(m_doc.tipo);
    else
        escolha = OpcoesPesagem::lerMateriasSubsidiarias(m_db, id);
    m_materiasSubsidiarias = escolha.value_or(false);
    m_subsidiariasBloqueadas = escolha.has_value() || m_verHistorico;
}

bool DeskCore::lerCarga(qint32 id) {
    const QString t = m_kind.tabelaTerceiro;
    try {
        const RecordSet rs = m_db.consultar(
            QStringLiteral("SELECT * FROM kel_PES_Historico INNER JOIN %1 ON Terceiro = %1.CODIGO LEFT OUTER JOIN "
                           "kel_PES_Historico_Comp ON kel_PES_Historico_Comp.Cab_Id = kel_PES_Historico.Hist_Id WHERE "
                           "(Hist_Id = ?) ORDER BY kel_PES_Historico_Comp.HistCmp_Id")
                .arg(t),
            {id});
        if (rs.isEmpty()) {
            aviso(QStringLiteral("A pesagem %1 já não existe: foi anulada noutro posto.").arg(id));
            return false;
        }
        set(Campo::Terceiro, rs.text(QStringLiteral("Terceiro")));
        set(Campo::Morada, rs.text(QStringLiteral("CodMorada")));
        set(Campo::Artigo, rs.text(QStringLiteral("Artigo")));
        const QVariant vasilhame = rs.value(QStringLiteral("Vasilhame"));
        set(Campo::Vasilhame, vasilhame.isNull() ? QString() : formatarPeso(Money::fromVariant(vasilhame)));
        if (m_kind.entrada) {
            const QVariant qualidade = rs.value(QStringLiteral("Qualidade"));
            set(Campo::Qualidade, qualidade.isNull() ? QString() : formatarPeso(Money::fromVariant(qualidade)));
            const QVariant car = rs.value(QStringLiteral("Caracteristica"));
            m_caracteristica = (car.isNull() || car.toInt() < 0 || car.toInt() > 1) ? 0 : car.toInt();
        } else {
            set(Campo::TipoMorada, rs.text(QStringLiteral("TipoMorada")));
            set(Campo::RefCliente, rs.text(QStringLiteral("RefCliente")));
            set(Campo::RefEntrega, rs.text(QStringLiteral("RefEntrega")));
        }
        desactiva();
        const QString nome = rs.text(QStringLiteral("NOME"));
        setRotulo(Titulo, nome);
        set(Campo::Nome, nome);
        setRotulo(NomeTerceiro, nome);
        set(Campo::Contribuinte, rs.text(QStringLiteral("NContrib")));
        set(Campo::Email, rs.text(m_kind.colunaEmail));
        set(Campo::Endereco, rs.text(QStringLiteral("Morada")));
        set(Campo::Localidade, rs.text(QStringLiteral("Local")));
        set(Campo::CodPostal, rs.text(QStringLiteral("CdPostal")));
        if (!vazio(campo(Campo::Morada))) {
            const RecordSet m = m_db.consultar(
                QStringLiteral("SELECT MORADAS.Descr, MORADAS.Local, MORADAS.CdPostal FROM %1 INNER JOIN MORADAS ON "
                               "%1.CODIGO = MORADAS.TERCEIRO WHERE (MORADAS.TPTERC = ?) AND MORADAS.TERCEIRO = ? AND "
                               "MORADAS.CDMORADA = ?")
                    .arg(t),
                {m_kind.tpTerc, campo(Campo::Terceiro), campo(Campo::Morada)});
            if (!m.isEmpty()) {
                set(Campo::Endereco, m.text(QStringLiteral("Descr")));
                set(Campo::Localidade, m.text(QStringLiteral("Local")));
                set(Campo::CodPostal, m.text(QStringLiteral("CdPostal")));
                setRotulo(DescMorada, m.text(QStringLiteral("Descr")));
            }
        }
        descricaoCodPostal();
        m_doc =
            ChaveDocumento{short(rs.value(QStringLiteral("Ano")).toInt()), rs.text(QStringLiteral("TpDoc")),
                           short(rs.value(QStringLiteral("Serie")).toInt()), rs.value(QStringLiteral("NoDoc")).toInt()};
        m_noTalao = rs.value(QStringLiteral("NoTalao")).toInt();
        m_anoTalao = rs.value(QStringLiteral("AnoTalao")).toInt();
        m_campanha = rs.text(QStringLiteral("Campanha"));
        // The codes of a saved weighing were accepted when it was saved.
        m_terceiroAceite = campo(Campo::Terceiro);
        m_moradaAceite = campo(Campo::Morada);
        m_moradaDoTerceiro = campo(Campo::Terceiro);
        m_artigoAceite = campo(Campo::Artigo);
        m_tipoMoradaAceite = m_kind.entrada ? QString() : campo(Campo::TipoMorada);
        m_efectivoCalculado = false;
        m_sigla = m_kind.entrada ? QString() : rs.text(QStringLiteral("Sigla"));
        if (m_kind.entrada) restaurarMateriasSubsidiarias(id);
        set(Campo::Matricula, rs.text(QStringLiteral("Carro")));
        set(Campo::DataEntrada, dataHoraTexto(RecordSet::toDateTime(rs.value(QStringLiteral("DataHoraPB")))));
        set(Campo::DataSaida, dataHoraTexto(RecordSet::toDateTime(rs.value(QStringLiteral("DataHoraPL")))));
        set(Campo::Bruto, formatarPeso(Money::fromVariant(rs.value(QStringLiteral("PesoBruto")))));
        set(Campo::Tara, formatarPeso(Money::fromVariant(rs.value(QStringLiteral("PesoTara")))));
        set(Campo::Liquido, formatarPeso(Money::fromVariant(rs.value(QStringLiteral("PesoLiquido")))));
        set(Campo::Efectivo, formatarPeso(Money::fromVariant(rs.value(QStringLiteral("PesoEfectivo")))));
        set(Campo::Observacoes, rs.text(QStringLiteral("Justificacao")));
        if (m_segundoPeso) {
            // A pending weighing has no second weight yet: the fields wait for it.
            for (Campo i : {m_kind.campoSegundoPeso, Campo::Liquido, Campo::Efectivo}) set(i, QString());
        }
        const RecordSet a =
            m_db.consultar(QStringLiteral("SELECT Nome, UnBase FROM Artigos WHERE Codigo = ?"), {campo(Campo::Artigo)});
        setRotulo(DescArtigo, a.isEmpty() ? QString() : a.text(QStringLiteral("Nome")));
        m_unBase = a.isEmpty() ? QString() : a.text(QStringLiteral("UnBase"));
        setRotulo(Unidade, QStringLiteral("kg"));  // weights are kilograms whatever the article is sold in
        if (!m_kind.entrada && !m_doc.tipo.isEmpty() &&
            m_doc.tipo.compare(m_parametros.texto(QStringLiteral("TpSaida")), Qt::CaseInsensitive) == 0) {
            const RecordSet h = m_db.consultar(
                QStringLiteral("SELECT * FROM DocGCCab WHERE Tpdoc = ? AND NNumdoc = ? AND Serie = ? AND Ano = ?"),
                {m_doc.tipo, m_doc.numero, m_doc.serie, m_doc.ano});
            if (!h.isEmpty()) {
                set(Campo::LocalCarga, h.text(QStringLiteral("LocalCG")));
                set(Campo::LocalDescarga, h.text(QStringLiteral("LocalDSG")));
                const QTime hc = QTime::fromString(h.text(QStringLiteral("Hora")), QStringLiteral("HH:mm"));
                const QTime hd = QTime::fromString(h.text(QStringLiteral("HoraDes")), QStringLiteral("HH:mm"));
                const QDateTime dc = RecordSet::toDateTime(h.value(QStringLiteral("DtCarga")));
                const QDateTime dd = RecordSet::toDateTime(h.value(QStringLiteral("DataDes")));
                if (dc.isValid()) m_carga = QDateTime(dc.date(), hc.isValid() ? hc : QTime(0, 0));
                if (dd.isValid()) m_descarga = QDateTime(dd.date(), hd.isValid() ? hd : QTime(0, 0));
            }
        }
        m_armazem = m_parametros.texto(m_kind.parametroArmazem);
    } catch (const DbError& e) {
        aviso(QStringLiteral("Não foi possível ler a pesagem %1.\r\nErro: %2").arg(id).arg(e.texto()));
        return false;
    }
    if (m_verHistorico) {
        activar(BtPeso, false);
        mostrar(BtImpHist, false);
        mostrar(BtMailHist, false);
    }
    if (!m_primeiroPeso) mostrar(BtAnularHist, true);
    return true;
}
