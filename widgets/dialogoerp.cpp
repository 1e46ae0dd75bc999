#include "widgets/dialogoerp.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "base/configsage.h"
#include "base/ficheiroconfig.h"
#include "base/operatormessages.h"

namespace {
QLineEdit* field(const QString& name, const QString& value, QWidget* parent) {
    auto* e = new QLineEdit(value, parent);
    e->setObjectName(name);
    return e;
}
}  // namespace

DialogoErp::DialogoErp(QString configFile, OperatorMessages& messages, QWidget* parent)
    : QDialog(parent), m_configFile(std::move(configFile)), m_messages(messages) {
    setObjectName(QStringLiteral("ConfigSage"));
    setWindowTitle(QStringLiteral("Ligação ao ERP"));
    const ConfigSage c = ConfigSage::ler(FicheiroConfig(m_configFile));
    m_servidor = field(QStringLiteral("txtServidor"), c.servidor, this);
    m_instancia = field(QStringLiteral("txtInstancia"), c.instancia, this);
    m_empresa = field(QStringLiteral("txtEmpresa"), c.empresa, this);
    m_utilizador = field(QStringLiteral("txtUtilizador"), c.utilizador, this);
    m_password = field(QStringLiteral("txtPassword"), c.password, this);
    m_password->setEchoMode(QLineEdit::Password);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Servidor:"), m_servidor);
    form->addRow(QStringLiteral("&Instância (opcional):"), m_instancia);
    form->addRow(QStringLiteral("&Empresa:"), m_empresa);
    form->addRow(QStringLiteral("&Utilizador:"), m_utilizador);
    form->addRow(QStringLiteral("&Palavra-passe:"), m_password);

    auto* ficheiro = new QLabel(QStringLiteral("Ficheiro: ") + m_configFile, this);
    ficheiro->setObjectName(QStringLiteral("lblFicheiro"));
    ficheiro->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("botoes"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancelar"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    connect(buttons, &QDialogButtonBox::accepted, this, &DialogoErp::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &DialogoErp::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(ficheiro);
    layout->addWidget(buttons);
}

void DialogoErp::accept() {
    ConfigSage c{m_servidor->text().trimmed(), m_instancia->text().trimmed(), m_empresa->text().trimmed(),
                 m_utilizador->text().trimmed(), m_password->text()};
    try {
        FicheiroConfig f(m_configFile);
        c.gravar(f);
    } catch (const std::exception& e) {
        // Stay open: the operator may correct the path's rights or cancel.
        m_messages.mostrarAviso(OperatorMessages::Informacao,
                                QStringLiteral("Gravar configuração do ERP ") + QString::fromStdString(e.what()));
        return;
    }
    QDialog::accept();
}
