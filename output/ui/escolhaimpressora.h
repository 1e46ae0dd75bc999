#pragma once

#include <QWidget>

class QComboBox;
class FicheiroConfig;

// The printer choice of the parameters form: the system's printers, with "the
// system's default printer" first (an empty setting). A configured printer that is
// not installed on this workstation stays in the list, marked, so that saving the
// form does not lose it.
class EscolhaImpressora : public QWidget {
    Q_OBJECT
  public:
    explicit EscolhaImpressora(QWidget* parent = nullptr);

    // The printer's name, or empty text for the system's default printer.
    QString impressora() const;
    void setImpressora(const QString& nome);
    // Lists the system's printers again, keeping the choice.
    void actualizarLista();

    // Section "PRINT", key "Impressora" of the configuration file.
    void lerConfig(const FicheiroConfig& f);
    void gravarConfig(FicheiroConfig& f) const;  // throws std::runtime_error like FicheiroConfig

    QComboBox* combo() const { return m_combo; }
    static QString seccao() { return QStringLiteral("PRINT"); }
    static QString chave() { return QStringLiteral("Impressora"); }

  signals:
    void impressoraAlterada(const QString& nome);

  private:
    QComboBox* m_combo;
};
