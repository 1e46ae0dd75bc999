#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <memory>
#include <optional>
#include <type_traits>

#include "base/dberror.h"
#include "base/recordset.h"
#include "base/sqlsettings.h"

// One input parameter of a stored-procedure call.
struct ProcParam {
    enum Type { SmallInt, Int, Text, Money, DateTime };
    QString name;
    QVariant value;
    Type type = Text;
    int size = 0;
};

struct ProcResult {
    qint64 returnValue = 0;
    RecordSet rows;
};

// The program's database: one connection for the whole run, handed to every window.
// Every statement takes its values as bound parameters ("?" placeholders); failures
// are raised as DbError with the driver's number and description.
class BaseDados {
  public:
    // ReadOnly: an existing database, opened so that the connection itself cannot write
    // (sqlite's read-only open; the ODBC read-only access mode on SQL Server).
    enum class OpenMode { MustExist, CreateIfMissing, ReadOnly };

    explicit BaseDados(QString connectionName = QStringLiteral("balantrix"));
    ~BaseDados();
    BaseDados(const BaseDados&) = delete;
    BaseDados& operator=(const BaseDados&) = delete;

    // Opens the connection; false with ultimoErro() set when it cannot.
    // A sqlite file is never created unless asked for (a wrong path must fail, not
    // leave an empty database behind).
    bool abrir(const SqlSettings& settings, OpenMode mode = OpenMode::MustExist, int loginTimeoutSeconds = 15);
    QString ultimoErro() const { return m_ultimoErro; }
    void fechar();
    bool isOpen() const;

    Backend backend() const { return m_settings.kind(); }
    const SqlSettings& settings() const { return m_settings; }
    QSqlDatabase connection() const;
    QString connectionName() const { return m_connectionName; }

    // Runs a statement without result; gives the number of rows it touched.
    int executar(const QString& sql, const QVariantList& params = {});
    RecordSet consultar(const QString& sql, const QVariantList& params = {});
    // First column of the first row, or an invalid QVariant when there is no row.
    QVariant escalar(const QString& sql, const QVariantList& params = {});

    // Runs one of the program's stored procedures. On SQL Server it is the real
    // procedure; on sqlite the same behaviour is provided by the program itself.
    ProcResult procedimento(const QString& name, const QList<ProcParam>& params);
    // The batch that calls a procedure on SQL Server with its parameters in declaration
    // order; its last result is one row with the RETURN value in column Retorno.
    static QString chamadaMssql(const QString& name, int parametros);

    // The id the last INSERT on this connection gave an identity column.
    qint64 ultimoId();

    // Transactions. `immediate` takes the write lock at once on sqlite, which any
    // read-then-write work (ticket numbers) needs.
    void beginTransaction(bool immediate = false);
    void commit();
    void rollback();
    bool inTransaction() const { return m_inTransaction; }

    bool tableExists(const QString& table);
    QStringList columnNames(const QString& table);

    // DSN-less ODBC connection string for SQL Server (FreeTDS here, the Microsoft
    // driver on Windows).
    static QString odbcConnectionString(const SqlSettings& s);
    // The value as it is stored: sqlite keeps date-times as ISO text.
    QVariant toStorage(const QVariant& v) const;

    DbError errorFrom(const class QSqlError& e, const QString& sql) const;

    // Read-then-write work that a second workstation may interleave. It runs in a
    // transaction (joining the caller's) and runs again, up to kTentativas times, when
    // the other workstation won: a deadlock or a serialization failure, or, with
    // Repetir::TambemChaveDuplicada, a unique key it took first (the next number of a
    // sequence). On PostgreSQL each try is a savepoint, so a lost try leaves the caller's
    // transaction usable; sqlite serialises writers and never needs it. When every try
    // is lost the last error is raised, saying so.
    enum class Repetir { Conflitos, TambemChaveDuplicada };
    static constexpr int kTentativas = 6;
    template <class F>
    auto comRepeticao(F&& trabalho, Repetir quando = Repetir::Conflitos) -> decltype(trabalho());
    // True when `e` is a failure that running the work again may cure.
    bool repetivel(const DbError& e, Repetir quando) const;

  private:
    // The few words of a statement PostgreSQL spells otherwise (see the .cpp).
    QString noDialecto(const QString& sql) const;
    bool abrirPostgresql(QSqlDatabase& db, const SqlSettings& settings, int loginTimeoutSeconds);
    // Savepoints of comRepeticao (PostgreSQL only: false elsewhere).
    bool pontoGuarda();
    void libertarPontoGuarda();
    void voltarAoPontoGuarda();
    static void esperarAntesDeRepetir(int tentativa);
    static DbError esgotado(const DbError& e);

    void requireOpen() const;
    std::shared_ptr<class QSqlQuery> prepared(const QString& sql, const QVariantList& params);
    void descartarPreparada(const QString& sql);
    void statementsDaTransaccaoTerminada();

    // PostgreSQL: the statements this connection keeps prepared, by their text (the driver
    // would otherwise prepare and deallocate each one on the server: three round trips
    // instead of one). Empty on the other engines, where preparing costs no round trip.
    struct Preparadas;
    std::unique_ptr<Preparadas> m_preparadas;

    QString m_connectionName;
    SqlSettings m_settings;
    QString m_ultimoErro;
    bool m_inTransaction = false;
};

// Scope object: begins in the constructor and rolls back on destruction unless
// committed. Inside an already open transaction it simply joins it.
class Transaccao {
  public:
    explicit Transaccao(BaseDados& db, bool immediate = false);
    ~Transaccao();
    Transaccao(const Transaccao&) = delete;
    Transaccao& operator=(const Transaccao&) = delete;
    void commit();

  private:
    BaseDados& m_db;
    bool m_owner = false;
    bool m_done = false;
};

template <class F>
auto BaseDados::comRepeticao(F&& trabalho, Repetir quando) -> decltype(trabalho()) {
    using R = decltype(trabalho());
    Transaccao t(*this, true);
    for (int tentativa = 1;; ++tentativa) {
        const bool ponto = pontoGuarda();
        std::optional<std::conditional_t<std::is_void_v<R>, bool, R>> r;
        try {
            if constexpr (std::is_void_v<R>) {
                trabalho();
                r = true;
            } else {
                r.emplace(trabalho());
            }
            if (ponto) libertarPontoGuarda();
        } catch (const DbError& e) {
            if (!ponto || !repetivel(e, quando)) throw;
            if (tentativa >= kTentativas) throw esgotado(e);
            voltarAoPontoGuarda();
            esperarAntesDeRepetir(tentativa);
            continue;
        }
        t.commit();
        if constexpr (!std::is_void_v<R>)
            return std::move(*r);
        else
            return;
    }
}
