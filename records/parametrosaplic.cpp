#include "parametrosaplic.h"

#include "basedados.h"
#include "operatormessages.h"

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
    } catch (const DbError& e) {
        messages.mensagem(QStringLiteral("Ler Parâmetros ") + e.descricao());
        return false;
    }
}
