#pragma once

#include <QList>
#include <QWidget>

class CampoEntrada;

// What both record forms do with their fields: close the form (its MDI sub-window
// when it has one) and step the focus back one field, as Esc asks.
namespace Formulario {
void fechar(QWidget* form);
// Focuses the visible field before `atual` in `ordem` (the tab order).
void focarAnterior(const QList<CampoEntrada*>& ordem, CampoEntrada* atual);
// The field of the list that has the focus, or nullptr.
CampoEntrada* comFoco(const QList<CampoEntrada*>& campos);
// Fixes a field's width to `caracteres` of its widest character (digits for numbers),
// so short codes get short fields and nothing typed is hidden.
void larguraPara(CampoEntrada* campo, int caracteres, bool numerico);
}  // namespace Formulario
