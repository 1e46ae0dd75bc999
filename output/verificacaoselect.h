#pragma once

#include <QList>
#include <QString>

#include "output/lexicosql.h"

// Whether a template's query is one read-only SELECT, judged on the words the database
// will read (LexicoSql has already set strings, quoted names and comments apart by the
// dialect's own rules): exactly one statement, a SELECT at the top level (sub-queries in
// parentheses and UNION / EXCEPT / INTERSECT are part of it), no word that changes data
// or the schema, handles transactions or runs code, no function outside the allowed
// ones and no reserved name (keys, the ERP's passwords, the database's catalogue).
// T-SQL needs no ';' between statements ("SELECT ... DELETE FROM t" is two), so
// semicolons alone cannot tell.
class VerificacaoSelect {
  public:
    // Empty when the query is acceptable; otherwise why it is refused.
    static QString motivo(const QList<TokenSql>& tokens, Backend dialecto);
};
