#pragma once

#include <QDialog>

#include "base/sqlsettings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class OperatorMessages;

// The database settings of the workstation (section "SQL"): the backend (a SQLite
// file or SQL Server), server, database, login and password. It can test the
// connection and, when it was given the catalogue script, create the program's
// catalogue in the chosen database. OK writes the settings; Cancel leaves them.
class DialogoSql : public QDialog {
    Q_OBJECT
  public:
    // `catalogScript` may be empty (no catalogue creation offered). `proximoArranque`
    // is the on/off option: on when opened from the menu, where new settings only take
    // effect at the next start, which the dialog then says.
    DialogoSql(QString configFile, QString catalogScript, bool proximoArranque, OperatorMessages& messages,
               QWidget* parent = nullptr);

    // Seconds a SQL Server gets to answer a login before the test gives up.
    static constexpr int kLoginTimeout = 5;

    SqlSettings settings() const;
    void setSettings(const SqlSettings& s);

    // The two buttons; each shows its outcome and gives true on success.
    bool testarLigacao();
    bool criarCatalogo();

    void accept() override;

  private:
    void backendChanged();
    void procurarFicheiro();
    bool criarCatalogoSqlite(const SqlSettings& s);
    bool criarCatalogoMssql(const SqlSettings& s);

    QString m_configFile;
    QString m_catalogScript;
    OperatorMessages& m_messages;
    QComboBox* m_backend;
    QLineEdit* m_servidor;
    QLineEdit* m_baseDados;
    QLabel* m_baseDadosLabel;
    QPushButton* m_procurar;
    QLineEdit* m_login;
    QLineEdit* m_password;
    QPushButton* m_testar;
    QPushButton* m_criarCatalogo;
};
