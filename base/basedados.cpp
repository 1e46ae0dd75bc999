#include "base/basedados.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "base/dialectopg.h"
#include "base/sqliteprocedures.h"

#include <QRandomGenerator>
#include <QThread>
#include <cstdio>

namespace {
const char* kIsoFormat = "yyyy-MM-dd HH:mm:ss";
// More distinct statements than the program has: a text built per call (a list of n
// marks) cannot grow the cache without bound.
constexpr int kMaxPreparadas = 256;

// "yyyy-MM-dd HH:mm:ss" without QLocale's format parser, which took most of the time of
// a list of a few hundred date-times.
QString textoIso(const QDateTime& dt) {
    if (!dt.isValid()) return {};
    const QDate d = dt.date();
    const QTime t = dt.time();
    if (d.year() < 1 || d.year() > 9999) return dt.toString(QString::fromLatin1(kIsoFormat));
    char b[24];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", d.year(), d.month(), d.day(), t.hour(), t.minute(),
                  t.second());
    return QString::fromLatin1(b);
}

// Without TZ, the C library looks at /etc/localtime again (a file system call) for every
// local time it converts, and Qt converts each date-time a server returns: a month of
// history made thousands of those calls. Naming the same file reads it once.
void fusoLidoUmaVez() {
    static const bool feito = [] {
        if (qEnvironmentVariableIsSet("TZ") || !QFileInfo::exists(QStringLiteral("/etc/localtime"))) return false;
        qputenv("TZ", ":/etc/localtime");
        return true;
    }();
    Q_UNUSED(feito);
}
}  // namespace

struct BaseDados::Preparadas {
    QHash<QString, std::shared_ptr<QSqlQuery>> porTexto;
    // Failed inside a transaction: deallocating them there would fail too (the server
    // ignores every command until the transaction ends), so they wait for its end.
    QList<std::shared_ptr<QSqlQuery>> descartadas;
};

BaseDados::BaseDados(QString connectionName) : m_connectionName(std::move(connectionName)) {}

BaseDados::~BaseDados() {
    fechar();
}

bool BaseDados::abrir(const SqlSettings& settings, OpenMode mode, int loginTimeoutSeconds) {
    fechar();
    fusoLidoUmaVez();
    m_settings = settings;
    m_ultimoErro.clear();
    QSqlDatabase db;
    if (settings.kind() == Backend::Sqlite) {
        const QString path = settings.baseDados.trimmed();
        if (path.isEmpty()) {
            m_ultimoErro = QStringLiteral("Não foi indicado o ficheiro da base de dados.");
            return false;
        }
        if (mode != OpenMode::CreateIfMissing && !QFileInfo(path).isFile()) {
            m_ultimoErro = QStringLiteral("O ficheiro da base de dados não existe: ") + path;
            return false;
        }
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        db.setDatabaseName(path);
        // Several workstations may share one file: wait for the writer instead of failing.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=8000") +
                             (mode == OpenMode::ReadOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
        // The database holds the company's data: a file made here is its owner's only.
        if (mode == OpenMode::CreateIfMissing && !QFileInfo::exists(path)) {
            QFile novo(path);
            if (!novo.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
                !novo.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
                m_ultimoErro = QStringLiteral("Não foi possível criar o ficheiro da base de dados %1: %2")
                                   .arg(path, novo.errorString());
                return false;
            }
        }
    } else if (settings.kind() == Backend::Postgresql) {
        return abrirPostgresql(db, settings, loginTimeoutSeconds);
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_connectionName);
        db.setDatabaseName(odbcConnectionString(settings));
        // Without a login time-out a server that accepts but never answers freezes open().
        db.setConnectOptions(
            QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(loginTimeoutSeconds) +
            (mode == OpenMode::ReadOnly ? QStringLiteral(";SQL_ATTR_ACCESS_MODE=SQL_MODE_READ_ONLY") : QString()));
    }
    if (!db.isValid()) {
        m_ultimoErro = db.lastError().text();
        if (m_ultimoErro.trimmed().isEmpty()) m_ultimoErro = QStringLiteral("Driver not loaded");
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        return false;
    }
    if (!db.open()) {
        m_ultimoErro = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        return false;
    }
    if (settings.kind() == Backend::Sqlite && mode != OpenMode::ReadOnly) {
        QSqlQuery q(db);
        q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        // In WAL mode NORMAL may lose the last commits at a power cut; FULL makes every
        // commit durable: a weighing the operator saw saved is still there afterwards.
        q.exec(QStringLiteral("PRAGMA synchronous=FULL"));
        // 32 MB of page cache instead of SQLite's 2 MB: a month of history on a database
        // of years of weighings reads tens of MB of pages, and with the default cache every
        // listing reads them again from the file (about a third of its time).
        q.exec(QStringLiteral("PRAGMA cache_size=-32000"));
    }
    return true;
}

bool BaseDados::abrirPostgresql(QSqlDatabase& db, const SqlSettings& settings, int loginTimeoutSeconds) {
    // "host" or "host:port"; the server is named in every failure, so the operator knows
    // which one did not answer.
    const QString servidor = settings.servidor.trimmed();
    QString host = servidor;
    int port = 5432;
    const int dois = int(servidor.lastIndexOf(QLatin1Char(':')));
    if (dois >= 0 && servidor.count(QLatin1Char(':')) == 1) {
        bool ok = false;
        port = servidor.mid(dois + 1).toInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            m_ultimoErro = QStringLiteral("Porto inválido no servidor PostgreSQL '%1'.").arg(servidor);
            return false;
        }
        host = servidor.left(dois);
    }
    if (host.isEmpty() || settings.baseDados.trimmed().isEmpty()) {
        m_ultimoErro = QStringLiteral("Falta o servidor ou a base de dados PostgreSQL (SQL/Servidor, SQL/BaseDados).");
        return false;
    }
    const auto falhar = [&](const QString& texto) {
        m_ultimoErro = QStringLiteral("Não foi possível ligar ao servidor PostgreSQL %1 (base de dados %2): %3")
                           .arg(servidor, settings.baseDados.trimmed(), texto.trimmed());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        return false;
    };
    db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connectionName);
    if (!db.isValid()) {
        const QString t = db.lastError().text();
        return falhar(t.trimmed().isEmpty() ? QStringLiteral("Driver not loaded") : t);
    }
    db.setHostName(host);
    db.setPort(port);
    db.setDatabaseName(settings.baseDados.trimmed());
    db.setUserName(settings.login);
    db.setPassword(settings.password);
    // A server that accepts but never answers must not freeze the start.
    db.setConnectOptions(
        QStringLiteral("connect_timeout=%1;application_name=balantrix").arg(qMax(1, loginTimeoutSeconds)));
    if (!db.open()) return falhar(db.lastError().text());
    QSqlQuery q(db);
    // Notices ("already exists, skipping") are not the operator's business.
    q.exec(QStringLiteral("SET client_min_messages TO warning"));
    // The type of the program's text columns, made once per database. A login that may
    // not create it still works with a database where it exists.
    q.exec(QStringLiteral("SELECT 1 FROM pg_extension WHERE extname = '%1'").arg(DialectoPg::extensaoTexto()));
    if (!q.next()) q.exec(DialectoPg::criarExtensao());
    // Statements stay prepared (see prepared()), but each run is still planned for its own
    // values, as when every query was prepared anew: a plan made once for any date range
    // could read the whole table for a month's history. (Servers before 12 lack the setting:
    // there the server may keep one plan after five runs.)
    q.exec(QStringLiteral("SET plan_cache_mode TO force_custom_plan"));
    m_preparadas = std::make_unique<Preparadas>();
    return true;
}

void BaseDados::fechar() {
    if (!QSqlDatabase::contains(m_connectionName)) return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen()) {
            if (m_inTransaction) db.rollback();
            m_preparadas.reset();
            db.close();
        }
    }
    m_preparadas.reset();
    m_inTransaction = false;
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool BaseDados::isOpen() const {
    return QSqlDatabase::contains(m_connectionName) && QSqlDatabase::database(m_connectionName, false).isOpen();
}

QSqlDatabase BaseDados::connection() const {
    return QSqlDatabase::database(m_connectionName, false);
}

void BaseDados::requireOpen() const {
    if (!isOpen()) throw DbError(-1, QStringLiteral("A base de dados não está aberta."));
}

QString BaseDados::odbcConnectionString(const SqlSettings& s) {
#ifdef Q_OS_WIN
    const QString driver = QStringLiteral("{ODBC Driver 18 for SQL Server}");
#else
    const QString driver = QStringLiteral("{FreeTDS}");
#endif
    // Values go between braces so that ';' or '=' inside a password cannot change the string.
    auto braced = [](QString v) {
        return QLatin1Char('{') + v.replace(QLatin1Char('}'), QStringLiteral("}}")) + QLatin1Char('}');
    };
    QString cs =
        QStringLiteral("DRIVER=%1;SERVER=%2;DATABASE=%3;UID=%4;PWD=%5")
            .arg(driver, s.servidor.trimmed(), braced(s.baseDados.trimmed()), braced(s.login), braced(s.password));
#ifdef Q_OS_WIN
    cs += QStringLiteral(";TrustServerCertificate=yes");
#else
    cs += QStringLiteral(";TDS_Version=7.4;ClientCharset=UTF-8");
#endif
    return cs;
}

QVariant BaseDados::toStorage(const QVariant& v) const {
    // PostgreSQL gets date-times as text too: the columns keep the wall-clock time as the
    // other engines do, with no time-zone conversion on the way in or out.
    if (backend() == Backend::Mssql || v.isNull()) return v;
    switch (v.typeId()) {
        case QMetaType::QDateTime:
            return textoIso(v.toDateTime());
        case QMetaType::QDate:
            return textoIso(QDateTime(v.toDate(), QTime(0, 0)));
        default:
            return v;
    }
}

DbError BaseDados::errorFrom(const QSqlError& e, const QString& sql) const {
    const QString code = e.nativeErrorCode();
    bool numeric = false;
    qint64 number = code.toLongLong(&numeric);
    QString text = e.databaseText().trimmed();
    if (text.isEmpty()) text = e.text().trimmed();
    if (!numeric) number = -1;
    DbError err(number, text, sql);
    if (backend() == Backend::Sqlite) {
        // SQLITE_ERROR: the statement itself is wrong (no such column, syntax).
        err.setCommandError(numeric && (number & 0xff) == 1);
    } else if (backend() == Backend::Postgresql) {
        // The native code is the SQLSTATE; class 42 is a statement the server refused.
        err.setEstadoSql(code);
        err.setCommandError(code.startsWith(QStringLiteral("42")));
    } else {
        // SQL Server reports statement errors with SQLSTATE class 42 / 37000.
        const QString all = code + QLatin1Char(' ') + e.text();
        err.setCommandError(all.contains(QStringLiteral("42S")) || all.contains(QStringLiteral("42000")) ||
                            all.contains(QStringLiteral("37000")) || number == 207 || number == 102);
    }
    return err;
}

QString BaseDados::noDialecto(const QString& sql) const {
    if (backend() != Backend::Postgresql) return sql;
    // Column titles the lists show are written as 'text' (sqlite and SQL Server take a
    // string as a name there); PostgreSQL names a column only with double quotes.
    static const QRegularExpression titulo(QStringLiteral("\\bAS\\s+'([^']*)'"),
                                           QRegularExpression::CaseInsensitiveOption);
    QString out = sql;
    out.replace(titulo, QStringLiteral("AS \"\\1\""));
    return out;
}

std::shared_ptr<QSqlQuery> BaseDados::prepared(const QString& sqlOriginal, const QVariantList& params) {
    requireOpen();
    const QString sql = noDialecto(sqlOriginal);
    std::shared_ptr<QSqlQuery> q = m_preparadas ? m_preparadas->porTexto.value(sql) : nullptr;
    if (!q) {
        q = std::make_shared<QSqlQuery>(connection());
        // Qt's PostgreSQL driver reads a forward-only result one row per message from the
        // server (its single-row mode): a list of a few hundred rows waited on the socket
        // and was woken that many times. Otherwise the result comes whole in one reply.
        q->setForwardOnly(backend() != Backend::Postgresql);
        if (!q->prepare(sql)) throw errorFrom(q->lastError(), sql);
        if (m_preparadas) {
            if (m_preparadas->porTexto.size() >= kMaxPreparadas) m_preparadas->porTexto.clear();
            m_preparadas->porTexto.insert(sql, q);
        }
    }
    for (int i = 0; i < params.size(); ++i) q->bindValue(i, toStorage(params[i]));
    return q;
}

void BaseDados::descartarPreparada(const QString& sqlOriginal) {
    if (!m_preparadas) return;
    // A statement that failed is prepared again next time: a server that changed a table
    // under it, or anything else wrong with it, does not stay in the cache.
    const auto q = m_preparadas->porTexto.take(noDialecto(sqlOriginal));
    if (q && m_inTransaction) m_preparadas->descartadas << q;
}

void BaseDados::statementsDaTransaccaoTerminada() {
    if (m_preparadas) m_preparadas->descartadas.clear();
}

int BaseDados::executar(const QString& sql, const QVariantList& params) {
    if (params.isEmpty()) {
        requireOpen();
        QSqlQuery q(connection());
        if (!q.exec(noDialecto(sql))) throw errorFrom(q.lastError(), sql);
        // A table created, changed or dropped: statements prepared over it are planned again.
        static const QRegularExpression ddl(QStringLiteral("^\\s*(CREATE|ALTER|DROP)\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
        if (m_preparadas && !m_preparadas->porTexto.isEmpty() && ddl.match(sql).hasMatch())
            m_preparadas->porTexto.clear();
        return q.numRowsAffected();
    }
    const auto q = prepared(sql, params);
    if (!q->exec()) {
        const DbError e = errorFrom(q->lastError(), sql);
        descartarPreparada(sql);
        throw e;
    }
    return q->numRowsAffected();
}

// `comoTexto`: date-times come back as the ISO text sqlite keeps (PostgreSQL), so the
// program reads the same values from either engine.
static RecordSet fetchAll(QSqlQuery& q, bool comoTexto = false) {
    QStringList cols;
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i) cols << rec.fieldName(i);
    QVector<QVector<QVariant>> rows;
    while (q.next()) {
        QVector<QVariant> row;
        row.reserve(cols.size());
        for (int i = 0; i < cols.size(); ++i) {
            QVariant v = q.value(i);
            if (comoTexto && !v.isNull() && v.typeId() == QMetaType::QDateTime) v = textoIso(v.toDateTime());
            row << v;
        }
        rows << row;
    }
    return RecordSet(cols, rows);
}

RecordSet BaseDados::consultar(const QString& sql, const QVariantList& params) {
    const auto q = prepared(sql, params);
    RecordSet rs;
    if (q->exec()) rs = fetchAll(*q, backend() == Backend::Postgresql);
    if (q->lastError().isValid()) {
        const DbError e = errorFrom(q->lastError(), sql);
        descartarPreparada(sql);
        throw e;
    }
    return rs;
}

QVariant BaseDados::escalar(const QString& sql, const QVariantList& params) {
    RecordSet rs = consultar(sql, params);
    if (rs.isEmpty() || rs.columns().isEmpty()) return {};
    return rs.value(0, rs.columns().first());
}

static QVariant procValue(const ProcParam& p) {
    // Texts are handed over as typed and converted the way the database client would.
    if (p.value.isNull()) return p.value;
    switch (p.type) {
        case ProcParam::SmallInt:
        case ProcParam::Int: {
            if (p.value.typeId() == QMetaType::QString) {
                const QString t = p.value.toString().trimmed();
                if (t.isEmpty()) return QVariant();
                bool ok = false;
                const qint64 n = t.toLongLong(&ok);
                if (!ok) throw RegraRecusada(QStringLiteral("Valor inválido para o parâmetro %1: '%2'").arg(p.name, t));
                if (p.type == ProcParam::SmallInt && (n < -32768 || n > 32767))
                    throw RegraRecusada(
                        QStringLiteral("Valor fora do intervalo para o parâmetro %1: %2").arg(p.name, t));
                return n;
            }
            return p.value;
        }
        case ProcParam::Text: {
            return p.value.toString();
        }
        default:
            return p.value;
    }
}

ProcResult BaseDados::procedimento(const QString& name, const QList<ProcParam>& params) {
    requireOpen();
    QList<ProcParam> converted = params;
    for (ProcParam& p : converted) p.value = procValue(p);
    // sqlite and PostgreSQL have the procedures from the program itself.
    if (backend() != Backend::Mssql) return SqliteProcedures::call(*this, name, converted);

    // The procedure's RETURN value reaches an ODBC client only after every earlier result
    // (the row count of its INSERT) has been read, so it is selected as a row of its own.
    const QString sql = chamadaMssql(name, int(converted.size()));
    QSqlQuery q(connection());
    // Rows of a procedure that uses RETURN are readable only forward-only.
    q.setForwardOnly(true);
    if (!q.prepare(sql)) throw errorFrom(q.lastError(), sql);
    for (int i = 0; i < converted.size(); ++i) q.bindValue(i, converted[i].value);
    if (!q.exec()) throw errorFrom(q.lastError(), sql);
    QList<RecordSet> sets;
    for (;;) {
        if (q.isSelect()) sets << fetchAll(q);
        if (q.lastError().isValid()) throw errorFrom(q.lastError(), sql);
        if (!q.nextResult()) break;
    }
    if (q.lastError().isValid()) throw errorFrom(q.lastError(), sql);
    if (sets.isEmpty() || sets.last().isEmpty() || !sets.last().hasColumn(QStringLiteral("Retorno")))
        throw DbError(-1, QStringLiteral("O procedimento %1 não devolveu o seu valor.").arg(name), sql);
    ProcResult r;
    r.returnValue = sets.last().value(0, QStringLiteral("Retorno")).toLongLong();
    if (sets.size() > 1) r.rows = sets.first();
    return r;
}

QString BaseDados::chamadaMssql(const QString& name, int parametros) {
    static const QRegularExpression identificador(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!identificador.match(name).hasMatch())
        // Names are the program's own: another one is a fault of the caller, never pasted into a statement.
        throw std::invalid_argument(QStringLiteral("Nome de procedimento inválido: '%1'").arg(name).toStdString());
    QStringList marks;
    for (int i = 0; i < parametros; ++i) marks << QStringLiteral("?");
    // Row counts are suppressed for the procedure only: switched back on before the
    // value is selected, so later statements on the connection (the completion's
    // conditional update) still report the rows they touched.
    return QStringLiteral(
               "SET NOCOUNT ON; DECLARE @Retorno int; EXEC @Retorno = [dbo].[%1]%2; SET NOCOUNT OFF; "
               "SELECT @Retorno AS Retorno")
        .arg(name, marks.isEmpty() ? QString() : QLatin1Char(' ') + marks.join(QStringLiteral(", ")));
}

qint64 BaseDados::ultimoId() {
    switch (backend()) {
        case Backend::Sqlite:
            return escalar(QStringLiteral("SELECT last_insert_rowid()")).toLongLong();
        case Backend::Postgresql:
            return escalar(QStringLiteral("SELECT lastval()")).toLongLong();
        case Backend::Mssql:
            break;
    }
    return escalar(QStringLiteral("SELECT @@IDENTITY")).toLongLong();
}

bool BaseDados::repetivel(const DbError& e, Repetir quando) const {
    if (backend() != Backend::Postgresql) return false;
    const QString estado = e.estadoSql();
    // 40001 serialization failure, 40P01 deadlock; 23505 a unique key taken meanwhile.
    if (estado == QStringLiteral("40001") || estado == QStringLiteral("40P01")) return true;
    return quando == Repetir::TambemChaveDuplicada && estado == QStringLiteral("23505");
}

bool BaseDados::pontoGuarda() {
    if (backend() != Backend::Postgresql) return false;
    executar(QStringLiteral("SAVEPOINT balantrix_tentativa"));
    return true;
}

void BaseDados::libertarPontoGuarda() {
    executar(QStringLiteral("RELEASE SAVEPOINT balantrix_tentativa"));
}

void BaseDados::voltarAoPontoGuarda() {
    executar(QStringLiteral("ROLLBACK TO SAVEPOINT balantrix_tentativa"));
    executar(QStringLiteral("RELEASE SAVEPOINT balantrix_tentativa"));
}

void BaseDados::esperarAntesDeRepetir(int tentativa) {
    // A little longer each time, and not in step with the other workstation.
    QThread::msleep(2 * tentativa + QRandomGenerator::global()->bounded(5 * tentativa));
}

DbError BaseDados::esgotado(const DbError& e) {
    DbError out(e.numero(),
                QStringLiteral("A operação colidiu %1 vezes com outro posto e não foi feita: %2")
                    .arg(kTentativas)
                    .arg(e.descricao()),
                e.statement());
    out.setEstadoSql(e.estadoSql());
    return out;
}

void BaseDados::beginTransaction(bool immediate) {
    requireOpen();
    // Transaccao joins an open transaction: a second begin is a fault of the caller, not of the database.
    if (m_inTransaction) throw std::logic_error("Já existe uma transacção aberta.");
    if (backend() == Backend::Sqlite && immediate) {
        QSqlQuery q(connection());
        if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
            throw errorFrom(q.lastError(), QStringLiteral("BEGIN IMMEDIATE"));
    } else {
        QSqlDatabase db = connection();
        if (!db.transaction()) throw errorFrom(db.lastError(), QStringLiteral("BEGIN TRANSACTION"));
    }
    m_inTransaction = true;
}

void BaseDados::commit() {
    requireOpen();
    QSqlDatabase db = connection();
    if (!db.commit()) {
        // A COMMIT that fails (lock, full disk, a deferred constraint) leaves the transaction
        // open on the connection: roll it back, or every later transaction would join a dead
        // one and sqlite's write lock would stay held.
        const DbError err = errorFrom(db.lastError(), QStringLiteral("COMMIT"));
        rollback();
        throw err;
    }
    m_inTransaction = false;
    statementsDaTransaccaoTerminada();
}

void BaseDados::rollback() {
    if (!m_inTransaction) return;
    m_inTransaction = false;
    if (!isOpen()) return;
    QSqlDatabase db = connection();
    if (!db.rollback()) {
        // A failed statement may already have ended the transaction on the server side.
        QSqlQuery q(db);
        q.exec(QStringLiteral("ROLLBACK"));
    }
    statementsDaTransaccaoTerminada();
}

bool BaseDados::tableExists(const QString& table) {
    requireOpen();
    return connection().tables().contains(table, Qt::CaseInsensitive);
}

QStringList BaseDados::columnNames(const QString& table) {
    requireOpen();
    if (backend() == Backend::Postgresql) {
        // The driver looks the name up as written; the server keeps it folded.
        const RecordSet rs = consultar(QStringLiteral("SELECT column_name FROM information_schema.columns WHERE "
                                                      "table_schema = current_schema() AND table_name = ? ORDER BY "
                                                      "ordinal_position"),
                                       {table.toLower()});
        QStringList out;
        for (int i = 0; i < rs.count(); ++i) out << rs.text(i, QStringLiteral("column_name"));
        return out;
    }
    const QSqlRecord rec = connection().record(table);
    QStringList out;
    for (int i = 0; i < rec.count(); ++i) out << rec.fieldName(i);
    return out;
}

Transaccao::Transaccao(BaseDados& db, bool immediate) : m_db(db) {
    if (!m_db.inTransaction()) {
        m_db.beginTransaction(immediate);
        m_owner = true;
    }
}

Transaccao::~Transaccao() {
    if (m_owner && !m_done) m_db.rollback();
}

void Transaccao::commit() {
    if (m_done) return;
    // Done only once committed: a failed COMMIT has already been rolled back by BaseDados.
    if (m_owner) m_db.commit();
    m_done = true;
}
