#include "records/tabelasrastreio.h"

#include "base/basedados.h"
#include "base/dialectopg.h"

namespace {

struct Tabela {
    const char* nome;
    const char* sqlite;
    const char* mssql;
};

// Alibi_Id is the running number, taken under a lock by the writer (never an identity,
// whose values a rolled-back insert would leave as gaps in the chain).
const Tabela kTabelas[] = {
    {"kel_PES_Alibi",
     "CREATE TABLE IF NOT EXISTS kel_PES_Alibi (Alibi_Id INTEGER NOT NULL PRIMARY KEY, DataHora DATETIME NOT "
     "NULL, "
     "Posto NVARCHAR(64) NOT NULL, Balcao NVARCHAR(16) NOT NULL, Tipo CHAR(1) NOT NULL, Origem VARCHAR(8) "
     "NOT NULL, "
     "Resposta NVARCHAR(600) NOT NULL, Peso NUMERIC NOT NULL, Estavel SMALLINT NOT NULL, Leitura_Id INTEGER "
     "NULL, "
     "Hist_Id INTEGER NULL, NoPeso SMALLINT NULL, Hash CHAR(64) NOT NULL)",
     "CREATE TABLE kel_PES_Alibi (Alibi_Id INT NOT NULL PRIMARY KEY, DataHora DATETIME NOT NULL, "
     "Posto NVARCHAR(64) NOT NULL, Balcao NVARCHAR(16) NOT NULL, Tipo CHAR(1) NOT NULL, Origem VARCHAR(8) "
     "NOT NULL, "
     "Resposta NVARCHAR(600) NOT NULL, Peso DECIMAL(19,4) NOT NULL, Estavel SMALLINT NOT NULL, Leitura_Id "
     "INT NULL, "
     "Hist_Id INT NULL, NoPeso SMALLINT NULL, Hash CHAR(64) NOT NULL)"},
    {"kel_PES_Opcoes",
     "CREATE TABLE IF NOT EXISTS kel_PES_Opcoes (Nome NVARCHAR(40) NOT NULL PRIMARY KEY, Valor NVARCHAR(200) "
     "NOT NULL)",
     "CREATE TABLE kel_PES_Opcoes (Nome NVARCHAR(40) NOT NULL PRIMARY KEY, Valor NVARCHAR(200) NOT NULL)"},
    {"kel_PES_Chave",
     "CREATE TABLE IF NOT EXISTS kel_PES_Chave (Numero INTEGER NOT NULL PRIMARY KEY, Algoritmo VARCHAR(16) "
     "NOT NULL, "
     "Privada NVARCHAR(400) NOT NULL, Publica NVARCHAR(400) NOT NULL, Criada DATETIME NOT NULL)",
     "CREATE TABLE kel_PES_Chave (Numero INT NOT NULL PRIMARY KEY, Algoritmo VARCHAR(16) NOT NULL, "
     "Privada NVARCHAR(400) NOT NULL, Publica NVARCHAR(400) NOT NULL, Criada DATETIME NOT NULL)"},
    // The public keys of the workstations' signing keys (the private ones never leave
    // their workstation): Chave_Id is the first 8 bytes of SHA-256 of the raw key, in hex,
    // as tickets name it; Desde the date from which the key signed.
    {"kel_PES_ChavesPublicas",
     "CREATE TABLE IF NOT EXISTS kel_PES_ChavesPublicas (Chave_Id VARCHAR(16) NOT NULL PRIMARY KEY, "
     "Algoritmo VARCHAR(16) NOT NULL, Publica VARCHAR(400) NOT NULL, Posto NVARCHAR(64) NOT NULL, "
     "Desde DATETIME NOT NULL)",
     "CREATE TABLE kel_PES_ChavesPublicas (Chave_Id VARCHAR(16) NOT NULL PRIMARY KEY, "
     "Algoritmo VARCHAR(16) NOT NULL, Publica VARCHAR(400) NOT NULL, Posto NVARCHAR(64) NOT NULL, "
     "Desde DATETIME NOT NULL)"},
    // Registered trucks and their stored tare; Alibi_Id is the reading the tare came
    // from (NULL when typed), Origem "scale" or "manual".
    {"kel_PES_Viaturas",
     "CREATE TABLE IF NOT EXISTS kel_PES_Viaturas (Matricula NVARCHAR(10) NOT NULL PRIMARY KEY, "
     "Terceiro NVARCHAR(15) NULL, Artigo NVARCHAR(15) NULL, Motorista NVARCHAR(35) NULL, Tara NUMERIC NOT NULL, "
     "PesadaEm DATETIME NOT NULL, ValidaAte DATETIME NOT NULL, Posto NVARCHAR(64) NOT NULL, "
     "Utilizador NVARCHAR(64) NOT NULL, Origem VARCHAR(8) NOT NULL, Alibi_Id INTEGER NULL, Hist_Id INTEGER NULL)",
     "CREATE TABLE kel_PES_Viaturas (Matricula NVARCHAR(10) NOT NULL PRIMARY KEY, "
     "Terceiro NVARCHAR(15) NULL, Artigo NVARCHAR(15) NULL, Motorista NVARCHAR(35) NULL, Tara DECIMAL(19,4) NOT "
     "NULL, PesadaEm DATETIME NOT NULL, ValidaAte DATETIME NOT NULL, Posto NVARCHAR(64) NOT NULL, "
     "Utilizador NVARCHAR(64) NOT NULL, Origem VARCHAR(8) NOT NULL, Alibi_Id INT NULL, Hist_Id INT NULL)"},
    // A weighing that used a stored tare for one of its weights: which tare, weighed
    // when, from which reading. The ticket's mark and its signed line read it.
    {"kel_PES_Historico_TaraRegistada",
     "CREATE TABLE IF NOT EXISTS kel_PES_Historico_TaraRegistada (Hist_Id INTEGER NOT NULL PRIMARY KEY, "
     "Matricula NVARCHAR(10) NOT NULL, Tara NUMERIC NOT NULL, PesadaEm DATETIME NOT NULL, Origem VARCHAR(8) NOT "
     "NULL, Alibi_Id INTEGER NULL)",
     "CREATE TABLE kel_PES_Historico_TaraRegistada (Hist_Id INT NOT NULL PRIMARY KEY, "
     "Matricula NVARCHAR(10) NOT NULL, Tara DECIMAL(19,4) NOT NULL, PesadaEm DATETIME NOT NULL, Origem VARCHAR(8) "
     "NOT NULL, Alibi_Id INT NULL)"},
};

const char* kIndiceLigacoes[] = {
    "CREATE INDEX IF NOT EXISTS kel_PES_Alibi_PorHist ON kel_PES_Alibi (Hist_Id)",
    "IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'kel_PES_Alibi_PorHist') "
    "CREATE INDEX kel_PES_Alibi_PorHist ON kel_PES_Alibi (Hist_Id)",
};

}  // namespace

QStringList TabelasRastreio::instrucoes(Backend backend) {
    QStringList out;
    for (const Tabela& t : kTabelas) {
        if (backend == Backend::Sqlite)
            out << QString::fromLatin1(t.sqlite);
        else if (backend == Backend::Postgresql)
            out << DialectoPg::deSqlite(QString::fromLatin1(t.sqlite));
        else
            out << QStringLiteral("IF OBJECT_ID(N'%1', N'U') IS NULL ").arg(QLatin1String(t.nome)) +
                       QString::fromLatin1(t.mssql);
    }
    out << QString::fromLatin1(kIndiceLigacoes[backend == Backend::Mssql ? 1 : 0]);
    return out;
}

void TabelasRastreio::garantir(BaseDados& db) {
    for (const QString& sql : instrucoes(db.backend())) {
        try {
            db.executar(sql);
        } catch (const DbError&) {
            // Two workstations starting together: the other one may have created the
            // table between our look and our CREATE. The guarded statement again settles it.
            db.executar(sql);
        }
    }
}
