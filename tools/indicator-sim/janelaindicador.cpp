#include "tools/indicator-sim/janelaindicador.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "tools/indicator-sim/indicador.h"

namespace {

// Kilograms as the program shows them: a point between thousands ("14.220").
QString milhares(qint64 kg) {
    QString t = QString::number(kg < 0 ? -kg : kg);
    for (qsizetype i = t.size() - 3; i > 0; i -= 3) t.insert(i, QLatin1Char('.'));
    return kg < 0 ? QLatin1Char('-') + t : t;
}

}  // namespace

const QList<JanelaIndicador::Camiao>& JanelaIndicador::camioes() {
    static const QList<Camiao> lista = {
        {"Camião vazio", 14220},     {"Camião carregado", 40560}, {"Trator com reboque vazio", 7840},
        {"Trator carregado", 18360}, {"Carrinha", 3120},          {"Balança vazia", 0},
    };
    return lista;
}

JanelaIndicador::JanelaIndicador(Indicador& indicador, QWidget* parent) : QWidget(parent), m_ind(indicador) {
    setObjectName(QStringLiteral("JanelaIndicador"));
    setWindowTitle(QStringLiteral("Indicador (simulador)"));

    m_peso = new QLabel(this);
    m_peso->setObjectName(QStringLiteral("lblPeso"));
    m_peso->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_peso->setMinimumWidth(300);
    m_peso->setStyleSheet(
        QStringLiteral("background: #10261a; color: #7dff9a; font: bold 30pt monospace; padding: 6px 12px;"
                       "border-radius: 4px;"));
    m_estado = new QLabel(this);
    m_estado->setObjectName(QStringLiteral("lblEstado"));
    m_estado->setStyleSheet(QStringLiteral("font-weight: 600;"));
    m_pedidos = new QLabel(this);
    m_pedidos->setObjectName(QStringLiteral("lblPedidos"));
    auto* porta = new QLabel(QStringLiteral("Porta: %1").arg(m_ind.caminho()), this);
    porta->setObjectName(QStringLiteral("lblPorta"));
    porta->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // How it answers.
    auto* resposta = new QGroupBox(QStringLiteral("Resposta"), this);
    auto* rl = new QHBoxLayout(resposta);
    m_estavel = new QRadioButton(QStringLiteral("&Estável (GS)"), resposta);
    m_estavel->setObjectName(QStringLiteral("optEstavel"));
    m_instavel = new QRadioButton(QStringLiteral("&Instável (GU)"), resposta);
    m_instavel->setObjectName(QStringLiteral("optInstavel"));
    m_silencio = new QRadioButton(QStringLiteral("&Sem resposta"), resposta);
    m_silencio->setObjectName(QStringLiteral("optSilencio"));
    for (QRadioButton* r : {m_estavel, m_instavel, m_silencio}) rl->addWidget(r);
    connect(m_estavel, &QRadioButton::toggled, this, [this](bool v) {
        if (v) {
            aplicar(QStringLiteral("silent off"));
            aplicar(QStringLiteral("mark gs"));
        }
    });
    connect(m_instavel, &QRadioButton::toggled, this, [this](bool v) {
        if (v) {
            aplicar(QStringLiteral("silent off"));
            aplicar(QStringLiteral("mark gu"));
        }
    });
    connect(m_silencio, &QRadioButton::toggled, this, [this](bool v) {
        if (v) aplicar(QStringLiteral("silent on"));
    });

    // Any weight, and the typical trucks.
    auto* linhaPeso = new QHBoxLayout;
    auto* rotulo = new QLabel(QStringLiteral("&Peso (kg)"), this);
    m_valor = new QSpinBox(this);
    m_valor->setObjectName(QStringLiteral("spinPeso"));
    m_valor->setRange(0, 999999);
    m_valor->setSingleStep(20);
    rotulo->setBuddy(m_valor);
    linhaPeso->addWidget(rotulo);
    linhaPeso->addWidget(m_valor, 1);
    connect(m_valor, &QSpinBox::valueChanged, this, [this](int kg) { aplicar(QStringLiteral("weight %1").arg(kg)); });

    auto* camioes = new QGroupBox(QStringLiteral("Na balança"), this);
    auto* cg = new QGridLayout(camioes);
    int n = 0;
    for (const Camiao& c : JanelaIndicador::camioes()) {
        auto* b = new QPushButton(QStringLiteral("%1\n%2 kg").arg(QString::fromUtf8(c.nome), milhares(c.kg)), camioes);
        b->setObjectName(QStringLiteral("btCamiao_%1").arg(n));
        b->setMinimumHeight(48);
        const int kg = c.kg;
        connect(b, &QPushButton::clicked, this, [this, kg] { m_valor->setValue(kg); });
        cg->addWidget(b, n / 2, n % 2);
        ++n;
    }

    auto* l = new QVBoxLayout(this);
    l->addWidget(m_peso);
    auto* linhaEstado = new QHBoxLayout;
    linhaEstado->addWidget(m_estado, 1);
    linhaEstado->addWidget(m_pedidos);
    l->addLayout(linhaEstado);
    l->addWidget(resposta);
    l->addLayout(linhaPeso);
    l->addWidget(camioes);
    l->addWidget(porta);

    connect(&m_ind, &Indicador::alterado, this, &JanelaIndicador::mostrar);
    connect(&m_ind, &Indicador::pedido, this, &JanelaIndicador::mostrar);
    mostrar();
}

void JanelaIndicador::aplicar(const QString& comando) {
    if (m_aMostrar) return;
    QString erro;
    m_ind.comando(comando, &erro);
}

void JanelaIndicador::mostrar() {
    m_aMostrar = true;
    m_peso->setText(m_ind.silencio ? QStringLiteral("------") : milhares(m_ind.peso) + QStringLiteral(" kg"));
    if (m_ind.silencio)
        m_estado->setText(QStringLiteral("Sem resposta (indicador calado)"));
    else if (m_ind.marca == Indicador::Estavel)
        m_estado->setText(QStringLiteral("Estável"));
    else if (m_ind.marca == Indicador::Instavel)
        m_estado->setText(QStringLiteral("Instável"));
    else
        m_estado->setText(QStringLiteral("Marca: outra"));
    m_pedidos->setText(QStringLiteral("Leituras: %1").arg(m_ind.pedidos()));
    m_silencio->setChecked(m_ind.silencio);
    if (!m_ind.silencio) {
        m_estavel->setChecked(m_ind.marca == Indicador::Estavel);
        m_instavel->setChecked(m_ind.marca == Indicador::Instavel);
    }
    if (m_valor->value() != m_ind.peso) m_valor->setValue(int(std::clamp<qint64>(m_ind.peso, 0, m_valor->maximum())));
    m_aMostrar = false;
}

void JanelaIndicador::colocarAoLado() {
    adjustSize();
    const QScreen* ecra = screen();
    if (!ecra) return;
    const QRect area = ecra->availableGeometry();
    // Bottom right: the program's window starts at the top left and grows from there.
    move(area.right() - frameGeometry().width() - 8, area.bottom() - frameGeometry().height() - 8);
}
