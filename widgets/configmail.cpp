#include "widgets/configmail.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QVBoxLayout>
#include <stdexcept>

#include "base/ficheiroconfig.h"

namespace {
const QString kSeccao = QStringLiteral("SMTP");
}

ConfigMail::ConfigMail(QString configPath, QWidget* parent) : QDialog(parent), m_path(std::move(configPath)) {
    setObjectName(QStringLiteral("ConfigMail"));
    setWindowTitle(QStringLiteral("Servidor de e-mail"));
    const FicheiroConfig cfg(m_path);
    auto linha = [this](const QString& nome, const QString& valor) {
        auto* e = new QLineEdit(valor, this);
        e->setObjectName(nome);
        return e;
    };
    m_servidor = linha(QStringLiteral("Servidor"), cfg.ler(kSeccao, QStringLiteral("Servidor")));
    m_porta = new QSpinBox(this);
    m_porta->setObjectName(QStringLiteral("Porta"));
    m_porta->setRange(1, 65535);
    const int porta = cfg.ler(kSeccao, QStringLiteral("Porta")).toInt();
    m_porta->setValue(porta > 0 ? porta : 25);
    m_seguranca = new QComboBox(this);
    m_seguranca->setObjectName(QStringLiteral("Seguranca"));
    m_seguranca->addItem(QStringLiteral("Nenhuma"), QStringLiteral("nenhuma"));
    m_seguranca->addItem(QStringLiteral("STARTTLS"), QStringLiteral("starttls"));
    m_seguranca->addItem(QStringLiteral("SSL/TLS"), QStringLiteral("ssl"));
    const int idx = m_seguranca->findData(cfg.ler(kSeccao, QStringLiteral("Seguranca")).trimmed().toLower());
    m_seguranca->setCurrentIndex(idx >= 0 ? idx : 0);
    m_utilizador = linha(QStringLiteral("Utilizador"), cfg.ler(kSeccao, QStringLiteral("Utilizador")));
    m_password = linha(QStringLiteral("Password"), cfg.ler(kSeccao, QStringLiteral("Password")));
    m_password->setEchoMode(QLineEdit::Password);
    m_nome = linha(QStringLiteral("NomeEmissor"), cfg.ler(kSeccao, QStringLiteral("NomeEmissor")));
    m_email = linha(QStringLiteral("emailEmissor"), cfg.ler(kSeccao, QStringLiteral("emailEmissor")));

    // Room for a host name or an address of ordinary length, the port only as wide as 5 digits.
    const int largo = fontMetrics().horizontalAdvance(QString(36, QLatin1Char('m')));
    for (QLineEdit* e : {m_servidor, m_utilizador, m_password, m_nome, m_email}) e->setMinimumWidth(largo);
    m_porta->setMaximumWidth(m_porta->sizeHint().width() + fontMetrics().horizontalAdvance(QStringLiteral("00")));

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setVerticalSpacing(8);
    form->addRow(QStringLiteral("Servidor SMTP"), m_servidor);
    form->addRow(QStringLiteral("Porta"), m_porta);
    form->addRow(QStringLiteral("Segurança"), m_seguranca);
    form->addRow(QStringLiteral("Utilizador"), m_utilizador);
    form->addRow(QStringLiteral("Palavra-passe"), m_password);
    form->addRow(QStringLiteral("Nome do emissor"), m_nome);
    form->addRow(QStringLiteral("E-mail do emissor"), m_email);
    auto* botoes = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addStretch();
    layout->addWidget(botoes);
    connect(botoes, &QDialogButtonBox::accepted, this, [this] {
        if (gravar()) accept();
    });
    connect(botoes, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool ConfigMail::gravar() {
    FicheiroConfig cfg(m_path);
    try {
        cfg.gravar(kSeccao, QStringLiteral("Servidor"), m_servidor->text().trimmed());
        cfg.gravar(kSeccao, QStringLiteral("Porta"), QString::number(m_porta->value()));
        cfg.gravar(kSeccao, QStringLiteral("Seguranca"), m_seguranca->currentData().toString());
        cfg.gravar(kSeccao, QStringLiteral("Utilizador"), m_utilizador->text());
        cfg.gravar(kSeccao, QStringLiteral("Password"), m_password->text());
        cfg.gravar(kSeccao, QStringLiteral("NomeEmissor"), m_nome->text());
        cfg.gravar(kSeccao, QStringLiteral("emailEmissor"), m_email->text().trimmed());
    } catch (const std::runtime_error& e) {
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(e.what()));
        return false;
    }
    return true;
}
