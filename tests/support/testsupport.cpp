#include "testsupport.h"

#include "catalogo.h"
#include "demodata.h"
#include "erpschema.h"
#include "intentnotes.h"
#include "programinfo.h"
#include "tabelasrastreio.h"
#include "tabelapropria.h"

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

TempDatabase::TempDatabase(Contents contents, const QString& connection) {
    m_path = m_dir.filePath(QStringLiteral("test.db"));
    m_db = std::make_unique<BaseDados>(connection);
    if (!m_db->abrir(settings(), BaseDados::OpenMode::CreateIfMissing)) qFatal("cannot open test database");
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

TempDatabase::~TempDatabase() { m_db.reset(); }

SqlSettings TempDatabase::settings() const {
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
