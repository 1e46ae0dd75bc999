#include "base/tabelapropria.h"

#include "base/basedados.h"
#include "base/dialectopg.h"

QList<TabelaPropria> TabelaPropria::all() {
    return {
        // The subsidiary-materials choice of an incoming weighing, taken at its first
        // weight: it decided the ticket counter and decides the document type.
        {QStringLiteral("kel_PES_Historico_Opcoes"),
         QStringLiteral("CREATE TABLE IF NOT EXISTS kel_PES_Historico_Opcoes (Hist_Id int NOT NULL PRIMARY KEY, "
                        "MatSubsidiarias smallint NOT NULL)"),
         QStringLiteral(
             "CREATE TABLE [dbo].[kel_PES_Historico_Opcoes] ([Hist_Id] [int] NOT NULL, [MatSubsidiarias] "
             "[smallint] NOT NULL, CONSTRAINT [PK_kel_PES_Historico_Opcoes] PRIMARY KEY CLUSTERED ([Hist_Id] "
             "ASC))")},
    };
}

QString TabelaPropria::statement(Backend b) const {
    if (b == Backend::Mssql) return QStringLiteral("IF OBJECT_ID(N'dbo.%1', N'U') IS NULL %2").arg(nome, mssql);
    if (b == Backend::Postgresql) return DialectoPg::deSqlite(sqlite);
    return sqlite;
}

QStringList TabelaPropria::garantir(BaseDados& db) {
    QStringList falhas;
    for (const TabelaPropria& t : all()) {
        try {
            // Looked up first so that a start with every table in place writes nothing.
            if (db.tableExists(t.nome)) continue;
            db.executar(t.statement(db.backend()));
        } catch (const DbError& e) {
            falhas << t.nome + QStringLiteral(": ") + e.texto();
        }
    }
    return falhas;
}
