#pragma once

#include "tests/desks/deskfixture.h"
#include "tests/desks/operador/invariantes.h"

// What the randomized operator checks after every action, checked after a test's steps: one
// live ERP document per finished weighing, with the effective weight as its quantity and the
// weighing's party, plate and reference; weights that add up; one complement row; campaign and
// ticket year of the first weighing; no ticket number twice. Names the broken rule; empty when
// all hold. `digitados`: weighings whose effective weight was typed by hand; `semNotas`: no
// note of an ERP write may be left open either.
inline QString regrasQuebradas(DeskFixture& f, const QSet<qint32>& digitados = {}, bool semNotas = false) {
    return Falha::descrever(RegrasBase(f.t.db(), f.parametros).verificar({digitados, {}, semNotas}));
}
