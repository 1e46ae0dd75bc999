#pragma once

#include <QtGlobal>

class BaseDados;

// Leaves exactly the copy rows (id, 1) .. (id, n) in kel_PES_Vias for the weighing;
// none when n < 1. The ticket templates print one page per row. Done in one
// transaction (joining the caller's when one is open), so a failure never leaves
// the copies half rewritten.
void RegistarVias(BaseDados& db, qint32 id, qint16 n);
