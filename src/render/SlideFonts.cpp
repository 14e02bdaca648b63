#include "render/SlideFonts.h"

#include "base/DebugLog.h"
#include "base/FileRemoval.h"
#include "render/RenderState.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontMetricsF>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

void AddPrivateFont(
    PrivateFontList& fonts, const QString& fontFolder, const QString& FileName, DebugLog& log)
{
    ZT_TRACE_SCOPE(log, u"AddPrivateFont"_s);
    if (FileName.right(4).toLower() == u".ttf") {
        if (fonts.PrivateFontCount >= fonts.PrivateFontCapacity) {
            fonts.PrivateFontCapacity += 10;
            fonts.PrivateFonts.resize(fonts.PrivateFontCapacity);
        }
        fonts.PrivateFonts[fonts.PrivateFontCount] = FileName;
        ++fonts.PrivateFontCount;
        fonts.ApplicationFontIds.append(
            QFontDatabase::addApplicationFont(QDir(fontFolder).filePath(FileName)));
    }
}

bool FindFontFile(const PrivateFontList& fonts, const QString& FileName, DebugLog& log)
{
    ZT_TRACE_SCOPE(log, u"FindFontFile"_s);
    bool found = false;
    for (int i = 0; i < fonts.PrivateFontCount && !found; ++i)
        found = fonts.PrivateFonts[i] == FileName;
    return found;
}

void DeletePrivateFonts(PrivateFontList& fonts, const QString& fontFolder, DebugLog& log)
{
    ZT_TRACE_SCOPE(log, u"DeletePrivateFonts"_s);
    if (fonts.PrivateFontCapacity > 0) {
        for (int id : std::as_const(fonts.ApplicationFontIds)) {
            if (id >= 0)
                QFontDatabase::removeApplicationFont(id);
        }
        for (int i = 0; i < fonts.PrivateFontCount; ++i) {
            const QString path = QDir(fontFolder).filePath(fonts.PrivateFonts[i]);
            RemoveFileForced(path);
        }
    }
    fonts = PrivateFontList {};
}

namespace {

// Faces the scripts name that this platform provides as metric-compatible twins.
QString ResolveFace(const QString& face)
{
    const QString key = face.trimmed().toLower();
    if (key == u"arial")
        return u"Liberation Sans"_s;
    if (key == u"times" || key == u"times new roman")
        return u"Liberation Serif"_s;
    if (key == u"courier" || key == u"courier new")
        return u"Liberation Mono"_s;
    return face.trimmed();
}

QFont BaseFont(const QString& family, bool bold, bool italic)
{
    QFont font(family);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    font.setKerning(false); // text is measured and placed like the classic renderer: no kerning
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferOutline);
    return font;
}

double CellPerEm(FontFaceCache& cache, const QString& family, bool bold, bool italic)
{
    const QString key = family.toLower() + (bold ? u"|b"_s : u"|r"_s) + (italic ? u"i"_s : u""_s);
    if (const auto it = cache.CellPerEm.constFind(key); it != cache.CellPerEm.constEnd())
        return it.value();
    constexpr int kProbeSize = 1000;
    QFont probe = BaseFont(family, bold, italic);
    probe.setPixelSize(kProbeSize);
    const QFontMetricsF metrics(probe);
    double ratio = (metrics.ascent() + metrics.descent()) / kProbeSize;
    if (!(ratio > 0.5 && ratio < 3.0))
        ratio = 1.0;
    cache.CellPerEm.insert(key, ratio);
    return ratio;
}

} // namespace

SurfaceFont CreateCellHeightFont(FontFaceCache& cache, const QString& face, int cellHeight,
    int weight, bool italic, bool underline, bool strikeOut, int escapement)
{
    const QString family = ResolveFace(face);
    const bool bold = weight >= 600;
    QFont font = BaseFont(family, bold, italic);
    // A height of 0 asks for the renderer's default size; a negative one is an em size, as
    // with the classic font call.
    int emPixels = 0;
    if (cellHeight > 0)
        emPixels = RoundToInt(cellHeight / CellPerEm(cache, family, bold, italic));
    else if (cellHeight < 0)
        emPixels = int(std::min<qint64>(-qint64(cellHeight), 4000));
    else
        emPixels = RoundToInt(16 / CellPerEm(cache, family, bold, italic));
    font.setPixelSize(std::clamp(emPixels, 1, 4000));
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    return SurfaceFont { font, escapement };
}

void SetFontForBitmap(RenderState& r, const QString& LayerName, int LocalResourceSet, DebugLog& log)
{
    ZT_DEBUG(log, TraceProcedures, "status",
        u"SetFontForBitmap - LocalResourceSet = "_s + QString::number(LocalResourceSet));
    DrawingSurface* surface = FindSurface(r.Surfaces, LayerName, LocalResourceSet);
    if (!surface)
        return;
    const GraphicsState& g = r.Graphics;
    surface->Font = CreateCellHeightFont(r.FaceCache, g.FontName, g.ScaledFontSize, g.FontBold,
        g.FontItalics != 0, g.FontUnderline != 0, g.FontStrikeout != 0, g.FontAngle);
}

} // namespace zentil
