#include "widgets/iconeprograma.h"

QIcon iconePrograma() {
    // The SVG is drawn by Qt's SVG icon engine at every size the desktop asks for.
    QIcon icone(QStringLiteral(":/balantrix/balantrix.svg"));
    return icone;
}
