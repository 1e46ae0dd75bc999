#pragma once

#include <QFile>
#include <QString>

// A file that is written whole or not at all, and never through a link at its name:
// the contents go to a temporary of its own beside the destination (created
// exclusively, so nothing planted there is opened), and confirmar() renames it over
// the destination. A symbolic link standing at the name is replaced, never followed.
class FicheiroAtomico {
  public:
    // `privado`: readable by the owner only (the working folder's tickets); otherwise
    // the usual permissions of a new file (a shared PDF folder).
    explicit FicheiroAtomico(QString destino, bool privado = false);
    ~FicheiroAtomico();
    FicheiroAtomico(const FicheiroAtomico&) = delete;
    FicheiroAtomico& operator=(const FicheiroAtomico&) = delete;

    bool abrir();
    QFile& dispositivo() { return m_ficheiro; }
    // For a writer that opens files by name (QPrinter): close dispositivo(), let it
    // write here, then confirmar().
    QString caminhoTemporario() const { return m_temporario; }
    // Flushes to disk and puts the file in place. False with erro() when the
    // destination was not replaced; the temporary is gone either way.
    bool confirmar();
    QString erro() const { return m_erro; }

    // Removes whatever stands at `path` (a file, or a link without touching its
    // target). True when nothing is left there.
    static bool remover(const QString& path);

  private:
    void descartar();

    QString m_destino;
    QString m_temporario;
    bool m_privado;
    QFile m_ficheiro;
    QString m_erro;
};
