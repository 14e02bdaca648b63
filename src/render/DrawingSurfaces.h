#pragma once

#include "platform/PictureMemory.h"
#include "render/GraphicsState.h"

#include <QFont>
#include <QImage>
#include <QSize>

#include <functional>
#include <vector>

class QPainter;
class QThreadPool;

namespace zentil {

class DebugLog;

// The pen a layer draws outlines and lines with.
struct SurfacePen {
    int Style = PenSolid;
    int Width = 1; // 0 draws like 1: the thinnest line
    QRgb Color = kBlackRgb;
};

// The font a layer writes text with: the face at its pixel size plus the baseline angle, which
// a QFont cannot carry.
struct SurfaceFont {
    QFont Font;
    int Escapement = 0; // tenths of a degree, counter-clockwise
};

// One step of what a layer holds, painted in the layer's pixel coordinates on any painter.
using PaintStep = std::function<void(QPainter&)>;

// One drawing layer. Each layer owns its picture and its current brush, pen and font; drawing
// routines replace them before they draw, so nothing leaks from one layer to another.
struct DrawingSurface {
    QImage Image; // null until CreateLayers: drawing on it then does nothing
    QRgb BrushColor = kBlackRgb;
    SurfacePen Pen;
    SurfaceFont Font;
    // With RenderState::RecordPaintSteps, what was drawn on the layer (over black) as painting
    // steps, so that it can be painted again as vectors (on a printer); copied with the layer.
    std::vector<PaintStep> Steps;
};

// The mapping of the scripts' 800×600 space onto the layers. The layers have the size the slide
// has on screen in device pixels (aspect kept), so slides are drawn sharp at any output size;
// at exactly 800×600 the ratio is 1 and the offsets 0.
struct DisplayMapping {
    int ScreenWidth = 800; // the layers' size in pixels
    int ScreenHeight = 600;
    double DisplayRatio = 1.0;
    int XOffset = 0;
    int YOffset = 0;
};

inline constexpr int kVirtualWidth = 800;
inline constexpr int kVirtualHeight = 600;

// The size in pixels of an 800×600 slide fitted into an area of the given size, aspect kept
// (never smaller than one pixel).
QSize FittedSlideSize(QSizeF area);

// The four layers. Slides are drawn on one "background" and one "source"; the resource-set
// argument the drawing routines take is accepted for 1 and 2 and names these same layers.
struct DrawingSurfaces {
    DrawingSurface Background;
    DrawingSurface Source;
    DrawingSurface Animation;
    DrawingSurface Foreground; // the picture the full-screen window shows
    bool BitmapsCreated = false;
    int Width = 800; // the window's inner size in pixels
    int Height = 600;
    // Where the layers' pictures live: a layer that was shared by a copy and is drawn on again
    // gets warm memory of its own from here.
    PictureMemory Memory;
};

// Readies warm memory for the layers of a show's first slide at that size on a worker thread,
// while the show is being opened: fresh memory costs the first slide milliseconds of page faults.
void PrepareLayerMemoryAhead(const DrawingSurfaces& s, QSize layerSize, QThreadPool& pool);

// The layer named by one of "background", "source", "animation", "foreground" (trimmed and
// case-folded); nullptr for any other name or a resource set outside 1..2.
DrawingSurface* FindSurface(DrawingSurfaces& s, const QString& layerName, int LocalResourceSet);
// The same layer, about to be drawn on: a picture it shares with another layer or the window is
// first copied into a picture of its own.
DrawingSurface* FindSurfaceToDraw(
    DrawingSurfaces& s, const QString& layerName, int LocalResourceSet);

// Coordinates far outside the picture are held to ±kCoordinateLimit, a range in which every
// width, height and sum computed from them fits comfortably into an int and into the
// rasteriser's fixed point. Font sizes, shadow offsets and text angles are held to it as well.
constexpr int kCoordinateLimit = 1 << 24;
int ClampCoordinate(int v);

// The ratio that fits 800×600 into ScreenWidth × ScreenHeight, and the offsets that centre it.
void SetDisplayRatio(DisplayMapping& d, DebugLog& log);
// Virtual coordinates to layer pixels.
int MapX(const DisplayMapping& d, double x);
int MapY(const DisplayMapping& d, double y);
// The width in layer pixels of one virtual pixel, rounded (1 at ratio 1).
int ScaledPixel(const DisplayMapping& d);

// Creates the layers at the display size, cleared to black, each with a one-pixel pen and a
// solid brush in the effective pen colour and the given initial font.
void CreateLayers(DrawingSurfaces& s, const DisplayMapping& d, const GraphicsState& g,
    const SurfaceFont& initialFont, DebugLog& log);
void DeleteLayers(DrawingSurfaces& s, DebugLog& log);

void CopyBackToSource(DrawingSurfaces& s, int LocalResourceSet, DebugLog& log);
void CopySourceToAnimation(DrawingSurfaces& s, int LocalResourceSet, DebugLog& log);
void CopyAnimationToDisplay(DrawingSurfaces& s, DebugLog& log);

// Copies Width × Height pixels of source (from its origin) to dest at (DestX, DestY), leaving
// out the pixels whose colour equals TransparentColor. The source is not changed.
// Paints the layer's recorded steps fitted into target (black first, clipped to the layer), on
// a painter of any device: shapes and text stay vectors, pictures are pictures.
void PaintLayerSteps(QPainter& p, const DrawingSurface& layer, const QRectF& target);

void TransparentBlt(QImage& dest, int DestX, int DestY, int Width, int Height, const QImage& source,
    QRgb TransparentColor, DebugLog& log);

} // namespace zentil
