#pragma once

#include <QString>

// Folders the tickets use.
namespace Pastas {
// Working folder for the desks' ticket PDFs (overwritten at every export):
// $BALANTRIX_DATA_DIR/trabalho, else "Balantrix" in the user's cache folder (never a
// shared /tmp name). Tickets carry names and tax numbers, and a folder others can write
// to could hold links they planted, so it is private: created 0700; an existing one
// that is a link, belongs to another user or is writable by group or others is
// refused. Gives the folder without a final separator, or empty text with `erro`
// naming the folder and why.
QString trabalho(QString* erro = nullptr);

// Where a ticket template is looked for: first the "mapas" folder beside the
// configuration file (the user's own copies, never touched by an installation),
// then the "mapas" folder of the program (shipped templates, see ProgramFiles). Gives the first file
// that exists, or the program's path when none does (so the message names it).
QString modelo(const QString& programFolder, const QString& configFolder, const QString& nome);
}  // namespace Pastas
