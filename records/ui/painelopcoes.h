#pragma once

#include <QGroupBox>
#include <QHash>

class BaseDados;
class OperatorMessages;
class QComboBox;

// The installation's options in the parameters form: one choice per known option
// (objectName "opcao_" + the option's name), read from and written to the database.
class PainelOpcoes : public QGroupBox {
  public:
    PainelOpcoes(BaseDados& db, OperatorMessages& messages, QWidget* parent = nullptr);
    // Writes the choices that changed; false (message shown) when the database refuses.
    bool gravar();
    QComboBox* escolha(const QString& nome) const { return m_escolhas.value(nome); }

  private:
    BaseDados& m_db;
    OperatorMessages& m_messages;
    QHash<QString, QComboBox*> m_escolhas;
    QHash<QString, QString> m_lidos;
};
