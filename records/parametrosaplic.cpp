#include "records/parametrosaplic.h"

#include "base/basedados.h"
#include "base/operatormessages.h"

QString ParametrosAplic::texto(const QString& coluna) const {
    if (m_rows.isEmpty() || !m_rows.hasColumn(coluna)) return {};
    return m_rows.text(0, coluna);
}

bool ParametrosAplic::ler(BaseDados& db, OperatorMessages& messages, const QString& numero) {
    try {
        ProcResult r = db.procedimento(QStringLiteral("sp_kel_Ler_PES_Param_Aplic"),
                                       {{QStringLiteral("Numero"), numero, ProcParam::SmallInt}});
        m_rows = r.rows;
        return true;
    } catch (const ErroOperacao& e) {
        messages.mensagem(QStringLiteral("Ler Parâmetros ") + e.descricao());
        return false;
    }
}

bool ParametrosAplic::gravar(BaseDados& db, OperatorMessages& messages, const QStringList& valores) {
    struct Param {
        const char* nome;
        ProcParam::Type tipo;
        int tamanho;
    };
    static const Param kParams[] = {
        {"Numero", ProcParam::SmallInt, 0},  {"ArmCentral", ProcParam::Text, 6},
        {"TpGuiaEntMP", ProcParam::Text, 3}, {"SeGuiaEntMP", ProcParam::SmallInt, 0},
        {"TpGuiaEntMS", ProcParam::Text, 3}, {"SeGuiaEntMS", ProcParam::SmallInt, 0},
        {"TpSaida", ProcParam::Text, 3},     {"SeSaida", ProcParam::SmallInt, 0},
        {"Sector", ProcParam::Text, 3},      {"ArmSaida", ProcParam::Text, 6},
        {"NoVias", ProcParam::SmallInt, 0},
    };
    const QString operacao = QStringLiteral("Gravar Parâmetros Aplicação ");
    try {
        if (valores.size() != int(std::size(kParams)))
            throw RegraRecusada(QStringLiteral("São precisos %1 valores.").arg(int(std::size(kParams))));
        QList<ProcParam> params;
        for (int i = 0; i < valores.size(); ++i) {
            const Param& p = kParams[i];
            const QString nome = QString::fromLatin1(p.nome);
            QString v = valores[i];
            if (v.isNull()) v = QStringLiteral("");
            if (p.tamanho > 0 && v.size() > p.tamanho)
                throw RegraRecusada(
                    QStringLiteral("O valor de %1 não pode ter mais de %2 caracteres.").arg(nome).arg(p.tamanho));
            params << ProcParam{nome, v, p.tipo, p.tamanho};
        }
        db.procedimento(QStringLiteral("sp_kel_Gravar_PES_Param_Aplic"), params);
        return true;
    } catch (const ErroOperacao& e) {
        messages.mensagem(operacao + e.descricao());
        return false;
    }
}
