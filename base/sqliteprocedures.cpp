#include "base/sqliteprocedures.h"

#include <QHash>

namespace {

struct Arg {
    const char* name;
    ProcParam::Type type;
    int size;
};

// Parameters of sp_kel_Gravar_PES_Historico in declaration order (after Hist_Id).
const Arg kHistoricoArgs[] = {
    {"Tipo", ProcParam::Text, 1},           {"TpDoc", ProcParam::Text, 3},
    {"Serie", ProcParam::SmallInt, 0},      {"NoDoc", ProcParam::Int, 0},
    {"Ano", ProcParam::SmallInt, 0},        {"PesoBruto", ProcParam::Money, 0},
    {"PesoTara", ProcParam::Money, 0},      {"PesoLiquido", ProcParam::Money, 0},
    {"PesoEfectivo", ProcParam::Money, 0},  {"Justificacao", ProcParam::Text, 2000},
    {"DataHoraPB", ProcParam::DateTime, 0}, {"DataHoraPL", ProcParam::DateTime, 0},
    {"Terceiro", ProcParam::Text, 15},      {"Artigo", ProcParam::Text, 15},
    {"CodMorada", ProcParam::Text, 3},      {"Motorista", ProcParam::Text, 5},
    {"Carro", ProcParam::Text, 10},         {"TipoTerc", ProcParam::SmallInt, 0},
    {"AnoTalao", ProcParam::SmallInt, 0},   {"NoTalao", ProcParam::Int, 0},
    {"RefCliente", ProcParam::Text, 20},    {"RefEntrega", ProcParam::Text, 20},
    {"Sigla", ProcParam::Text, 5},          {"Campanha", ProcParam::Text, 10},
    {"TipoMorada", ProcParam::Text, 3},
};

const Arg kParamArgs[] = {
    {"ArmCentral", ProcParam::Text, 6},      {"TpGuiaEntMP", ProcParam::Text, 3},
    {"SeGuiaEntMP", ProcParam::SmallInt, 0}, {"TpGuiaEntMS", ProcParam::Text, 3},
    {"SeGuiaEntMS", ProcParam::SmallInt, 0}, {"TpSaida", ProcParam::Text, 3},
    {"SeSaida", ProcParam::SmallInt, 0},     {"Sector", ProcParam::Text, 3},
    {"ArmSaida", ProcParam::Text, 6},        {"NoVias", ProcParam::SmallInt, 0},
};

QString key(QString n) {
    return n.remove(QLatin1Char('@')).toLower();
}

class Args {
  public:
    explicit Args(const QList<ProcParam>& params) {
        for (const ProcParam& p : params) m_values.insert(key(p.name), p.value);
    }
    QVariant get(const Arg& a) const {
        const QVariant v = m_values.value(key(QString::fromLatin1(a.name)));
        if (v.isNull()) return v;
        if (a.type == ProcParam::Text && a.size > 0) return v.toString().left(a.size);
        return v;
    }
    QVariant get(const char* name) const { return m_values.value(key(QString::fromLatin1(name))); }

  private:
    QHash<QString, QVariant> m_values;
};

ProcResult gravarHistorico(BaseDados& db, const Args& args) {
    QStringList cols;
    QVariantList values;
    for (const Arg& a : kHistoricoArgs) {
        cols << QString::fromLatin1(a.name);
        values << args.get(a);
    }
    ProcResult r;
    const qint64 id = args.get("Hist_Id").toLongLong();
    if (id == 0) {
        QStringList marks;
        for (int i = 0; i < cols.size(); ++i) marks << QStringLiteral("?");
        db.executar(QStringLiteral("INSERT INTO kel_PES_Historico (%1) VALUES (%2)")
                        .arg(cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
                    values);
        r.returnValue = db.ultimoId();
    } else {
        QStringList sets;
        for (const QString& c : cols) sets << c + QStringLiteral(" = ?");
        values << id;
        db.executar(
            QStringLiteral("UPDATE kel_PES_Historico SET %1 WHERE Hist_Id = ?").arg(sets.join(QStringLiteral(", "))),
            values);
        r.returnValue = id;
    }
    return r;
}

ProcResult gravarParametros(BaseDados& db, const Args& args) {
    const QVariant numero = args.get("Numero");
    QStringList cols;
    QVariantList values;
    for (const Arg& a : kParamArgs) {
        cols << QString::fromLatin1(a.name);
        values << args.get(a);
    }
    const bool exists =
        !db.consultar(QStringLiteral("SELECT Numero FROM kel_PES_Parametros WHERE Numero = ?"), {numero}).isEmpty();
    if (exists) {
        QStringList sets;
        for (const QString& c : cols) sets << c + QStringLiteral(" = ?");
        values << numero;
        db.executar(
            QStringLiteral("UPDATE kel_PES_Parametros SET %1 WHERE Numero = ?").arg(sets.join(QStringLiteral(", "))),
            values);
    } else {
        cols.prepend(QStringLiteral("Numero"));
        values.prepend(numero);
        QStringList marks;
        for (int i = 0; i < cols.size(); ++i) marks << QStringLiteral("?");
        db.executar(QStringLiteral("INSERT INTO kel_PES_Parametros (%1) VALUES (%2)")
                        .arg(cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
                    values);
    }
    return {};
}

ProcResult lerParametros(BaseDados& db, const Args& args) {
    ProcResult r;
    r.rows = db.consultar(QStringLiteral("SELECT * From kel_PES_Parametros WHERE (Numero = ?)"), {args.get("Numero")});
    return r;
}

}  // namespace

ProcResult SqliteProcedures::call(BaseDados& db, const QString& name, const QList<ProcParam>& params) {
    const Args args(params);
    const QString n = name.toLower();
    if (n == QStringLiteral("sp_kel_gravar_pes_historico")) return gravarHistorico(db, args);
    if (n == QStringLiteral("sp_kel_gravar_pes_param_aplic")) return gravarParametros(db, args);
    if (n == QStringLiteral("sp_kel_ler_pes_param_aplic")) return lerParametros(db, args);
    throw DbError(1, QStringLiteral("Procedimento desconhecido: ") + name);
}
