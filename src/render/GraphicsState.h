#pragma once

#include <QColor>
#include <QString>

#include <cstdint>

namespace zentil {

class DebugLog;

// A colour as scripts and the model hold it: 0x00BBGGRR, red in the low byte.
using ColorValue = std::uint32_t;

inline QColor ToQColor(ColorValue c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// Pen styles of the drawing routines.
enum PenStyles : int {
    PenSolid = 0, // an outline in EffectivePenColor
    PenNull = 5, // no outline at all
};

// The interpreter's pen, fill and font settings. One instance is shared by all layers; the
// callers reset the pen part before every command line (InitializeGraphics) and the font part
// before each script and at every /FONT (InitializeFont).
struct GraphicsState {
    ColorValue PenColor = 0;
    int penwidth = 1;
    int ScaledPenWidth = 1;
    ColorValue EffectivePenColor = 0;
    int PenStyle = PenSolid;
    bool DoFill = false;
    ColorValue FillColor = 0xFFFFFF;
    bool DoBlend = false;
    ColorValue BlendColor = 0;
    // The pen width a width of 1 has on the layers (1 at 800×600); set with the layers' size.
    int UnitPenWidth = 1;

    QString FontName = QStringLiteral("Arial");
    int FontSize = 12;
    int ScaledFontSize = 12;
    ColorValue FontColor = 0;
    int FontAngle = 0; // tenths of a degree, counter-clockwise
    int FontBold = 100; // the requested weight: 100 or 700
    int FontItalics = 0;
    int FontUnderline = 0;
    int fontstrikeout = 0;
    int ShadowOffsetX = 0;
    int ShadowOffsetY = 0;
    ColorValue ShadowColor = 0;
    bool DoShadow = false;
};

// The font part of GraphicsState, saved and restored around a background redraw.
struct FontSettings {
    bool DoShadow;
    int FontAngle;
    int FontBold;
    ColorValue FontColor;
    QString FontName;
    int FontSize;
    int FontItalics;
    int FontUnderline;
    int fontstrikeout;
    ColorValue ShadowColor;
    int ShadowOffsetX;
    int ShadowOffsetY;
    int ScaledFontSize;
};

FontSettings SaveFontSettings(const GraphicsState& g);
void RestoreFontSettings(GraphicsState& g, const FontSettings& saved);

void InitializeGraphics(GraphicsState& g, DebugLog& log);
void InitializeFont(GraphicsState& g, DebugLog& log);

// Percentages (clamped to 0..100) to a colour; each channel is round(percent × 2.55).
ColorValue PercentRGB(double red, double green, double blue);

// Round half to even, saturated to the 32-bit range (scripts may hold any number).
int RoundToInt(double value);

} // namespace zentil
