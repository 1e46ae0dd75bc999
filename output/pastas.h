#pragma once

#include <QString>

// Folders the tickets use.
namespace Pastas {
// Working folder for the desks' ticket PDFs (overwritten at every export). Private to
// the user, since tickets carry names and tax numbers. Created when missing; ends
// without a separator.
QString trabalho();

// Where a ticket template is looked for: first the "mapas" folder beside the
// configuration file (the user's own copies, never touched by an installation),
// then the "mapas" folder of the program (shipped templates). Gives the first file
// that exists, or the program's path when none does (so the message names it).
QString modelo(const QString& programFolder, const QString& configFolder, const QString& nome);
}  // namespace Pastas
