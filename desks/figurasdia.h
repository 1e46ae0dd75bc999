#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include "base/money.h"

class BaseDados;

// Today's work of one desk at a glance: trucks finished today, trucks still waiting
// for their second weighing (whenever they came), and the net and effective kilograms
// of today's finished weighings, in total and per article. One statement over the
// indexes the pending list and the period reports already use.
struct FigurasDia {
    struct Linha {
        QString artigo;
        int concluidas = 0;
        int pendentes = 0;
        Money liquido;
        Money efectivo;
    };
    Linha total;
    QList<Linha> artigos;  // by article code

    // `tipo` "S" or "E"; `dia` the day counted as today. Throws DbError.
    static FigurasDia ler(BaseDados& db, const QString& tipo, const QDate& dia);
    static QString sql();

    // "12 concluídas · 3 pendentes · líquido 145.220,00 kg · efectivo 143.900,00 kg"
    QString resumo() const;
};
