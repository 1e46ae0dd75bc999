#include "output/registarvias.h"

#include "base/basedados.h"

void RegistarVias(BaseDados& db, qint32 id, qint16 n) {
    Transaccao t(db, true);
    db.executar(QStringLiteral("delete From kel_PES_Vias where NoId=?"), {id});
    for (qint16 v = 1; v <= n && v > 0; ++v)
        db.executar(QStringLiteral("INSERT INTO kel_PES_Vias (NoId, NoVia) VALUES (?, ?)"), {id, v});
    t.commit();
}
