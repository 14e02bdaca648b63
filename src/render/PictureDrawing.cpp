#include "render/PictureDrawing.h"

#include "render/RenderState.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QThreadPool>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {
constexpr int kMaxPictureSide = 1 << 20;
} // namespace

bool IsVectorPicture(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"svg" || suffix == u"svgz";
}

QString PictureProblem(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return u"the file is missing"_s;
    if (IsVectorPicture(path))
        return QSvgRenderer(path).isValid() ? QString() : u"not a readable SVG picture"_s;
    QImageReader reader(path);
    if (!reader.canRead()) {
        if (QFileInfo(path).suffix().toLower() == u"webp"
            && !QImageReader::supportedImageFormats().contains("webp"))
            return u"WebP pictures need Qt's image format plug-ins (qt6-image-formats-plugins)"_s;
        return u"not a picture type the player reads ("_s + reader.errorString() + u")"_s;
    }
    if (reader.read().isNull())
        return u"the picture cannot be read ("_s + reader.errorString() + u")"_s;
    return QString();
}

int DrawVectorPictureOnBitmap(RenderState& r, const QString& layer, int set, const QString& path,
    double XScale, double YScale, int X, int Y)
{
    DrawingSurface* s = FindSurfaceToDraw(r.Surfaces, layer, set);
    if (!s)
        return 0;
    QSvgRenderer renderer(path);
    if (s->Image.isNull() || !renderer.isValid())
        return 1;
    const QSize own = renderer.defaultSize();
    const int W = RoundToInt(XScale * own.width() + 0.5);
    const int H = RoundToInt(YScale * own.height() + 0.5);
    if (W <= 0 || H <= 0 || W > kMaxPictureSide || H > kMaxPictureSide)
        return 1;
    const auto paint = [path, area = QRectF(X, Y, W, H)](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        QSvgRenderer(path).render(&p, area);
    };
    QPainter p(&s->Image);
    paint(p);
    if (r.RecordPaintSteps)
        s->Steps.push_back(paint);
    return 1;
}

void LoadPictureReadersAhead(QThreadPool& pool)
{
    // The font list first: it takes longest, and the first slide's fonts wait for it.
    pool.start([] { QFontDatabase::families(); });
    pool.start([] {
        for (const char* format : { "jpeg", "png", "gif" }) {
            QBuffer empty;
            empty.open(QIODevice::ReadOnly);
            // Only the named reader: guessing the format would load every plug-in installed,
            // with the libraries behind them.
            QImageReader reader(&empty, format);
            reader.setAutoDetectImageFormat(false);
            reader.canRead();
        }
    });
}

QImage LoadPicture(const QString& path, const PictureMemory* memory)
{
    QImageReader reader(path);
    reader.setAutoTransform(false);
    const bool bitmap = reader.format() == "bmp"; // known only before the picture is read
    // Read into picture memory where the reader takes a picture of the size and format it
    // announces (JPEG's and PNG's do): a photo the size of a slide then costs a few page faults,
    // not one per 4 KiB. A reader that makes a picture of its own is left to it.
    QImage picture;
    const QSize size = memory ? reader.size() : QSize();
    if (size.isValid())
        picture = memory->NewPicture(size, reader.imageFormat());
    if (!reader.read(&picture))
        picture = QImage();
    // The fourth byte of a 32-bit bitmap is commonly left 0 by the programs that write them;
    // bitmaps are drawn opaque whatever it holds.
    if (!picture.isNull() && bitmap && picture.hasAlphaChannel())
        picture = picture.convertToFormat(QImage::Format_RGB32);
    return picture;
}

namespace {

// The cached image for key, made by make() when it is not there yet.
template <typename Make> QImage Cached(PictureCache& cache, const QString& key, Make make)
{
    if (const auto found = cache.Pictures.constFind(key); found != cache.Pictures.constEnd())
        return *found;
    QImage image = make();
    const qint64 bytes = image.sizeInBytes();
    if (cache.Bytes + bytes > PictureCache::kBudgetBytes) {
        cache.Pictures.clear();
        cache.Bytes = 0;
    }
    if (bytes <= PictureCache::kBudgetBytes / 4) {
        cache.Pictures.insert(key, image);
        cache.Bytes += bytes;
    }
    return image;
}

} // namespace

QImage LoadCachedPicture(RenderState& r, const QString& path)
{
    const QFileInfo info(path);
    const QString key = u"file|"_s + info.absoluteFilePath() + u'|' + QString::number(info.size())
        + u'|' + QString::number(info.lastModified().toMSecsSinceEpoch());
    return Cached(r.Pictures, key, [&] { return LoadPicture(path, &r.Surfaces.Memory); });
}

namespace {
// Scaled copies up to this size are made; larger enlargements are drawn through the painter,
// which only touches the part that lands on the layer.
constexpr qint64 kMaxScaledPixels = 16LL * 1024 * 1024;

bool NearOwnSize(const QImage& picture, int W, int H)
{
    return std::abs(W - picture.width()) <= 1 && std::abs(H - picture.height()) <= 1;
}

// The 32-bit picture at W × H without resampling: a missing column or row is cut off, an extra
// one repeats the picture's last column or row.
QImage AtOwnSize(const QImage& picture, int W, int H)
{
    QImage shown = picture.copy(0, 0, W, H);
    const int w = picture.width();
    const int h = picture.height();
    if (W > w) {
        for (int y = 0; y < std::min(h, H); ++y) {
            auto* line = reinterpret_cast<QRgb*>(shown.scanLine(y));
            line[W - 1] = line[w - 1];
        }
    }
    if (H > h)
        std::memcpy(shown.scanLine(H - 1), shown.constScanLine(h - 1), std::size_t(W) * 4);
    return shown;
}

// The picture with the key colour (if any) made fully transparent, premultiplied, so that a
// smooth filter gives keyed pixels no weight at all. A picture's own transparency (GIF) is kept.
QImage Keyed(const QImage& picture, std::optional<QRgb> key)
{
    QImage keyed = picture.convertToFormat(QImage::Format_ARGB32);
    if (key) {
        for (int y = 0; y < keyed.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
            for (int x = 0; x < keyed.width(); ++x) {
                if ((line[x] & 0xFFFFFFU) == *key)
                    line[x] = 0U;
            }
        }
    }
    keyed.convertTo(QImage::Format_ARGB32_Premultiplied);
    return keyed;
}

// The picture enlarged to W × H by bilinear filtering, drawn straight into warm picture memory:
// within a few levels of Qt's smooth scaling at a fraction of its time, which matters for the
// full-screen pictures of a show's first slide.
QImage Enlarged(const PictureMemory& memory, const QImage& picture, int W, int H)
{
    QImage target = memory.NewPicture(QSize(W, H), picture.format());
    {
        QPainter p(&target);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(target.rect(), picture);
    }
    return target;
}

// Draws picture stretched to W × H at (X, Y) with smooth filtering (area averaging when
// shrinking). With memory, an enlargement is filtered bilinearly into it; without (at the
// slides' own 800×600, whose pixels stay exactly as they always were) Qt's smooth scaling does all.
// The scaled copy is kept under key (which names the picture, how it is keyed and its size).
void DrawScaled(QPainter& p, PictureCache& cache, const QString& key, const QImage& picture, int X,
    int Y, int W, int H, const PictureMemory* memory)
{
    const bool enlarging = memory && W >= picture.width() && H >= picture.height()
        && (picture.format() == QImage::Format_RGB32
            || picture.format() == QImage::Format_ARGB32_Premultiplied);
    // An opaque enlargement from the layer's corner (a show's background photo) is filtered
    // straight into the layer: the same computation as into a copy, so the same pixels, without
    // a screen-sized copy to make, fill and draw.
    if (enlarging && X == 0 && Y == 0 && p.compositionMode() == QPainter::CompositionMode_Source) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(QRect(X, Y, W, H), picture);
        return;
    }
    if (qint64(W) * H <= kMaxScaledPixels) {
        p.drawImage(X, Y, Cached(cache, key, [&] {
            return enlarging
                ? Enlarged(*memory, picture, W, H)
                : picture.scaled(W, H, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }));
    } else {
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(QRect(X, Y, W, H), picture);
    }
}

// The picture pixel nearest to the centre of target pixel t of n along an axis of m pixels.
int NearestSource(int t, int n, int m)
{
    return int(std::min<qint64>(m - 1, (2 * qint64(t) + 1) * m / (2 * qint64(n))));
}

// Draws the keyed, premultiplied picture scaled to W × H at (X, Y). Whether a target pixel is
// drawn follows its nearest picture pixel, so the cut-out keeps a hard edge as an unscaled one
// has; a drawn pixel takes the smoothly filtered colour of the unkeyed pixels, or the nearest
// pixel's own colour where those carry too little weight to be exact.
void DrawMaskedScaled(QImage& layer, const QImage& keyed, int X, int Y, int W, int H)
{
    if (qint64(W) * H > kMaxScaledPixels) {
        QPainter p(&layer);
        p.drawImage(QRect(X, Y, W, H), keyed); // nearest pixel: nothing to mix keyed pixels in
        return;
    }
    QImage smooth = keyed.scaled(W, H, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    smooth.convertTo(QImage::Format_ARGB32_Premultiplied);
    if (layer.format() != QImage::Format_RGB32 && layer.format() != QImage::Format_ARGB32)
        layer.convertTo(QImage::Format_RGB32);
    const int firstX = std::max(0, -X);
    const int endX = int(std::min<qint64>(W, qint64(layer.width()) - X));
    const int firstY = std::max(0, -Y);
    const int endY = int(std::min<qint64>(H, qint64(layer.height()) - Y));
    for (int ty = firstY; ty < endY; ++ty) {
        const auto* nearestLine = reinterpret_cast<const QRgb*>(
            keyed.constScanLine(NearestSource(ty, H, keyed.height())));
        const auto* smoothLine = reinterpret_cast<const QRgb*>(smooth.constScanLine(ty));
        auto* out = reinterpret_cast<QRgb*>(layer.scanLine(Y + ty));
        for (int tx = firstX; tx < endX; ++tx) {
            const QRgb nearest = nearestLine[NearestSource(tx, W, keyed.width())];
            if (qAlpha(nearest) < 128)
                continue;
            const QRgb filtered = qAlpha(smoothLine[tx]) >= 128 ? smoothLine[tx] : nearest;
            out[X + tx] = qUnpremultiply(filtered) | 0xFF000000U;
        }
    }
}

} // namespace

int DrawImageOnBitmap(RenderState& r, const QString& layer, int set, const QImage& picture,
    double XScale, double YScale, int X, int Y, int MaskX, int MaskY, DebugLog& log)
{
    DrawingSurface* s = FindSurfaceToDraw(r.Surfaces, layer, set);
    if (!s)
        return 0;
    if (s->Image.isNull() || picture.isNull())
        return 1;
    const int W = RoundToInt(XScale * picture.width() + 0.5);
    const int H = RoundToInt(YScale * picture.height() + 0.5);
    if (W <= 0 || H <= 0 || W > kMaxPictureSide || H > kMaxPictureSide)
        return 1;
    const bool masked = MaskX >= 1 && picture.valid(MaskX, MaskY);
    const bool ownAlpha = picture.hasAlphaChannel();
    const QImage source
        = picture.convertToFormat(ownAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    std::optional<QRgb> key;
    if (masked)
        key = source.pixel(MaskX, MaskY) & 0xFFFFFFU;
    if (r.RecordPaintSteps) {
        // On a printer the picture stays a picture, its cut-out made transparent.
        const QImage own = NearOwnSize(source, W, H) ? AtOwnSize(source, W, H) : source;
        s->Steps.push_back([picture = masked || ownAlpha ? Keyed(own, key) : own,
                               area = QRect(X, Y, W, H)](QPainter& q) {
            q.setRenderHint(QPainter::SmoothPixmapTransform, true);
            q.drawImage(area, picture);
        });
    }
    if (NearOwnSize(source, W, H)) {
        const QImage shown = AtOwnSize(source, W, H);
        if (masked && !ownAlpha) {
            TransparentBlt(s->Image, X, Y, W, H, shown, *key, log);
            return 1;
        }
        QPainter p(&s->Image);
        if (!masked && !ownAlpha)
            p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(X, Y, masked ? Keyed(shown, key) : shown);
        return 1;
    }
    const QString cacheKey = u"scaled|%1|%2|%3x%4"_s.arg(picture.cacheKey())
                                 .arg(masked ? qlonglong(*key) : -1)
                                 .arg(W)
                                 .arg(H);
    if (masked && r.Display.DisplayRatio == 1.0) {
        DrawMaskedScaled(s->Image, Keyed(source, key), X, Y, W, H);
        return 1;
    }
    // Larger than 800×600 a cut-out's edge is smoothed like any other picture's.
    QPainter p(&s->Image);
    if (!ownAlpha && !masked)
        p.setCompositionMode(QPainter::CompositionMode_Source);
    DrawScaled(p, r.Pictures, cacheKey, ownAlpha || masked ? Keyed(source, key) : source, X, Y, W,
        H, r.Display.DisplayRatio == 1.0 ? nullptr : &r.Surfaces.Memory);
    return 1;
}

} // namespace zentil
