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
#include <QImageReader>
#include <QSaveFile>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

// The picture a thumbnail is made from, read from its hidden working copy, which is deleted
// again; null when the copy cannot be made or the file is no picture that can be read.
QImage ReadSourcePicture(const ThumbnailContext& c, const QString& source, const QString& target)
{
    const QString copy = MakeUnscrambledCopy(c.Copies, source);
    if (copy.isEmpty())
        return QImage();
    ZT_DEBUG(c.Log, TraceProcedures, "enter", u"CreateThumbnailImages - Creating "_s + target);
    QImageReader reader(copy);
    const QImage picture = reader.read();
    QFile::remove(copy);
    if (picture.isNull())
        ZT_DEBUG(c.Log, TraceFaults, "error",
            u"CreateThumbnailImages - unreadable picture "_s + source + u": "_s
                + reader.errorString());
    return picture;
}

bool SourcePresent(const QString& source)
{
    const QFileInfo info(source);
    return !ResolveResourceFile(info.path(), info.fileName()).isEmpty();
}

// Makes slide n's thumbnail: from its picture when it has one, else (and when the picture cannot
// be read, which no retry would change) from the slide as drawn.
void MakeThumbnail(const ThumbnailContext& c, int n)
{
    const QString target = c.Model.ThumbnailImage[size_t(n) - 1];
    const QString& source = c.Model.ThumbnailResources[size_t(n) - 1];
    QImage thumbnail;
    if (!source.isEmpty()) {
        thumbnail = ScaleImage(ThumbnailPercent, ReadSourcePicture(c, source, target));
        if (c.ExitInProgress)
            return; // the fatal "encrypt" path ran
    }
    if (thumbnail.isNull()) {
        ZT_DEBUG(c.Log, TraceProcedures, "enter",
            u"CreateThumbnailImages - Drawing slide %1 for "_s.arg(n) + target);
        thumbnail = DrawSlideThumbnail(c.Model, c.Drawing, n);
    }
    if (!SaveThumbnail(thumbnail, target, n))
        ZT_DEBUG(c.Log, TraceFaults, "error", u"CreateThumbnailImages - not written: "_s + target);
    ZT_DEBUG(c.Log, TraceProcedures, "exit", u"CreateThumbnailImages"_s);
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
    const SlideShowModel& model, const DrawingEnvironment& env, int slideNumber)
{
    if (slideNumber < 1 || slideNumber > model.SlideCount())
        return QImage();
    // Drawing a thumbnail changes nothing on the screen, so its steps stay out of the trace,
    // whose ShowSlide lines tell what was shown.
    MonotonicClock clock;
    DebugLog log(clock, false);
    RenderState offScreen;
    PrepareRenderState(offScreen, log);
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
