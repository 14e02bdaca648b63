#pragma once

#include <QColor>
#include <QString>

#include <cstdint>

namespace zentil {

class DebugLog;

// Colours are QRgb values, opaque. The trace writes them as the scripts' classic colour values
// (0x00BBGGRR, red in the low byte).
inline QColor ToQColor(QRgb c)
{
    return QColor::fromRgb(c);
}
inline std::uint32_t ClassicColorValue(QRgb c)
{
    return std::uint32_t(qRed(c)) | std::uint32_t(qGreen(c)) << 8 | std::uint32_t(qBlue(c)) << 16;
}
inline constexpr QRgb kBlackRgb = 0xFF000000U;
inline constexpr QRgb kWhiteRgb = 0xFFFFFFFFU;

// Pen styles of the drawing routines.
enum PenStyles : int {
    PenSolid = 0, // an outline in EffectivePenColor
    PenNull = 5, // no outline at all
};

// The interpreter's pen, fill and font settings. One instance is shared by all layers; the
// callers reset the pen part before every command line (InitializeGraphics) and the font part
// before each script and at every /FONT (InitializeFont).
struct GraphicsState {
    QRgb PenColor = kBlackRgb;
    int PenWidth = 1; // as the script gives it
    int ScaledPenWidth = 1;
    QRgb EffectivePenColor = kBlackRgb;
    int PenStyle = PenSolid;
    bool DoFill = false;
    QRgb FillColor = kWhiteRgb;
    bool DoBlend = false;
    QRgb BlendColor = kBlackRgb;
    // The pen width a width of 1 has on the layers (1 at 800×600); set with the layers' size.
    int UnitPenWidth = 1;

    QString FontName = QStringLiteral("Arial");
    int FontSize = 12;
    int ScaledFontSize = 12;
    QRgb FontColor = kBlackRgb;
    int FontAngle = 0; // tenths of a degree, counter-clockwise
    int FontBold = 100; // the requested weight: 100 or 700
    int FontItalics = 0;
    int FontUnderline = 0;
    int FontStrikeout = 0;
    int ShadowOffsetX = 0;
    int ShadowOffsetY = 0;
    QRgb ShadowColor = kBlackRgb;
    bool DoShadow = false;

    bool operator==(const GraphicsState&) const = default;
};

// The font part of GraphicsState, saved and restored around a background redraw.
struct FontSettings {
    bool DoShadow;
    int FontAngle;
    int FontBold;
    QRgb FontColor;
    QString FontName;
    int FontSize;
    int FontItalics;
    int FontUnderline;
    int FontStrikeout;
    QRgb ShadowColor;
    int ShadowOffsetX;
    int ShadowOffsetY;
    int ScaledFontSize;
};

FontSettings SaveFontSettings(const GraphicsState& g);
void RestoreFontSettings(GraphicsState& g, const FontSettings& saved);

void InitializeGraphics(GraphicsState& g, DebugLog& log);
void InitializeFont(GraphicsState& g, DebugLog& log);

// Percentages (clamped to 0..100) to a colour; each channel is round(percent × 2.55).
QRgb PercentRGB(double red, double green, double blue);

// Round half to even, saturated to the 32-bit range (scripts may hold any number).
int RoundToInt(double value);

} // namespace zentil
