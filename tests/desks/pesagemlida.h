#pragma once

#include <QDateTime>
#include <QString>

#include "base/basedados.h"

// One weighing row as the tests look at it: typed once, instead of a query per column.
struct PesagemLida {
    bool existe = false;
    QString tipo, campanha, tpDoc, justificacao, refCliente, talao;  // talao as printed: S is Sigla/N
    int noTalao = 0, noDoc = 0;
    double tara = 0, bruto = 0, liquido = 0, efectivo = 0;
    bool pendente = true;  // no second weight saved

    static PesagemLida ler(BaseDados& db, qint32 id) {
        PesagemLida p;
        const RecordSet r = db.consultar(QStringLiteral("SELECT * FROM kel_PES_Historico WHERE Hist_Id = ?"), {id});
        if (r.isEmpty()) return p;
        p.existe = true;
        p.tipo = r.text(QStringLiteral("Tipo"));
        p.campanha = r.text(QStringLiteral("Campanha"));
        p.tpDoc = r.text(QStringLiteral("TpDoc"));
        p.justificacao = r.text(QStringLiteral("Justificacao"));
        p.refCliente = r.text(QStringLiteral("RefCliente"));
        p.noTalao = r.value(QStringLiteral("NoTalao")).toInt();
        p.noDoc = r.value(QStringLiteral("NoDoc")).toInt();
        p.talao = (p.tipo == QStringLiteral("S") ? r.text(QStringLiteral("Sigla")) + QLatin1Char('/') : QString()) +
                  QString::number(p.noTalao);
        p.tara = r.value(QStringLiteral("PesoTara")).toDouble();
        p.bruto = r.value(QStringLiteral("PesoBruto")).toDouble();
        p.liquido = r.value(QStringLiteral("PesoLiquido")).toDouble();
        p.efectivo = r.value(QStringLiteral("PesoEfectivo")).toDouble();
        p.pendente = r.isNull(QStringLiteral("DataHoraPL"));
        return p;
    }
    static int ultimo(BaseDados& db) {
        return db.escalar(QStringLiteral("SELECT MAX(Hist_Id) FROM kel_PES_Historico")).toInt();
    }
};
