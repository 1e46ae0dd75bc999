#include "tests/desks/operador/operadoraleatorio.h"

#include "tests/desks/operador/geradoraccoes.h"
#include "tests/desks/operador/mundo.h"

namespace {

std::optional<Falha> passo(Mundo& m, Invariantes& inv, const Accao& a) {
    const Antes antes = Antes::de(m, a.posto);
    m.executar(a);
    if (auto f = inv.depoisDe(a, antes)) return f;
    return inv.baseDados();
}

}  // namespace

QString OperadorAleatorio::Resultado::relatorio() const {
    QString s = QStringLiteral("semente %1, %2 acções").arg(semente).arg(passos);
    if (!falha)
        return s + QStringLiteral(": sem falhas (%1 concluídas, %2 correcções, %3 anulações, %4 matrículas repetidas)")
                       .arg(finalizadas)
                       .arg(correccoes)
                       .arg(anulacoes)
                       .arg(repetidas);
    s += QStringLiteral("\nFALHA [%1] %2\nAcções mínimas que ainda falham (%3):")
             .arg(falha->regra, falha->texto)
             .arg(accoes.size());
    for (int i = 0; i < accoes.size(); ++i) s += QStringLiteral("\n  %1. %2").arg(i + 1).arg(accoes[i].descricao());
    return s;
}

std::optional<QPair<int, Falha>> OperadorAleatorio::reproduzir(const QList<Accao>& accoes) {
    Mundo m;
    Invariantes inv(m);
    for (int i = 0; i < accoes.size(); ++i)
        if (auto f = passo(m, inv, accoes[i])) return qMakePair(i, *f);
    return std::nullopt;
}

QList<Accao> OperadorAleatorio::encolher(QList<Accao> accoes, const Teste& falha, int maxTentativas) {
    // Delta debugging: drop ever smaller chunks while the list still fails.
    int tentativas = 0;
    int n = 2;
    while (accoes.size() >= 2 && tentativas < maxTentativas) {
        const int tamanho = int(accoes.size());
        const int pedaco = (tamanho + n - 1) / n;
        bool encolheu = false;
        for (int inicio = 0; inicio < tamanho && tentativas < maxTentativas; inicio += pedaco) {
            const QList<Accao> candidata = accoes.mid(0, inicio) + accoes.mid(inicio + pedaco);
            ++tentativas;
            if (const auto ate = falha(candidata)) {
                accoes = candidata.mid(0, *ate + 1);
                n = std::max(n - 1, 2);
                encolheu = true;
                break;
            }
        }
        if (!encolheu) {
            if (n >= tamanho) break;
            n = std::min(tamanho, n * 2);
        }
    }
    return accoes;
}

OperadorAleatorio::Resultado OperadorAleatorio::correr(quint64 semente, int passos,
                                                       const std::function<void(int)>& progresso) {
    Resultado r;
    r.semente = semente;
    QList<Accao> feitas;
    {
        Mundo m;
        Invariantes inv(m);
        GeradorAccoes gerador(semente);
        for (int i = 0; i < passos; ++i) {
            const Accao a = gerador.proxima(m);
            feitas << a;
            r.passos = i + 1;
            if (a.tipo == Accao::Botao && a.indice == DeskCore::BtConf && m.desk(a.posto).verHistorico())
                ++r.correccoes;
            if (a.tipo == Accao::Botao && a.indice == DeskCore::BtAnularHist) ++r.anulacoes;
            if (auto f = passo(m, inv, a)) {
                r.falha = f;
                break;
            }
            for (const QString& t : m.mensagens().textos)
                if (t.contains(QStringLiteral("já tem uma pesagem pendente"))) ++r.repetidas;
            if (progresso && (i + 1) % 1000 == 0) progresso(i + 1);
        }
        r.finalizadas = m.db().escalar(QStringLiteral("SELECT COUNT(*) FROM DocGCCab")).toInt();
    }
    if (r.falha) {
        const QString regra = r.falha->regra;
        // The same rule must break: a shorter list that trips another one is another story.
        r.accoes = encolher(feitas, [&regra](const QList<Accao>& l) -> std::optional<int> {
            const auto f = reproduzir(l);
            if (!f || f->second.regra != regra) return std::nullopt;
            return f->first;
        });
        if (const auto f = reproduzir(r.accoes)) r.falha = f->second;
    }
    return r;
}
