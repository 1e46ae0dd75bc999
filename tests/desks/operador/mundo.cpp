#include "tests/desks/operador/mundo.h"

namespace {

// What each button does, by DeskCore::Botao (btSair closes the window: the operator never presses it here).
using Premir = void (*)(DeskCore&, Gravacao);
const Premir kBotoes[DeskCore::NumBotoes] = {
    [](DeskCore& d, Gravacao) { d.btEntrada(); },
    [](DeskCore& d, Gravacao) { d.btPeso(); },
    [](DeskCore& d, Gravacao) { d.btPendentes(); },
    [](DeskCore& d, Gravacao) { d.btHistorico(); },
    [](DeskCore& d, Gravacao) { d.btLer(); },
    [](DeskCore& d, Gravacao) { d.btCancGeral(); },
    nullptr,
    [](DeskCore& d, Gravacao) { d.btAnularHist(); },
    [](DeskCore& d, Gravacao) { d.btImpHist(); },
    [](DeskCore& d, Gravacao) { d.btMailHist(); },
    [](DeskCore& d, Gravacao) { d.btConf(); },
    [](DeskCore& d, Gravacao) { d.btPesar(); },
    [](DeskCore& d, Gravacao g) { d.btConfPeso(g); },
    [](DeskCore& d, Gravacao) { d.btCancPeso(); },
    [](DeskCore& d, Gravacao g) { d.btConfFinal(g); },
    [](DeskCore& d, Gravacao) { d.btCancFinal(); },
    [](DeskCore& d, Gravacao) { d.btGuardarTara(); },
};

}  // namespace

bool MensagensAccao::mostrarAviso(int tipo, const QString& texto) {
    textos << texto;
    if (tipo == OkCancelar || tipo == SimNao || tipo == SimNaoPredefinidoNao) {
        if (!resposta) negou = true;
        return resposta;
    }
    recusou = true;
    return true;
}

void MensagensAccao::mostrarEstado(int estado, const QString& texto) {
    textos << texto;
    if (estado != Info) recusou = true;
}

void MensagensAccao::mensagem(const QString& texto) {
    textos << texto;
    recusou = true;
}

bool Mundo::Balanca::pesar(Money& p, QString& m) {
    if (kg < 0) {
        m = QStringLiteral("Pesagem Instável");
        return false;
    }
    p = Money::fromInteger(kg);
    return true;
}

Mundo::Mundo() : m_t(TempDatabase::Demo, QStringLiteral("operador_1")) {
    RecordingMessages m;
    ParametrosAplic::gravar(m_t.db(), m, QStringLiteral("1 A1 GEM 1 GES 2 GR 1 PES A2 2").split(u' '));
    m_parametros.ler(m_t.db(), m);
    Viatura v;
    v.matricula = matriculaComTara();
    v.terceiro = QStringLiteral("C001");
    v.artigo = QStringLiteral("MILHO");
    v.tara = Money::fromInteger(8000);
    v.pesadaEm = QDateTime(QDate::currentDate().addDays(-10), QTime(7, 30));
    v.validaAte = QDate::currentDate().addYears(1);
    v.manual = true;
    RegistoViaturas(m_t.db()).gravar(v);
    v.matricula = matriculaExpirada();
    v.pesadaEm = taraExpiradaEm();
    v.validaAte = taraExpiradaEm().date().addDays(30);
    RegistoViaturas(m_t.db()).gravar(v);
    m_db2 = m_t.second(QStringLiteral("operador_2"));
    for (int i = 0; i < 2; ++i) {
        m_erp[i] = std::make_unique<SessaoSageLocal>(m_t.settings(), QStringLiteral("operador_erp_%1").arg(i));
        m_erp[i]->ligar(QStringLiteral("local"), {}, QStringLiteral("DEMO"), QStringLiteral("admin"),
                        QStringLiteral("demo"));
    }
    for (int p = 0; p < kPostos; ++p) {
        const int posto = p % 2;  // workstation A or B
        BaseDados& db = posto == 0 ? m_t.db() : *m_db2;
        m_desks[p] = std::make_unique<DeskCore>(kind(p), db, m_parametros, m_msgs, *m_erp[posto], m_registry);
        m_desks[p]->setLookupProvider(&m_listas);
        m_desks[p]->setWeightSource(&m_balanca);
        m_desks[p]->setTicketActions(&m_taloes);
        // Time moves on with every action; a weighing's minute is that of the action.
        m_desks[p]->setRelogio([this] { return QTime(0, 0).addSecs(60 * (m_minutos % 1440)); });
    }
    for (int k = 0; k < 2; ++k)
        m_verificadores[k] = std::make_unique<DeskCore>(k ? DeskKind::entradas() : DeskKind::saidas(), m_t.db(),
                                                        m_parametros, m_silencio, *m_erp[0], m_registry);
}

QSet<qint32> Mundo::listaPendentes(bool entrada) {
    DeskCore& d = *m_verificadores[entrada ? 1 : 0];
    QSet<qint32> ids;
    d.carregarPendentes();
    for (int r = 0; r < d.grelha().linhas.size(); ++r) ids.insert(d.grelha().valor(r, QStringLiteral("Id")).toInt());
    return ids;
}

void Mundo::executar(const Accao& a) {
    ++m_minutos;
    m_msgs.limpar();
    m_msgs.resposta = a.resposta;
    DeskCore& d = *m_desks[a.posto];
    const bool registoAberto = d.segundoPeso() || d.verHistorico();
    // The operator types only where the window lets him: it disables the tab control while
    // the desk is idle or a panel is open, and shows the weight field and its date picker
    // only in the weighing panel. Buttons are pressed in any order.
    const bool campoAlcancavel = a.campo == Campo::Peso ? d.painelPesagem() : d.tabsActivas();
    const bool noCampo = a.tipo == Accao::Escrever || a.tipo == Accao::Sair || a.tipo == Accao::EscreverESair ||
                         a.tipo == Accao::Escape || a.tipo == Accao::Lista;
    if (noCampo && !campoAlcancavel) return;
    if ((a.tipo == Accao::Subsidiarias || a.tipo == Accao::Caracteristica) && !d.tabsActivas()) return;
    if (a.tipo == Accao::Data && !d.painelPesagem()) return;
    switch (a.tipo) {
        case Accao::Escrever:
            d.escrever(a.campo, a.texto);
            break;
        case Accao::Sair:
            d.sair(a.campo);
            break;
        case Accao::EscreverESair:
            d.escrever(a.campo, a.texto);
            d.sair(a.campo);
            break;
        case Accao::Escape:
            d.escape(a.campo);
            break;
        case Accao::Lista:
            m_listas.resposta = a.texto;
            d.pedirLista(a.campo);
            break;
        case Accao::Pesar:
            m_balanca.kg = a.kg;
            d.btPesar();
            break;
        case Accao::Linha:
            d.activarLinha(a.indice);
            break;
        case Accao::Data:
            d.setDataPesagem(a.data);
            break;
        case Accao::Periodo:
            d.setPeriodoHistorico(a.data, a.data2);
            break;
        case Accao::Subsidiarias:
            d.setMateriasSubsidiarias(a.indice != 0);
            break;
        case Accao::Caracteristica:
            d.setCaracteristica(a.indice);
            break;
        case Accao::Botao:
            if (a.indice >= 0 && a.indice < DeskCore::NumBotoes && kBotoes[a.indice]) kBotoes[a.indice](d, a.gravacao);
            break;
    }
    // A typed effective weight of a weighing on the desk is no longer net minus deductions.
    const bool efectivo = (a.tipo == Accao::Escrever || a.tipo == Accao::EscreverESair || a.tipo == Accao::Lista) &&
                          a.campo == Campo::Efectivo;
    if (efectivo && registoAberto && d.idHistorico() > 0) m_digitados.insert(d.idHistorico());
}
