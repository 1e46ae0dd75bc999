#include "output/consultaleitura.h"

#include <sqlite3.h>
#include <QAtomicInt>
#include <QElapsedTimer>
#include <QLibrary>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include "base/basedados.h"
#include "output/erromodelo.h"
#include "output/permissoesmodelo.h"

// What the sqlite callbacks share with the query under way.
struct GuardaConsulta {
    QElapsedTimer relogio;
    qint64 limiteMs = 0;
    bool armada = false;
    bool interrompida = false;
    QString recusa;  // the authorizer's first refusal
};

namespace {

QAtomicInt g_counter;

void recusar(GuardaConsulta& g, const QString& motivo) {
    if (g.recusa.isEmpty()) g.recusa = motivo;
}

int autorizar(void* p, int accao, const char* a1, const char* a2, const char* a3, const char*) {
    GuardaConsulta& g = *static_cast<GuardaConsulta*>(p);
    const QString s1 = QString::fromUtf8(a1), s2 = QString::fromUtf8(a2);
    switch (accao) {
        case SQLITE_SELECT:
            return SQLITE_OK;
        case SQLITE_READ:
            // Only the program's own database (ATTACH is refused; temp holds nothing of ours).
            if (a3 && *a3 && QString::fromUtf8(a3) != QStringLiteral("main")) {
                recusar(g, QStringLiteral("a consulta lê a tabela %1 fora da base de dados do programa (%2).")
                               .arg(s1, QString::fromUtf8(a3)));
                return SQLITE_DENY;
            }
            if (PermissoesModelo::podeLer(s1, s2)) return SQLITE_OK;
            recusar(g, s2.isEmpty() ? QStringLiteral("a consulta lê a tabela %1, que os modelos não podem ler.").arg(s1)
                                    : QStringLiteral("a consulta lê %1.%2, que os modelos não podem ler.").arg(s1, s2));
            return SQLITE_DENY;
        case SQLITE_FUNCTION:
            if (PermissoesModelo::funcaoPermitida(s2, Backend::Sqlite)) return SQLITE_OK;
            recusar(g, QStringLiteral("a consulta usa a função %1, que os modelos não podem usar.").arg(s2));
            return SQLITE_DENY;
        case SQLITE_RECURSIVE:
            recusar(g, QStringLiteral("a consulta usa uma sub-consulta recursiva (WITH RECURSIVE), que os modelos "
                                      "não podem usar."));
            return SQLITE_DENY;
        default:
            recusar(
                g, QStringLiteral("a consulta tenta uma operação que não é leitura (código %1 do SQLite).").arg(accao));
            return SQLITE_DENY;
    }
}

int progresso(void* p) {
    GuardaConsulta& g = *static_cast<GuardaConsulta*>(p);
    if (g.armada && g.relogio.elapsed() > g.limiteMs) {
        g.interrompida = true;
        return 1;
    }
    return 0;
}

ErroModelo naoProtegida(const QString& porque) {
    return ErroModelo(QStringLiteral("A ligação dos modelos de talão não pôde ser protegida (%1); os modelos não "
                                     "são executados sem essa protecção.")
                          .arg(porque));
}

// The same sqlite3 the Qt driver opened (Qt's plugin links the system's libsqlite3).
void protegerSqlite(BaseDados& db, GuardaConsulta& guarda) {
    const QVariant h = db.connection().driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        throw naoProtegida(QStringLiteral("sem acesso ao SQLite"));
    sqlite3* s = *static_cast<sqlite3* const*>(h.constData());
    if (!s) throw naoProtegida(QStringLiteral("sem acesso ao SQLite"));
    auto config = [s](int op, int valor) {
        int lido = -1;
        return sqlite3_db_config(s, op, valor, &lido) == SQLITE_OK && lido == valor;
    };
    if (!config(SQLITE_DBCONFIG_DEFENSIVE, 1)) throw naoProtegida(QStringLiteral("modo defensivo"));
    // Debian builds the two-argument fts3_tokenizer(), which takes a function pointer from SQL.
    if (!config(SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0)) throw naoProtegida(QStringLiteral("fts3_tokenizer"));
    if (!config(SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0)) throw naoProtegida(QStringLiteral("extensões"));
    if (!config(SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0)) throw naoProtegida(QStringLiteral("esquema de confiança"));
    // No value of a ticket comes near these; a query that builds one is stopped.
    sqlite3_limit(s, SQLITE_LIMIT_LENGTH, 1000000);
    sqlite3_limit(s, SQLITE_LIMIT_SQL_LENGTH, 100000);
    sqlite3_limit(s, SQLITE_LIMIT_EXPR_DEPTH, 200);
    sqlite3_limit(s, SQLITE_LIMIT_COMPOUND_SELECT, 50);
    sqlite3_limit(s, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 1000);
    sqlite3_limit(s, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(s, SQLITE_LIMIT_FUNCTION_ARG, 32);
    db.executar(QStringLiteral("PRAGMA query_only = 1"));
    if (db.escalar(QStringLiteral("PRAGMA query_only")).toInt() != 1) throw naoProtegida(QStringLiteral("query_only"));
    // From here on the connection runs only what the authorizer lets through.
    sqlite3_set_authorizer(s, autorizar, &guarda);
    sqlite3_progress_handler(s, 1000, progresso, &guarda);
}

// SQL_ATTR_QUERY_TIMEOUT on the statement, through the ODBC driver manager the Qt driver
// already loaded (Qt has no option for it).
bool tempoLimiteOdbc(const QSqlQuery& q, int segundos) {
    using SetStmtAttr = short (*)(void*, int, void*, int);
#ifdef Q_OS_WIN
    static QLibrary lib(QStringLiteral("odbc32"));
#else
    static QLibrary lib(QStringLiteral("odbc"), 2);
#endif
    const auto set = reinterpret_cast<SetStmtAttr>(lib.resolve("SQLSetStmtAttr"));
    const QVariant h = q.result() ? q.result()->handle() : QVariant();
    if (!set || !h.isValid()) return false;
    void* stmt = *static_cast<void* const*>(h.constData());
    const short rc = set(stmt, 0 /* SQL_ATTR_QUERY_TIMEOUT */, reinterpret_cast<void*>(quintptr(segundos)), 0);
    return rc == 0 || rc == 1;
}

// Arms the time limit for one query and disarms it however the query ends.
struct Relogio {
    GuardaConsulta& g;
    Relogio(GuardaConsulta& guarda, int ms) : g(guarda) {
        g.recusa.clear();
        g.interrompida = false;
        g.limiteMs = ms;
        g.relogio.start();
        g.armada = true;
    }
    ~Relogio() { g.armada = false; }
};

}  // namespace

ConsultaLeitura::ConsultaLeitura(SqlSettings settings)
    : m_settings(std::move(settings)), m_guarda(std::make_unique<GuardaConsulta>()) {}

ConsultaLeitura::~ConsultaLeitura() = default;

SqlSettings ConsultaLeitura::ligacao(const SqlSettings& s) {
    SqlSettings out = s;
    if (s.kind() != Backend::Sqlite && !s.loginModelos.trimmed().isEmpty()) {
        out.login = s.loginModelos;
        out.password = s.passwordModelos;
    }
    return out;
}

QStringList ConsultaLeitura::instrucoesPostgresql(const QString& consulta) {
    return {QStringLiteral("BEGIN TRANSACTION READ ONLY"),
            QStringLiteral("SET LOCAL statement_timeout = %1").arg(tempoLimiteMs), consulta,
            QStringLiteral("ROLLBACK")};
}

QStringList ConsultaLeitura::instrucoesMssql(const QString& consulta) {
    return {QStringLiteral("SET LOCK_TIMEOUT %1").arg(tempoLimiteMs), QStringLiteral("BEGIN TRANSACTION"), consulta,
            QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION")};
}

void ConsultaLeitura::abrir() {
    auto db = std::make_unique<BaseDados>(QStringLiteral("balantrix-leitura-%1").arg(g_counter.fetchAndAddRelaxed(1)));
    if (!db->abrir(ligacao(m_settings), BaseDados::OpenMode::ReadOnly))
        throw DbError(-1, QStringLiteral("A ligação dos modelos de talão não abriu: %1").arg(db->ultimoErro()));
    switch (db->backend()) {
        case Backend::Sqlite:
            protegerSqlite(*db, *m_guarda);
            break;
        case Backend::Mssql:  // the login, the access mode and each query's transaction
        case Backend::Postgresql:
            break;
    }
    m_db = std::move(db);
}

void ConsultaLeitura::falhar(const QSqlQuery& q, const QString& sql) const {
    if (!m_guarda->recusa.isEmpty()) throw ErroModelo(m_guarda->recusa);
    if (m_guarda->interrompida)
        throw ErroModelo(
            QStringLiteral("a consulta foi interrompida: demorou mais de %1 segundos (o limite dos modelos).")
                .arg(m_tempoLimite / 1000.0));
    // SQLITE_TOOBIG: a value past the length limit set in protegerSqlite.
    if (m_db->backend() == Backend::Sqlite && q.lastError().nativeErrorCode() == QStringLiteral("18"))
        throw ErroModelo(QStringLiteral("a consulta faz um valor maior do que o limite dos modelos (1 MB)."));
    throw m_db->errorFrom(q.lastError(), sql);
}

RecordSet ConsultaLeitura::ler(QSqlQuery& q, const QString& sql, int maxLinhas) {
    QStringList cols;
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i) cols << rec.fieldName(i);
    QVector<QVector<QVariant>> rows;
    while (q.next()) {
        if (maxLinhas > 0 && rows.size() >= maxLinhas)
            throw ErroModelo(
                QStringLiteral("a consulta devolve mais de %1 linhas, o limite deste modelo.").arg(maxLinhas));
        QVector<QVariant> row;
        row.reserve(cols.size());
        for (int i = 0; i < cols.size(); ++i) row << q.value(i);
        rows << row;
    }
    if (q.lastError().isValid()) falhar(q, sql);
    return RecordSet(cols, rows);
}

void ConsultaLeitura::preparar(const QString& sql) {
    if (!m_db) abrir();
    if (m_db->backend() != Backend::Sqlite) return;
    const Relogio relogio(*m_guarda, m_tempoLimite);
    QSqlQuery q(m_db->connection());
    if (!q.prepare(sql)) falhar(q, sql);
}

RecordSet ConsultaLeitura::consultar(const QString& sql, const QVariantList& params, int maxLinhas) {
    if (!m_db) abrir();
    auto preparar = [&](QSqlQuery& q, const QString& texto) {
        q.setForwardOnly(true);
        if (!q.prepare(texto)) falhar(q, texto);
        for (int i = 0; i < params.size(); ++i) q.bindValue(i, m_db->toStorage(params[i]));
    };
    // Each dialect has its own fences; a new one must say its own here (the compiler
    // names the missing case).
    switch (m_db->backend()) {
        case Backend::Sqlite: {
            const Relogio relogio(*m_guarda, m_tempoLimite);
            QSqlQuery q(m_db->connection());
            preparar(q, sql);
            if (!q.exec()) falhar(q, sql);
            return ler(q, sql, maxLinhas);
        }
        case Backend::Mssql:
        case Backend::Postgresql: {
            // The query inside a transaction that is always rolled back, under a time limit:
            // the server's own on PostgreSQL (with a read-only transaction), ODBC's on SQL Server.
            const bool mssql = m_db->backend() == Backend::Mssql;
            const QStringList passos = mssql ? instrucoesMssql(sql) : instrucoesPostgresql(sql);
            try {
                m_db->executar(passos[0]);
                m_db->executar(passos[1]);
                QSqlQuery q(m_db->connection());
                preparar(q, passos[2]);
                if (mssql && !tempoLimiteOdbc(q, (m_tempoLimite + 999) / 1000))
                    throw ErroModelo(QStringLiteral("não foi possível pôr o limite de tempo à consulta (ODBC)."));
                if (!q.exec()) falhar(q, sql);
                RecordSet rs = ler(q, sql, maxLinhas);
                m_db->executar(passos[3]);
                return rs;
            } catch (...) {
                try {
                    m_db->executar(passos[3]);
                } catch (const DbError&) {
                }
                throw;
            }
        }
    }
    throw ErroModelo(QStringLiteral("Os modelos de talão não correm nesta base de dados."));
}
