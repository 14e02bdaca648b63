#include "render/GraphicsState.h"

#include "base/DebugLog.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

int RoundToInt(double value)
{
    if (std::isnan(value))
        return 0;
    const double r = std::nearbyint(value);
    if (r >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (r <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(r);
}

QRgb PercentRGB(double red, double green, double blue)
{
    auto channel = [](double percent) {
        const double p = std::clamp(std::isnan(percent) ? 0.0 : percent, 0.0, 100.0);
        return std::min(RoundToInt(p * 255.0 / 100.0), 255);
    };
    return qRgb(channel(red), channel(green), channel(blue));
}

void InitializeGraphics(GraphicsState& g, DebugLog& log)
{
    g.DoBlend = false;
    g.DoFill = false;
    g.FillColor = kWhiteRgb;
    g.BlendColor = kBlackRgb;
    g.PenColor = kBlackRgb;
    g.PenWidth = 1;
    g.EffectivePenColor = g.PenColor;
    g.ScaledPenWidth = g.UnitPenWidth;
    g.PenStyle = PenSolid;
    ZT_DEBUG(log, TraceDrawing, "status", u"InitializeGraphics"_s);
}

void InitializeFont(GraphicsState& g, DebugLog& log)
{
    g.DoShadow = false;
    g.FontAngle = 0;
    g.FontBold = 100;
    g.FontColor = kBlackRgb;
    g.FontName = u"Arial"_s;
    g.FontSize = 12;
    g.FontItalics = 0;
    g.FontStrikeout = 0;
    g.FontUnderline = 0;
    g.ShadowOffsetX = 0;
    g.ShadowOffsetY = 0;
    g.ShadowColor = kBlackRgb;
    g.ScaledFontSize = g.FontSize;
    ZT_DEBUG(log, TraceDrawing, "status", u"InitializeFont"_s);
}

FontSettings SaveFontSettings(const GraphicsState& g)
{
    return FontSettings { g.DoShadow, g.FontAngle, g.FontBold, g.FontColor, g.FontName, g.FontSize,
        g.FontItalics, g.FontUnderline, g.FontStrikeout, g.ShadowColor, g.ShadowOffsetX,
        g.ShadowOffsetY, g.ScaledFontSize };
}

void RestoreFontSettings(GraphicsState& g, const FontSettings& s)
{
    g.DoShadow = s.DoShadow;
    g.FontAngle = s.FontAngle;
    g.FontBold = s.FontBold;
    g.FontColor = s.FontColor;
    g.FontName = s.FontName;
    g.FontSize = s.FontSize;
    g.FontItalics = s.FontItalics;
    g.FontUnderline = s.FontUnderline;
    g.FontStrikeout = s.FontStrikeout;
    g.ShadowColor = s.ShadowColor;
    g.ShadowOffsetX = s.ShadowOffsetX;
    g.ShadowOffsetY = s.ShadowOffsetY;
    g.ScaledFontSize = s.ScaledFontSize;
}

} // namespace zentil
