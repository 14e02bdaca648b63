#pragma once

#include "render/DrawingSurfaces.h"
#include "render/GraphicsState.h"
#include "render/SlideFonts.h"

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
};

// The start-up sequence of the drawing side: the display mapping for layers of the given size
// (the size the slide has on screen; 800×600 draws exactly as the reference drawing), the
// default graphics and font state, the layers, and the first (black) picture copied through.
void PrepareRenderState(RenderState& r, DebugLog& log, QSize layerSize = QSize(800, 600));

} // namespace zentil
