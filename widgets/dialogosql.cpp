#include "widgets/dialogosql.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "base/basedados.h"
#include "base/catalogo.h"
#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "base/operatormessages.h"
#include "base/programinfo.h"
#include "widgets/catalogscript.h"

namespace {

QLineEdit* field(const QString& name, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

// A wait cursor for the few seconds a connection may take.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

void removeDatabaseFiles(const QString& path) {
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + suffix);
}

}  // namespace

DialogoSql::DialogoSql(QString configFile, QString catalogScript, bool proximoArranque, OperatorMessages& messages,
                       QWidget* parent)
    : QDialog(parent),
      m_configFile(std::move(configFile)),
      m_catalogScript(std::move(catalogScript)),
      m_messages(messages) {
    setObjectName(QStringLiteral("ConfigSQL"));
    setWindowTitle(QStringLiteral("Ligação ao Servidor SQL"));

    m_backend = new QComboBox(this);
    m_backend->setObjectName(QStringLiteral("cbBackend"));
    m_backend->addItem(QStringLiteral("SQLite (ficheiro)"), QStringLiteral("sqlite"));
    m_backend->addItem(QStringLiteral("SQL Server"), QStringLiteral("mssql"));
    m_backend->addItem(QStringLiteral("PostgreSQL (vários postos)"), QStringLiteral("postgresql"));
    m_servidor = field(QStringLiteral("txtServidor"), this);
    m_baseDados = field(QStringLiteral("txtBaseDados"), this);
    m_login = field(QStringLiteral("txtLogin"), this);
    m_password = field(QStringLiteral("txtPassword"), this);
    m_password->setEchoMode(QLineEdit::Password);
    m_procurar = new QPushButton(QStringLiteral("..."), this);
    m_procurar->setObjectName(QStringLiteral("btProcurar"));
    m_procurar->setToolTip(QStringLiteral("Escolher o ficheiro da base de dados"));

    auto* baseDadosRow = new QHBoxLayout;
    baseDadosRow->addWidget(m_baseDados, 1);
    baseDadosRow->addWidget(m_procurar);
    m_baseDadosLabel = new QLabel(this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Tipo:"), m_backend);
    form->addRow(QStringLiteral("&Servidor:"), m_servidor);
    form->addRow(m_baseDadosLabel, baseDadosRow);
    form->addRow(QStringLiteral("&Login:"), m_login);
    form->addRow(QStringLiteral("&Palavra-passe:"), m_password);
    m_baseDadosLabel->setBuddy(m_baseDados);

    m_testar = new QPushButton(QStringLiteral("&Testar ligação"), this);
    m_testar->setObjectName(QStringLiteral("btTestar"));
    m_criarCatalogo = new QPushButton(QStringLiteral("&Criar catálogo"), this);
    m_criarCatalogo->setObjectName(QStringLiteral("btCriarCatalogo"));
    m_criarCatalogo->setToolTip(
        QStringLiteral("Cria as tabelas e procedimentos do programa na base de dados indicada"));
    m_criarCatalogo->setVisible(!m_catalogScript.isEmpty());
    auto* actions = new QHBoxLayout;
    actions->addWidget(m_testar);
    actions->addWidget(m_criarCatalogo);
    actions->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(actions);
    if (proximoArranque) {
        auto* aviso = new QLabel(QStringLiteral("As alterações têm efeito no próximo arranque do programa."), this);
        aviso->setObjectName(QStringLiteral("lblProximoArranque"));
        layout->addWidget(aviso);
    }
    auto* ficheiro = new QLabel(QStringLiteral("Ficheiro: ") + m_configFile, this);
    ficheiro->setObjectName(QStringLiteral("lblFicheiro"));
    ficheiro->setWordWrap(true);
    layout->addWidget(ficheiro);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancelar"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &DialogoSql::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &DialogoSql::reject);
    connect(m_testar, &QPushButton::clicked, this, [this] { testarLigacao(); });
    connect(m_criarCatalogo, &QPushButton::clicked, this, [this] { criarCatalogo(); });
    connect(m_procurar, &QPushButton::clicked, this, &DialogoSql::procurarFicheiro);
    connect(m_backend, &QComboBox::currentIndexChanged, this, &DialogoSql::backendChanged);

    setSettings(ConfigSQL::ler(FicheiroConfig(m_configFile)));
}

SqlSettings DialogoSql::settings() const {
    return SqlSettings{m_backend->currentData().toString(), m_servidor->text().trimmed(), m_baseDados->text().trimmed(),
                       m_login->text().trimmed(), m_password->text()};
}

void DialogoSql::setSettings(const SqlSettings& s) {
    m_backend->setCurrentIndex(m_backend->findData(SqlSettings::nomeBackend(s.kind())));
    m_servidor->setText(s.servidor);
    m_baseDados->setText(s.baseDados);
    m_login->setText(s.login);
    m_password->setText(s.password);
    backendChanged();
}

void DialogoSql::backendChanged() {
    // A server (SQL Server or PostgreSQL) takes a server, login and password; sqlite a file.
    const bool mssql = m_backend->currentData().toString() != QStringLiteral("sqlite");
    m_servidor->setEnabled(mssql);
    m_login->setEnabled(mssql);
    m_password->setEnabled(mssql);
    m_procurar->setVisible(!mssql);
    m_baseDadosLabel->setText(mssql ? QStringLiteral("&Base de dados:") : QStringLiteral("&Ficheiro:"));
}

void DialogoSql::procurarFicheiro() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Ficheiro da base de dados"), m_baseDados->text(),
                                     QStringLiteral("Bases de dados SQLite (*.db *.sqlite);;Todos os ficheiros (*)"),
                                     nullptr, QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty()) m_baseDados->setText(QDir::toNativeSeparators(path));
}

bool DialogoSql::testarLigacao() {
    const SqlSettings s = settings();
    if (!s.missing().isEmpty()) {
        m_messages.mostrarEstado(OperatorMessages::Exclamacao,
                                 QStringLiteral("Preencha primeiro: ") + s.missing().join(QStringLiteral(", ")));
        return false;
    }
    WaitCursor wait;
    BaseDados db(QStringLiteral("balantrix_teste_ligacao"));
    if (!db.abrir(s, BaseDados::OpenMode::MustExist, kLoginTimeout)) {
        m_messages.mostrarEstado(OperatorMessages::Critico,
                                 QStringLiteral("Não foi possível ligar à base de dados:\r\n") + db.ultimoErro());
        return false;
    }
    db.fechar();
    m_messages.mostrarEstado(OperatorMessages::Info, QStringLiteral("Ligação estabelecida com sucesso."));
    return true;
}

bool DialogoSql::criarCatalogo() {
    const SqlSettings s = settings();
    if (!s.missing().isEmpty()) {
        m_messages.mostrarEstado(OperatorMessages::Exclamacao,
                                 QStringLiteral("Preencha primeiro: ") + s.missing().join(QStringLiteral(", ")));
        return false;
    }
    if (m_catalogScript.isEmpty()) return false;
    WaitCursor wait;
    return s.kind() == Backend::Mssql ? criarCatalogoMssql(s) : criarCatalogoSqlite(s);
}

// On SQLite and PostgreSQL the program's own statements make the catalogue, in one
// transaction, so a failure leaves the database as it was.
bool DialogoSql::criarCatalogoSqlite(const SqlSettings& s) {
    const QString path = s.baseDados;
    const bool existed = s.kind() != Backend::Sqlite || QFileInfo::exists(path);
    bool ok = false;
    {
        BaseDados db(QStringLiteral("balantrix_criar_catalogo"));
        if (!db.abrir(s, BaseDados::OpenMode::CreateIfMissing, kLoginTimeout)) {
            m_messages.mostrarEstado(OperatorMessages::Critico,
                                     QStringLiteral("Não foi possível abrir a base de dados:\r\n") + db.ultimoErro());
            return false;
        }
        Catalogo catalogo(db, m_messages, ProgramInfo::version());
        if (catalogo.existe()) {
            m_messages.mostrarEstado(OperatorMessages::Exclamacao,
                                     QStringLiteral("A base de dados indicada já tem o catálogo do programa."));
            return false;
        }
        try {
            Transaccao t(db);
            catalogo.criarCatalogoBase();
            // The check shows its own message when it stops.
            ok = catalogo.verificarVersao(true).ok;
            if (ok) t.commit();
        } catch (const DbError& e) {
            m_messages.mostrarEstado(OperatorMessages::Critico, QStringLiteral("Criar catálogo ") + e.texto());
        }
    }
    if (!ok) {
        if (!existed) removeDatabaseFiles(path);
        return false;
    }
    m_messages.mostrarEstado(OperatorMessages::Info,
                             QStringLiteral("Catálogo criado (versão %1).").arg(Catalogo::kCurrentVersion));
    return true;
}

// On SQL Server the shipped T-SQL script makes the catalogue, batch by batch, in one
// transaction (SQL Server rolls DDL back too).
bool DialogoSql::criarCatalogoMssql(const SqlSettings& s) {
    const QString path = CatalogScript::resolve(m_catalogScript);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        m_messages.mostrarEstado(OperatorMessages::Critico,
                                 QStringLiteral("Não foi encontrado o script do catálogo ") + m_catalogScript);
        return false;
    }
    const QStringList batches = CatalogScript::batches(QString::fromUtf8(file.readAll()));
    if (batches.isEmpty()) {
        m_messages.mostrarEstado(OperatorMessages::Critico, QStringLiteral("O script do catálogo está vazio: ") + path);
        return false;
    }
    BaseDados db(QStringLiteral("balantrix_criar_catalogo"));
    if (!db.abrir(s, BaseDados::OpenMode::MustExist, kLoginTimeout)) {
        m_messages.mostrarEstado(OperatorMessages::Critico,
                                 QStringLiteral("Não foi possível ligar à base de dados:\r\n") + db.ultimoErro());
        return false;
    }
    Catalogo catalogo(db, m_messages, ProgramInfo::version());
    if (catalogo.existe()) {
        m_messages.mostrarEstado(OperatorMessages::Exclamacao,
                                 QStringLiteral("A base de dados indicada já tem o catálogo do programa."));
        return false;
    }
    try {
        Transaccao t(db);
        for (const QString& batch : batches) db.executar(batch);
        t.commit();
    } catch (const DbError& e) {
        m_messages.mostrarEstado(OperatorMessages::Critico, QStringLiteral("Criar catálogo ") + e.texto());
        return false;
    }
    m_messages.mostrarEstado(OperatorMessages::Info,
                             QStringLiteral("Catálogo criado (versão %1).").arg(Catalogo::kCurrentVersion));
    return true;
}

void DialogoSql::accept() {
    try {
        FicheiroConfig f(m_configFile);
        ConfigSQL::gravar(f, settings());
    } catch (const std::exception& e) {
        m_messages.mostrarAviso(OperatorMessages::Informacao, QStringLiteral("Gravar configuração da base de dados ") +
                                                                  QString::fromStdString(e.what()));
        return;
    }
    QDialog::accept();
}
