#pragma once

#include "render/DrawingSurfaces.h"
#include "render/GraphicsState.h"
#include "render/SlideFonts.h"

namespace zentil {

// Everything the drawing code owns: the layers, the display mapping, the interpreter's
// graphics state and the background the "background" layer currently holds.
struct RenderState {
    DisplayMapping Display;
    DrawingSurfaces Surfaces;
    GraphicsState Graphics;
    FontFaceCache FaceCache;
    int CurrentBackgroundIndex = 0;
};

// The start-up sequence of the drawing side: the virtual 800×600 display, the default
// graphics and font state, the layers, and the first (black) picture copied through.
void PrepareRenderState(RenderState& r, DebugLog& log);

} // namespace zentil
