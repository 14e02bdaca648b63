#pragma once

#include "render/DrawingSurfaces.h"

#include <QHash>
#include <QList>
#include <QStringList>

namespace zentil {

class DebugLog;

// The presentation's own TrueType fonts, registered with the text renderer while the
// presentation is open. PrivateFonts holds file names relative to the font folder.
struct PrivateFontList {
    QStringList PrivateFonts; // PrivateFontCapacity entries, the first PrivateFontCount in use
    int PrivateFontCount = 0;
    int PrivateFontCapacity = 0;
    QList<int> ApplicationFontIds; // what QFontDatabase gave for each registration (-1: failed)
};

// Registers fontFolder/FileName when the name ends in ".ttf" (any case).
void AddPrivateFont(
    PrivateFontList& fonts, const QString& fontFolder, const QString& FileName, DebugLog& log);
// True when FileName (exact, case-sensitive) has been registered.
bool FindFontFile(const PrivateFontList& fonts, const QString& FileName, DebugLog& log);
// Withdraws every registered font, deletes its file and empties the list.
void DeletePrivateFonts(PrivateFontList& fonts, const QString& fontFolder, DebugLog& log);

// Per-face ratio of character cell height (ascent + descent) to em size, measured once.
struct FontFaceCache {
    QHash<QString, double> CellPerEm;
};

// A font whose character cell (ascent plus descent) is cellHeight pixels. Weight 700 and above
// is the face's bold, anything lower its regular style. "Arial", "Times New Roman" and "times"
// resolve to their metric twins.
SurfaceFont CreateCellHeightFont(FontFaceCache& cache, const QString& face, int cellHeight,
    int weight, bool italic, bool underline, bool strikeOut, int escapement);

struct RenderState;
// Makes the font of the current font state and gives it to the layer.
void SetFontForBitmap(
    RenderState& r, const QString& LayerName, int LocalResourceSet, DebugLog& log);

} // namespace zentil
