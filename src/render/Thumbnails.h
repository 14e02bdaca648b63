#pragma once

#include "render/DrawingCommands.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>

namespace zentil {

class DebugLog;
struct SlideShowModel;
struct WorkingCopyContext;

// Thumbnails are a fifth of the 800×600 slide: 160×120 pixels.
inline constexpr double ThumbnailScale = 0.2;
inline constexpr int ThumbnailPercent = 20;
// CreateThumbnailTimer's interval.
inline constexpr int ThumbnailIntervalMs = 50;

// The thumbnail maker's progress through one presentation.
struct ThumbnailState {
    int32_t ThumbnailIndex = 0; // the slide whose thumbnail is being made; 0 = not started
    bool AllThumbnailsCreated = false; // every slide has its thumbnail file (or was skipped)
};

// What one tick works with; the hooks are answered by the parts that own those facts.
struct ThumbnailContext {
    const SlideShowModel& Model; // SlideCount, ThumbnailImage, ThumbnailResources
    const WorkingCopyContext& Copies; // hidden working copies, unscrambled ("encrypt" on failure)
    const DrawingEnvironment& Drawing; // draws the slides
    DebugLog& Log;
    const bool& ExitInProgress;
    std::function<bool(int)> SlideResourcesMissing; // a file slide n needs is not present yet
    std::function<bool()> DownloadComplete; // every queued file has been fetched or given up
    // The size the slide has on screen: thumbnails are a fifth of it, so the preview is sharp.
    QSize SlideSize { 800, 600 };
};

// One tick of CreateThumbnailTimer: finds the first slide from ThumbnailIndex on without a
// thumbnail file and makes its thumbnail, or waits for its files, or skips it when its picture
// will never come. Returns whether the timer is to run again (false once every thumbnail exists
// or when the program is shutting down).
bool CreateThumbnailTick(ThumbnailState& state, const ThumbnailContext& context);

// A new presentation (and shut-down) starts the maker afresh.
void ResetThumbnails(ThumbnailState& state);

// The thumbnail file of slide n (thumbnails/thumbnailNNN.jpg); "" outside 1..SlideCount.
QString ThumbnailFile(const SlideShowModel& model, int slideNumber);
// Whether slide n's thumbnail has been made: navigation only moves forward onto such slides.
bool ThumbnailExists(const SlideShowModel& model, int slideNumber);

// Slide n as it looks at its end (background, slide, every subslide, pictures), drawn off
// screen at slideSize on a drawing state of its own and reduced to a fifth: the slide's
// thumbnail. It writes nothing to the trace.
QImage DrawSlideThumbnail(const SlideShowModel& model, const DrawingEnvironment& env,
    int slideNumber, QSize slideSize = QSize(800, 600));

// Writes a finished thumbnail picture to thumbnailPath as JPEG of quality 95, by way of the
// bitmap "thumbnail" + the slide number in three digits + ".bmp" beside it, which is deleted
// again. The JPEG appears complete or not at all. Returns whether it was written.
bool SaveThumbnail(const QImage& thumbnail, const QString& thumbnailPath, int slideNumber);

} // namespace zentil
