#include "base/catalogo.h"

#include "base/intentnotes.h"
#include "base/operatormessages.h"
#include "base/programinfo.h"
#include "base/tabelapropria.h"

Catalogo::Catalogo(BaseDados& db, OperatorMessages& messages, QString programVersion)
    : m_db(db),
      m_messages(messages),
      m_programVersion(std::move(programVersion)),
      m_statements(CatalogStatements::forBackend(db.backend())) {}

bool Catalogo::existe() {
    try {
        m_db.consultar(CatalogStatements::probe());
        return true;
    } catch (const DbError&) {
        return false;
    }
}

void Catalogo::criarCatalogoBase() {
    for (const CatalogStatement& st : m_statements.baseCatalogue) run(st);
}

void Catalogo::run(const CatalogStatement& st) {
    if (st.kind == CatalogStatement::CopyWarehouse) {
        RecordSet row1 = m_db.consultar(CatalogStatements::parametersRow1());
        if (row1.isEmpty()) return;
        m_db.executar(st.sql, {row1.text(QStringLiteral("ArmCentral"))});
        return;
    }
    m_db.executar(st.sql);
}

void Catalogo::runSteps(int fromVersion) {
    if (fromVersion <= 0)
        for (const auto& st : m_statements.stepA) run(st);
    if (fromVersion <= 1)
        for (const auto& st : m_statements.stepB) run(st);
    if (fromVersion <= 2)
        for (const auto& st : m_statements.stepC) run(st);
}

Catalogo::Resultado Catalogo::check(bool criadoAgora) {
    Resultado r;
    const QString programText = ProgramInfo::versionText(m_programVersion);
    int target = kCurrentVersion;
    RecordSet row = m_db.consultar(CatalogStatements::versionRow());
    int dbVersion = 0;
    if (row.isEmpty()) {
        m_db.executar(QStringLiteral("INSERT INTO kel_sistema (Numero, versaoEXE) VALUES (?, ?)"), {200, programText});
        r.versaoExe = programText;
        // A database found without its version row waits for the next start; one whose
        // catalogue was created just now is completed at once.
        if (!criadoAgora) target = 0;
    } else {
        dbVersion = row.value(QStringLiteral("VersaoCatalogo")).toInt();
        const QVariant stored = row.value(QStringLiteral("versaoEXE"));
        if (stored.isNull() || stored.toString() < programText) {
            m_db.executar(QStringLiteral("UPDATE kel_sistema SET versaoEXE = ? WHERE Numero = 200"), {programText});
            r.versaoExe = programText;
        } else {
            r.versaoExe = stored.toString();
            if (stored.toString() > programText) {
                r.desactualizado = true;
                m_messages.mostrarEstado(
                    OperatorMessages::Critico,
                    QStringLiteral("A versão da aplicação que esta a utilizar esta desactualizada.\r\n"
                                   " Deve actualizar a versão deste posto!"));
            }
        }
    }
    r.versaoCatalogo = dbVersion;
    if (target != dbVersion && dbVersion >= 0 && dbVersion <= 2) {
        runSteps(dbVersion);
        m_db.executar(CatalogStatements::versionUpdate(target));
        r.versaoCatalogo = target;
    }
    return r;
}

Catalogo::Resultado Catalogo::verificarVersao(bool criadoAgora) {
    bool repaired = false;
    for (;;) {
        try {
            return check(criadoAgora);
        } catch (const DbError& e) {
            if (e.isCommandError() && !repaired) {
                repaired = true;
                try {
                    m_db.executar(CatalogStatements::repairStatement(m_db.backend()));
                    continue;
                } catch (const DbError& e2) {
                    m_messages.mensagem(QString::number(e2.numero()) + QStringLiteral("\r\n") + e2.descricao());
                }
            } else {
                m_messages.mensagem(QString::number(e.numero()) + QStringLiteral("\r\n") + e.descricao());
            }
            Resultado r;
            r.ok = false;
            try {
                const QVariant v =
                    m_db.escalar(QStringLiteral("SELECT VersaoCatalogo FROM kel_sistema WHERE Numero = 200"));
                r.versaoCatalogo = v.toInt();
            } catch (const DbError&) {
            }
            return r;
        }
    }
}

Catalogo::ResultadoIndices Catalogo::garantirIndices() {
    ResultadoIndices r;
    const Backend b = m_db.backend();
    // The notes of ERP writes: without them no ERP document is written (the desks refuse).
    try {
        IntentNotes::garantirTabela(m_db);
    } catch (const DbError& e) {
        r.ok = false;
        m_messages.mostrarEstado(OperatorMessages::Exclamacao,
                                 QStringLiteral("Não foi possível criar a tabela das operações do ERP (%1).\r\n"
                                                "Sem ela não se concluem pesagens.\r\n")
                                         .arg(IntentNotes::tableName()) +
                                     e.texto());
    }
    // The program's own small tables first: without them some choices cannot be kept.
    const QStringList tabelas = TabelaPropria::garantir(m_db);
    if (!tabelas.isEmpty()) {
        r.ok = false;
        m_messages.mostrarEstado(OperatorMessages::Exclamacao,
                                 QStringLiteral("Não foi possível criar as tabelas próprias do programa.\r\n") +
                                     tabelas.join(QStringLiteral("\r\n")));
    }
    QStringList falhas;
    // Looked up first so that a start with every index in place writes nothing, and so
    // that the operator is told how many there are to create (seconds each on a large
    // database) before the first one starts.
    const auto todos = CatalogIndex::all(b);
    QList<const CatalogIndex*> emFalta;
    for (const CatalogIndex& ix : todos) {
        try {
            if (m_db.consultar(ix.existsQuery(b)).isEmpty()) emFalta << &ix;
        } catch (const DbError& e) {
            falhas << ix.nome + QStringLiteral(": ") + e.texto();
        }
    }
    const int total = int(emFalta.size());
    for (int i = 0; i < total; ++i) {
        const CatalogIndex& ix = *emFalta[i];
        m_messages.progresso(QStringLiteral("A criar os índices de pesquisa das pesagens (%1 de %2: %3)...")
                                 .arg(i + 1)
                                 .arg(total)
                                 .arg(ix.nome),
                             i, total);
        try {
            m_db.executar(ix.statement(b));
            r.criados << ix.nome;
        } catch (const DbError& e) {
            falhas << ix.nome + QStringLiteral(": ") + e.texto();
        }
    }
    if (total > 0) m_messages.progresso(QStringLiteral("Índices de pesquisa das pesagens criados."), total, total);
    if (!falhas.isEmpty()) {
        r.ok = false;
        m_messages.mostrarEstado(
            OperatorMessages::Exclamacao,
            QStringLiteral("Não foi possível criar os índices de pesquisa das pesagens.\r\n"
                           "O programa continua, mas as listas de pesagens podem ficar lentas.\r\n") +
                falhas.join(QStringLiteral("\r\n")));
    }
    return r;
}

QStringList Catalogo::script(Backend backend) {
    const CatalogStatements s = CatalogStatements::forBackend(backend);
    QStringList out;
    for (const auto* list : {&s.baseCatalogue, &s.stepA, &s.stepB, &s.stepC})
        for (const CatalogStatement& st : *list) out << st.sql;
    out << CatalogStatements::versionUpdate(kCurrentVersion);
    out << CatalogStatements::repairStatement(backend);
    for (const CatalogIndex& ix : CatalogIndex::all(backend)) out << ix.statement(backend);
    return out;
}
