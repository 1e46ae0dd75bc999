#pragma once

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>

#include "base/basedados.h"
#include "tests/support/clirun.h"

// A finished weighing as the desks save it, through the record procedure.
struct Pesagem {
    QString tipo = QStringLiteral("S");
    QString terceiro = QStringLiteral("C001");
    QString codMorada = QStringLiteral("001");
    QString artigo = QStringLiteral("RAC-VL");
    QString carro = QStringLiteral("12-AB-34");
    double bruto = 40560, tara = 14220, liquido = 26340, efectivo = 26240;
    double vasilhame = 100, qualidade = 0;
    int noTalao = 1234;
    QString sigla = QStringLiteral("A");
    QString justificacao = QStringLiteral("Carga verificada; selo n.º 4471.");
};

inline qint32 gravarPesagem(BaseDados& db, const Pesagem& p) {
    const bool saida = p.tipo == QStringLiteral("S");
    auto t = [](const char* n, const QVariant& v, ProcParam::Type ty = ProcParam::Text) {
        return ProcParam{QString::fromLatin1(n), v, ty, 0};
    };
    const QList<ProcParam> params = {
        t("Hist_Id", 0, ProcParam::Int),
        t("Tipo", p.tipo),
        t("TpDoc", saida ? QStringLiteral("GR") : QStringLiteral("GE")),
        t("Serie", 1, ProcParam::SmallInt),
        t("NoDoc", 245, ProcParam::Int),
        t("Ano", 2026, ProcParam::SmallInt),
        t("PesoBruto", p.bruto, ProcParam::Money),
        t("PesoTara", p.tara, ProcParam::Money),
        t("PesoLiquido", p.liquido, ProcParam::Money),
        t("PesoEfectivo", p.efectivo, ProcParam::Money),
        t("Justificacao", p.justificacao),
        t("DataHoraPB", QDateTime(QDate(2026, 3, 12), QTime(8, 41)), ProcParam::DateTime),
        t("DataHoraPL", QDateTime(QDate(2026, 3, 12), QTime(9, 27)), ProcParam::DateTime),
        t("Terceiro", p.terceiro),
        t("Artigo", p.artigo),
        t("CodMorada", p.codMorada),
        t("Motorista", QString()),
        t("Carro", p.carro),
        t("TipoTerc", saida ? 2 : 1, ProcParam::SmallInt),
        t("AnoTalao", 2026, ProcParam::SmallInt),
        t("NoTalao", p.noTalao, ProcParam::Int),
        t("RefCliente", saida ? QStringLiteral("ENC-7781") : QString()),
        t("RefEntrega", saida ? QStringLiteral("E-2026/118") : QString()),
        t("Sigla", saida ? p.sigla : QString()),
        t("Campanha", QStringLiteral("2025/2026")),
        t("TipoMorada", saida ? QStringLiteral("ARM") : QString()),
    };
    const qint32 id = qint32(db.procedimento(QStringLiteral("sp_kel_Gravar_PES_Historico"), params).returnValue);
    db.executar(
        QStringLiteral(
            "INSERT INTO kel_PES_Historico_Comp (Cab_Id, Vasilhame, Qualidade, Caracteristica) VALUES (?, ?, ?, ?)"),
        {id, p.vasilhame, p.qualidade, saida ? 0 : 1});
    return id;
}

// Text of a PDF as pdftotext reads it (layout kept, each page ended by a form feed), and its page count.
inline QString pdfTexto(const QString& path) {
    return runProgram(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")}).out;
}

inline int pdfPaginas(const QString& path) {
    for (const QString& line : runProgram(QStringLiteral("pdfinfo"), {path}).lines())
        if (line.startsWith(QStringLiteral("Pages:"))) return line.mid(6).trimmed().toInt();
    return -1;
}

// The program folder of the tests: the shipped templates under BALANTRIX_SOURCE/mapas.
inline QString pastaPrograma() {
    return qEnvironmentVariable("BALANTRIX_SOURCE");
}

// The database of a demo installation made by `balantrix-cli demo init` under `dataDir`
// (BALANTRIX_DATA_DIR), opened as another workstation would.
inline std::unique_ptr<BaseDados> baseDemo(const QString& dataDir, const QString& connection) {
    auto db = std::make_unique<BaseDados>(connection);
    if (!db->abrir(
            SqlSettings{QStringLiteral("sqlite"), {}, dataDir + QStringLiteral("/norvak/balantrix-demo.db"), {}, {}}))
        return nullptr;
    return db;
}
