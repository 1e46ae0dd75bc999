#include "desks/figurasdia.h"

#include <QMap>

#include "base/basedados.h"
#include "base/datasbase.h"

QString FigurasDia::sql() {
    // Finished today by the second weighing's time (IX_kel_PES_Historico_Saida holds every
    // column read), pending by Tipo and a null second time (IX_kel_PES_Historico_Pendentes).
    return QStringLiteral(
        "SELECT Artigo, 0 AS Pendente, COUNT(*) AS N, SUM(PesoLiquido) AS Liquido, SUM(PesoEfectivo) AS Efectivo "
        "FROM kel_PES_Historico WHERE DataHoraPL >= ? AND DataHoraPL < ? AND Tipo = ? GROUP BY Artigo "
        "UNION ALL "
        "SELECT Artigo, 1 AS Pendente, COUNT(*) AS N, 0 AS Liquido, 0 AS Efectivo "
        "FROM kel_PES_Historico WHERE Tipo = ? AND DataHoraPL IS NULL GROUP BY Artigo");
}

FigurasDia FigurasDia::ler(BaseDados& db, const QString& tipo, const QDate& dia) {
    const RecordSet rs = db.consultar(sql(), {QDateTime(dia, QTime(0, 0, 0)), DatasBase::depoisDoDia(dia), tipo, tipo});
    QMap<QString, Linha> porArtigo;
    FigurasDia f;
    for (int r = 0; r < rs.count(); ++r) {
        const QString artigo = rs.text(r, QStringLiteral("Artigo")).trimmed();
        // Article codes compare without case, as the database compares them.
        Linha& l = porArtigo[artigo.toUpper()];
        l.artigo = artigo;
        const int n = rs.value(r, QStringLiteral("N")).toInt();
        if (rs.value(r, QStringLiteral("Pendente")).toInt() == 1) {
            l.pendentes += n;
            f.total.pendentes += n;
        } else {
            const Money liquido = Money::fromVariant(rs.value(r, QStringLiteral("Liquido")));
            const Money efectivo = Money::fromVariant(rs.value(r, QStringLiteral("Efectivo")));
            l.concluidas += n;
            l.liquido = l.liquido + liquido;
            l.efectivo = l.efectivo + efectivo;
            f.total.concluidas += n;
            f.total.liquido = f.total.liquido + liquido;
            f.total.efectivo = f.total.efectivo + efectivo;
        }
    }
    f.artigos = porArtigo.values();
    return f;
}

QString FigurasDia::resumo() const {
    return QStringLiteral("%1 %2 · %3 %4 · líquido %5 kg · efectivo %6 kg")
        .arg(total.concluidas)
        .arg(total.concluidas == 1 ? QStringLiteral("concluída") : QStringLiteral("concluídas"))
        .arg(total.pendentes)
        .arg(total.pendentes == 1 ? QStringLiteral("pendente") : QStringLiteral("pendentes"))
        .arg(total.liquido.format(), total.efectivo.format());
}
