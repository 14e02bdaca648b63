#include "render/DrawingSurfaces.h"

#include "base/DebugLog.h"

#include <QPainter>
#include <QThreadPool>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

void PrepareLayerMemoryAhead(const DrawingSurfaces& s, QSize layerSize, QThreadPool& pool)
{
    // The shared blank every layer starts as, and the background and the slide drawn on it.
    constexpr int kFirstSlidePictures = 3;
    pool.start([memory = s.Memory, layerSize] {
        memory.Prepare(layerSize, QImage::Format_RGB32, kFirstSlidePictures);
    });
}

DrawingSurface* FindSurface(DrawingSurfaces& s, const QString& layerName, int LocalResourceSet)
{
    const QString name = layerName.trimmed().toLower();
    if (name == u"foreground")
        return &s.Foreground;
    if (name == u"animation")
        return &s.Animation;
    if (LocalResourceSet < 1 || LocalResourceSet > 2)
        return nullptr;
    if (name == u"source")
        return &s.Source;
    if (name == u"background")
        return &s.Background;
    return nullptr;
}

DrawingSurface* FindSurfaceToDraw(
    DrawingSurfaces& s, const QString& layerName, int LocalResourceSet)
{
    DrawingSurface* surface = FindSurface(s, layerName, LocalResourceSet);
    if (surface && !surface->Image.isNull() && !surface->Image.isDetached())
        surface->Image = s.Memory.CopyOf(surface->Image);
    return surface;
}

QSize FittedSlideSize(QSizeF area)
{
    const double ratio = std::min(area.width() / kVirtualWidth, area.height() / kVirtualHeight);
    return QSize(std::max(1, RoundToInt(kVirtualWidth * ratio)),
        std::max(1, RoundToInt(kVirtualHeight * ratio)));
}

void SetDisplayRatio(DisplayMapping& d, DebugLog& log)
{
    d.DisplayRatio = d.ScreenWidth == kVirtualWidth && d.ScreenHeight == kVirtualHeight
        ? 1.0
        : std::min(d.ScreenWidth / double(kVirtualWidth), d.ScreenHeight / double(kVirtualHeight));
    d.XOffset = std::max(0, (d.ScreenWidth - RoundToInt(kVirtualWidth * d.DisplayRatio)) / 2);
    d.YOffset = std::max(0, (d.ScreenHeight - RoundToInt(kVirtualHeight * d.DisplayRatio)) / 2);
    ZT_DEBUG(
        log, TraceProcedures, "status", u"SetDisplayRatio = "_s + QString::number(d.DisplayRatio));
}

int ClampCoordinate(int v)
{
    return std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
}

int MapX(const DisplayMapping& d, double x)
{
    return ClampCoordinate(RoundToInt(RoundToInt(x * d.DisplayRatio) + double(d.XOffset)));
}

int MapY(const DisplayMapping& d, double y)
{
    return ClampCoordinate(RoundToInt(RoundToInt(y * d.DisplayRatio) + double(d.YOffset)));
}

int ScaledPixel(const DisplayMapping& d)
{
    return d.DisplayRatio == 1.0 ? 1 : std::max(1, RoundToInt(d.DisplayRatio));
}

namespace {

void PrepareSurface(
    DrawingSurface& surface, const QImage& blank, const GraphicsState& g, const SurfaceFont& font)
{
    surface.Image = blank;
    surface.BrushColor = g.EffectivePenColor;
    surface.Pen = SurfacePen { PenSolid, 1, g.EffectivePenColor };
    surface.Font = font;
    surface.Steps.clear();
}

} // namespace

void CreateLayers(DrawingSurfaces& s, const DisplayMapping& d, const GraphicsState& g,
    const SurfaceFont& initialFont, DebugLog& log)
{
    ZT_TRACE_SCOPE(log, u"CreateZTBitmaps"_s);
    s.Width = d.ScreenWidth;
    s.Height = d.ScreenHeight;
    // One black picture shared by the four until each is drawn on: a layer of a large screen
    // costs milliseconds to clear, and most are replaced by a copy of another before that.
    QImage blank = s.Memory.NewPicture(QSize(s.Width, s.Height), QImage::Format_RGB32);
    blank.fill(Qt::black);
    PrepareSurface(s.Foreground, blank, g, initialFont);
    PrepareSurface(s.Animation, blank, g, initialFont);
    PrepareSurface(s.Source, blank, g, initialFont);
    PrepareSurface(s.Background, blank, g, initialFont);
}

void DeleteLayers(DrawingSurfaces& s, DebugLog& log)
{
    ZT_TRACE_SCOPE(log, u"DeleteZTBitmaps"_s);
    DrawingSurfaces deleted;
    deleted.Width = s.Width;
    deleted.Height = s.Height;
    deleted.Memory = s.Memory;
    s = std::move(deleted);
}

namespace {

// A layer copy keeps the target's size: the copy covers the window's inner area only.
void CopyLayer(const DrawingSurface& from, DrawingSurface& to)
{
    if (from.Image.isNull() || to.Image.isNull())
        return;
    to.Steps = from.Steps;
    if (from.Image.size() == to.Image.size())
        to.Image = from.Image; // shared until either side draws
    else
        to.Image = from.Image.copy(to.Image.rect());
}

} // namespace

void CopyBackToSource(DrawingSurfaces& s, int LocalResourceSet, DebugLog& log)
{
    ZT_DEBUG(log, TraceProcedures, "status",
        u"CopyBackToSource - LocalResourceSet = "_s + QString::number(LocalResourceSet));
    const DrawingSurface* from = FindSurface(s, u"background"_s, LocalResourceSet);
    DrawingSurface* to = FindSurface(s, u"source"_s, LocalResourceSet);
    if (from && to)
        CopyLayer(*from, *to);
}

void CopySourceToAnimation(DrawingSurfaces& s, int LocalResourceSet, DebugLog& log)
{
    ZT_DEBUG(log, TraceProcedures, "status",
        u"CopySourceToAnimation - LocalResourceSet = "_s + QString::number(LocalResourceSet));
    if (const DrawingSurface* from = FindSurface(s, u"source"_s, LocalResourceSet))
        CopyLayer(*from, s.Animation);
}

void CopyAnimationToDisplay(DrawingSurfaces& s, DebugLog& log)
{
    ZT_DEBUG(log, TraceProcedures, "status", u"CopyAnimationToDisplay"_s);
    CopyLayer(s.Animation, s.Foreground);
}

void PaintLayerSteps(QPainter& p, const DrawingSurface& layer, const QRectF& target)
{
    if (layer.Image.isNull() || target.isEmpty())
        return;
    const QRectF own(layer.Image.rect());
    p.save();
    p.translate(target.topLeft());
    p.scale(target.width() / own.width(), target.height() / own.height());
    p.setClipRect(own, Qt::IntersectClip);
    p.fillRect(own, Qt::black);
    for (const PaintStep& step : layer.Steps) {
        p.save();
        step(p);
        p.restore();
    }
    p.restore();
}

void TransparentBlt(QImage& dest, int DestX, int DestY, int Width, int Height, const QImage& source,
    QRgb TransparentColor, DebugLog& log)
{
    ZT_TRACE_SCOPE(log, u"TransparentBlt"_s);
    if (dest.isNull() || source.isNull())
        return;
    const QImage src
        = source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
        ? source
        : source.convertToFormat(QImage::Format_RGB32);
    if (dest.format() != QImage::Format_RGB32 && dest.format() != QImage::Format_ARGB32)
        dest = dest.convertToFormat(QImage::Format_RGB32);
    const QRgb key = qRgb(int(TransparentColor & 0xFF), int((TransparentColor >> 8) & 0xFF),
        int((TransparentColor >> 16) & 0xFF));
    // Clip against both pictures.
    const int x0 = std::max({ 0, -DestX });
    const int y0 = std::max({ 0, -DestY });
    const int x1 = std::min({ Width, src.width(), dest.width() - DestX });
    const int y1 = std::min({ Height, src.height(), dest.height() - DestY });
    for (int y = y0; y < y1; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(dest.scanLine(y + DestY));
        for (int x = x0; x < x1; ++x) {
            if ((in[x] & 0xFFFFFFU) != (key & 0xFFFFFFU))
                out[x + DestX] = in[x] | 0xFF000000U;
        }
    }
}

} // namespace zentil
