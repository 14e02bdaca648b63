#pragma once

#include "render/DrawingCommands.h"
#include "render/GraphicsState.h"

#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class QPainter;

namespace zentil {

class DebugLog;
struct RenderState;
struct SlideShowModel;

// What decides how a slide comes out of the layers: their pictures (as QImage cache keys, which
// change with every change of the pixels), the backgrounds they hold, the interpreter state and
// the layers' size.
struct LayerFingerprint {
    std::array<qint64, 4> Pictures {};
    int CurrentBackgroundIndex = 0;
    int BackgroundLayerIndex = 0;
    GraphicsState Graphics;
    QSize Size;

    bool operator==(const LayerFingerprint&) const = default;
};

// A slide drawn before its turn: the layers as ShowSlide leaves them, drawn from the layers as
// they were then (Before). While nothing is drawn in between, taking it is showing the slide.
struct SlideDrawnAhead {
    int SlideNumber = 0;
    LayerFingerprint Before;
    std::shared_ptr<RenderState> After;
};

// Slide composition: fills the layers from the presentation model in the order the player
// shows them. Every routine takes the environment whose resolver turns resource names into
// readable files; the /BACKGROUND command is bound to the model here.

// Draws slide NewSlideIndex on "source" over its (already drawn) background and shows it.
// Index 0, an unknown index or a slide without drawing statements changes nothing. Resetting
// CurrentSubslideIndex to 0 belongs to the subslide player, which owns it.
void ShowSlide(RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, int NewSlideIndex);

// Draws slide NewSlideIndex as ShowSlide would, on a copy of the layers; r is left as it is and
// nothing is traced. Empty for a slide ShowSlide would not draw.
SlideDrawnAhead DrawSlideAhead(const RenderState& r, const SlideShowModel& model,
    const DrawingEnvironment& env, int NewSlideIndex);

// Shows slide NewSlideIndex from ahead when ahead holds it and the layers are as they were when
// it was drawn; true when it did. ahead is emptied either way.
bool TakeSlideDrawnAhead(RenderState& r, SlideDrawnAhead& ahead, int NewSlideIndex);

// Redraws "background" from background definition NewBackgroundIndex. The font state is kept.
void DrawNewBackground(RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, int NewBackgroundIndex, int LocalResourceSet);

// Draws subslide SubslideIndex (1-based) of slide model.CurrentSlide.Index on "source". It
// copies nothing itself.
void DrawNewSubSlide(RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, int SubslideIndex, int LocalResourceSet);

// The composition of one subslide as the subslide player carries it out: on top of "source"
// when it shares the current background, else over its freshly drawn background; then shown.
void ShowSubSlide(RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, int SubslideIndex);

// Draws slide SlideNumber as it looks once its subslides 1..LastSubslide have been shown: its
// background, the slide, then the subslides in the subslide order, copied through to the
// "foreground" layer. It reads no playback record, so it can draw any slide on a state of its own.
void ComposeSlide(RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, int SlideNumber, int LastSubslide);

// Paints slide SlideNumber as ComposeSlide draws it on the painter, fitted into frame: shapes and
// text as vectors and text (found and copied in a PDF), pictures as pictures. r is a drawing
// state of the caller's own; the first call makes it record paint steps at 800×600.
void PaintComposedSlide(QPainter& p, const QRectF& frame, RenderState& r,
    const SlideShowModel& model, const DrawingEnvironment& env, DebugLog& log, int SlideNumber,
    int LastSubslide);

// Draws the layers again at a new size (the size the slide has on screen): what they showed is
// composed anew, so it stays sharp, and a background drawn ahead for the next slide is drawn
// again. Nothing is traced. Returns false when the size is unchanged.
bool RedrawAtSize(
    RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env, QSize layerSize);

// Draws and shows a built-in slide: "end", "load" or "none" (any letter case); another type
// gives a plain black picture. For "end" the slide indexes of the model are cleared and
// stopPlayback runs first: playback stops and closes both wave players there and clears its
// BuildNextSlideFlag. The caller clears CheckWavePosition afterwards.
void ShowDefaultSlide(RenderState& r, SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, const QString& SlideType, const std::function<void()>& stopPlayback = {});

// The built-in scripts: "end", "load" (empty unless the debug trace is on) and "none".
QStringList DefaultSlideScript(const QString& SlideType, bool debugMode);

} // namespace zentil
