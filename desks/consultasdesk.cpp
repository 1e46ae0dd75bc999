#include "desks/consultasdesk.h"

#include "base/basedados.h"
#include "desks/deskkind.h"

// The statements are those the desk has always run (tables, columns, conditions), so
// existing databases answer them alike.

namespace consultasdesk {

std::optional<Terceiro> lerTerceiro(BaseDados& db, const DeskKind& kind, const QString& codigo) {
    const RecordSet rs =
        db.consultar(QStringLiteral("SELECT * FROM %1 WHERE %1.CODIGO = ?").arg(kind.tabelaTerceiro), {codigo});
    if (rs.isEmpty()) return std::nullopt;
    Terceiro t;
    t.codigo = codigo;
    t.nome = rs.text(QStringLiteral("NOME"));
    t.morada = rs.text(QStringLiteral("Morada"));
    t.localidade = rs.text(QStringLiteral("Local"));
    t.codPostal = rs.text(QStringLiteral("CdPostal"));
    t.contribuinte = rs.text(QStringLiteral("NContrib"));
    t.email = rs.text(kind.colunaEmail);
    const QVariant inactivo = rs.value(QStringLiteral("Inactivo"));
    t.inactivo = inactivo.isValid() && inactivo.toInt() == -1;
    return t;
}

std::optional<MoradaTerceiro> lerMorada(BaseDados& db, const DeskKind& kind, const QString& terceiro,
                                        const QString& codigo) {
    // The address's own lines (the join's tables share the column names Local and CdPostal).
    const RecordSet rs =
        db.consultar(QStringLiteral("SELECT MORADAS.CDMORADA, MORADAS.Descr, MORADAS.Local, MORADAS.CdPostal FROM "
                                    "%1 INNER JOIN MORADAS ON %1.CODIGO = MORADAS.TERCEIRO WHERE (MORADAS.TPTERC = "
                                    "?) AND MORADAS.TERCEIRO = ? AND MORADAS.CDMORADA = ?")
                         .arg(kind.tabelaTerceiro),
                     {kind.tpTerc, terceiro, codigo});
    if (rs.isEmpty()) return std::nullopt;
    return MoradaTerceiro{codigo, rs.text(QStringLiteral("Descr")), rs.text(QStringLiteral("Local")),
                          rs.text(QStringLiteral("CdPostal"))};
}

std::optional<Artigo> lerArtigoActivo(BaseDados& db, const QString& codigo) {
    const RecordSet rs = db.consultar(QStringLiteral("SELECT ARTIGOS.CODIGO AS Codigo, ARTIGOS.NOME AS Designacao, "
                                                     "UnBase FROM ARTIGOS WHERE ARTIGOS.CODIGO = ? AND Artoudes = 0 "
                                                     "AND Inactivo <> -1"),
                                      {codigo});
    if (rs.isEmpty()) return std::nullopt;
    return Artigo{codigo, rs.text(QStringLiteral("Designacao")), rs.text(QStringLiteral("UnBase"))};
}

std::optional<Artigo> lerArtigo(BaseDados& db, const QString& codigo) {
    const RecordSet rs = db.consultar(QStringLiteral("SELECT Nome, UnBase FROM Artigos WHERE Codigo = ?"), {codigo});
    if (rs.isEmpty()) return std::nullopt;
    return Artigo{codigo, rs.text(QStringLiteral("Nome")), rs.text(QStringLiteral("UnBase"))};
}

std::optional<QString> lerCodPostal(BaseDados& db, const QString& codigo) {
    const RecordSet rs = db.consultar(QStringLiteral("SELECT * FROM CodPost WHERE COD = ?"), {codigo});
    if (rs.isEmpty()) return std::nullopt;
    return rs.text(QStringLiteral("Descr"));
}

std::optional<QString> lerTipoMorada(BaseDados& db, const QString& codigo) {
    const RecordSet rs = db.consultar(QStringLiteral("SELECT * FROM TpMorada WHERE Codigo = ?"), {codigo});
    if (rs.isEmpty()) return std::nullopt;
    return rs.text(QStringLiteral("Descrica"));
}

}  // namespace consultasdesk
