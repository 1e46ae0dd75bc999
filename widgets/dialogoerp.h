#pragma once

#include <QDialog>

class QLineEdit;
class OperatorMessages;

// The ERP connection settings of the workstation: the five settings of section "ERP"
// of the configuration file. OK writes them; Cancel leaves the file as it was.
class DialogoErp : public QDialog {
    Q_OBJECT
  public:
    DialogoErp(QString configFile, OperatorMessages& messages, QWidget* parent = nullptr);

    void accept() override;

  private:
    QString m_configFile;
    OperatorMessages& m_messages;
    QLineEdit* m_servidor;
    QLineEdit* m_instancia;
    QLineEdit* m_empresa;
    QLineEdit* m_utilizador;
    QLineEdit* m_password;
};
