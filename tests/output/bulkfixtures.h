#pragma once

#include <QDateTime>
#include <QFile>
#include <QStringList>

#include "base/basedados.h"
#include "records/registohistorico.h"
#include "tests/support/testsupport.h"

// A weighing of a bulk test, saved as the desks save it (record store procedure).
struct PesagemEnvio {
    QString terceiro = QStringLiteral("C001");
    int tipoTerc = 2;    // 2 customer (outgoing "S"), 1 supplier (incoming "E")
    QDateTime primeira;  // DataHoraPB
    bool terminada = true;
    QString artigo = QStringLiteral("RAC-VL");
    Money liquido = Money::fromInteger(26340);
    Money efectivo = Money::fromInteger(26240);
    int noTalao = 1;
};

inline qint32 gravarPesagemEnvio(BaseDados& db, const PesagemEnvio& p) {
    const bool saida = p.tipoTerc == 2;
    RegistoPesagem r;
    r.tipo = saida ? QStringLiteral("S") : QStringLiteral("E");
    r.tpDoc = saida ? QStringLiteral("GR") : QStringLiteral("GE");
    r.serie = 1;
    r.noDoc = p.terminada ? 100 + p.noTalao : 0;
    r.ano = r.anoTalao = p.primeira.date().year();
    r.pesoBruto = Money::fromInteger(40560);
    r.pesoTara = Money::fromInteger(14220);
    if (p.terminada) {
        r.pesoLiquido = p.liquido;
        r.pesoEfectivo = p.efectivo;
        r.dataHoraPL = p.primeira.addSecs(50 * 60);
    }
    r.dataHoraPB = p.primeira;
    r.terceiro = p.terceiro;
    r.artigo = p.artigo;
    r.codMorada = saida ? QStringLiteral("001") : QString();
    r.carro = QStringLiteral("12-AB-34");
    r.tipoTerc = p.tipoTerc;
    r.noTalao = p.noTalao;
    r.sigla = saida ? QStringLiteral("A") : QString();
    r.campanha = QStringLiteral("2023/2024");
    qint32 id = 0;
    GravarRegistoHistorico(db, r, id);
    return id;
}

inline QDateTime dh(int d, int m, int y, int h = 8, int min = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min));
}

// A configuration file with the PDF folder and (optionally) the mail server.
inline void escreverConfig(const QString& path, const QString& pastaPdf, int portaSmtp = 0) {
    QString t = QStringLiteral("[PDF]\nPasta=%1\n").arg(pastaPdf);
    if (portaSmtp > 0)
        t += QStringLiteral(
                 "[SMTP]\nServidor=127.0.0.1\nPorta=%1\nSeguranca=nenhuma\nemailEmissor=bascula@agrovale.example\n"
                 "TempoLimite=5\n[EMAIL]\nAssunto=Talões de pesagem do mês\nMensagem=Segue o extracto das pesagens.\n")
                 .arg(portaSmtp);
    escreverFicheiro(path, t.toUtf8());
}
