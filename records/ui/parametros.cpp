#include "records/ui/parametros.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "records/ui/formulario.h"
#include "records/ui/painelopcoes.h"
#include "widgets/campoentrada.h"
#include "widgets/configmail.h"
#include "widgets/teclasformulario.h"

Parametros::Parametros(BaseDados& db, ParametrosAplic& parametros, OperatorMessages& messages,
                       const QString& configPath, QWidget* parent)
    : QWidget(parent), m_core(db, parametros, messages, configPath), m_configPath(configPath) {
    setObjectName(QStringLiteral("Parametros"));
    setWindowTitle(QStringLiteral("Parâmetros"));
    setAttribute(Qt::WA_DeleteOnClose);

    for (int i = 0; i < ParametrosCore::kCampos; ++i) {
        auto* c = new CampoEntrada(i, this);
        c->setToolTip(ParametrosCore::dica(i));
        if (ParametrosCore::tamanhoMaximo(i) > 0) c->setMaxLength(ParametrosCore::tamanhoMaximo(i));
        connect(c, &QLineEdit::textChanged, this, [this, i](const QString& t) { m_core.setCampo(i, t); });
        connect(c, &CampoEntrada::teclaPremida, this, [this] { m_core.teclaPremida(); });
        connect(c, &CampoEntrada::escape, this, [this, c](int idx) {
            if (m_core.escape(idx))
                Formulario::fechar(this);
            else
                Formulario::focarAnterior(m_campos, c);
        });
        connect(c, &CampoEntrada::validar, this,
                [this](int idx, bool& cancelar) { cancelar = !m_core.validarSaida(idx); });
        m_campos << c;
    }
    for (int i = 1; i < m_campos.size(); ++i) setTabOrder(m_campos[i - 1], m_campos[i]);
    // Codes and numbers get fields as wide as their maximum length; free texts keep growing.
    for (int i = 0; i < ParametrosCore::kCampos; ++i)
        if (ParametrosCore::tamanhoMaximo(i) > 0)
            Formulario::larguraPara(m_campos[i], ParametrosCore::tamanhoMaximo(i), ParametrosCore::numerico(i));

    auto* titulo = new QLabel(QStringLiteral("Parâmetros de Configuração"), this);
    titulo->setObjectName(QStringLiteral("lblTitulo"));
    QFont f = titulo->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    titulo->setFont(f);

    auto grupo = [this](const QString& nome, int tipo, int serie) {
        auto* g = new QGroupBox(nome, this);
        auto* l = new QFormLayout(g);
        l->addRow(QStringLiteral("Tipo Doc."), m_campos[tipo]);
        l->addRow(QStringLiteral("Série"), m_campos[serie]);
        return g;
    };
    auto* geral = new QFormLayout;
    geral->addRow(QStringLiteral("Arm. Entrada"), m_campos[ParametrosCore::ArmCentral]);
    auto* docs = new QHBoxLayout;
    docs->addWidget(
        grupo(QStringLiteral("Guia de Entrada MP "), ParametrosCore::TpGuiaEntMP, ParametrosCore::SeGuiaEntMP));
    docs->addWidget(
        grupo(QStringLiteral("Guia de Entrada MS "), ParametrosCore::TpGuiaEntMS, ParametrosCore::SeGuiaEntMS));
    docs->addWidget(grupo(QStringLiteral("Saídas "), ParametrosCore::TpSaida, ParametrosCore::SeSaida));
    auto* resto = new QFormLayout;
    resto->addRow(QStringLiteral("Sector"), m_campos[ParametrosCore::Sector]);
    resto->addRow(QStringLiteral("Arm. Saída"), m_campos[ParametrosCore::ArmSaida]);
    resto->addRow(QStringLiteral("Número Vias"), m_campos[ParametrosCore::NoVias]);
    auto* mail = new QGroupBox(QStringLiteral("E-mail e PDF"), this);
    auto* ml = new QFormLayout(mail);
    ml->addRow(QStringLiteral("Assunto"), m_campos[ParametrosCore::Assunto]);
    ml->addRow(QStringLiteral("Mensagem"), m_campos[ParametrosCore::Mensagem]);
    ml->addRow(QStringLiteral("CC"), m_campos[ParametrosCore::CC]);
    ml->addRow(QStringLiteral("BCC"), m_campos[ParametrosCore::BCC]);
    ml->addRow(QStringLiteral("Pasta PDF"), m_campos[ParametrosCore::PastaPdf]);
    m_linhasMail = ml;

    auto botao = [this](const QString& nome, const QString& texto, const QString& dica) {
        auto* b = new QPushButton(texto, this);
        b->setObjectName(nome);
        b->setToolTip(dica);
        // Buttons do not take the focus, so pressing one never runs a field's leaving check twice.
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    auto* btConf =
        botao(QStringLiteral("btConf"), QStringLiteral("&Confirmar"), QStringLiteral("Confirmar a operação."));
    auto* btCancelar =
        botao(QStringLiteral("btCancelar"), QStringLiteral("Ca&ncelar"), QStringLiteral("Cancelar a operação."));
    auto* btSair = botao(QStringLiteral("btSair"), QStringLiteral("&Sair"), QStringLiteral("Abandonar."));
    auto* btMail = botao(QStringLiteral("btConfigMail"), QStringLiteral("&Configurador Servidor de e-mail"),
                         QStringLiteral("Configurador."));
    auto* botoes = new QHBoxLayout;
    botoes->addWidget(btMail);
    botoes->addStretch();
    botoes->addWidget(btConf);
    botoes->addWidget(btCancelar);
    botoes->addWidget(btSair);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(titulo);
    layout->addLayout(geral);
    layout->addLayout(docs);
    layout->addLayout(resto);
    layout->addWidget(mail);
    m_opcoes = new PainelOpcoes(db, messages, this);
    layout->addWidget(m_opcoes);
    layout->addLayout(botoes);

    connect(btConf, &QPushButton::clicked, this, &Parametros::confirmar);
    // Enter confirms, as "&Confirmar" does.
    new TeclasFormulario(this, [btConf] { return btConf; });
    connect(btCancelar, &QPushButton::clicked, this, [this] {
        m_core.carregarConfig();
        mostrarCampos();
        Formulario::fechar(this);
    });
    connect(btSair, &QPushButton::clicked, this, [this] { Formulario::fechar(this); });
    connect(btMail, &QPushButton::clicked, this, [this] {
        ConfigMail dlg(m_configPath, this);
        dlg.exec();
    });

    m_core.carregarConfig();
    mostrarCampos();
    m_campos.first()->setFocus();
}

void Parametros::mostrarCampos() {
    for (int i = 0; i < m_campos.size(); ++i)
        if (m_campos[i]->text() != m_core.campo(i)) m_campos[i]->setText(m_core.campo(i));
}

void Parametros::adicionarLinha(const QString& rotulo, QWidget* w) {
    m_linhasMail->addRow(rotulo, w);
}

void Parametros::confirmar() {
    if (CampoEntrada* c = Formulario::comFoco(m_campos); c && !c->validarAgora()) return;
    if (!m_core.confirmar()) {
        if (const int c = m_core.campoRecusado(); c >= 0) m_campos[c]->setFocus();
        return;
    }
    if (m_opcoes->gravar()) {
        emit gravado();
        Formulario::fechar(this);
    }
}
