#pragma once

#include <memory>

#include "base/operatormessages.h"

class QProgressDialog;
class QWidget;

// Operator messages as modal boxes: MostrarAviso titled "Informação", MostrarEstado
// titled with the program's description, plain boxes titled with the program's title.
class MessageBoxes : public OperatorMessages {
  public:
    explicit MessageBoxes(QWidget* parent = nullptr);
    ~MessageBoxes() override;
    void setParent(QWidget* parent) { m_parent = parent; }
    QWidget* parent() const { return m_parent; }

    bool mostrarAviso(int tipo, const QString& texto) override;
    void mostrarEstado(int estado, const QString& texto) override;
    void mensagem(const QString& texto) override;
    // A progress window (no cancel: the work cannot stop halfway), shown at once and
    // painted before the next step blocks; closed when the work is done.
    void progresso(const QString& texto, int feito, int total) override;
    QProgressDialog* janelaProgresso() const { return m_progresso.get(); }

  private:
    QWidget* m_parent;
    std::unique_ptr<QProgressDialog> m_progresso;
};
