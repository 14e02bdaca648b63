#include "render/RenderState.h"

#include "base/DebugLog.h"

#include <algorithm>

namespace zentil {

void PrepareRenderState(RenderState& r, DebugLog& log, QSize layerSize)
{
    r.Display.ScreenWidth = std::max(1, layerSize.width());
    r.Display.ScreenHeight = std::max(1, layerSize.height());
    SetDisplayRatio(r.Display, log);
    r.Graphics.UnitPenWidth = ScaledPixel(r.Display);
    InitializeGraphics(r.Graphics, log);
    InitializeFont(r.Graphics, log);
    r.Graphics.FillColor = kBlackRgb;
    r.Graphics.ScaledPenWidth = 0;
    r.Graphics.EffectivePenColor = kBlackRgb;
    const GraphicsState& g = r.Graphics;
    const SurfaceFont initialFont
        = CreateCellHeightFont(r.FaceCache, g.FontName, 0, 400, false, false, false, 0);
    CreateLayers(r.Surfaces, r.Display, r.Graphics, initialFont, log);
    CopyBackToSource(r.Surfaces, 1, log);
    CopySourceToAnimation(r.Surfaces, 1, log);
    CopyAnimationToDisplay(r.Surfaces, log);
    r.Surfaces.BitmapsCreated = true;
    r.CurrentBackgroundIndex = 0;
    r.BackgroundLayerIndex = 0;
    r.Shown = ShownPicture {};
}

} // namespace zentil
