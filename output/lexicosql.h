#pragma once

#include <QList>
#include <QString>

#include "base/sqlsettings.h"

// The words of a template's query as the database it runs on will split them. Each
// dialect quotes names, strings and comments its own way (T-SQL nests block comments,
// SQLite does not; SQLite quotes names with backticks, T-SQL does not know them), and a
// check that splits by other rules than the server's can be made to read a comment or a
// name where the server reads a statement. Anything the rules cannot classify is refused.
struct TokenSql {
    enum Tipo {
        Palavra,  // keyword, name or function (texto in lower case)
        Nome,     // quoted name: texto is the name without its quotes
        Texto,    // string or blob literal (opaque)
        Numero,
        Valor,    // :nome (texto is the name in lower case)
        Simbolo,  // operator or punctuation
    };
    Tipo tipo = Simbolo;
    QString texto;
    qsizetype inicio = 0;  // position in the query
};

// How a dialect writes what is not code. Adding a dialect means one more case in
// RegrasLexicas::de (and its functions in permissoesmodelo.cpp).
struct RegrasLexicas {
    bool comentariosAninhados = false;  // /* /* */ */ is one comment
    bool nomesCrase = false;            // `name`
    bool nomesParenteses = true;        // [name]
    bool fechoParentesesDuplo = false;  // ]] inside [name] is one ]
    bool textoPrefixoN = false;         // N'texto'
    bool blobX = false;                 // X'00ff'
    QString nome;                       // for messages

    static RegrasLexicas de(Backend dialecto);
};

struct LexicoSql {
    QList<TokenSql> tokens;
    // The query as sent to the database: comments replaced by a space, every :nome by ?,
    // everything else as written. What the database runs is what was judged.
    QString reescrita;
    QString erro;  // empty when every character was classified

    static LexicoSql analisar(const QString& sql, Backend dialecto);
};
