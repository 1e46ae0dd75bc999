#pragma once

#include <QDialog>

class QLineEdit;
class QComboBox;
class QSpinBox;

// The mail server settings of the workstation's configuration file, section "SMTP":
// Servidor, Porta, Seguranca (nenhuma, starttls or ssl), Utilizador, Password,
// NomeEmissor and emailEmissor.
class ConfigMail : public QDialog {
    Q_OBJECT
  public:
    explicit ConfigMail(QString configPath, QWidget* parent = nullptr);
    // Writes the settings; false (message shown) when the file cannot be written.
    bool gravar();

  private:
    QString m_path;
    QLineEdit* m_servidor;
    QSpinBox* m_porta;
    QComboBox* m_seguranca;
    QLineEdit* m_utilizador;
    QLineEdit* m_password;
    QLineEdit* m_nome;
    QLineEdit* m_email;
};
