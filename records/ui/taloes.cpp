#include "records/ui/taloes.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "records/ui/formulario.h"
#include "widgets/campoentrada.h"
#include "widgets/listapesquisa.h"
#include "widgets/teclasformulario.h"

Taloes::Taloes(BaseDados& db, ParametrosAplic& parametros, OperatorMessages& messages, int modo, QWidget* parent)
    : QWidget(parent), m_db(db), m_messages(messages), m_core(db, parametros, messages, modo) {
    setObjectName(QStringLiteral("Taloes"));
    setWindowTitle(m_core.titulo());
    setAttribute(Qt::WA_DeleteOnClose);

    for (int i = 0; i < TaloesCore::kCampos; ++i) {
        auto* c = new CampoEntrada(i, this);
        c->setToolTip(TaloesCore::dica(i));
        c->setMaxLength(TaloesCore::tamanhoMaximo(i));
        connect(c, &QLineEdit::textChanged, this, [this, i](const QString& t) { m_core.setCampo(i, t); });
        connect(c, &CampoEntrada::teclaPremida, this, [this] { m_core.teclaPremida(); });
        connect(c, &CampoEntrada::escape, this, [this, c](int idx) {
            if (m_core.escape(idx))
                Formulario::fechar(this);
            else
                Formulario::focarAnterior(m_ordem, c);
        });
        connect(c, &CampoEntrada::validar, this, [this](int idx, bool& cancelar) {
            cancelar = !m_core.validarSaida(idx);
            mostrar();
        });
        connect(c, &CampoEntrada::pedidoLista, this, &Taloes::abrirLista);
        m_campos << c;
    }
    m_campos[TaloesCore::Contador]->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), this));
    // Each field wide enough for its longest value (a campaign "2026/2027", nine digits
    // of a counter, a customer code), capped where the maximum is only a database limit.
    for (int i = 0; i < TaloesCore::kCampos; ++i)
        Formulario::larguraPara(m_campos[i], i == TaloesCore::Contador ? 9 : std::min(TaloesCore::tamanhoMaximo(i), 15),
                                i == TaloesCore::Contador);

    auto* titulo = new QLabel(QStringLiteral("Numerador de Talões"), this);
    titulo->setObjectName(QStringLiteral("lblTitulo"));
    QFont f = titulo->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    titulo->setFont(f);

    m_lblCliente = new QLabel(this);
    m_lblCliente->setObjectName(QStringLiteral("lblCliente"));
    m_lblMorada = new QLabel(this);
    m_lblMorada->setObjectName(QStringLiteral("lblMorada"));
    m_lblTipoMorada = new QLabel(this);
    m_lblTipoMorada->setObjectName(QStringLiteral("lblTipoMorada"));

    auto* grid = new QGridLayout;
    int linha = 0;
    auto addLinha = [&](int campo, QLabel* descricao, const QString& dicaLista) {
        auto* rotulo =
            new QLabel(campo == TaloesCore::Contador ? QStringLiteral("Contador") : TaloesCore::rotulo(campo), this);
        rotulo->setObjectName(QStringLiteral("lbl_%1").arg(campo));
        grid->addWidget(rotulo, linha, 0);
        grid->addWidget(m_campos[campo], linha, 1);
        QPushButton* lista = nullptr;
        if (m_core.lista(campo) || (m_core.modo() == 1 && descricao)) {
            lista = new QPushButton(QStringLiteral("..."), this);
            lista->setObjectName(QStringLiteral("btlista_%1").arg(campo));
            lista->setFocusPolicy(Qt::NoFocus);
            lista->setToolTip(dicaLista);
            lista->setMaximumWidth(32);
            connect(lista, &QPushButton::clicked, this, [this, campo] { abrirLista(campo); });
            grid->addWidget(lista, linha, 2);
        }
        if (descricao) grid->addWidget(descricao, linha, 3);
        const bool visivel = m_core.visivel(campo);
        for (QWidget* w : {static_cast<QWidget*>(rotulo), static_cast<QWidget*>(m_campos[campo]),
                           static_cast<QWidget*>(lista), static_cast<QWidget*>(descricao)})
            if (w) w->setVisible(visivel);
        m_ordem << m_campos[campo];
        ++linha;
    };
    addLinha(TaloesCore::Campanha, nullptr, {});
    addLinha(TaloesCore::TipoDoc, nullptr, {});
    addLinha(TaloesCore::Cliente, m_lblCliente, QStringLiteral("Lista de Clientes."));
    addLinha(TaloesCore::TipoMorada, m_lblTipoMorada, QStringLiteral("Lista de Tipos de Morada."));
    addLinha(TaloesCore::MoradaAlt, m_lblMorada, QStringLiteral("Lista de Moradas Alternativas."));
    addLinha(TaloesCore::Sigla, nullptr, {});
    addLinha(TaloesCore::Contador, nullptr, {});
    grid->setColumnStretch(3, 1);
    for (int i = 1; i < m_ordem.size(); ++i) setTabOrder(m_ordem[i - 1], m_ordem[i]);

    auto botao = [this](const QString& nome, const QString& texto, const QString& dica) {
        auto* b = new QPushButton(texto, this);
        b->setObjectName(nome);
        b->setToolTip(dica);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    auto* btConf =
        botao(QStringLiteral("btConf"), QStringLiteral("&Confirmar"), QStringLiteral("Confirmar a operação."));
    auto* btCancelar =
        botao(QStringLiteral("btCancelar"), QStringLiteral("C&ancelar"), QStringLiteral("Cancelar a operação."));
    auto* btAnular = botao(QStringLiteral("btAnular"), QStringLiteral("A&nular"), QStringLiteral("Anular a operação."));
    auto* btSair = botao(QStringLiteral("btSair"), QStringLiteral("&Sair"), QStringLiteral("Abandonar a opção."));
    auto* botoes = new QHBoxLayout;
    botoes->addStretch();
    for (QPushButton* b : {btConf, btCancelar, btAnular, btSair}) botoes->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(titulo);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(botoes);

    connect(btConf, &QPushButton::clicked, this, &Taloes::confirmar);
    // Enter confirms, as "&Confirmar" does; Esc is the fields' own (one field back, or close).
    new TeclasFormulario(this, [btConf] { return btConf; });
    connect(btCancelar, &QPushButton::clicked, this, [this] {
        m_core.limparForm();
        mostrar();
        m_campos[TaloesCore::Campanha]->setFocus();
    });
    connect(btAnular, &QPushButton::clicked, this, [this] {
        m_core.anular();
        mostrar();
        m_campos[TaloesCore::Campanha]->setFocus();
    });
    connect(btSair, &QPushButton::clicked, this, [this] { Formulario::fechar(this); });

    m_core.limparForm();
    mostrar();
    m_campos[TaloesCore::Campanha]->setFocus();
}

void Taloes::mostrar() {
    for (int i = 0; i < m_campos.size(); ++i)
        if (m_campos[i]->text() != m_core.campo(i)) m_campos[i]->setText(m_core.campo(i));
    m_lblCliente->setText(m_core.nomeCliente());
    m_lblMorada->setText(m_core.descricaoMorada());
    m_lblTipoMorada->setText(m_core.descricaoTipoMorada());
}

void Taloes::confirmar() {
    if (CampoEntrada* c = Formulario::comFoco(m_campos); c && !c->validarAgora()) return;
    const int r = m_core.confirmar();
    mostrar();
    if (r >= 0)
        m_campos[r]->setFocus();
    else if (r == -1)
        m_campos[TaloesCore::Campanha]->setFocus();
}

void Taloes::abrirLista(int campo) {
    const auto pedido = m_core.lista(campo);
    if (!pedido) return;
    ListaPesquisa lista(m_db, m_messages, this);
    lista.setTitulo(pedido->titulo);
    lista.setSql(pedido->sql, pedido->parametros);
    lista.setLargura(pedido->largura);
    QString valor;
    if (lista.carregar()) {
        for (int i = 0; i < pedido->colunas.size(); ++i) lista.setLarguraColuna(i + 1, pedido->colunas[i]);
        valor = lista.mostrar();
    }
    // The focus goes back to this form even where no window manager re-activates it.
    window()->activateWindow();
    m_campos[campo]->aplicarEscolha(valor);
}
