#include "records/opcoespesagem.h"

#include "base/basedados.h"

namespace OpcoesPesagem {

void gravarMateriasSubsidiarias(BaseDados& db, qint32 idRegisto, bool subsidiarias) {
    Transaccao t(db, true);
    // A number handed out again after a rolled-back insert must not inherit an old choice.
    db.executar(QStringLiteral("DELETE FROM kel_PES_Historico_Opcoes WHERE Hist_Id = ?"), {idRegisto});
    db.executar(QStringLiteral("INSERT INTO kel_PES_Historico_Opcoes (Hist_Id, MatSubsidiarias) VALUES (?, ?)"),
                {idRegisto, subsidiarias ? 1 : 0});
    t.commit();
}

std::optional<bool> lerMateriasSubsidiarias(BaseDados& db, qint32 idRegisto) {
    const QVariant v = db.escalar(
        QStringLiteral("SELECT MatSubsidiarias FROM kel_PES_Historico_Opcoes WHERE Hist_Id = ?"), {idRegisto});
    if (!v.isValid() || v.isNull()) return std::nullopt;
    return v.toInt() != 0;
}

void apagar(BaseDados& db, qint32 idRegisto) {
    db.executar(QStringLiteral("DELETE FROM kel_PES_Historico_Opcoes WHERE Hist_Id = ?"), {idRegisto});
}

}  // namespace OpcoesPesagem
