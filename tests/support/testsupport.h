#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "basedados.h"
#include "operatormessages.h"

// Operator messages recorded for assertions; questions answered from a queue
// (true when the queue is empty).
class RecordingMessages : public OperatorMessages {
public:
    bool mostrarAviso(int tipo, const QString& texto) override;
    void mostrarEstado(int estado, const QString& texto) override;
    void mensagem(const QString& texto) override;

    QStringList all;  // every text shown, in order
    QList<int> kinds; // aviso kind, or 100 + estado, or 0 for plain messages
    QList<bool> answers;
    QString last() const { return all.isEmpty() ? QString() : all.last(); }
    void clear() { all.clear(); kinds.clear(); }
};

// A real SQLite file in a temporary folder, opened through BaseDados.
class TempDatabase {
public:
    // ErpTables: the catalogue and the ERP's tables without rows; Demo adds the demo company.
    enum Contents { Empty, Catalogue, ErpTables, Demo };
    explicit TempDatabase(Contents contents = Catalogue, const QString& connection = QStringLiteral("test"));
    ~TempDatabase();

    BaseDados& db() { return *m_db; }
    QString path() const { return m_path; }
    QString folder() const { return m_dir.path(); }
    SqlSettings settings() const;

    // Opens a second connection on the same file (another workstation).
    std::unique_ptr<BaseDados> second(const QString& connection = QStringLiteral("test2")) const;

private:
    QTemporaryDir m_dir;
    QString m_path;
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
