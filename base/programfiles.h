#pragma once

#include <QString>

// The files shipped with the program (ticket templates in "mapas", the catalogue
// script in "Catalogos"). A build folder or a copied program keeps them beside the
// executable; an installed package keeps the executables in bin/ and these files in
// share/balantrix/ of the same prefix.
namespace ProgramFiles {
// The folder holding "mapas" and "Catalogos": the program's own folder when they lie
// beside it, else the installed data folder when it exists, else the program's folder
// (so a message names where they were expected).
QString dataFolder(const QString& programFolder);

// True when the program runs from an installation (its files in share/balantrix, none
// beside it): its folder is then no place for a configuration file.
bool installed(const QString& programFolder);
}  // namespace ProgramFiles
