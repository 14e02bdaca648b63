#pragma once

#include "render/DrawingCommands.h"

#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QPainter;

namespace zentil {

class DebugLog;
struct RenderState;
struct SlideShowModel;

// Slide composition: fills the layers from the presentation model in the order the player
// shows them. Every routine takes the environment whose resolver turns resource names into
// readable files; the /BACKGROUND command is bound to the model here.

// Draws slide NewSlideIndex on "source" over its (already drawn) background and shows it.
// Index 0, an unknown index or a slide without drawing statements changes nothing. Resetting
// CurrentSubslideIndex to 0 belongs to the subslide player, which owns it.
void ShowSlide(RenderState& r, const SlideShowModel& model, const DrawingEnvironment& env,
    DebugLog& log, int NewSlideIndex);

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
