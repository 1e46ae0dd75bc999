#include "output/ui/escolhaimpressora.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPrinterInfo>

#include "base/ficheiroconfig.h"

EscolhaImpressora::EscolhaImpressora(QWidget* parent) : QWidget(parent), m_combo(new QComboBox(this)) {
    setObjectName(QStringLiteral("escolhaImpressora"));
    m_combo->setObjectName(QStringLiteral("cbImpressora"));
    m_combo->setToolTip(QStringLiteral("Impressora dos talões."));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_combo);
    actualizarLista();
    connect(m_combo, &QComboBox::currentIndexChanged, this, [this] { emit impressoraAlterada(impressora()); });
}

QString EscolhaImpressora::impressora() const {
    return m_combo->currentData().toString();
}

void EscolhaImpressora::setImpressora(const QString& nome) {
    const QString n = nome.trimmed();
    int i = m_combo->findData(n);
    if (i < 0) {
        m_combo->addItem(QStringLiteral("%1 (não instalada neste posto)").arg(n), n);
        i = m_combo->count() - 1;
    }
    m_combo->setCurrentIndex(i);
}

void EscolhaImpressora::actualizarLista() {
    const QString keep = m_combo->count() ? impressora() : QString();
    const QSignalBlocker block(m_combo);
    m_combo->clear();
    const QString def = QPrinterInfo::defaultPrinterName();
    m_combo->addItem(def.isEmpty() ? QStringLiteral("Impressora predefinida do sistema")
                                   : QStringLiteral("Impressora predefinida do sistema (%1)").arg(def),
                     QString());
    for (const QString& p : QPrinterInfo::availablePrinterNames()) m_combo->addItem(p, p);
    setImpressora(keep);
}

void EscolhaImpressora::lerConfig(const FicheiroConfig& f) {
    setImpressora(f.ler(seccao(), chave()));
}

void EscolhaImpressora::gravarConfig(FicheiroConfig& f) const {
    f.gravar(seccao(), chave(), impressora());
}
