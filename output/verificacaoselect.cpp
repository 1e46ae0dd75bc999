#include "verificacaoselect.h"

#include <QSet>
#include <QStringList>

namespace {

// Words that change data or the schema, handle transactions, run code, or begin a
// statement other than SELECT. None of them has a place in a ticket's query.
const QSet<QString>& proibidas() {
    static const QSet<QString> s = [] {
        QSet<QString> out;
        for (const char* w : {"insert",         "update",      "delete",     "merge",
                              "truncate",       "upsert",      "drop",       "create",
                              "alter",          "rename",      "grant",      "revoke",
                              "deny",           "into",        "exec",       "execute",
                              "call",           "begin",       "commit",     "rollback",
                              "save",           "transaction", "tran",       "savepoint",
                              "release",        "declare",     "set",        "use",
                              "backup",         "restore",     "shutdown",   "kill",
                              "dbcc",           "bulk",        "openrowset", "openquery",
                              "opendatasource", "openxml",     "waitfor",    "pragma",
                              "attach",         "detach",      "vacuum",     "reindex",
                              "reconfigure",    "checkpoint",  "if",         "while",
                              "goto",           "return",      "print",      "raiserror",
                              "throw",          "open",        "fetch",      "close",
                              "deallocate",     "cursor",      "load",       "writetext",
                              "updatetext",     "readtext",    "setuser",    "revert",
                              "disable",        "enable",      "go"})
            out.insert(QString::fromLatin1(w));
        return out;
    }();
    return s;
}

struct Token {
    QString texto;  // lower case
    bool palavra = false;
};

QList<Token> tokens(const QString& codigo) {
    QList<Token> out;
    const qsizetype n = codigo.size();
    auto inicioPalavra = [](QChar c) {
        return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#');
    };
    auto meioPalavra = [](QChar c) {
        return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@') ||
               c == QLatin1Char('#') || c == QLatin1Char('$');
    };
    for (qsizetype i = 0; i < n;) {
        const QChar c = codigo[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (inicioPalavra(c)) {
            qsizetype j = i + 1;
            while (j < n && meioPalavra(codigo[j])) ++j;
            out << Token{codigo.mid(i, j - i).toLower(), true};
            i = j;
            continue;
        }
        if (c.isDigit()) {
            qsizetype j = i + 1;
            while (j < n && (codigo[j].isLetterOrNumber() || codigo[j] == QLatin1Char('.'))) ++j;
            out << Token{codigo.mid(i, j - i), false};
            i = j;
            continue;
        }
        out << Token{QString(c), false};
        ++i;
    }
    return out;
}

}  // namespace

QString VerificacaoSelect::motivo(const QString& codigo) {
    const QList<Token> t = tokens(codigo);
    if (t.isEmpty() || t.first().texto != QStringLiteral("select"))
        return QStringLiteral("a consulta tem de ser um único SELECT.");
    int nivel = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const Token& k = t[i];
        if (!k.palavra) {
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
        const bool funcao = i + 1 < t.size() && t[i + 1].texto == QStringLiteral("(");
        if (proibidas().contains(k.texto) || (k.texto == QStringLiteral("replace") && !funcao) ||
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
