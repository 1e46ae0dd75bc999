#pragma once

#include <QString>
#include <QStringList>

#include "base/basedados.h"
#include "base/catalogstatements.h"

class OperatorMessages;

// The program's own tables in the company database: creating them where they are
// missing, recording the catalogue and program versions, and bringing an older
// catalogue up to date.
class Catalogo {
  public:
    static constexpr int kCurrentVersion = 3;

    Catalogo(BaseDados& db, OperatorMessages& messages, QString programVersion);

    // True when the program's tables are there (the probe statement runs).
    bool existe();
    // Creates the base catalogue; a failing statement throws DbError and the
    // statements already run stay done.
    void criarCatalogoBase();

    struct Resultado {
        bool ok = true;               // false when the check or an upgrade stopped on an error
        int versaoCatalogo = 0;       // catalogue version after the check
        QString versaoExe;            // versaoEXE stored in row 200 after the check
        bool desactualizado = false;  // this program is older than the newest workstation
    };
    // The version check with its upgrades. `criadoAgora` says the base catalogue was
    // created in this start: such a database is brought to the current version at once.
    Resultado verificarVersao(bool criadoAgora);

    struct ResultadoIndices {
        bool ok = true;       // false when an index could not be created (already reported)
        QStringList criados;  // indexes created in this call
    };
    // Creates the program's indexes (CatalogIndex::all) where they are missing. Runs
    // after the version check on a current catalogue; never touches the catalogue
    // version. A failure is reported to the operator and the remaining indexes are
    // still tried: the program works without them, only slower.
    ResultadoIndices garantirIndices();

    // Every catalogue statement of a dialect, in the order the program runs them
    // (the index statements last).
    static QStringList script(Backend backend);

  private:
    void runSteps(int fromVersion);
    void run(const CatalogStatement& st);
    Resultado check(bool criadoAgora);

    BaseDados& m_db;
    OperatorMessages& m_messages;
    QString m_programVersion;
    CatalogStatements m_statements;
};
