#include "output/permissoesmodelo.h"

#include <QHash>
#include <QSet>

namespace {

QSet<QString> conjunto(std::initializer_list<const char*> nomes) {
    QSet<QString> s;
    for (const char* n : nomes) s.insert(QString::fromLatin1(n).toLower());
    return s;
}

// Table -> readable columns; an empty set lets every column of the table be read (the
// program's own weighing tables, where nothing is secret).
const QHash<QString, QSet<QString>>& permitidas() {
    static const QHash<QString, QSet<QString>> t = {
        {QStringLiteral("kel_pes_historico"), {}},
        {QStringLiteral("kel_pes_historico_comp"), {}},
        {QStringLiteral("kel_pes_vias"), {}},
        {QStringLiteral("kel_pes_carros"), {}},
        {QStringLiteral("kel_rs_motoristas"), conjunto({"Codigo", "Nome"})},
        {QStringLiteral("clientes"),
         conjunto({"CODIGO", "NOME", "Morada", "Local", "CdPostal", "NContrib", "email_envio_documentos", "Inactivo"})},
        {QStringLiteral("fornec"),
         conjunto({"CODIGO", "NOME", "Morada", "Local", "CdPostal", "NContrib", "Email", "Inactivo"})},
        {QStringLiteral("artigos"), conjunto({"CODIGO", "NOME", "UnBase", "Artoudes", "Inactivo"})},
        {QStringLiteral("moradas"),
         conjunto({"TERCEIRO", "TPTERC", "CDMORADA", "Descr", "Local", "CdPostal", "TpMorada"})},
        {QStringLiteral("codpost"), conjunto({"Cod", "Descr"})},
        {QStringLiteral("tpmorada"), conjunto({"Codigo", "Descrica"})},
        {QStringLiteral("empresa"),
         conjunto({"CODIGO", "NOME", "Morada", "Local", "CdPostal", "NContrib", "Telefone", "Email"})},
    };
    return t;
}

}  // namespace

bool PermissoesModelo::podeLer(const QString& tabela, const QString& coluna) {
    const auto it = permitidas().constFind(tabela.toLower());
    if (it == permitidas().cend()) return false;
    return coluna.isEmpty() || it->isEmpty() || it->contains(coluna.toLower());
}

QStringList PermissoesModelo::tabelas() {
    QStringList out = permitidas().keys();
    out.sort();
    return out;
}

bool PermissoesModelo::funcaoPermitida(const QString& nome, Backend dialecto) {
    // LIKE and GLOB are functions to SQLite's authorizer too.
    static const QSet<QString> sqlite =
        conjunto({"abs",      "avg",        "coalesce",  "count",      "date",   "datetime",  "glob",   "group_concat",
                  "ifnull",   "iif",        "instr",     "julianday",  "length", "like",      "lower",  "ltrim",
                  "max",      "min",        "nullif",    "printf",     "format", "replace",   "round",  "rtrim",
                  "strftime", "substr",     "substring", "sum",        "time",   "total",     "trim",   "upper",
                  "typeof",   "row_number", "rank",      "dense_rank", "sign",   "unixepoch", "likely", "unlikely"});
    static const QSet<QString> mssql = conjunto(
        {"abs",      "avg",         "cast",     "ceiling",  "charindex",  "coalesce", "concat",     "convert", "count",
         "dateadd",  "datediff",    "datename", "datepart", "day",        "floor",    "format",     "getdate", "iif",
         "isnull",   "left",        "len",      "lower",    "ltrim",      "max",      "min",        "month",   "nullif",
         "replace",  "right",       "round",    "rtrim",    "str",        "stuff",    "substring",  "sum",     "trim",
         "try_cast", "try_convert", "upper",    "year",     "row_number", "rank",     "dense_rank", "sign"});
    static const QSet<QString> postgresql =
        conjunto({"abs",       "avg",        "cast",    "ceil",       "ceiling",    "coalesce",  "concat",    "count",
                  "date_part", "date_trunc", "extract", "floor",      "greatest",   "least",     "left",      "length",
                  "lower",     "lpad",       "ltrim",   "max",        "min",        "nullif",    "replace",   "right",
                  "round",     "rpad",       "rtrim",   "sign",       "split_part", "substr",    "substring", "sum",
                  "to_char",   "trim",       "upper",   "row_number", "rank",       "dense_rank"});
    switch (dialecto) {
        case Backend::Sqlite:
            return sqlite.contains(nome.toLower());
        case Backend::Mssql:
            return mssql.contains(nome.toLower());
        case Backend::Postgresql:
            return postgresql.contains(nome.toLower());
    }
    return false;
}

bool PermissoesModelo::nomeReservado(const QString& nome) {
    static const QSet<QString> s = conjunto({"kel_PES_Chave",
                                             "kel_PES_NotasERP",
                                             "kel_PES_Opcoes",
                                             "ERP_Local",
                                             "sqlite_master",
                                             "sqlite_schema",
                                             "sqlite_temp_master",
                                             "sqlite_temp_schema",
                                             "sqlite_sequence",
                                             "sqlite_stat1",
                                             "sys",
                                             "information_schema",
                                             "master",
                                             "msdb",
                                             "tempdb",
                                             "pg_catalog",
                                             "pg_authid",
                                             "pg_shadow",
                                             "pg_user",
                                             "pg_roles",
                                             "pg_settings",
                                             "pg_stat_activity",
                                             "pg_largeobject",
                                             "Password",
                                             "Privada"});
    return s.contains(nome.toLower());
}
