#include "base/intentnotes.h"

#include <QJsonDocument>

#include "base/basedados.h"
#include "base/dialectopg.h"

namespace {

const char* kColumns =
    "Hist_Id, Operacao, TpDoc, Serie, NoDoc, Ano, Referencia, TipoTerc, Terceiro, Posto, Pid, "
    "InicioProcesso, Dados";

QString selectColumns(Backend b) {
    // Ages by the database's clock: every workstation measures a note the same way.
    QString age = QStringLiteral("CAST((julianday('now') - julianday(DataHora)) * 86400 AS INTEGER)");
    if (b == Backend::Mssql) age = QStringLiteral("DATEDIFF(second, DataHora, GETUTCDATE())");
    if (b == Backend::Postgresql)
        age = QStringLiteral("CAST(EXTRACT(EPOCH FROM (%1 - DataHora)) AS bigint)").arg(DialectoPg::agoraUtc());
    return QStringLiteral("SELECT Nota_Id, %1, %2 AS Idade FROM kel_PES_NotasERP")
        .arg(QString::fromLatin1(kColumns), age);
}

// A null text is bound as SQL NULL: the columns hold '' for "none".
QString txt(const QString& s) {
    return s.isNull() ? QStringLiteral("") : s;
}

}  // namespace

QString IntentNote::operationName(Operation op) {
    switch (op) {
        case Operation::Complete:
            return QStringLiteral("complete");
        case Operation::Correct:
            return QStringLiteral("correct");
        case Operation::Cancel:
            return QStringLiteral("cancel");
    }
    return {};
}

bool IntentNote::operationFromName(const QString& name, Operation& op) {
    for (Operation o : {Operation::Complete, Operation::Correct, Operation::Cancel}) {
        if (operationName(o) == name) {
            op = o;
            return true;
        }
    }
    return false;
}

IntentNotes::Statements IntentNotes::statements(Backend b) {
    Statements s;
    QString now = QStringLiteral("CURRENT_TIMESTAMP");
    if (b == Backend::Mssql) now = QStringLiteral("GETUTCDATE()");
    if (b == Backend::Postgresql) now = DialectoPg::agoraUtc();
    if (b == Backend::Mssql) {
        s.create << QStringLiteral(
            "IF OBJECT_ID(N'dbo.kel_PES_NotasERP', N'U') IS NULL CREATE TABLE [dbo].[kel_PES_NotasERP] "
            "([Nota_Id] [int] "
            "IDENTITY(1,1) NOT NULL, [Hist_Id] [int] NOT NULL, [Operacao] [nvarchar](10) NOT NULL, [TpDoc] "
            "[nvarchar](3) "
            "NOT NULL, [Serie] [smallint] NOT NULL, [NoDoc] [int] NOT NULL, [Ano] [smallint] NOT NULL, "
            "[Referencia] "
            "[nvarchar](30) NOT NULL, [TipoTerc] [smallint] NOT NULL, [Terceiro] [nvarchar](15) NOT NULL, "
            "[Posto] "
            "[nvarchar](64) NOT NULL, [Pid] [bigint] NOT NULL, [InicioProcesso] [nvarchar](80) NOT NULL, "
            "[DataHora] "
            "[datetime] NOT NULL CONSTRAINT [DF_kel_PES_NotasERP_DataHora] DEFAULT (GETUTCDATE()), [Dados] "
            "[nvarchar](max) NULL, CONSTRAINT [PK_kel_PES_NotasERP] PRIMARY KEY CLUSTERED ([Nota_Id] ASC), "
            "CONSTRAINT "
            "[UX_kel_PES_NotasERP_Hist] UNIQUE ([Hist_Id]))");
    } else {
        s.create << QStringLiteral(
            "CREATE TABLE IF NOT EXISTS kel_PES_NotasERP (Nota_Id INTEGER PRIMARY KEY AUTOINCREMENT, Hist_Id "
            "int NOT "
            "NULL, Operacao nvarchar(10) NOT NULL, TpDoc nvarchar(3) NOT NULL, Serie smallint NOT NULL, "
            "NoDoc int NOT "
            "NULL, Ano smallint NOT NULL, Referencia nvarchar(30) NOT NULL, TipoTerc smallint NOT NULL, "
            "Terceiro "
            "nvarchar(15) NOT NULL, Posto nvarchar(64) NOT NULL, Pid bigint NOT NULL, InicioProcesso "
            "nvarchar(80) NOT "
            "NULL, DataHora datetime NOT NULL DEFAULT CURRENT_TIMESTAMP, Dados ntext NULL, CONSTRAINT "
            "UX_kel_PES_NotasERP_Hist UNIQUE (Hist_Id))");
        if (b == Backend::Postgresql) s.create.last() = DialectoPg::deSqlite(s.create.last());
    }
    s.insert =
        QStringLiteral("INSERT INTO kel_PES_NotasERP (%1, DataHora) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, %2)")
            .arg(QString::fromLatin1(kColumns), now);
    s.idOf = QStringLiteral("SELECT Nota_Id FROM kel_PES_NotasERP WHERE Hist_Id = ?");
    s.list = selectColumns(b) + QStringLiteral(" ORDER BY Nota_Id");
    s.listOf = selectColumns(b) + QStringLiteral(" WHERE Hist_Id = ? ORDER BY Nota_Id");
    s.claim = QStringLiteral(
                  "UPDATE kel_PES_NotasERP SET Posto = ?, Pid = ?, InicioProcesso = ?, DataHora = %1 WHERE "
                  "Nota_Id = ? "
                  "AND Posto = ? AND Pid = ? AND InicioProcesso = ?")
                  .arg(now);
    s.close = QStringLiteral(
        "DELETE FROM kel_PES_NotasERP WHERE Nota_Id = ? AND Posto = ? AND Pid = ? AND InicioProcesso = ?");
    s.release = QStringLiteral(
        "UPDATE kel_PES_NotasERP SET Posto = '', Pid = 0, InicioProcesso = '' WHERE Nota_Id = ? AND Posto = "
        "? AND Pid = ? "
        "AND InicioProcesso = ?");
    s.count = QStringLiteral("SELECT COUNT(*) FROM kel_PES_NotasERP");
    return s;
}

IntentNotes::IntentNotes(BaseDados& db) : m_db(db), m_st(statements(db.backend())) {}

void IntentNotes::garantirTabela(BaseDados& db) {
    if (db.tableExists(tableName())) return;
    for (const QString& sql : statements(db.backend()).create) db.executar(sql);
}

qint64 IntentNotes::abrir(const IntentNote& n) {
    const QString dados = QString::fromUtf8(QJsonDocument(n.dados).toJson(QJsonDocument::Compact));
    const QVariantList params{n.histId,
                              IntentNote::operationName(n.operation),
                              txt(n.tipoDoc),
                              n.serie,
                              n.noDoc,
                              n.ano,
                              txt(n.referencia),
                              n.tipoTerc,
                              txt(n.terceiro),
                              txt(n.owner.workstation),
                              n.owner.pid,
                              txt(n.owner.startMark),
                              dados};
    try {
        m_db.executar(m_st.insert, params);
    } catch (const DbError&) {
        // The one open note per weighing: another one holds it.
        if (!m_db.consultar(m_st.idOf, {n.histId}).isEmpty()) return 0;
        throw;
    }
    const RecordSet rs = m_db.consultar(m_st.idOf, {n.histId});
    return rs.isEmpty() ? 0 : rs.value(QStringLiteral("Nota_Id")).toLongLong();
}

bool IntentNotes::fechar(qint64 id, const ProcessIdentity& o) {
    return m_db.executar(m_st.close, {id, txt(o.workstation), o.pid, txt(o.startMark)}) == 1;
}

bool IntentNotes::libertar(qint64 id, const ProcessIdentity& o) {
    return m_db.executar(m_st.release, {id, txt(o.workstation), o.pid, txt(o.startMark)}) == 1;
}

bool IntentNotes::tomar(qint64 id, const ProcessIdentity& from, const ProcessIdentity& to) {
    return m_db.executar(m_st.claim, {txt(to.workstation), to.pid, txt(to.startMark), id, txt(from.workstation),
                                      from.pid, txt(from.startMark)}) == 1;
}

QList<IntentNote> IntentNotes::ler(const QString& sql, const QVariantList& params) {
    const RecordSet rs = m_db.consultar(sql, params);
    QList<IntentNote> out;
    for (int i = 0; i < rs.count(); ++i) {
        IntentNote n;
        n.id = rs.value(i, QStringLiteral("Nota_Id")).toLongLong();
        n.histId = rs.value(i, QStringLiteral("Hist_Id")).toInt();
        if (!IntentNote::operationFromName(rs.text(i, QStringLiteral("Operacao")), n.operation)) continue;
        n.tipoDoc = rs.text(i, QStringLiteral("TpDoc"));
        n.serie = short(rs.value(i, QStringLiteral("Serie")).toInt());
        n.noDoc = rs.value(i, QStringLiteral("NoDoc")).toInt();
        n.ano = short(rs.value(i, QStringLiteral("Ano")).toInt());
        n.referencia = rs.text(i, QStringLiteral("Referencia"));
        n.tipoTerc = short(rs.value(i, QStringLiteral("TipoTerc")).toInt());
        n.terceiro = rs.text(i, QStringLiteral("Terceiro"));
        n.owner.workstation = rs.text(i, QStringLiteral("Posto"));
        n.owner.pid = rs.value(i, QStringLiteral("Pid")).toLongLong();
        n.owner.startMark = rs.text(i, QStringLiteral("InicioProcesso"));
        n.ageSeconds = rs.value(i, QStringLiteral("Idade")).toLongLong();
        n.dados = QJsonDocument::fromJson(rs.text(i, QStringLiteral("Dados")).toUtf8()).object();
        out << n;
    }
    return out;
}

QList<IntentNote> IntentNotes::abertas() {
    return ler(m_st.list, {});
}

QList<IntentNote> IntentNotes::abertasDe(qint32 histId) {
    return ler(m_st.listOf, {histId});
}

int IntentNotes::contar() {
    return m_db.escalar(m_st.count).toInt();
}
