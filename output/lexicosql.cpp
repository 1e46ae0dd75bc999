#include "output/lexicosql.h"

#include <QRegularExpression>

RegrasLexicas RegrasLexicas::de(Backend dialecto) {
    RegrasLexicas r;
    switch (dialecto) {
        case Backend::Sqlite:
            r.nomesCrase = true;
            r.blobX = true;
            r.nome = QStringLiteral("SQLite");
            break;
        case Backend::Mssql:
            r.comentariosAninhados = true;
            r.fechoParentesesDuplo = true;
            r.textoPrefixoN = true;
            r.nome = QStringLiteral("SQL Server");
            break;
        case Backend::Postgresql:  // nests block comments too; no [names], no backticks
            r.comentariosAninhados = true;
            r.nome = QStringLiteral("PostgreSQL");
            break;
    }
    return r;
}

namespace {

bool letra(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           c == QLatin1Char('_');
}
bool digito(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

QString descreve(QChar c) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7f)
        return QStringLiteral("o carácter de controlo U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    if (c.unicode() > 0x7e)
        return QStringLiteral("o carácter \"%1\" (U+%2)").arg(c).arg(c.unicode(), 4, 16, QLatin1Char('0'));
    return QStringLiteral("o carácter \"%1\"").arg(c);
}

}  // namespace

LexicoSql LexicoSql::analisar(const QString& sql, Backend dialecto) {
    const RegrasLexicas regras = RegrasLexicas::de(dialecto);
    LexicoSql r;
    const qsizetype n = sql.size();
    auto linha = [&](qsizetype pos) { return int(sql.left(pos).count(QLatin1Char('\n'))) + 1; };
    auto falha = [&](qsizetype pos, const QString& motivo) {
        r.erro =
            QStringLiteral("%1 (linha %2 da consulta, regras de %3).").arg(motivo).arg(linha(pos)).arg(regras.nome);
        r.tokens.clear();
        r.reescrita.clear();
        return r;
    };
    // The end of a quoted run opened at i by `abre` and closed by `fecha`, where a doubled
    // closing character stands for itself when `duplo`; -1 when it never closes.
    auto fimCitacao = [&](qsizetype i, QChar fecha, bool duplo) -> qsizetype {
        for (qsizetype j = i + 1; j < n; ++j) {
            if (sql[j] != fecha) continue;
            if (duplo && j + 1 < n && sql[j + 1] == fecha) {
                ++j;
                continue;
            }
            return j;
        }
        return -1;
    };
    static const QRegularExpression numeroValido(
        QStringLiteral("^(0[xX][0-9a-fA-F]+|[0-9]+(\\.[0-9]*)?([eE][+-]?[0-9]+)?|\\.[0-9]+([eE][+-]?[0-9]+)?)$"));

    for (qsizetype i = 0; i < n;) {
        const QChar c = sql[i];
        const QChar seg = i + 1 < n ? sql[i + 1] : QChar();
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            r.reescrita += c;
            ++i;
            continue;
        }
        if (c == QLatin1Char('-') && seg == QLatin1Char('-')) {
            while (i < n && sql[i] != QLatin1Char('\n')) ++i;
            r.reescrita += QLatin1Char(' ');
            continue;
        }
        if (c == QLatin1Char('/') && seg == QLatin1Char('*')) {
            const qsizetype inicio = i;
            int nivel = 1;
            i += 2;
            while (i < n && nivel > 0) {
                if (sql[i] == QLatin1Char('*') && i + 1 < n && sql[i + 1] == QLatin1Char('/')) {
                    --nivel;
                    i += 2;
                } else if (regras.comentariosAninhados && sql[i] == QLatin1Char('/') && i + 1 < n &&
                           sql[i + 1] == QLatin1Char('*')) {
                    ++nivel;
                    i += 2;
                } else {
                    ++i;
                }
            }
            if (nivel > 0) return falha(inicio, QStringLiteral("a consulta tem um comentário /* por fechar"));
            r.reescrita += QLatin1Char(' ');
            continue;
        }
        // Strings: 'texto', N'texto' (T-SQL), X'00ff' (SQLite).
        const bool prefixo = (regras.textoPrefixoN && (c == QLatin1Char('N') || c == QLatin1Char('n'))) ||
                             (regras.blobX && (c == QLatin1Char('X') || c == QLatin1Char('x')));
        if (c == QLatin1Char('\'') ||
            (prefixo && seg == QLatin1Char('\'') && (i == 0 || !(letra(sql[i - 1]) || digito(sql[i - 1]))))) {
            const qsizetype abre = c == QLatin1Char('\'') ? i : i + 1;
            const qsizetype fim = fimCitacao(abre, QLatin1Char('\''), true);
            if (fim < 0) return falha(i, QStringLiteral("a consulta tem um texto entre plicas por fechar"));
            r.tokens << TokenSql{TokenSql::Texto, sql.mid(abre + 1, fim - abre - 1), i};
            r.reescrita += sql.mid(i, fim - i + 1);
            i = fim + 1;
            continue;
        }
        // Quoted names.
        QChar fecha;
        bool duplo = true;
        if (c == QLatin1Char('"')) {
            fecha = QLatin1Char('"');
        } else if (c == QLatin1Char('`') && regras.nomesCrase) {
            fecha = QLatin1Char('`');
        } else if (c == QLatin1Char('[') && regras.nomesParenteses) {
            fecha = QLatin1Char(']');
            duplo = regras.fechoParentesesDuplo;
        }
        if (!fecha.isNull()) {
            const qsizetype fim = fimCitacao(i, fecha, duplo);
            if (fim < 0) return falha(i, QStringLiteral("a consulta tem um nome entre %1%2 por fechar").arg(c, fecha));
            QString nome = sql.mid(i + 1, fim - i - 1);
            if (duplo) nome.replace(QString(2, fecha), QString(fecha));
            r.tokens << TokenSql{TokenSql::Nome, nome, i};
            r.reescrita += sql.mid(i, fim - i + 1);
            i = fim + 1;
            continue;
        }
        if (letra(c)) {
            qsizetype j = i + 1;
            while (j < n && (letra(sql[j]) || digito(sql[j]))) ++j;
            // T-SQL and SQLite let $, @, # and letters beyond ASCII into names; quote such a name.
            if (j < n && (sql[j] == QLatin1Char('$') || sql[j] == QLatin1Char('@') || sql[j] == QLatin1Char('#') ||
                          sql[j].unicode() > 0x7e))
                return falha(j, QStringLiteral("a consulta tem %1 dentro de um nome (escreva o nome entre aspas)")
                                    .arg(descreve(sql[j])));
            r.tokens << TokenSql{TokenSql::Palavra, sql.mid(i, j - i).toLower(), i};
            r.reescrita += sql.mid(i, j - i);
            i = j;
            continue;
        }
        if (digito(c) || (c == QLatin1Char('.') && digito(seg))) {
            qsizetype j = i + 1;
            for (;;) {
                while (j < n && (letra(sql[j]) || digito(sql[j]) || sql[j] == QLatin1Char('.'))) ++j;
                const QChar ultimo = sql[j - 1];
                if (j + 1 < n && (ultimo == QLatin1Char('e') || ultimo == QLatin1Char('E')) &&
                    (sql[j] == QLatin1Char('+') || sql[j] == QLatin1Char('-')) && digito(sql[j + 1]) &&
                    !sql.mid(i, 2).startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
                    j += 2;
                    continue;
                }
                break;
            }
            const QString numero = sql.mid(i, j - i);
            if (!numeroValido.match(numero).hasMatch())
                return falha(i, QStringLiteral("a consulta tem um número inválido: %1").arg(numero));
            r.tokens << TokenSql{TokenSql::Numero, numero, i};
            r.reescrita += numero;
            i = j;
            continue;
        }
        if (c == QLatin1Char(':') && letra(seg)) {
            qsizetype j = i + 1;
            while (j < n && (letra(sql[j]) || digito(sql[j]))) ++j;
            r.tokens << TokenSql{TokenSql::Valor, sql.mid(i + 1, j - i - 1).toLower(), i};
            r.reescrita += QLatin1Char('?');
            i = j;
            continue;
        }
        static const QStringList duplos = {QStringLiteral("<="), QStringLiteral(">="), QStringLiteral("<>"),
                                           QStringLiteral("!="), QStringLiteral("=="), QStringLiteral("||"),
                                           QStringLiteral("<<"), QStringLiteral(">>")};
        const QString par = sql.mid(i, 2);
        if (duplos.contains(par)) {
            r.tokens << TokenSql{TokenSql::Simbolo, par, i};
            r.reescrita += par;
            i += 2;
            continue;
        }
        if (QStringLiteral("(),.;+-*/%=<>|&~^").contains(c)) {
            r.tokens << TokenSql{TokenSql::Simbolo, QString(c), i};
            r.reescrita += c;
            ++i;
            continue;
        }
        if (c == QLatin1Char('?') || c == QLatin1Char('@') || c == QLatin1Char('$') || c == QLatin1Char(':'))
            return falha(
                i, QStringLiteral("a consulta tem %1: só pode receber valores através de :nome").arg(descreve(c)));
        return falha(i, QStringLiteral("a consulta tem %1 fora de um texto ou nome entre aspas").arg(descreve(c)));
    }
    return r;
}
