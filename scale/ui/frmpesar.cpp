#include "scale/ui/frmpesar.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmPesar::FrmPesar(LeitorBalanca* leitor, QWidget* parent) : QWidget(parent), m_leitor(leitor) {
    setObjectName(QStringLiteral("frmPesar"));
    setWindowTitle(QStringLiteral("Pesar"));

    m_btPesar = new QPushButton(QStringLiteral("&Pesar"), this);
    m_btPesar->setObjectName(QStringLiteral("btPesar"));
    m_lblPeso = new QLabel(QStringLiteral("0"), this);
    m_lblPeso->setObjectName(QStringLiteral("lblPeso"));
    m_lblPeso->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont grande = m_lblPeso->font();
    grande.setPointSizeF(grande.pointSizeF() * 2);
    grande.setBold(true);
    m_lblPeso->setFont(grande);
    m_lblMensagem = new QLabel(this);
    m_lblMensagem->setObjectName(QStringLiteral("lblMensagem"));
    m_lblMensagem->setWordWrap(true);
    m_lblMensagem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lstRegisto = new QListWidget(this);
    m_lstRegisto->setObjectName(QStringLiteral("lstRegisto"));
    m_txtRecebido = new QPlainTextEdit(this);
    m_txtRecebido->setObjectName(QStringLiteral("txtRecebido"));
    m_txtRecebido->setReadOnly(true);
    m_txtRecebido->setMaximumBlockCount(200);

    auto* topo = new QHBoxLayout;
    topo->addWidget(m_btPesar);
    topo->addStretch();
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Peso (kg):"), m_lblPeso);
    form->addRow(QStringLiteral("Mensagem:"), m_lblMensagem);
    form->addRow(QStringLiteral("Passos:"), m_lstRegisto);
    form->addRow(QStringLiteral("Recebido:"), m_txtRecebido);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(topo);
    layout->addLayout(form);
    resize(460, 380);

    connect(m_btPesar, &QPushButton::clicked, this, &FrmPesar::pesar);
    connect(m_leitor, &LeitorBalanca::concluida, this, &FrmPesar::concluida);
    connect(m_leitor, &LeitorBalanca::passo, this, [this](const QString& t) { m_lstRegisto->addItem(t); });
    connect(m_leitor, &LeitorBalanca::recebidoMudou, this, [this](const QByteArray& r) {
        // Control characters shown visibly: the operator is checking what the indicator sends.
        QString texto = QString::fromLatin1(r);
        texto.replace(QLatin1Char('\r'), QStringLiteral("<CR>"));
        texto.replace(QLatin1Char('\n'), QStringLiteral("<LF>\n"));
        m_txtRecebido->setPlainText(texto);
    });
}

void FrmPesar::pesar() {
    if (m_leitor->emCurso()) return;
    // Disabled for the whole reading, so a second one cannot start over it.
    m_btPesar->setEnabled(false);
    m_lstRegisto->clear();
    m_leitor->iniciar();
}

void FrmPesar::concluida(const LeituraBalanca& leitura) {
    m_lblPeso->setText(QString::number(leitura.peso));
    m_lblMensagem->setText(leitura.mensagem);
    m_btPesar->setEnabled(true);
}
