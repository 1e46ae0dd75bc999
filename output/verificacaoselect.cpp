#include "output/verificacaoselect.h"

#include <QSet>
#include <QStringList>

#include "output/permissoesmodelo.h"

namespace {

// Words that change data or the schema, handle transactions, run code, or begin a
// statement other than SELECT. None of them has a place in a ticket's query.
const QSet<QString>& proibidas() {
    static const QSet<QString> s = [] {
        QSet<QString> out;
        for (const char* w : {"insert",         "update",        "delete",     "merge",
                              "truncate",       "upsert",        "drop",       "create",
                              "alter",          "rename",        "grant",      "revoke",
                              "deny",           "into",          "exec",       "execute",
                              "call",           "begin",         "commit",     "rollback",
                              "save",           "transaction",   "tran",       "savepoint",
                              "release",        "declare",       "set",        "use",
                              "backup",         "restore",       "shutdown",   "kill",
                              "dbcc",           "bulk",          "openrowset", "openquery",
                              "opendatasource", "openxml",       "waitfor",    "pragma",
                              "attach",         "detach",        "vacuum",     "reindex",
                              "reconfigure",    "checkpoint",    "if",         "while",
                              "goto",           "return",        "print",      "raiserror",
                              "throw",          "open",          "fetch",      "close",
                              "deallocate",     "cursor",        "load",       "writetext",
                              "updatetext",     "readtext",      "setuser",    "revert",
                              "disable",        "enable",        "go",         "analyze",
                              "maxrecursion",   "load_extension"})
            out.insert(QString::fromLatin1(w));
        return out;
    }();
    return s;
}

// Words that may stand before "(" without being a function call.
const QSet<QString>& antesDeParenteses() {
    static const QSet<QString> s = [] {
        QSet<QString> out;
        for (const char* w : {"in", "exists", "as", "from", "join", "on", "and", "or", "not", "when", "then", "else",
                              "select", "where", "union", "all", "any", "some", "by", "is", "like", "glob", "between",
                              "distinct", "over", "having", "case", "with", "top", "except", "intersect", "using",
                              "filter", "within", "escape", "end", "recursive", "cast",
                              // types inside CAST(x AS nvarchar(20))
                              "char", "nchar", "varchar", "nvarchar", "decimal", "numeric", "float", "datetime2",
                              "datetimeoffset", "time"})
            out.insert(QString::fromLatin1(w));
        return out;
    }();
    return s;
}

}  // namespace

QString VerificacaoSelect::motivo(const QList<TokenSql>& t, Backend dialecto) {
    if (t.isEmpty() || t.first().tipo != TokenSql::Palavra || t.first().texto != QStringLiteral("select"))
        return QStringLiteral("a consulta tem de ser um único SELECT.");
    int nivel = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const TokenSql& k = t[i];
        const bool chamada =
            i + 1 < t.size() && t[i + 1].tipo == TokenSql::Simbolo && t[i + 1].texto == QStringLiteral("(");
        if (k.tipo == TokenSql::Nome || k.tipo == TokenSql::Palavra) {
            if (PermissoesModelo::nomeReservado(k.texto))
                return QStringLiteral("a consulta não pode usar %1 (reservado ao programa).").arg(k.texto);
            // A quoted name before "(" is a function call too ("load_extension"(...) in SQLite).
            const bool funcao = chamada && (k.tipo == TokenSql::Nome ||
                                            (!antesDeParenteses().contains(k.texto) && !proibidas().contains(k.texto)));
            if (funcao && !PermissoesModelo::funcaoPermitida(k.texto, dialecto))
                return QStringLiteral("a consulta usa a função %1, que os modelos não podem usar.").arg(k.texto);
        }
        if (k.tipo != TokenSql::Palavra) {
            if (k.tipo != TokenSql::Simbolo) continue;
            if (k.texto == QStringLiteral("("))
                ++nivel;
            else if (k.texto == QStringLiteral(")")) {
                if (--nivel < 0) return QStringLiteral("a consulta tem parênteses que não abrem.");
            } else if (k.texto == QStringLiteral(";"))
                return QStringLiteral("a consulta tem mais do que uma instrução.");
            continue;
        }
        if (k.texto == QStringLiteral("into"))
            return QStringLiteral("a consulta não pode gravar dados (SELECT ... INTO).");
        // REPLACE(texto, a, b) is a function; "REPLACE INTO" writes.
        if (proibidas().contains(k.texto) || (k.texto == QStringLiteral("replace") && !chamada) ||
            k.texto.startsWith(QStringLiteral("sp_")) || k.texto.startsWith(QStringLiteral("xp_")))
            return QStringLiteral("a consulta só pode ler dados; não pode conter %1.").arg(k.texto.toUpper());
        if (i > 0 && nivel == 0 && k.texto == QStringLiteral("select")) {
            // A SELECT at the top level continues the statement only after a set operator.
            const QString antes = t[i - 1].texto;
            const QString antesDisso = i > 1 ? t[i - 2].texto : QString();
            const bool continua = antes == QStringLiteral("union") || antes == QStringLiteral("except") ||
                                  antes == QStringLiteral("intersect") ||
                                  ((antes == QStringLiteral("all") || antes == QStringLiteral("distinct")) &&
                                   antesDisso == QStringLiteral("union"));
            if (!continua) return QStringLiteral("a consulta tem mais do que uma instrução.");
        }
    }
    if (nivel != 0) return QStringLiteral("a consulta tem parênteses por fechar.");
    return {};
}
