#pragma once

#include <QIcon>

// The program's icon (a truck on a weighbridge, widgets/icons/balantrix.svg), built
// into the program; the application sets it, so every window shows it.
QIcon iconePrograma();
