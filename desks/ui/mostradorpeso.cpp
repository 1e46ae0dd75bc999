#include "desks/ui/mostradorpeso.h"

#include <QFontMetrics>
#include <QPainter>

namespace {
constexpr int kMargem = 6;

QString agrupado(qint64 kg) {
    QString s = QString::number(kg < 0 ? -kg : kg);
    for (qsizetype i = s.size() - 3; i > 0; i -= 3) s.insert(i, QLatin1Char('.'));
    return kg < 0 ? QLatin1Char('-') + s : s;
}
}  // namespace

namespace {
QFont fonteGrande(QFont f) {
    f.setBold(true);
    // Grown until the digits themselves (not the line) reach the height required.
    int px = MostradorPeso::kAlturaMinima + MostradorPeso::kAlturaMinima / 3;
    for (;; px += 2) {
        f.setPixelSize(px);
        if (QFontMetrics(f).tightBoundingRect(QStringLiteral("0123456789")).height() >=
                MostradorPeso::kAlturaMinima + 2 ||
            px > 4 * MostradorPeso::kAlturaMinima)
            return f;
    }
}
}  // namespace

MostradorPeso::MostradorPeso(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("mostradorPeso"));
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    setToolTip(QStringLiteral("Peso indicado pela balança (só para ver: a pesagem lê o seu próprio peso)."));
    m_algarismos = fonteGrande(font());
}

QFont MostradorPeso::fonteEstado() const {
    QFont f = font();
    f.setPixelSize(18);
    f.setBold(true);
    return f;
}

int MostradorPeso::alturaAlgarismos() const {
    return QFontMetrics(fonteAlgarismos()).tightBoundingRect(QStringLiteral("0123456789")).height();
}

void MostradorPeso::mostrar(const PesoVivo& estado) {
    if (estado == m_estado) return;
    m_estado = estado;
    setAccessibleDescription(textoEstado());
    update();
}

QString MostradorPeso::textoPeso() const {
    if (m_estado.tipo == PesoVivo::Estavel || m_estado.tipo == PesoVivo::Instavel) return agrupado(m_estado.peso);
    return {};
}

QString MostradorPeso::textoEstado() const {
    switch (m_estado.tipo) {
        case PesoVivo::Estavel:
            return QStringLiteral("Estável");
        case PesoVivo::Instavel:
            return QStringLiteral("Instável");
        case PesoVivo::SemLeitura:
            return QStringLiteral("sem leitura");
        case PesoVivo::ALer:
            return QStringLiteral("a ler…");
        case PesoVivo::Desligado:
            break;
    }
    return QStringLiteral("leitura contínua desligada");
}

QSize MostradorPeso::sizeHint() const {
    const QFontMetrics fa(fonteAlgarismos());
    const QFontMetrics fe(fonteEstado());
    const int largura = fe.horizontalAdvance(QStringLiteral("leitura contínua")) + 2 * kMargem +
                        fa.horizontalAdvance(QStringLiteral("888.888")) + fe.horizontalAdvance(QStringLiteral(" kg")) +
                        2 * kMargem;
    return {largura, alturaAlgarismos() + 2 * kMargem};
}

void MostradorPeso::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect r = rect();
    p.fillRect(r, QColor(0x1f, 0x2a, 0x44));
    QColor cor(0xf2, 0xf5, 0xfa);
    QColor corEstado(0xb8, 0xc3, 0xd9);
    if (m_estado.tipo == PesoVivo::Estavel) corEstado = QColor(0x8f, 0xe3, 0x88);
    if (m_estado.tipo == PesoVivo::Instavel) cor = corEstado = QColor(0xf5, 0xc0, 0x4a);

    const QFont fa = fonteAlgarismos();
    const QFont fe = fonteEstado();
    const QFontMetrics ma(fa);
    const QFontMetrics me(fe);
    const QRect digitos = ma.tightBoundingRect(QStringLiteral("0123456789"));
    // Digits sit on one baseline, their tops kMargem below the frame.
    const int base = r.top() + kMargem - digitos.top();
    const int kgLargura = me.horizontalAdvance(QStringLiteral(" kg"));
    int direita = r.right() - kMargem;
    const QString peso = textoPeso();
    p.setFont(fe);
    p.setPen(corEstado);
    if (!peso.isEmpty()) {
        p.setPen(cor);
        p.drawText(direita - kgLargura, base, QStringLiteral(" kg"));
        direita -= kgLargura;
        p.setFont(fa);
        const int w = ma.horizontalAdvance(peso);
        p.drawText(direita - w, base, peso);
        direita -= w + 2 * kMargem;
        p.setFont(fe);
        p.setPen(corEstado);
        p.drawText(QRect(r.left() + kMargem, r.top(), direita - r.left() - kMargem, r.height()),
                   Qt::AlignRight | Qt::AlignVCenter, textoEstado());
    } else {
        p.drawText(r.adjusted(kMargem, 0, -kMargem, 0), Qt::AlignRight | Qt::AlignVCenter, textoEstado());
    }
}
