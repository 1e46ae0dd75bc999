#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "base/basedados.h"
#include "base/operatormessages.h"

class ParametrosAplic;

// Operator messages recorded for assertions; questions answered from a queue
// (true when the queue is empty).
class RecordingMessages : public OperatorMessages {
  public:
    bool mostrarAviso(int tipo, const QString& texto) override;
    void mostrarEstado(int estado, const QString& texto) override;
    void mensagem(const QString& texto) override;

    QStringList all;   // every text shown, in order
    QList<int> kinds;  // aviso kind, or 100 + estado, or 0 for plain messages
    QList<bool> answers;
    QString last() const { return all.isEmpty() ? QString() : all.last(); }
    void clear() {
        all.clear();
        kinds.clear();
    }
};

// The private PostgreSQL server the test command starts (BALANTRIX_TEST_PG=host:port).
// A test binary runs on it when BALANTRIX_TEST_BACKEND=postgresql; each database it
// makes has a name of its own, so tests run side by side.
namespace PgTeste {
bool pedido();       // this run is on PostgreSQL
QString servidor();  // host:port, empty when no server was started
// Ends the process with CTest's skip code (77) and a clear reason when the run asks for
// PostgreSQL and no server was given.
void exigirServidor();
// Creates an empty database with a new name and gives its settings (login postgres).
SqlSettings novaBase();
void apagarBase(const SqlSettings& s);
SqlSettings base(const QString& nome);  // an existing database of the server
}  // namespace PgTeste

// A real SQLite file in a temporary folder, opened through BaseDados; on the test
// server's PostgreSQL instead when the run asks for it (see PgTeste).
class TempDatabase {
  public:
    // ErpTables: the catalogue and the ERP's tables without rows; Demo adds the demo company.
    enum Contents { Empty, Catalogue, ErpTables, Demo };
    explicit TempDatabase(Contents contents = Catalogue, const QString& connection = QStringLiteral("test"));
    ~TempDatabase();

    BaseDados& db() { return *m_db; }
    // The sqlite file; on PostgreSQL the database's name.
    QString path() const { return m_path; }
    bool postgresql() const { return m_pg; }
    QString folder() const { return m_dir.path(); }
    SqlSettings settings() const;
    // The settings of a database given by path() (in another process of the same run).
    static SqlSettings settingsFor(const QString& path);

    // Opens a second connection on the same file (another workstation).
    std::unique_ptr<BaseDados> second(const QString& connection = QStringLiteral("test2")) const;

  private:
    QTemporaryDir m_dir;
    QString m_path;
    bool m_pg = false;
    SqlSettings m_pgSettings;
    std::unique_ptr<BaseDados> m_db;
};

// Runs a test binary's data folder under a temporary BALANTRIX_DATA_DIR.
class TempDataDir {
  public:
    TempDataDir();
    ~TempDataDir();
    QString path() const { return m_dir.path(); }
    QString norvak() const { return m_dir.path() + QStringLiteral("/norvak"); }

  private:
    QTemporaryDir m_dir;
    QByteArray m_old;
    bool m_had = false;
};

// A test case whose every function starts on its own data folder and demo database: its
// init() calls abrirDemo() (then sets what else it needs) and its cleanup() fecharDemo().
class ComDemo {
  protected:
    std::unique_ptr<TempDataDir> m_data;
    std::unique_ptr<TempDatabase> m_t;
    RecordingMessages m_msgs;
    BaseDados& db() { return m_t->db(); }

    void abrirDemo() {
        m_data = std::make_unique<TempDataDir>();
        m_t = std::make_unique<TempDatabase>(TempDatabase::Demo);
        m_msgs.clear();
    }
    // The database goes before the folder it may live in.
    void fecharDemo() {
        m_t.reset();
        m_data.reset();
    }
};

// The parameters row most tests start from (types GMP/GMS/GR, series 1-3, sector SEC, 4 copies).
QStringList valoresParametros();
// Saves that row and reads it into p, as the parameters form does.
void gravarParametros(BaseDados& db, ParametrosAplic& p);

// What a reader of `texto` would find out of place: "falta: X" for the first of `sim` it does
// not hold, "sobra: X" for the first of `nao` it does; empty when all is in place. Compared with
// QString() it names the culprit when a test fails.
QString foraDoLugar(const QString& texto, const QStringList& sim, const QStringList& nao = {});

// Writes a whole file (its folder made when missing); false when it cannot.
bool escreverFicheiro(const QString& path, const QByteArray& bytes);
// A whole file; empty when it cannot be read.
QByteArray lerFicheiro(const QString& path);
