#include "tests/desks/operador/mundo.h"

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
    ParametrosAplic::gravar(m_t.db(), m,
                            {QStringLiteral("1"), QStringLiteral("A1"), QStringLiteral("GEM"), QStringLiteral("1"),
                             QStringLiteral("GES"), QStringLiteral("2"), QStringLiteral("GR"), QStringLiteral("1"),
                             QStringLiteral("PES"), QStringLiteral("A2"), QStringLiteral("2")});
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

Mundo::~Mundo() {
    for (auto& d : m_desks) d.reset();
    for (auto& d : m_verificadores) d.reset();
    for (auto& e : m_erp) e.reset();
    m_db2.reset();
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
    switch (a.tipo) {
        case Accao::Escrever:
        case Accao::Sair:
        case Accao::EscreverESair:
        case Accao::Escape:
        case Accao::Lista:
            if (!campoAlcancavel) return;
            break;
        case Accao::Subsidiarias:
        case Accao::Caracteristica:
            if (!d.tabsActivas()) return;
            break;
        case Accao::Data:
            if (!d.painelPesagem()) return;
            break;
        default:
            break;
    }
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
            switch (a.indice) {
                case DeskCore::BtEntrada:
                    d.btEntrada();
                    break;
                case DeskCore::BtPeso:
                    d.btPeso();
                    break;
                case DeskCore::BtPendentes:
                    d.btPendentes();
                    break;
                case DeskCore::BtHistorico:
                    d.btHistorico();
                    break;
                case DeskCore::BtLer:
                    d.btLer();
                    break;
                case DeskCore::BtCancGeral:
                    d.btCancGeral();
                    break;
                case DeskCore::BtAnularHist:
                    d.btAnularHist();
                    break;
                case DeskCore::BtImpHist:
                    d.btImpHist();
                    break;
                case DeskCore::BtMailHist:
                    d.btMailHist();
                    break;
                case DeskCore::BtConf:
                    d.btConf();
                    break;
                case DeskCore::BtPesar:
                    d.btPesar();
                    break;
                case DeskCore::BtConfPeso:
                    d.btConfPeso(a.gravacao);
                    break;
                case DeskCore::BtCancPeso:
                    d.btCancPeso();
                    break;
                case DeskCore::BtConfFinal:
                    d.btConfFinal(a.gravacao);
                    break;
                case DeskCore::BtCancFinal:
                    d.btCancFinal();
                    break;
                case DeskCore::BtGuardarTara:
                    d.btGuardarTara();
                    break;
                default:
                    break;
            }
            break;
    }
    // A typed effective weight of a weighing on the desk is no longer net minus deductions.
    const bool efectivo = (a.tipo == Accao::Escrever || a.tipo == Accao::EscreverESair || a.tipo == Accao::Lista) &&
                          a.campo == Campo::Efectivo;
    if (efectivo && registoAberto && d.idHistorico() > 0) m_digitados.insert(d.idHistorico());
}
