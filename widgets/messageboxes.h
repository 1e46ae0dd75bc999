#pragma once

#include "operatormessages.h"

class QWidget;

// Operator messages as modal boxes: MostrarAviso titled "Informação", MostrarEstado
// titled with the program's description, plain boxes titled with the program's title.
class MessageBoxes : public OperatorMessages {
public:
    explicit MessageBoxes(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    bool mostrarAviso(int tipo, const QString& texto) override;
    void mostrarEstado(int estado, const QString& texto) override;
    void mensagem(const QString& texto) override;

private:
    QWidget* m_parent;
};
