#pragma once
// Pictures and files for a person to review: with BALANTRIX_SCREENSHOTS=folder they are kept
// there; without it nothing is written.
#include <QFile>
#include <QString>

// A template, so that tests without widgets can include this header.
template <typename Janela>
void fotografar(Janela* w, const QString& nome) {
    const QString dir = qEnvironmentVariable("BALANTRIX_SCREENSHOTS");
    if (!dir.isEmpty()) w->grab().save(dir + QLatin1Char('/') + nome + QStringLiteral(".png"));
}

inline void guardarCopia(const QString& ficheiro, const QString& nome) {
    const QString dir = qEnvironmentVariable("BALANTRIX_SCREENSHOTS");
    if (dir.isEmpty()) return;
    QFile::remove(dir + QLatin1Char('/') + nome);
    QFile::copy(ficheiro, dir + QLatin1Char('/') + nome);
}
