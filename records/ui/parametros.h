#pragma once

#include <QList>
#include <QWidget>

#include "records/parametroscore.h"

class CampoEntrada;
class PainelOpcoes;
class QPushButton;

// The parameters form: a thin view of ParametrosCore. Fields campo_0 ... campo_14,
// buttons btConf, btCancelar, btSair and btConfigMail.
class Parametros : public QWidget {
    Q_OBJECT
  public:
    Parametros(BaseDados& db, ParametrosAplic& parametros, OperatorMessages& messages, const QString& configPath,
               QWidget* parent = nullptr);

    ParametrosCore& core() { return m_core; }
    // A further setting of this workstation shown below the PDF folder (the printer
    // choice comes from the ticket output, which this folder cannot know).
    void adicionarLinha(const QString& rotulo, QWidget* w);

    CampoEntrada* campo(int i) const { return m_campos.at(i); }
    PainelOpcoes* opcoes() const { return m_opcoes; }

  signals:
    // The form was confirmed and saved: further settings save theirs now.
    void gravado();

  private:
    void mostrarCampos();
    void confirmar();

    ParametrosCore m_core;
    QString m_configPath;
    QList<CampoEntrada*> m_campos;
    class QFormLayout* m_linhasMail = nullptr;
    PainelOpcoes* m_opcoes = nullptr;
};
