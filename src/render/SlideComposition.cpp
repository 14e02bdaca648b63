#include "render/SlideComposition.h"

#include "base/DebugLog.h"
#include "base/ProductInfo.h"
#include "platform/MonotonicClock.h"
#include "render/DrawingRoutines.h"
#include "render/RenderState.h"
#include "script/PresentationModel.h"

#include <algorithm>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

// The environment with /BACKGROUND bound to the model: switch to the referenced background when
// it is a real one and not already drawn, then start "source" from it.
DrawingEnvironment BindBackground(
    RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env, DebugLog& log)
{
    DrawingEnvironment bound = env;
    bound.BackgroundCommand = [&r, &model, env, &log](int backgroundIndex) {
        if (backgroundIndex >= 1 && backgroundIndex <= model.BackCount()
            && backgroundIndex != r.CurrentBackgroundIndex) {
            r.CurrentBackgroundIndex = backgroundIndex;
            DrawNewBackground(r, model, env, log, backgroundIndex, 1);
        }
        CopyBackToSource(r.Surfaces, 1, log);
    };
    return bound;
}

template <typename Lines>
void RunScript(RenderState& r, const DrawingEnvironment& env, DebugLog& log, const Lines& lines,
    const QString& layer, int backgroundIndexRef)
{
    // Text is always drawn anti-aliased, so there is no system smoothing to switch.
    InitializeFont(r.Graphics, log);
    for (const QString& line : lines) {
        InitializeGraphics(r.Graphics, log);
        ExecuteDrawingCommand(r, env, log, line, layer, 1, backgroundIndexRef);
    }
}

void DrawSubSlideOf(RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, int slideIndex, int SubslideIndex)
{
    if (slideIndex < 1 || slideIndex > model.SlideCount())
        return;
    const Slide& slide = model.SlideAt(slideIndex);
    if (SubslideIndex < 1 || SubslideIndex > slide.SubslideCount())
        return;
    const Subslide& sub = slide.SubSlide[std::size_t(SubslideIndex - 1)];
    if (sub.ScriptCount() >= 1)
        RunScript(r, BindBackground(r, model, env, log), log, sub.ScriptText, u"source"_s,
            sub.BackgroundIndex);
}

// The subslide order: on top of "source" when the subslide shares the current background, else
// over its freshly drawn background; then copied through to the display.
void ShowSubSlideOf(RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, int slideIndex, int SubslideIndex)
{
    if (slideIndex < 1 || slideIndex > model.SlideCount())
        return;
    const Slide& slide = model.SlideAt(slideIndex);
    if (SubslideIndex < 1 || SubslideIndex > slide.SubslideCount())
        return;
    const int background = slide.SubSlide[std::size_t(SubslideIndex - 1)].BackgroundIndex;
    if (background != r.CurrentBackgroundIndex) {
        r.CurrentBackgroundIndex = background;
        DrawNewBackground(r, model, env, log, background, 1);
        CopyBackToSource(r.Surfaces, 1, log);
    }
    {
        ZT_TRACE_SCOPE(log, u"DrawNewSubSlide"_s);
        DrawSubSlideOf(r, model, env, log, slideIndex, SubslideIndex);
    }
    CopySourceToAnimation(r.Surfaces, 1, log);
    CopyAnimationToDisplay(r.Surfaces, log);
    if (r.Shown.What == ShownPicture::Kind::Slide && r.Shown.SlideNumber == slideIndex)
        r.Shown.LastSubslide = std::max(r.Shown.LastSubslide, SubslideIndex);
}

// Blackens "background" (a zero pen width takes the fill colour).
void DrawBuiltInBackground(RenderState& r)
{
    GraphicsState& g = r.Graphics;
    const QRgb fill = g.FillColor;
    const int width = g.ScaledPenWidth;
    const bool blend = g.DoBlend;
    g.FillColor = kBlackRgb;
    g.ScaledPenWidth = 0;
    g.DoBlend = false;
    DrawBoxOnBitmap(r, u"background"_s, 1, 0, 0, r.Surfaces.Width, r.Surfaces.Height);
    r.BackgroundLayerIndex = 0;
    g.FillColor = fill;
    g.ScaledPenWidth = width;
    g.DoBlend = blend;
}

// Draws a built-in script on "source" (the caller has blackened and copied the background).
void DrawBuiltInScript(RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, const QString& SlideType)
{
    const QStringList script = DefaultSlideScript(SlideType, log.DebugMode);
    if (!script.isEmpty())
        RunScript(r, BindBackground(r, model, env, log), log, script, u"source"_s,
            r.CurrentBackgroundIndex);
}

} // namespace

void ShowSlide(RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, int NewSlideIndex)
{
    ZT_TRACE_SCOPE_WITH(
        log, u"ShowSlide - NewSlideIndex = "_s + QString::number(NewSlideIndex), u"ShowSlide"_s);
    if (NewSlideIndex >= 1 && NewSlideIndex <= model.SlideCount()
        && model.SlideAt(NewSlideIndex).ScriptCount() >= 1) {
        ZT_DEBUG(log, TraceTiming, "time", u"Begin ShowSlide"_s);
        const Slide& slide = model.SlideAt(NewSlideIndex);
        r.CurrentBackgroundIndex = slide.BackgroundIndex;
        CopyBackToSource(r.Surfaces, 1, log);
        RunScript(r, BindBackground(r, model, env, log), log, slide.ScriptText, u"source"_s,
            slide.BackgroundIndex);
        CopySourceToAnimation(r.Surfaces, 1, log);
        CopyAnimationToDisplay(r.Surfaces, log);
        r.Shown = ShownPicture { ShownPicture::Kind::Slide, NewSlideIndex, 0, QString() };
        ZT_DEBUG(log, TraceTiming, "time", u"End ShowSlide"_s);
    }
}

namespace {

LayerFingerprint FingerprintOf(const RenderState& r)
{
    const DrawingSurfaces& s = r.Surfaces;
    return LayerFingerprint { { s.Background.Image.cacheKey(), s.Source.Image.cacheKey(),
                                  s.Animation.Image.cacheKey(), s.Foreground.Image.cacheKey() },
        r.CurrentBackgroundIndex, r.BackgroundLayerIndex, r.Graphics, QSize(s.Width, s.Height) };
}

} // namespace

SlideDrawnAhead DrawSlideAhead(const RenderState& r, const SlideShowModel& model,
    const DrawingEnvironment& env, int NewSlideIndex)
{
    if (NewSlideIndex < 1 || NewSlideIndex > model.SlideCount()
        || model.SlideAt(NewSlideIndex).ScriptCount() < 1 || !r.Surfaces.BitmapsCreated)
        return {};
    MonotonicClock clock;
    DebugLog quiet(clock, false);
    auto after = std::make_shared<RenderState>(r);
    ShowSlide(*after, model, env, quiet, NewSlideIndex);
    return SlideDrawnAhead { NewSlideIndex, FingerprintOf(r), std::move(after) };
}

bool TakeSlideDrawnAhead(RenderState& r, SlideDrawnAhead& ahead, int NewSlideIndex)
{
    const bool usable
        = ahead.After && ahead.SlideNumber == NewSlideIndex && ahead.Before == FingerprintOf(r);
    if (usable)
        r = std::move(*ahead.After);
    ahead = {};
    return usable;
}

void DrawNewBackground(RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, int NewBackgroundIndex, int LocalResourceSet)
{
    ZT_TRACE_SCOPE_WITH(log,
        u"DrawNewBackground - NewBackgroundIndex = "_s + QString::number(NewBackgroundIndex),
        u"DrawNewBackground"_s);
    const FontSettings saved = SaveFontSettings(r.Graphics);
    InitializeGraphics(r.Graphics, log);
    DrawBoxOnBitmap(
        r, u"background"_s, LocalResourceSet, 0, 0, r.Surfaces.Width, r.Surfaces.Height);
    r.BackgroundLayerIndex = NewBackgroundIndex;
    if (NewBackgroundIndex >= 1 && NewBackgroundIndex <= model.BackCount()) {
        const BackgroundSlide& background = model.BackgroundAt(NewBackgroundIndex);
        if (background.ScriptCount() >= 1)
            RunScript(r, BindBackground(r, model, env, log), log, background.ScriptText,
                u"background"_s, NewBackgroundIndex);
    }
    RestoreFontSettings(r.Graphics, saved);
}

void DrawNewSubSlide(RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, int SubslideIndex, int LocalResourceSet)
{
    Q_UNUSED(LocalResourceSet); // slides are always drawn on set 1
    ZT_TRACE_SCOPE(log, u"DrawNewSubSlide"_s);
    DrawSubSlideOf(r, model, env, log, model.CurrentSlide.Index, SubslideIndex);
}

void ShowSubSlide(RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, int SubslideIndex)
{
    ShowSubSlideOf(r, model, env, log, model.CurrentSlide.Index, SubslideIndex);
}

void ComposeSlide(RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, int SlideNumber, int LastSubslide)
{
    if (SlideNumber < 1 || SlideNumber > model.SlideCount())
        return;
    const Slide& slide = model.SlideAt(SlideNumber);
    DrawNewBackground(r, model, env, log, slide.BackgroundIndex, 1);
    r.CurrentBackgroundIndex = slide.BackgroundIndex;
    // A slide without statements of its own still shows its background.
    CopyBackToSource(r.Surfaces, 1, log);
    ShowSlide(r, model, env, log, SlideNumber);
    const int last = std::clamp(LastSubslide, 0, slide.SubslideCount());
    for (int k = 1; k <= last; ++k)
        ShowSubSlideOf(r, model, env, log, SlideNumber, k);
    CopySourceToAnimation(r.Surfaces, 1, log);
    CopyAnimationToDisplay(r.Surfaces, log);
    r.Shown = ShownPicture { ShownPicture::Kind::Slide, SlideNumber, last, QString() };
}

void PaintComposedSlide(QPainter& p, const QRectF& frame, RenderState& r,
    const SlideShowModel& model, const DrawingEnvironment& env, DebugLog& log, int SlideNumber,
    int LastSubslide)
{
    if (!r.RecordPaintSteps || !r.Surfaces.BitmapsCreated) {
        r.RecordPaintSteps = true;
        PrepareRenderState(r, log);
    }
    ComposeSlide(r, model, env, log, SlideNumber, LastSubslide);
    PaintLayerSteps(p, r.Surfaces.Foreground, frame);
}

bool RedrawAtSize(
    RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env, QSize layerSize)
{
    if (layerSize.isEmpty() || layerSize == QSize(r.Surfaces.Width, r.Surfaces.Height))
        return false;
    // A new size is no slide change: the redraw stays out of the trace.
    MonotonicClock clock;
    DebugLog quiet(clock, false);
    const ShownPicture shown = r.Shown;
    const int currentBackground = r.CurrentBackgroundIndex;
    const int layerBackground = r.BackgroundLayerIndex;
    const GraphicsState graphics = r.Graphics;
    PrepareRenderState(r, quiet, layerSize);
    if (shown.What == ShownPicture::Kind::Slide) {
        ComposeSlide(r, model, env, quiet, shown.SlideNumber, shown.LastSubslide);
    } else if (shown.What == ShownPicture::Kind::BuiltIn) {
        DrawBuiltInBackground(r);
        CopyBackToSource(r.Surfaces, 1, quiet);
        DrawBuiltInScript(r, model, env, quiet, shown.BuiltInType);
        CopySourceToAnimation(r.Surfaces, 1, quiet);
        CopyAnimationToDisplay(r.Surfaces, quiet);
    }
    r.Shown = shown;
    // A background drawn ahead for the next slide is drawn again too.
    if (r.BackgroundLayerIndex != layerBackground) {
        if (layerBackground >= 1)
            DrawNewBackground(r, model, env, quiet, layerBackground, 1);
        else
            DrawBuiltInBackground(r);
    }
    r.CurrentBackgroundIndex = currentBackground;
    const int unit = r.Graphics.UnitPenWidth;
    r.Graphics = graphics;
    r.Graphics.UnitPenWidth = unit;
    return true;
}

QStringList DefaultSlideScript(const QString& SlideType, bool debugMode)
{
    const QString type = SlideType.toLower();
    if (type == u"end") {
        return {
            u"/font {face times size 80 color 50 50 50}"_s,
            u"/text {400 260 cj ZENTIL}"_s,
            u"/line {250 290 550 290 penwidth 4 pencolor 50 0 0}"_s,
            u"/font {face Arial size 37 bold color 50 50 50}"_s,
            u"/text {400 340 cj End of Presentation}"_s,
            u"/font {face Arial size 16 bold color 50 50 50}"_s,
            u"/text {400 365 cj Right-click screen for options menu}"_s,
            u"/text (400 440 cj For more information, please see:}"_s,
            u"/text {400 456 cj "_s + ProductWebAddress + u"}"_s,
        };
    }
    const QString font = u"/font {face Arial size 16 color 100 100 100 bold noitalics "
                         u"nounderline nostrikeout noshadow angle 0}"_s;
    if (type == u"load") {
        if (!debugMode)
            return {};
        return { font, u"/text {400 40 cj Loading Zentil presentation.}"_s };
    }
    if (type == u"none")
        return { font, u"/text {400 40 cj No Zentil presentation loaded.}"_s };
    return {};
}

void ShowDefaultSlide(RenderState& r, SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, const QString& SlideType, const std::function<void()>& stopPlayback)
{
    ZT_TRACE_SCOPE_WITH(
        log, u"ShowDefaultSlide - SlideType = "_s + SlideType, u"ShowDefaultSlide"_s);
    DrawBuiltInBackground(r);
    CopyBackToSource(r.Surfaces, 1, log);
    if (SlideType.toLower() == u"end") {
        if (stopPlayback)
            stopPlayback();
        model.CurrentSlide.SoundLoaded = false;
        model.NextSlide.SoundLoaded = false;
        ZT_DEBUG(log, TraceSound, "status", u"CurrentSlide.SoundLoaded = False"_s);
        ZT_DEBUG(log, TraceSound, "status", u"NextSlide.SoundLoaded = False"_s);
        model.CurrentSlide.Index = 0;
        model.NextSlide.Index = 0;
        ZT_DEBUG(log, TraceSequencing, "status", u"CurrentSlide.Index = 0"_s);
        ZT_DEBUG(log, TraceSequencing, "status", u"NextSlide.index = 0"_s);
        ZT_DEBUG(log, TraceSequencing, "status", u"BuildNextSlideFlag = False"_s);
    }
    DrawBuiltInScript(r, model, env, log, SlideType);
    CopySourceToAnimation(r.Surfaces, 1, log);
    CopyAnimationToDisplay(r.Surfaces, log);
    r.Shown = ShownPicture { ShownPicture::Kind::BuiltIn, 0, 0, SlideType };
}

} // namespace zentil
