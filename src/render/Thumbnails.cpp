#include "render/Thumbnails.h"

#include "base/DebugLog.h"
#include "platform/MonotonicClock.h"
#include "render/ImageScale.h"
#include "render/RenderState.h"
#include "render/SlideComposition.h"
#include "script/PresentationModel.h"
#include "script/WorkingCopies.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

bool SourcePresent(const QString& source)
{
    const QFileInfo info(source);
    return !ResolveResourceFile(info.path(), info.fileName()).isEmpty();
}

// Makes slide n's thumbnail: the slide as it is drawn, reduced.
void MakeThumbnail(const ThumbnailContext& c, int n)
{
    const QString target = c.Model.ThumbnailImage[size_t(n) - 1];
    ZT_TRACE_SCOPE_WITH(
        c.Log, u"CreateThumbnailImages - Creating "_s + target, u"CreateThumbnailImages"_s);
    const QImage thumbnail = DrawSlideThumbnail(c.Model, c.Drawing, n, c.SlideSize);
    if (c.ExitInProgress)
        return; // a fatal error (a plain file in a scrambled show) ended the program
    if (!SaveThumbnail(thumbnail, target, n))
        ZT_DEBUG(c.Log, TraceFaults, "error", u"CreateThumbnailImages - not written: "_s + target);
}

} // namespace

QString ThumbnailFile(const SlideShowModel& model, int slideNumber)
{
    if (slideNumber < 1 || slideNumber > static_cast<int>(model.ThumbnailImage.size()))
        return QString();
    return model.ThumbnailImage[size_t(slideNumber) - 1];
}

bool ThumbnailExists(const SlideShowModel& model, int slideNumber)
{
    const QString file = ThumbnailFile(model, slideNumber);
    return !file.isEmpty() && QFileInfo(file).isFile();
}

void ResetThumbnails(ThumbnailState& state)
{
    state = ThumbnailState {};
}

QImage DrawSlideThumbnail(
    const SlideShowModel& model, const DrawingEnvironment& env, int slideNumber, QSize slideSize)
{
    if (slideNumber < 1 || slideNumber > model.SlideCount())
        return QImage();
    // Drawing a thumbnail changes nothing on the screen, so its steps stay out of the trace,
    // whose ShowSlide lines tell what was shown.
    MonotonicClock clock;
    DebugLog log(clock, false);
    RenderState offScreen;
    PrepareRenderState(offScreen, log, slideSize);
    ComposeSlide(
        offScreen, model, env, log, slideNumber, model.SlideAt(slideNumber).SubslideCount());
    return ScaleImage(ThumbnailPercent, offScreen.Surfaces.Foreground.Image);
}

bool SaveThumbnail(const QImage& thumbnail, const QString& thumbnailPath, int slideNumber)
{
    if (thumbnail.isNull() || thumbnailPath.isEmpty())
        return false;
    const QString bitmap
        = QFileInfo(thumbnailPath)
              .dir()
              .filePath(u"thumbnail"_s + QString::number(slideNumber).rightJustified(3, u'0')
                  + u".bmp"_s);
    if (!thumbnail.save(bitmap, "BMP"))
        return false;
    const QImage loaded(bitmap, "BMP");
    QSaveFile file(thumbnailPath);
    const bool written = !loaded.isNull() && file.open(QIODevice::WriteOnly)
        && loaded.save(&file, "JPG", 95) && file.commit();
    QFile::remove(bitmap);
    return written;
}

bool CreateThumbnailTick(ThumbnailState& state, const ThumbnailContext& c)
{
    if (c.ExitInProgress)
        return false;
    if (state.ThumbnailIndex == 0)
        state.ThumbnailIndex = 1;
    const int count = static_cast<int>(std::min({ size_t(c.Model.SlideCount()),
        c.Model.ThumbnailImage.size(), c.Model.ThumbnailResources.size() }));
    while (state.ThumbnailIndex <= count && ThumbnailExists(c.Model, state.ThumbnailIndex))
        ++state.ThumbnailIndex;
    if (state.ThumbnailIndex > count) {
        state.AllThumbnailsCreated = true;
        return false;
    }
    const int n = state.ThumbnailIndex;
    if (c.SlideResourcesMissing && c.SlideResourcesMissing(n))
        return true; // its files are still on their way
    const QString& source = c.Model.ThumbnailResources[size_t(n) - 1];
    if (!source.isEmpty() && !SourcePresent(source)) {
        if (c.DownloadComplete && c.DownloadComplete() && n < count) {
            ZT_DEBUG(c.Log, TraceProcedures, "status",
                u"Skipping thumbnail "_s + c.Model.ThumbnailImage[size_t(n) - 1]);
            ++state.ThumbnailIndex;
        }
        return true;
    }
    MakeThumbnail(c, n);
    return !c.ExitInProgress;
}

} // namespace zentil
