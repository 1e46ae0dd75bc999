#include "tests/desks/operador/accao.h"

#include "desks/deskcore.h"

namespace {

QString nomeBotao(int b) {
    static const char* nomes[] = {"btEntrada",   "btPeso",       "btPendentes",  "btHistorico", "btler",
                                  "btCancGeral", "btSair",       "btAnularHist", "btImpHist",   "btMailHist",
                                  "btConf",      "btPesar",      "btConfPeso",   "btCancPeso",  "btConfFinal",
                                  "btCancFinal", "btGuardarTara"};
    static_assert(sizeof(nomes) / sizeof(*nomes) == DeskCore::NumBotoes);
    return b >= 0 && b < DeskCore::NumBotoes ? QString::fromLatin1(nomes[b]) : QStringLiteral("?");
}

QString citado(const QString& t) {
    QString q = t;
    q.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    q.replace(QLatin1Char('\n'), QLatin1String("\\n")).replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

}  // namespace

QString Accao::descricao() const {
    static const char* postos[] = {"saidas-A", "saidas-B", "entradas-A", "entradas-B"};
    QString s = QString::fromLatin1(postos[posto & 3]) + QLatin1Char(' ');
    const QString campo = ((posto & 3) >= 2 ? DeskKind::entradas() : DeskKind::saidas()).tabela().legenda(this->campo);
    switch (tipo) {
        case Escrever:
            s += QStringLiteral("escrever campo %1 %2").arg(campo).arg(citado(texto));
            break;
        case Sair:
            s += QStringLiteral("sair campo %1").arg(campo);
            break;
        case EscreverESair:
            s += QStringLiteral("escrever e sair campo %1 %2").arg(campo).arg(citado(texto));
            break;
        case Escape:
            s += QStringLiteral("Esc campo %1").arg(campo);
            break;
        case Lista:
            s += QStringLiteral("lista campo %1 escolhe %2").arg(campo).arg(citado(texto));
            break;
        case Botao:
            s += nomeBotao(indice);
            if (indice == DeskCore::BtConfPeso || indice == DeskCore::BtConfFinal)
                s += QStringLiteral("(%1)").arg(int(gravacao));
            break;
        case Pesar:
            s += kg < 0 ? QStringLiteral("btPesar (balança falha)") : QStringLiteral("btPesar (balança dá %1)").arg(kg);
            break;
        case Linha:
            s += QStringLiteral("linha %1 da grelha").arg(indice);
            break;
        case Data:
            s += QStringLiteral("data da pesagem %1").arg(data.toString(QStringLiteral("dd-MM-yyyy")));
            break;
        case Periodo:
            s += QStringLiteral("histórico de %1 a %2")
                     .arg(data.toString(QStringLiteral("dd-MM-yyyy")), data2.toString(QStringLiteral("dd-MM-yyyy")));
            break;
        case Subsidiarias:
            s += indice ? QStringLiteral("marcar Matérias Subsidiárias")
                        : QStringLiteral("desmarcar Matérias Subsidiárias");
            break;
        case Caracteristica:
            s += QStringLiteral("categoria %1").arg(indice);
            break;
    }
    if (!resposta) s += QStringLiteral(" [responde Cancelar]");
    return s;
}
