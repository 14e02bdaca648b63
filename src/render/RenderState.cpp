#include "render/RenderState.h"

#include "base/DebugLog.h"

namespace zentil {

void PrepareRenderState(RenderState& r, DebugLog& log)
{
    // The display is virtual: the full-screen window always shows an 800×600 picture.
    r.Display.ScreenWidth = 800;
    r.Display.ScreenHeight = 600;
    r.Display.FullScreenLoaded = true;
    SetDisplayRatio(r.Display, log);
    InitializeGraphics(r.Graphics, log);
    InitializeFont(r.Graphics, log);
    r.Graphics.FillColor = 0;
    r.Graphics.ScaledPenWidth = 0;
    r.Graphics.EffectivePenColor = 0;
    const GraphicsState& g = r.Graphics;
    const SurfaceFont initialFont
        = CreateCellHeightFont(r.FaceCache, g.FontName, 0, 400, false, false, false, 0);
    CreateZTBitmaps(r.Surfaces, r.Display, r.Graphics, initialFont, log);
    CopyBackToSource(r.Surfaces, 1, log);
    CopySourceToAnimation(r.Surfaces, 1, log);
    CopyAnimationToDisplay(r.Surfaces, log);
    r.Surfaces.BitmapsCreated = true;
    r.CurrentBackgroundIndex = 0;
}

} // namespace zentil
