#pragma once
// Finding and driving the controls of a window as the operator does.

#include <QLabel>
#include <QPushButton>
#include <QtTest>

// A named control of a window; a missing one ends the test run with its name.
template <typename T = QWidget>
T* filho(QWidget* w, const QString& nome) {
    T* f = w->findChild<T*>(nome);
    if (!f) qFatal("missing control %s", qPrintable(nome));
    return f;
}
template <typename T = QWidget>
T* filho(QWidget* w, const char* nome) {
    return filho<T>(w, QString::fromUtf8(nome));
}

// A label's text.
inline QString rotulo(QWidget* w, const char* nome) {
    return filho<QLabel>(w, nome)->text();
}

// Shows a window and makes it the active one.
inline bool activa(QWidget& w) {
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

// A click on a button, which must be there for the operator: shown and enabled.
inline void clicar(QWidget* w, const char* botao) {
    auto* b = filho<QPushButton>(w, botao);
    QVERIFY2(b->isVisible() && b->isEnabled(), botao);
    QTest::mouseClick(b, Qt::LeftButton);
}
