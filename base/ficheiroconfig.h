#pragma once

#include <QString>

// The workstation's configuration file (INI), read and written by section and key.
// Created readable by its owner only: it holds passwords.
class FicheiroConfig {
public:
    explicit FicheiroConfig(QString path);

    QString path() const { return m_path; }
    bool exists() const;
    // Empty when the section or key is absent.
    QString ler(const QString& seccao, const QString& chave) const;
    // Throws std::runtime_error when the file cannot be written.
    void gravar(const QString& seccao, const QString& chave, const QString& valor);

private:
    QString m_path;
};
