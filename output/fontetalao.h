#pragma once

#include <QString>

// Tickets and statements are drawn in DejaVu Sans. Qt's PDF writer embeds a font anew in
// every file, and for each glyph it loads the outline at the font's design size through
// FreeType, which runs the face's TrueType hinting programs every time: a third of a
// ticket's export went there. Hinting changes nothing in a PDF (the viewer or printer
// scales the outlines), so the pages are drawn with a copy of DejaVu Sans, made once per
// process from the installed faces without their hinting programs: same outlines, same
// advance widths, same names in the PDF.
namespace FonteTalao {

// The copy's family, registered at the first call (which also keeps the large blocks each
// PDF allocates on the process's heap, see fontetalao.cpp); "DejaVu Sans" itself when its faces
// cannot be read (the pages then come out as before, only slower).
QString familia();

// The page's HTML with "DejaVu Sans" in its tags and style sheets naming the copy; the
// text shown on the page is left as it is.
QString html(const QString& pagina);

}  // namespace FonteTalao
