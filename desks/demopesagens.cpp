#include "desks/demopesagens.h"

#include <algorithm>

#include "records/numeracao.h"
#include "records/taloescore.h"

#include <QRandomGenerator>

#include "base/basedados.h"
#include "base/errooperacao.h"
#include "base/operatormessages.h"
#include "desks/deskcore.h"
#include "erp/apiregistry.h"
#include "erp/sessaosagelocal.h"
#include "records/parametrosaplic.h"

namespace {

// Every message the desk shows while it makes demo weighings is a refusal: kept, so the
// demo fails with it instead of leaving a weighing half made.
class Recusas : public OperatorMessages {
  public:
    bool mostrarAviso(int, const QString& t) override {
        textos << t;
        return false;
    }
    void mostrarEstado(int, const QString& t) override { textos << t; }
    void mensagem(const QString& t) override { textos << t; }
    QStringList textos;
};

struct Carga {
    const char* terceiro;
    const char* morada;  // nullptr: the third party's own address
    const char* artigo;
    const char* matricula;
    bool subsidiarias;
};

// Outgoing: feed and grain to farms and dairies.
const Carga kSaidas[] = {
    {"C001", nullptr, "RAC-VL", "45-QO-12", false},  {"C001", "002", "RAC-VL", "45-QO-12", false},
    {"C002", "001", "MILHO", "AB-21-CD", false},     {"C002", "002", "TRIGO", "AB-21-CD", false},
    {"C004", nullptr, "RAC-VL", "12-LJ-88", false},  {"C005", "001", "RAC-FRG", "77-AV-03", false},
    {"C005", "002", "RAC-FRG", "77-AV-03", false},   {"C008", "001", "RAC-SUI", "90-NV-45", false},
    {"C009", "001", "BAGSOJA44", "BX-33-EP", false}, {"C011", nullptr, "RAC-VL", "31-OT-70", false},
    {"C013", "001", "MILHO", "SA-04-JO", false},     {"C016", nullptr, "CEVADA", "PL-61-LM", false},
    {"C007", nullptr, "RAC-SUI", "08-CR-19", false}, {"C003", nullptr, "TRIGO", "56-MF-02", false},
};

// Incoming: grain traders, local farmers and the fertiliser maker.
const Carga kEntradas[] = {
    {"F001", "001", "MILHO", "98-CN-14", false},     {"F001", "002", "TRIGO", "98-CN-14", false},
    {"F002", "001", "ADUBO-NPK", "AZ-52-AT", true},  {"F003", nullptr, "MILHO", "23-JF-81", false},
    {"F004", "001", "CEVADA", "LX-07-SL", false},    {"F005", nullptr, "MILHO", "65-DB-29", false},
    {"F007", "001", "BAGSOJA44", "AS-90-IB", false}, {"F010", "001", "MILHO", "QP-18-LN", false},
    {"F012", nullptr, "TRIGO", "MV-44-VC", false},
};

const char* const kObservacoes[] = {
    "Carga coberta com lona",  "Motorista pediu talão em duplicado",
    "Descarga no cais d'Além", "Humidade verificada à entrada",
    "Entregar antes das 16h",
};

int arredondar(int kg) {
    return kg / 20 * 20;
}

class Operador {
  public:
    Operador(DeskCore& desk, Recusas& recusas) : d(desk), r(recusas) {}

    // Types a field and leaves it with Tab.
    void tab(Campo campo, const QString& texto) {
        d.escrever(campo, texto);
        d.sair(campo);
        verificar();
    }

    qint32 primeira(const Carga& c, const QDate& dia, int kg, const QString& refCliente, const QString& obs) {
        d.btEntrada();
        tab(Campo::Terceiro, QString::fromUtf8(c.terceiro));
        if (c.morada) tab(Campo::Morada, QString::fromUtf8(c.morada));
        tab(Campo::Artigo, QString::fromUtf8(c.artigo));
        tab(Campo::Matricula, QString::fromUtf8(c.matricula));
        if (!refCliente.isEmpty()) tab(Campo::RefCliente, refCliente);
        if (!obs.isEmpty()) tab(Campo::Observacoes, obs);
        if (c.subsidiarias) d.setMateriasSubsidiarias(true);
        d.btPeso();
        d.setDataPesagem(dia);
        d.escrever(Campo::Peso, QString::number(kg));
        d.setRelogio([h = m_hora] { return h; });
        d.btConfPeso(Gravacao::Confirmar);
        verificar();
        return d.idHistorico();
    }

    void segunda(qint32 id, const Carga& c, const QDate& dia, int kg, int vasilhame, int qualidade, int categoria) {
        d.btPendentes();
        int linha = -1;
        for (int l = 0; l < d.grelha().linhas.size(); ++l)
            if (d.grelha().valor(l, QStringLiteral("Id")).toInt() == id) linha = l;
        if (linha < 0) throw RegraRecusada(QStringLiteral("A pesagem de demonstração %1 não está pendente.").arg(id));
        d.activarLinha(linha);
        if (c.subsidiarias) d.setMateriasSubsidiarias(true);
        d.btPeso();
        d.setDataPesagem(dia);
        if (!d.kind().entrada) {
            d.setDataCarga(QDateTime(dia, QTime(8, 30)));
            d.setDataDescarga(QDateTime(dia, QTime(11, 0)));
        }
        d.escrever(Campo::Peso, QString::number(kg));
        // The truck leaves a while after it came in.
        d.setRelogio([h = m_hora.addSecs(60 * (35 + m_hora.minute()))] { return h; });
        d.btConfPeso(Gravacao::Confirmar);
        verificar();
        if (vasilhame > 0) tab(Campo::Vasilhame, Money::fromInteger(vasilhame).format());
        if (qualidade > 0) tab(Campo::Qualidade, Money::fromInteger(qualidade).format());
        if (d.kind().entrada) d.setCaracteristica(categoria);
        d.btConf();
        d.btConfFinal(Gravacao::Confirmar);
        verificar();
    }

    // Time of day of the next first weighing.
    void setHora(const QTime& h) { m_hora = h; }

  private:
    QTime m_hora = QTime(8, 0);
    void verificar() {
        if (!r.textos.isEmpty())
            throw RegraRecusada(QStringLiteral("Pesagem de demonstração recusada: ") + r.textos.join(QLatin1Char(' ')));
    }
    DeskCore& d;
    Recusas& r;
};

}  // namespace

DemoPesagens::Resumo DemoPesagens::criar(BaseDados& db, const SqlSettings& erp, const QString& empresa,
                                         const QString& utilizador, const QString& password, const QDate& hoje,
                                         const QTime& agora) {
    Resumo resumo;
    Recusas recusas;
    ParametrosAplic parametros;
    if (!parametros.ler(db, recusas)) throw ErroConfiguracao(recusas.textos.join(QLatin1Char(' ')));
    SessaoSageLocal sessao(erp, QStringLiteral("balantrix_demo_erp"));
    sessao.setOpcao(2);
    if (!sessao.ligar(QStringLiteral("local"), QString(), empresa, utilizador, password))
        throw ErroOperacao(sessao.ultimoErroNumero(), sessao.ultimoErro());
    ApiRegistry registry;
    DeskCore saidas(DeskKind::saidas(), db, parametros, recusas, sessao, registry);
    DeskCore entradas(DeskKind::entradas(), db, parametros, recusas, sessao, registry);
    Operador opSaidas(saidas, recusas);
    Operador opEntradas(entradas, recusas);

    // Each customer's outgoing tickets carry its prefix, as the counters form sets it:
    // one counter per campaign the demo weighings fall in.
    {
        QStringList campanhas{CampanhaDaData(hoje.addDays(-122)), CampanhaDaData(hoje)};
        campanhas.removeDuplicates();
        QStringList clientes;
        for (const Carga& c : kSaidas) clientes << QString::fromUtf8(c.terceiro);
        clientes.removeDuplicates();
        for (const QString& campanha : campanhas) {
            for (const QString& cliente : clientes) {
                TaloesCore contador(db, parametros, recusas, 2);
                contador.setCampo(TaloesCore::Campanha, campanha);
                contador.setCampo(TaloesCore::TipoDoc, parametros.texto(QStringLiteral("TpSaida")));
                contador.setCampo(TaloesCore::Cliente, cliente);
                contador.setCampo(TaloesCore::TipoMorada, QString());
                contador.setCampo(TaloesCore::Sigla, QStringLiteral("AV") + cliente.mid(1));
                contador.setCampo(TaloesCore::Contador, QStringLiteral("0"));
                if (contador.confirmar() != -1) throw RegraRecusada(recusas.textos.join(QLatin1Char(' ')));
            }
        }
    }

    // A fixed seed: every demo installation holds the same weighings, relative to its day.
    QRandomGenerator rng(20240917u);
    const auto entre = [&rng](int de, int ate) { return int(rng.bounded(de, ate + 1)); };

    // About four months back, every few days, oldest first, so tickets and documents
    // are numbered in the order of their dates; weighbridges rest on Sundays.
    QDate dia = hoje.addDays(-122);
    QTime horaPatio(8, 0);
    for (int n = 0; n < 36; ++n) {
        dia = dia.addDays(entre(2, 4));
        if (dia.dayOfWeek() == Qt::Sunday) dia = dia.addDays(1);
        if (dia >= hoje) break;
        const bool saida = entre(0, 9) < 6;
        const QTime hora(entre(7, 15), entre(0, 59));
        horaPatio = hora;
        opSaidas.setHora(hora);
        opEntradas.setHora(hora);
        const QString obs = entre(0, 5) == 0 ? QString::fromUtf8(kObservacoes[entre(0, 4)]) : QString();
        if (saida) {
            const Carga& c = kSaidas[entre(0, int(std::size(kSaidas)) - 1)];
            const int tara = arredondar(entre(11500, 15500));
            const int liquido = arredondar(entre(7000, 24000));
            const QString ref =
                entre(0, 2) == 0 ? QStringLiteral("Enc. %1/%2").arg(dia.year()).arg(entre(100, 999)) : QString();
            const qint32 id = opSaidas.primeira(c, dia, tara, ref, obs);
            opSaidas.segunda(id, c, dia, tara + liquido, entre(0, 3) == 0 ? arredondar(entre(40, 240)) : 0, 0, 0);
        } else {
            const Carga& c = kEntradas[entre(0, int(std::size(kEntradas)) - 1)];
            const int tara = arredondar(entre(11000, 15000));
            const int bruto = tara + arredondar(entre(9000, 26000));
            const qint32 id = opEntradas.primeira(c, dia, bruto, QString(), obs);
            const int qualidade = !c.subsidiarias && entre(0, 2) == 0 ? arredondar(entre(60, 420)) : 0;
            opEntradas.segunda(id, c, dia, tara, entre(0, 4) == 0 ? arredondar(entre(40, 200)) : 0, qualidade,
                               entre(0, 3) == 0 ? 1 : 0);
        }
        ++resumo.concluidas;
    }

    // Trucks on the yard: weighed in, not yet out. Today's came in a while before now: an
    // entry later than the clock would keep the operator from weighing them out.
    const int antes = std::max(0, agora.msecsSinceStartOfDay() / 1000 - 15 * 60);
    if (QTime::fromMSecsSinceStartOfDay(antes * 1000) < horaPatio)
        horaPatio = QTime::fromMSecsSinceStartOfDay(antes * 1000);
    opSaidas.setHora(horaPatio);
    opEntradas.setHora(horaPatio);
    opEntradas.primeira(kEntradas[5], hoje.addDays(-1), 27340, QString(),
                        QStringLiteral("Aguarda análise de humidade"));
    opSaidas.primeira(kSaidas[0], hoje, 13280, QStringLiteral("Enc. d'Outubro 12"), QString());
    opEntradas.primeira(kEntradas[0], hoje, 36120, QString(), QString());
    opSaidas.primeira(kSaidas[7], hoje, 14960, QString(), QString());
    resumo.pendentes = 4;
    saidas.btCancGeral();
    entradas.btCancGeral();
    return resumo;
}
