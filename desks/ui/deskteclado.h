#pragma once

class QString;
class QWidget;

// The desk from the keyboard, all day: in the weighing panel Enter confirms once the
// weight field holds a weight and Esc cancels the panel; in the final save panel Enter
// confirms (the focused button when the operator moved to another one) and Esc goes
// back; a focused button is pressed by Enter; Tab runs through each panel in the order
// of use (weight, Confirmar, Imprimir, Cancelar, Pesar, date; Confirmar, Imprimir,
// e-mail, Cancelar). Wired on a built desk window by its control names (`campoPeso`: the weight field).
void ligarTecladoDesk(QWidget* desk, const QString& campoPeso);
