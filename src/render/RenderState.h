#pragma once

#include "render/DrawingSurfaces.h"
#include "render/GraphicsState.h"
#include "render/SlideFonts.h"

#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>

namespace zentil {

// What the layers show, so that they can be drawn again at another size: a slide with its
// subslides up to LastSubslide, or a built-in slide.
struct ShownPicture {
    enum class Kind { Nothing, Slide, BuiltIn };
    Kind What = Kind::Nothing;
    int SlideNumber = 0;
    int LastSubslide = 0;
    QString BuiltInType;
};

// Pictures as read from their files and as scaled for the layers, kept while the slides are
// drawn at one size, so a picture that comes back (a background's, a logo) is neither decoded
// nor filtered again. Emptied when it grows beyond its budget.
struct PictureCache {
    QHash<QString, QImage> Pictures;
    qint64 Bytes = 0;
    static constexpr qint64 kBudgetBytes = 192LL * 1024 * 1024;
};

// Everything the drawing code owns: the layers, the display mapping, the interpreter's
// graphics state and the background the "background" layer currently holds.
struct RenderState {
    DisplayMapping Display;
    DrawingSurfaces Surfaces;
    GraphicsState Graphics;
    FontFaceCache FaceCache;
    int CurrentBackgroundIndex = 0;
    // The background definition the "background" layer holds (0: black or none yet).
    int BackgroundLayerIndex = 0;
    ShownPicture Shown;
    PictureCache Pictures;
    // Whether the drawing routines also record what they draw as the layers' paint steps.
    bool RecordPaintSteps = false;
};

// The start-up sequence of the drawing side: the display mapping for layers of the given size
// (the size the slide has on screen; 800×600 draws exactly as the reference drawing), the
// default graphics and font state, the layers, and the first (black) picture copied through.
void PrepareRenderState(RenderState& r, DebugLog& log, QSize layerSize = QSize(800, 600));

} // namespace zentil
