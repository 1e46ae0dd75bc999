#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cstdio>
#include <cstdlib>

#include "base/catalogo.h"
#include "base/intentnotes.h"
#include "base/programinfo.h"
#include "base/tabelapropria.h"
#include "erp/demodata.h"
#include "erp/erpschema.h"
#include "records/parametrosaplic.h"
#include "records/tabelasrastreio.h"

bool RecordingMessages::mostrarAviso(int tipo, const QString& texto) {
    all << texto;
    kinds << tipo;
    if (tipo == CampoObrigatorio || tipo == Informacao) return true;
    return answers.isEmpty() ? true : answers.takeFirst();
}

void RecordingMessages::mostrarEstado(int estado, const QString& texto) {
    all << texto;
    kinds << 100 + estado;
}

void RecordingMessages::mensagem(const QString& texto) {
    all << texto;
    kinds << 0;
}

namespace PgTeste {

bool pedido() {
    return qEnvironmentVariable("BALANTRIX_TEST_BACKEND").compare(QStringLiteral("postgresql"), Qt::CaseInsensitive) ==
           0;
}

QString servidor() {
    return qEnvironmentVariable("BALANTRIX_TEST_PG").trimmed();
}

void exigirServidor() {
    if (!servidor().isEmpty()) return;
    std::fprintf(stderr,
                 "SKIP: no PostgreSQL server for this run (BALANTRIX_TEST_PG=host:port is unset); "
                 "scripts/test.sh starts one\n");
    std::fflush(stderr);
    std::_Exit(77);
}

SqlSettings base(const QString& nome) {
    return SqlSettings{QStringLiteral("postgresql"), servidor(), nome, QStringLiteral("postgres"), QString()};
}

static void administrar(const QString& sql) {
    static int n = 0;
    BaseDados admin(QStringLiteral("pg_admin_%1").arg(++n));
    if (!admin.abrir(base(QStringLiteral("postgres"))))
        qFatal("PostgreSQL test server: %s", qPrintable(admin.ultimoErro()));
    admin.executar(sql);
}

SqlSettings novaBase() {
    exigirServidor();
    static int n = 0;
    const QString nome = QStringLiteral("bt_%1_%2_%3")
                             .arg(QCoreApplication::applicationPid())
                             .arg(++n)
                             .arg(QRandomGenerator::global()->bounded(1000000));
    administrar(QStringLiteral("CREATE DATABASE %1").arg(nome));
    return base(nome);
}

void apagarBase(const SqlSettings& s) {
    try {
        administrar(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(s.baseDados));
    } catch (const DbError& e) {
        qWarning("PostgreSQL test database %s not dropped: %s", qPrintable(s.baseDados), qPrintable(e.texto()));
    }
}

}  // namespace PgTeste

TempDatabase::TempDatabase(Contents contents, const QString& connection) {
    m_path = m_dir.filePath(QStringLiteral("test.db"));
    if (PgTeste::pedido()) {
        m_pg = true;
        m_pgSettings = PgTeste::novaBase();
        m_path = m_pgSettings.baseDados;
    }
    m_db = std::make_unique<BaseDados>(connection);
    if (!m_db->abrir(settings(), BaseDados::OpenMode::CreateIfMissing))
        qFatal("cannot open test database: %s", qPrintable(m_db->ultimoErro()));
    if (contents == Empty) return;
    if (contents == Demo || contents == ErpTables)
        ErpSchema::criar(*m_db, QStringLiteral("DEMO"), QStringLiteral("admin"), QStringLiteral("demo"));
    if (contents == Demo) DemoData::preencher(*m_db);
    RecordingMessages messages;
    Catalogo catalogo(*m_db, messages, ProgramInfo::version());
    catalogo.criarCatalogoBase();
    if (!catalogo.verificarVersao(true).ok) qFatal("catalogue upgrade failed");
    TabelasRastreio::garantir(*m_db);
    IntentNotes::garantirTabela(*m_db);
    if (!TabelaPropria::garantir(*m_db).isEmpty()) qFatal("cannot create the program's own tables");
}

TempDatabase::~TempDatabase() {
    m_db.reset();
    if (m_pg) PgTeste::apagarBase(m_pgSettings);
}

SqlSettings TempDatabase::settingsFor(const QString& path) {
    if (PgTeste::pedido()) return PgTeste::base(path);
    return SqlSettings{QStringLiteral("sqlite"), QStringLiteral("local"), path, QString(), QString()};
}

SqlSettings TempDatabase::settings() const {
    if (m_pg) return m_pgSettings;
    return SqlSettings{QStringLiteral("sqlite"), QStringLiteral("local"), m_path, QString(), QString()};
}

std::unique_ptr<BaseDados> TempDatabase::second(const QString& connection) const {
    auto db = std::make_unique<BaseDados>(connection);
    if (!db->abrir(settings())) qFatal("cannot open second connection");
    return db;
}

TempDataDir::TempDataDir() {
    m_had = qEnvironmentVariableIsSet("BALANTRIX_DATA_DIR");
    m_old = qgetenv("BALANTRIX_DATA_DIR");
    qputenv("BALANTRIX_DATA_DIR", m_dir.path().toLocal8Bit());
}

TempDataDir::~TempDataDir() {
    if (m_had)
        qputenv("BALANTRIX_DATA_DIR", m_old);
    else
        qunsetenv("BALANTRIX_DATA_DIR");
}

QStringList valoresParametros() {
    return {QStringLiteral("1"),   QStringLiteral("A1"), QStringLiteral("GMP"), QStringLiteral("1"),
            QStringLiteral("GMS"), QStringLiteral("2"),  QStringLiteral("GR"),  QStringLiteral("3"),
            QStringLiteral("SEC"), QStringLiteral("A2"), QStringLiteral("4")};
}

void gravarParametros(BaseDados& db, ParametrosAplic& p) {
    RecordingMessages m;
    if (!ParametrosAplic::gravar(db, m, valoresParametros()) || !p.ler(db, m))
        qFatal("cannot save the test parameters: %s", qPrintable(m.last()));
}

QString foraDoLugar(const QString& texto, const QStringList& sim, const QStringList& nao) {
    for (const QString& s : sim)
        if (!texto.contains(s)) return QStringLiteral("falta: ") + s;
    for (const QString& s : nao)
        if (texto.contains(s)) return QStringLiteral("sobra: ") + s;
    return {};
}

bool escreverFicheiro(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           f.write(bytes) == bytes.size();
}

QByteArray lerFicheiro(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
