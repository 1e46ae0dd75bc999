#pragma once

#include <QString>

// The workstation's configuration file, read and written by section and key.
// Created readable by its owner only: it holds passwords.
//
// The file is INI text as installers type it: "[Seccao]" lines, "Chave=valor" lines,
// whole lines starting with ';' or '#' are comments. A value is everything after the
// first '=' up to the end of the line, spaces at both ends left out, taken exactly as
// typed: backslashes, commas, semicolons, quotes, '=' and '#' are part of it. Sections
// and keys match without case.
//
// Two forms are read as escaped text, because the program's earlier version wrote them
// that way: a value wholly in double quotes ("\\" a backslash, "\"" a quote, "\n" a line
// break), and an unquoted value made only of plain characters and the pairs "\\" and
// "\"" (never a ',', ';', '=' or bare quote, which that writer always quoted).
// Values are written raw; quoted only when raw text cannot hold them (spaces at the
// ends, line breaks, or text the escaped forms above would read differently).
// Writing a setting rewrites that one line; comments, order and the other lines stay.
// The file is read once per run and read again only when its size or time changes.
class FicheiroConfig {
  public:
    explicit FicheiroConfig(QString path);

    QString path() const { return m_path; }
    bool exists() const;
    // Why the file cannot be read as a configuration (larger than 1 MB); empty when it can
    // or when it does not exist. Such a file reads as empty.
    QString erro() const;
    // Empty when the section or key is absent.
    QString ler(const QString& seccao, const QString& chave) const;
    // Throws std::runtime_error when the file cannot be written.
    void gravar(const QString& seccao, const QString& chave, const QString& valor);

    // The value of a "Chave=valor" line as the program reads it, and the text it writes
    // for a value (the part after '=').
    static QString valorLido(const QString& texto);
    static QString textoGravado(const QString& valor);

  private:
    QString m_path;
};
