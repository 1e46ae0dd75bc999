#pragma once

#include <QList>
#include <QWidget>

#include "records/taloescore.h"

class CampoEntrada;
class QLabel;
class QPushButton;

// The ticket counters form: a thin view of TaloesCore in mode 1 (incoming) or 2
// (outgoing). Fields campo_0 ... campo_6, list buttons btlista_2/5/6, description
// labels lblMorada, lblCliente, lblTipoMorada, buttons btConf, btCancelar, btAnular, btSair.
class Taloes : public QWidget {
    Q_OBJECT
  public:
    Taloes(BaseDados& db, ParametrosAplic& parametros, OperatorMessages& messages, int modo, QWidget* parent = nullptr);

    TaloesCore& core() { return m_core; }
    CampoEntrada* campo(int i) const { return m_campos.at(i); }
    // Opens the list of a field (2, 5 or 6) and applies the pick.
    void abrirLista(int campo);

  private:
    void mostrar();
    void confirmar();

    BaseDados& m_db;
    OperatorMessages& m_messages;
    TaloesCore m_core;
    QList<CampoEntrada*> m_campos;  // by index
    QList<CampoEntrada*> m_ordem;   // tab order
    QLabel* m_lblCliente;
    QLabel* m_lblMorada;
    QLabel* m_lblTipoMorada;
};
