#pragma once

#include <QString>

// Whether a template's query is one read-only SELECT, judged on its words (the caller
// has already blanked string literals and quoted or [bracketed] names and removed
// comments): exactly one statement, a SELECT at the top level (sub-queries in
// parentheses and UNION / EXCEPT / INTERSECT are part of it), and no word that changes
// data or the schema, handles transactions or runs code anywhere in it. T-SQL needs no
// ';' between statements ("SELECT ... DELETE FROM t" is two), so semicolons alone
// cannot tell.
class VerificacaoSelect {
  public:
    // Empty when the query is acceptable; otherwise why it is refused.
    static QString motivo(const QString& codigo);
};
