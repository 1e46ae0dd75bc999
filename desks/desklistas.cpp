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

// The pending list and the history, and a weighing read from either onto the desk.

using namespace deskapoio;

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
    bool algum = false;
    try {
        algum = carregarPendentes();
    } catch (const DbError& e) {
        aviso(e.texto());
    }
    m_ecra.entrar(EcraDesk::Modo::ListaPendentes, algum);
    if (!algum) aviso(m_kind.pendentesVazio);
    notificar();
}

void DeskCore::btHistorico() {
    if (!podeAbandonar()) return;
    m_ecra.pesquisa = true;
    m_histDe = QDate(QDate::currentDate().year(), QDate::currentDate().month(), 1);
    m_histAte = QDate::currentDate();
    notificar();
}

void DeskCore::btLer() {
    if (!podeAbandonar()) return;
    m_estado.clear();
    limparForm();
    m_ecra.entrar(EcraDesk::Modo::ListaHistorico);
    bool algum = false;
    try {
        algum = carregarHistorico();
    } catch (const DbError& e) {
        aviso(e.texto());
    }
    m_ecra.comLinhas = algum;
    if (!algum) aviso(QStringLiteral("Não existem registos de Histórico!"));
    notificar();
}

void DeskCore::activarLinha(int linha) {
    const qint32 id = m_grelha.valor(linha, QStringLiteral("Id")).toInt();
    if (id == 0) return;
    m_idHistorico = id;
    // A row of the history opens a finished weighing; any other a pending truck.
    const bool historico = verHistorico();
    limparForm();
    m_ecra.entrar(historico ? EcraDesk::Modo::Concluida : EcraDesk::Modo::Recolhida);
    if (!historico) m_ecra.peso = EcraDesk::Peso::Segundo;
    if (!acertarNotas(id) || !lerCarga(id)) {
        // Never a half-filled desk: the operator is told and the desk is cleared.
        btCancGeral();
        return;
    }
    if (const auto pb = RegistoHistorico::lerDataHora(campo(Campo::DataEntrada))) m_dataPesagem = pb->date();
    m_estado.clear();
    bloquearRegisto();
    if (historico) {
        for (Campo i : {Campo::Terceiro, Campo::Morada, Campo::Artigo, Campo::Vasilhame, Campo::CodPostal,
                        Campo::Matricula, Campo::RefCliente, Campo::Qualidade, Campo::Observacoes, Campo::Efectivo})
            m_listasDesactivadas.insert(i);
    }
    notificar();
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
    m_subsidiariasBloqueadas = escolha.has_value() || verHistorico();
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
            if (const auto m = consultasdesk::lerMorada(m_db, m_kind, campo(Campo::Terceiro), campo(Campo::Morada))) {
                set(Campo::Endereco, m->descricao);
                set(Campo::Localidade, m->localidade);
                set(Campo::CodPostal, m->codPostal);
                setRotulo(DescMorada, m->descricao);
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
        if (segundoPeso()) {
            // A pending weighing has no second weight yet: the fields wait for it.
            for (Campo i : {m_kind.campoSegundoPeso, Campo::Liquido, Campo::Efectivo}) set(i, QString());
        }
        const std::optional<Artigo> a = consultasdesk::lerArtigo(m_db, campo(Campo::Artigo));
        setRotulo(DescArtigo, a ? a->nome : QString());
        m_unBase = a ? a->unBase : QString();
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
    return true;
}
