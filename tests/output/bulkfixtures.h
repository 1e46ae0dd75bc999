#pragma once

#include <QDateTime>
#include <QFile>
#include <QStringList>

#include "base/basedados.h"
#include "records/registohistorico.h"

// A weighing of a bulk test, saved as the desks save it (record store procedure).
struct PesagemEnvio {
    QString terceiro = QStringLiteral("C001");
    int tipoTerc = 2;    // 2 customer (outgoing "S"), 1 supplier (incoming "E")
    QDateTime primeira;  // DataHoraPB
    bool terminada = true;
    QString artigo = QStringLiteral("RAC-VL");
    QString liquido = QStringLiteral("26340");
    QString efectivo = QStringLiteral("26240");
    int noTalao = 1;
};

inline qint32 gravarPesagemEnvio(BaseDados& db, const PesagemEnvio& p) {
    const bool saida = p.tipoTerc == 2;
    QStringList v(RegistoHistorico::NumCampos);
    v[RegistoHistorico::Hist_Id] = QStringLiteral("0");
    v[RegistoHistorico::Tipo] = saida ? QStringLiteral("S") : QStringLiteral("E");
    v[RegistoHistorico::TpDoc] = saida ? QStringLiteral("GR") : QStringLiteral("GE");
    v[RegistoHistorico::Serie] = QStringLiteral("1");
    v[RegistoHistorico::NoDoc] = p.terminada ? QString::number(100 + p.noTalao) : QStringLiteral("0");
    v[RegistoHistorico::Ano] = QString::number(p.primeira.date().year());
    v[RegistoHistorico::PesoBruto] = QStringLiteral("40560");
    v[RegistoHistorico::PesoTara] = QStringLiteral("14220");
    v[RegistoHistorico::PesoLiquido] = p.terminada ? p.liquido : QString();
    v[RegistoHistorico::PesoEfectivo] = p.terminada ? p.efectivo : QString();
    v[RegistoHistorico::DataHoraPB] = RegistoHistorico::textoDataHora(p.primeira);
    v[RegistoHistorico::DataHoraPL] =
        p.terminada ? RegistoHistorico::textoDataHora(p.primeira.addSecs(50 * 60)) : QString();
    v[RegistoHistorico::Terceiro] = p.terceiro;
    v[RegistoHistorico::Artigo] = p.artigo;
    v[RegistoHistorico::CodMorada] = saida ? QStringLiteral("001") : QString();
    v[RegistoHistorico::Carro] = QStringLiteral("12-AB-34");
    v[RegistoHistorico::TipoTerc] = QString::number(p.tipoTerc);
    v[RegistoHistorico::AnoTalao] = QString::number(p.primeira.date().year());
    v[RegistoHistorico::NoTalao] = QString::number(p.noTalao);
    v[RegistoHistorico::Sigla] = saida ? QStringLiteral("A") : QString();
    v[RegistoHistorico::Campanha] = QStringLiteral("2023/2024");
    qint32 id = 0;
    GravarRegistoHistorico(db, v, id);
    return id;
}

inline QDateTime dh(int d, int m, int y, int h = 8, int min = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min));
}

// A configuration file with the PDF folder and (optionally) the mail server.
inline void escreverConfig(const QString& path, const QString& pastaPdf, int portaSmtp = 0) {
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QString t = QStringLiteral("[PDF]\nPasta=%1\n").arg(pastaPdf);
    if (portaSmtp > 0)
        t += QStringLiteral(
                 "[SMTP]\nServidor=127.0.0.1\nPorta=%1\nSeguranca=nenhuma\nemailEmissor=bascula@agrovale.example\n"
                 "TempoLimite=5\n[EMAIL]\nAssunto=Talões de pesagem do mês\nMensagem=Segue o extracto das pesagens.\n")
                 .arg(portaSmtp);
    f.write(t.toUtf8());
}
