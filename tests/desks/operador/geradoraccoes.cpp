#include "tests/desks/operador/geradoraccoes.h"

#include "tests/desks/operador/mundo.h"

QString GeradorAccoes::lixo() {
    static const QString pedacos[] = {QStringLiteral("'"),   QStringLiteral("\""),         QStringLiteral("%"),
                                      QStringLiteral(";"),   QStringLiteral("--"),         QStringLiteral(" "),
                                      QStringLiteral("ção"), QStringLiteral("€"),          QStringLiteral("\n"),
                                      QStringLiteral("1"),   QStringLiteral("9"),          QStringLiteral(","),
                                      QStringLiteral("."),   QStringLiteral("-"),          QStringLiteral("x"),
                                      QStringLiteral("\t"),  QStringLiteral("DROP TABLE"), QStringLiteral("𝄞")};
    QString s;
    const int n = ate(12);
    for (int i = 0; i < n; ++i) s += pedacos[ate(int(std::size(pedacos)))];
    return s;
}

QString GeradorAccoes::peso() {
    switch (ate(10)) {
        case 0:
            return QStringLiteral("0");
        case 1:
            return QString();
        case 2:
            return um(
                {QStringLiteral("99999999999999"), QStringLiteral("123456789012345"), QStringLiteral("4294967296")});
        case 3:
            return QString::number(ate(2000) + 1);
        default:
            return QString::number(5000 + ate(35000));
    }
}

QString GeradorAccoes::textoPara(int posto, Campo campo) {
    const bool entrada = posto >= 2;
    if (chance(12)) return lixo();
    switch (campo) {
        case Campo::Terceiro:
            if (entrada)
                return um({QStringLiteral("F001"), QStringLiteral("F002"), QStringLiteral("F003"),
                           QStringLiteral("f004"), QStringLiteral("F007"), QStringLiteral("F015"),
                           QStringLiteral("F999"), QStringLiteral("C001"), QString()});
            return um({QStringLiteral("C001"), QStringLiteral("C002"), QStringLiteral("c005"), QStringLiteral("C009"),
                       QStringLiteral("C012"), QStringLiteral("C018"), QStringLiteral("C999"), QStringLiteral("F001"),
                       QString()});
        case Campo::Morada:
            return um({QStringLiteral("001"), QStringLiteral("002"), QStringLiteral("003"), QStringLiteral("009"),
                       QString()});
        case Campo::Artigo:
            return um({QStringLiteral("MILHO"), QStringLiteral("TRIGO"), QStringLiteral("CEVADA"),
                       QStringLiteral("ADUBO-NPK"), QStringLiteral("rac-vl"), QStringLiteral("PORTES"),
                       QStringLiteral("RAC-COE"), QStringLiteral("ZZZ"), QString()});
        case Campo::Vasilhame:
        case Campo::RefCliente:
        case Campo::Qualidade:
        case Campo::Efectivo:
            if (campo == Campo::RefCliente) return um({QStringLiteral("Enc. 7"), QString()});
            return um({QStringLiteral("0"), QStringLiteral("20"), QStringLiteral("150"), QStringLiteral("20,5"),
                       QStringLiteral("20.5"), QStringLiteral("1.250"), QStringLiteral("-5"), QStringLiteral("abc"),
                       QString(), QStringLiteral("9500.5"), QStringLiteral("99999999"),
                       QStringLiteral("12345678901234"), QString::number(ate(40000))});
        case Campo::CodPostal:
            return um({QStringLiteral("4750-310"), QStringLiteral("0000-000"), QString()});
        case Campo::Peso:
            return peso();
        case Campo::Matricula:
            return um({QStringLiteral("12-AB-34"), QStringLiteral("AA-'1-BB"), QStringLiteral("45-QO-12"), QString()});
        case Campo::TipoMorada:
            return um({QStringLiteral("ARM"), QStringLiteral("EXP"), QStringLiteral("ZZ"), QString()});
        default:
            return um({QStringLiteral("texto"), QStringLiteral("D'Almeida"), QString()});
    }
}

Accao GeradorAccoes::qualquer(Mundo& m, int posto) {
    Accao a;
    a.posto = posto;
    a.resposta = chance(75);
    // Any field of the desk, drawn by its place in the desk's table.
    const QVector<CampoDesk>& campos = Mundo::kind(posto).tabela().todos();
    const auto qualquerCampo = [&] { return campos[ate(int(campos.size()))].nome; };
    switch (ate(11)) {
        case 0:
        case 1:
            a.tipo = chance(50) ? Accao::Escrever : Accao::EscreverESair;
            a.campo = qualquerCampo();
            a.texto = textoPara(posto, a.campo);
            break;
        case 2:
            a.tipo = Accao::Sair;
            a.campo = qualquerCampo();
            break;
        case 3:
            a.tipo = Accao::Lista;
            a.campo = um({Campo::Terceiro, Campo::Morada, Campo::Artigo, Campo::CodPostal, Campo::Matricula,
                          posto >= 2 ? Campo::Qualidade : Campo::RefCliente, Campo::TipoMorada});
            a.texto = chance(30) ? QString() : textoPara(posto, a.campo);
            break;
        case 4:
            a.tipo = Accao::Pesar;
            a.kg = chance(20) ? -1 : textoPara(posto, Campo::Peso).toLongLong();
            break;
        case 5:
            a.tipo = Accao::Linha;
            a.indice = ate(std::max<int>(1, int(m.desk(posto).grelha().linhas.size()) + 1)) - (chance(5) ? 1 : 0);
            break;
        case 6:
            a.tipo = Accao::Data;
            a.data = um({QDate::currentDate(), QDate::currentDate().addDays(-1), QDate::currentDate().addDays(1),
                         QDate(QDate::currentDate().year() - 1, 9, 30), QDate(QDate::currentDate().year() - 1, 10, 1),
                         QDate(QDate::currentDate().year() - 1, 12, 31), QDate(QDate::currentDate().year(), 1, 1)});
            break;
        case 7:
            a.tipo = chance(50) ? Accao::Subsidiarias : Accao::Caracteristica;
            a.indice = ate(2);
            break;
        case 8:
            a.tipo = Accao::Escape;
            a.campo = qualquerCampo();
            break;
        default:
            a.tipo = Accao::Botao;
            a.indice = ate(DeskCore::NumBotoes);
            if (a.indice == DeskCore::BtSair) a.indice = DeskCore::BtCancGeral;
            a.gravacao = Gravacao(ate(3));
            if (a.indice == DeskCore::BtConfPeso) a.gravacao = Gravacao(ate(2));
            break;
    }
    return a;
}

Accao GeradorAccoes::sensata(Mundo& m, int posto) {
    DeskCore& d = m.desk(posto);
    Accao a;
    a.posto = posto;
    a.resposta = chance(85);
    auto botao = [&](DeskCore::Botao b, Gravacao g = Gravacao::Confirmar) {
        a.tipo = Accao::Botao;
        a.indice = b;
        a.gravacao = g;
        return a;
    };
    auto tab = [&](Campo campo, const QString& texto) {
        a.tipo = Accao::EscreverESair;
        a.campo = campo;
        a.texto = texto;
        return a;
    };
    if (d.painelFinal())
        return chance(85) ? botao(DeskCore::BtConfFinal, Gravacao(ate(3))) : botao(DeskCore::BtCancFinal);
    if (d.painelPesagem()) {
        if (d.campo(Campo::Peso).isEmpty() || chance(10)) {
            if (chance(30)) {
                a.tipo = Accao::Pesar;
                a.kg = chance(15) ? -1 : 5000 + ate(35000);
                return a;
            }
            return tab(Campo::Peso, peso());
        }
        if (chance(8)) return botao(DeskCore::BtCancPeso);
        if (chance(8)) {
            a.tipo = Accao::Data;
            a.data = um({QDate(QDate::currentDate().year() - 1, 9, 30), QDate(QDate::currentDate().year() - 1, 10, 1),
                         QDate(QDate::currentDate().year() - 1, 12, 31), QDate(QDate::currentDate().year(), 1, 1),
                         QDate::currentDate()});
            return a;
        }
        return botao(DeskCore::BtConfPeso, Gravacao(ate(2)));
    }
    if (d.grelhaVisivel() && !d.grelha().linhas.isEmpty()) {
        a.tipo = Accao::Linha;
        a.indice = ate(int(d.grelha().linhas.size()));
        return a;
    }
    if (d.verHistorico() && d.idHistorico() > 0 && d.tabsActivas()) {
        // Slips: typing where a finished weighing takes nothing (the party, the plate, references).
        if (chance(10)) {
            const Campo campo = um({Campo::Terceiro, Campo::Artigo, Campo::Matricula,
                                    Mundo::kind(posto).entrada ? Campo::Morada : Campo::RefEntrega});
            return tab(campo, textoPara(posto, campo));
        }
        switch (ate(8)) {
            case 0:
                return tab(Campo::Vasilhame, textoPara(posto, Campo::Vasilhame));
            case 1:
                // Outgoing: a reference-like text typed into the observations.
                return Mundo::kind(posto).entrada ? tab(Campo::Qualidade, textoPara(posto, Campo::Qualidade))
                                                  : tab(Campo::Observacoes, textoPara(posto, Campo::RefCliente));
            case 2:
                return tab(Campo::Efectivo, textoPara(posto, Campo::Efectivo));
            case 3:
                return tab(Campo::Observacoes, textoPara(posto, Campo::Observacoes));
            case 4:
                return botao(DeskCore::BtAnularHist);
            case 5:
                return botao(DeskCore::BtCancGeral);
            case 6:
                if (chance(30)) return botao(DeskCore::BtGuardarTara);
                [[fallthrough]];
            default:
                return botao(DeskCore::BtConf);
        }
    }
    if (d.segundoPeso()) {
        // Slips on a recalled truck: another party, article or plate typed over it.
        if (chance(8)) {
            const Campo campo = um({Campo::Terceiro, Campo::Morada, Campo::Artigo, Campo::Matricula});
            return tab(campo, textoPara(posto, campo));
        }
        if (d.campo(Campo::DataSaida).isEmpty())
            return chance(90) ? botao(DeskCore::BtPeso) : botao(DeskCore::BtAnularHist);
        switch (ate(7)) {
            case 0:
                return tab(Campo::Vasilhame, textoPara(posto, Campo::Vasilhame));
            case 1:
                return Mundo::kind(posto).entrada ? tab(Campo::Qualidade, textoPara(posto, Campo::Qualidade))
                                                  : tab(Campo::LocalCarga, QStringLiteral("Cais 2"));
            case 2:
                return tab(Campo::Efectivo, textoPara(posto, Campo::Efectivo));
            default:
                return botao(DeskCore::BtConf);
        }
    }
    if (d.tabsActivas() && !d.verHistorico()) {
        // A new weighing being entered.
        if (!d.primeiroPeso() || chance(5)) return tab(Campo::Terceiro, textoPara(posto, Campo::Terceiro));
        if (d.campo(Campo::Artigo).isEmpty() || chance(5)) return tab(Campo::Artigo, textoPara(posto, Campo::Artigo));
        // A regular truck with its stored tare, or one whose tare expired.
        if (d.campo(Campo::Matricula).isEmpty() && chance(40))
            return tab(Campo::Matricula, chance(75) ? Mundo::matriculaComTara() : Mundo::matriculaExpirada());
        if (chance(10)) return tab(Campo::Matricula, textoPara(posto, Campo::Matricula));
        // A truck already waiting on this desk weighed in again by mistake (or on purpose).
        if (chance(6)) {
            const RecordSet r = m.db().consultar(
                QStringLiteral(
                    "SELECT Carro FROM kel_PES_Historico WHERE DataHoraPL IS NULL AND Tipo = ? AND Carro <> ''"),
                {Mundo::kind(posto).tipo});
            if (!r.isEmpty()) return tab(Campo::Matricula, r.text(ate(r.count()), QStringLiteral("Carro")));
        }
        if (chance(5)) return tab(Campo::Morada, textoPara(posto, Campo::Morada));
        if (chance(8) && Mundo::kind(posto).entrada) {
            a.tipo = Accao::Subsidiarias;
            a.indice = ate(2);
            return a;
        }
        return botao(DeskCore::BtPeso);
    }
    // Idle (or a list that shows nothing): four times in ten a new weighing, three the pending list.
    const int r = ate(10);
    if (r < 4) return botao(DeskCore::BtEntrada);
    if (r < 7) return botao(DeskCore::BtPendentes);
    if (r == 7) {
        a.tipo = Accao::Periodo;
        a.data = QDate(QDate::currentDate().year() - 1, 9, 1);
        a.data2 = QDate::currentDate().addDays(1);
        return a;
    }
    return botao(r == 8 ? DeskCore::BtLer : DeskCore::BtCancGeral);
}

Accao GeradorAccoes::proxima(Mundo& m) {
    // An operator mostly carries on at the desk in hand; now and then another desk of the
    // same workstation, or the other workstation on the same trucks.
    if (chance(30)) m_posto = chance(80) ? um({0, 2}) : um({1, 3});
    return chance(85) ? sensata(m, m_posto) : qualquer(m, m_posto);
}
