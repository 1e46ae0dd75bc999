#pragma once
// What a user sees as "does not fit": two visible widgets of a window covering each other,
// or a label, button or header narrower than its text. Each problem is one line naming
// the widgets, so a failing test says where to look.
#include <QAbstractButton>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QStringList>
#include <QStyle>
#include <QWidget>

namespace encaixe {

inline QString nome(const QWidget* w) {
    const QString n = w->objectName();
    return n.isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : n;
}

inline int larguraTexto(const QWidget* w, const QString& texto) {
    QString t = texto;
    t.remove(QLatin1Char('&'));
    return w->fontMetrics().horizontalAdvance(t);
}

// Siblings laid out by the same layout must not overlap; text must fit its widget.
inline QStringList problemas(QWidget* janela) {
    QStringList p;
    const QList<QWidget*> todos = janela->findChildren<QWidget*>();
    for (QWidget* w : todos) {
        if (!w->isVisibleTo(janela) || w->isWindow()) continue;
        if (auto* l = qobject_cast<QLabel*>(w);
            l && !l->wordWrap() && l->pixmap().isNull() && larguraTexto(l, l->text()) > l->contentsRect().width())
            p << QStringLiteral("%1 cortado: \"%2\"").arg(nome(l), l->text());
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && larguraTexto(b, b->text()) > b->width())
            p << QStringLiteral("%1 cortado: \"%2\"").arg(nome(b), b->text());
    }
    for (int i = 0; i < todos.size(); ++i) {
        QWidget* a = todos[i];
        if (!a->isVisibleTo(janela) || a->isWindow() || !a->parentWidget() || !a->parentWidget()->layout()) continue;
        for (int j = i + 1; j < todos.size(); ++j) {
            QWidget* b = todos[j];
            if (b->parentWidget() != a->parentWidget() || !b->isVisibleTo(janela) || b->isWindow()) continue;
            if (a->geometry().intersects(b->geometry())) p << QStringLiteral("%1 sobrepõe %2").arg(nome(a), nome(b));
        }
    }
    return p;
}

// Every section of a header at least as wide as its title.
inline QStringList cabecalhosCortados(QHeaderView* h) {
    QStringList p;
    for (int s = 0; s < h->count(); ++s) {
        if (h->isSectionHidden(s)) continue;
        const QString t = h->model()->headerData(s, h->orientation()).toString();
        const int margem = 2 * h->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h);
        if (h->fontMetrics().horizontalAdvance(t) + margem > h->sectionSize(s))
            p << QStringLiteral("cabeçalho cortado: \"%1\"").arg(t);
    }
    return p;
}

}  // namespace encaixe
