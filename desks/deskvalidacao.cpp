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

// Leaving a field: each field checked against its table, the lookup lists, the effective weight.

using namespace deskapoio;

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
            m_ecra.dadosAlterados = true;
            recalcularEfectivo();
            return verificarPeso(i);
        case Campo::CodPostal:
            if (vazio(campo(Campo::CodPostal))) return true;
            try {
                const std::optional<QString> descricao = consultasdesk::lerCodPostal(m_db, campo(Campo::CodPostal));
                setRotulo(DescCodPostal, descricao.value_or(QString()));
                if (!descricao) return falhaCampo(Campo::CodPostal, QString());
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
            m_ecra.dadosAlterados = true;
            recalcularEfectivo();
            return verificarPeso(i);
        case Campo::Observacoes:
            m_ecra.obsAlteradas = true;
            return true;
        case Campo::Efectivo:
            m_ecra.dadosAlterados = true;
            return verificarPeso(i);
        case Campo::LocalCarga:
        case Campo::LocalDescarga:
            m_ecra.dadosAlterados = true;
            return true;
        case Campo::TipoMorada:
            if (vazio(campo(Campo::TipoMorada))) return true;
            m_tipoMoradaAceite = QString();
            try {
                const std::optional<QString> descricao = consultasdesk::lerTipoMorada(m_db, campo(Campo::TipoMorada));
                setRotulo(DescTipoMorada, descricao.value_or(QString()));
                if (!descricao) return falhaCampo(Campo::TipoMorada, QStringLiteral("Tipo Morada não existente!"));
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
        setRotulo(DescCodPostal, consultasdesk::lerCodPostal(m_db, campo(Campo::CodPostal)).value_or(QString()));
    } catch (const DbError&) {
        setRotulo(DescCodPostal, QString());
    }
}

bool DeskCore::verificarPeso(Campo i) {
    // Checked when the operator leaves the field (not at every key); the gate checks
    // everything again before any write.
    if (m_aEscrever || !m_ecra.campoAlterado) return true;
    if (const auto r = m_portao.verificarCampo(formulario(), i)) return falhaCampo(i, r->mensagem);
    return true;
}

bool DeskCore::validarTerceiro() {
    m_terceiroAceite = QString();
    if (vazio(campo(Campo::Terceiro)))
        return falhaCampo(Campo::Terceiro,
                          m_portao.nomeCampo(Campo::Terceiro) + QStringLiteral(": campo obrigatório!"));
    std::optional<Terceiro> t;
    try {
        t = consultasdesk::lerTerceiro(m_db, m_kind, campo(Campo::Terceiro));
    } catch (const DbError& e) {
        return falhaCampo(Campo::Terceiro, e.texto());
    }
    if (!t) return falhaCampo(Campo::Terceiro, m_kind.terceiroNaoExiste);
    setRotulo(NomeTerceiro, QString());
    setRotulo(DescArtigo, QString());
    m_ecra.peso = EcraDesk::Peso::Primeiro;
    setRotulo(Titulo, t->nome);
    set(Campo::Nome, t->nome);
    setRotulo(NomeTerceiro, t->nome);
    set(Campo::Endereco, t->morada);
    set(Campo::Localidade, t->localidade);
    set(Campo::CodPostal, t->codPostal);
    set(Campo::Contribuinte, t->contribuinte);
    set(Campo::Email, t->email);
    descricaoCodPostal();
    m_terceiroAceite = campo(Campo::Terceiro);
    return true;
}

bool DeskCore::validarMorada() {
    m_moradaAceite = QString();
    if (vazio(campo(Campo::Morada))) return true;
    std::optional<MoradaTerceiro> m;
    try {
        m = consultasdesk::lerMorada(m_db, m_kind, campo(Campo::Terceiro), campo(Campo::Morada));
    } catch (const DbError& e) {
        return falhaCampo(Campo::Morada, e.texto());
    }
    if (!m) {
        setRotulo(DescMorada, QString());
        return falhaCampo(Campo::Morada, QStringLiteral("Morada não existente!"));
    }
    set(Campo::Endereco, m->descricao);
    set(Campo::Localidade, m->localidade);
    set(Campo::CodPostal, m->codPostal);
    setRotulo(DescMorada, m->descricao);
    descricaoCodPostal();
    m_moradaAceite = campo(Campo::Morada);
    m_moradaDoTerceiro = campo(Campo::Terceiro);
    return true;
}

bool DeskCore::validarArtigo() {
    m_artigoAceite = QString();
    if (vazio(campo(Campo::Artigo))) return falhaCampo(Campo::Artigo, QStringLiteral("Artigo: campo obrigatório!"));
    std::optional<Artigo> a;
    try {
        a = consultasdesk::lerArtigoActivo(m_db, campo(Campo::Artigo));
    } catch (const DbError& e) {
        return falhaCampo(Campo::Artigo, e.texto());
    }
    if (!a) return falhaCampo(Campo::Artigo, QStringLiteral("Artigo não existente!"));
    setRotulo(DescArtigo, a->nome);
    m_armazem = m_parametros.texto(m_kind.parametroArmazem);
    m_unBase = a->unBase;
    setRotulo(Unidade, QStringLiteral("kg"));  // weights are kilograms whatever the article is sold in
    m_artigoAceite = campo(Campo::Artigo);
    return true;
}

void DeskCore::esquecerTaraRegistada() {
    if (!m_taraRegistada) return;
    m_taraRegistada.reset();
    if (painelPesagem() && primeiroPeso()) setRotulo(LegendaPeso, m_kind.legendaPrimeiroPeso);
}

bool DeskCore::oferecerTaraRegistada() {
    esquecerTaraRegistada();
    // Only a truck arriving: a recalled or finished weighing keeps the weights it has.
    if (m_idHistorico != 0 || verHistorico() || segundoPeso() || vazio(campo(Campo::Matricula))) return true;
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
            consultasdesk::lerTerceiro(m_db, m_kind, v->terceiro)) {
            set(Campo::Terceiro, v->terceiro);
            validarTerceiro();
        }
        if (vazio(campo(Campo::Artigo)) && !v->artigo.isEmpty() && consultasdesk::lerArtigoActivo(m_db, v->artigo)) {
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
        notificar();
        return;
    }
    set(i, valor);
    m_ecra.campoAlterado = true;
    marcarTrabalho();
    // The pick is validated exactly as if it had been typed and the operator pressed Tab.
    const bool ok = sair(i);
    notificar();
    if (ok) emit avancarFoco(i);
}
