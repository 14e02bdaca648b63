#include "render/DrawingCommands.h"

#include "base/DebugLog.h"
#include "render/DrawingRoutines.h"
#include "render/RenderState.h"

#include <QFileInfo>
#include <QSvgRenderer>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

QString CommandTokens::ReadToken()
{
    Rest = Rest.trimmed();
    QString token;
    if (Rest.startsWith(u'\'')) {
        const qsizetype close = Rest.indexOf(u'\'', 1);
        if (close < 0) {
            token = Rest.mid(1);
            Rest.clear();
        } else {
            token = Rest.mid(1, close - 1);
            Rest = Rest.mid(close + 1);
        }
        return token;
    }
    const qsizetype space = Rest.indexOf(u' ');
    if (space < 0) {
        token = Rest;
        Rest.clear();
    } else {
        token = Rest.left(space).trimmed();
        Rest = Rest.mid(space + 1);
    }
    return token;
}

namespace {

int HexDigit(QChar c)
{
    const char16_t ch = c.unicode();
    if (ch >= u'0' && ch <= u'9')
        return ch - u'0';
    if (ch >= u'a' && ch <= u'f')
        return ch - u'a' + 10;
    if (ch >= u'A' && ch <= u'F')
        return ch - u'A' + 10;
    return -1;
}

} // namespace

double ReadScriptNumber(QStringView token)
{
    token = token.trimmed();
    if (token.size() > 2 && token[0] == u'&' && (token[1] == u'h' || token[1] == u'H')) {
        double value = 0.0;
        bool any = false;
        for (qsizetype i = 2; i < token.size(); ++i) {
            const int digit = HexDigit(token[i]);
            if (digit < 0)
                break;
            value = value * 16 + digit;
            any = true;
        }
        return any ? value : 0.0;
    }
    qsizetype i = 0;
    if (i < token.size() && (token[i] == u'+' || token[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    auto isDigit
        = [&](qsizetype k) { return k < token.size() && token[k] >= u'0' && token[k] <= u'9'; };
    while (isDigit(i)) {
        ++i;
        ++digits;
    }
    if (i < token.size() && token[i] == u'.') {
        ++i;
        while (isDigit(i)) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    bool ok = false;
    const double value = token.left(i).toDouble(&ok);
    return ok ? value : 0.0;
}

QRgb CommandTokens::ReadColor()
{
    const QString first = ReadToken();
    if (first.startsWith(u'#')) {
        QRgb rgb = 0;
        int count = 0;
        for (qsizetype i = 1; i < first.size() && count < 6; ++i, ++count) {
            const int digit = HexDigit(first[i]);
            if (digit < 0)
                break;
            rgb = rgb * 16 + QRgb(digit);
        }
        rgb <<= 4 * (6 - count); // a short value is read as its leading digits
        return rgb | 0xFF000000U;
    }
    const double red = ReadScriptNumber(first);
    const double green = ReadScriptNumber(ReadToken());
    const double blue = ReadScriptNumber(ReadToken());
    return PercentRGB(red, green, blue);
}

namespace {

QString Hex(QRgb c)
{
    return QString::number(ClassicColorValue(c), 16).toUpper();
}

QString TrueFalse(bool b)
{
    return b ? u"True"_s : u"False"_s;
}

void TraceGraphicsState(DebugLog& log, const GraphicsState& g, bool after)
{
    if (!(log.DebugMode && log.Switches.TraceDrawing))
        return;
    const QString hexEnd = after ? u"&"_s : QString();
    log.WriteDebug(u"status"_s,
        u"PenColor = &h"_s + Hex(g.PenColor) + u"&; penwidth  = "_s + QString::number(g.PenWidth));
    log.WriteDebug(u"status"_s,
        u"DoFill = "_s + TrueFalse(g.DoFill) + u"; FillColor = &h"_s + Hex(g.FillColor) + u"&"_s);
    log.WriteDebug(u"status"_s,
        u"DoBlend = "_s + TrueFalse(g.DoBlend) + u"; BlendColor = &h"_s + Hex(g.BlendColor)
            + u"&"_s);
    log.WriteDebug(u"status"_s,
        u"FontName = "_s + g.FontName + u"; FontSize  = "_s + QString::number(g.FontSize)
            + u"; FontColor = &h"_s + Hex(g.FontColor) + hexEnd + u"; FontAngle = "_s
            + QString::number(g.FontAngle));
    log.WriteDebug(u"status"_s,
        u"FontBold = "_s + TrueFalse(g.FontBold != 100) + u"; FontItalics = "_s
            + TrueFalse(g.FontItalics != 0));
    log.WriteDebug(u"status"_s,
        u"FontUnderline = "_s + TrueFalse(g.FontUnderline != 0) + u"; fontstrikeout = "_s
            + TrueFalse(g.FontStrikeout != 0));
    log.WriteDebug(u"status"_s,
        u"DoShadow = "_s + TrueFalse(g.DoShadow) + u"; ShadowColor = &h"_s + Hex(g.ShadowColor)
            + hexEnd + u"; ("_s + QString::number(g.ShadowOffsetX) + u","_s
            + QString::number(g.ShadowOffsetY) + u")"_s);
}

// The argument text of a command: upper-cased unless asked otherwise, its first and last
// characters (normally a brace pair) removed.
QString ArgumentText(const QString& rest, bool keepCase)
{
    QString text = rest.trimmed();
    if (!keepCase)
        text = text.toUpper();
    return text.size() >= 2 ? text.mid(1, text.size() - 2) : QString();
}

int ReadX(RenderState& r, CommandTokens& t)
{
    return MapX(r.Display, ReadScriptNumber(t.ReadToken()));
}

int ReadY(RenderState& r, CommandTokens& t)
{
    return MapY(r.Display, ReadScriptNumber(t.ReadToken()));
}

// The pen, fill and blend options of the shape commands. Returns false for an unknown word.
bool ReadShapeOption(RenderState& r, CommandTokens& t, const QString& word, bool lineRule)
{
    GraphicsState& g = r.Graphics;
    if (word == u"PENWIDTH") {
        g.PenWidth = RoundToInt(ReadScriptNumber(t.ReadToken()));
        g.ScaledPenWidth = r.Display.DisplayRatio == 1.0
            ? g.PenWidth
            : RoundToInt(r.Display.DisplayRatio * g.PenWidth);
        if (lineRule) {
            // A line of width 0 is drawn with an invisible pen.
            if (g.ScaledPenWidth == 0) {
                g.ScaledPenWidth = 1;
                g.PenStyle = PenNull;
            } else {
                g.PenStyle = PenSolid;
            }
        }
    } else if (word == u"PENCOLOR") {
        g.PenColor = t.ReadColor();
        g.EffectivePenColor = g.PenColor;
    } else if (word == u"FILL") {
        g.FillColor = t.ReadColor();
        g.DoFill = true;
    } else if (word == u"NOFILL") {
        g.DoFill = false;
    } else if (word == u"BLEND") {
        g.BlendColor = t.ReadColor();
        g.DoBlend = true;
    } else if (word == u"NOBLEND") {
        g.DoBlend = false;
    } else {
        return false;
    }
    return true;
}

void ReadShapeOptions(RenderState& r, CommandTokens& t, bool lineRule)
{
    while (!t.AtEnd())
        ReadShapeOption(r, t, t.ReadToken().toUpper(), lineRule);
}

enum class Shape { Box, Oval, Line };

void RunShape(RenderState& r, CommandTokens& t, const QString& layer, Shape shape)
{
    if (shape != Shape::Line)
        r.Graphics.PenStyle = PenSolid;
    const int x1 = ReadX(r, t);
    const int y1 = ReadY(r, t);
    const int x2 = ReadX(r, t);
    const int y2 = ReadY(r, t);
    ReadShapeOptions(r, t, shape == Shape::Line);
    switch (shape) {
    case Shape::Box:
        DrawBoxOnBitmap(r, layer, 1, x1, y1, x2, y2);
        break;
    case Shape::Oval:
        DrawOvalOnBitmap(r, layer, 1, x1, y1, x2, y2);
        break;
    case Shape::Line:
        DrawLineOnBitmap(r, layer, 1, x1, y1, x2, y2);
        break;
    }
}

constexpr int kPointBufferSize = 101;

// The point list ends at the first coordinate that reads as 0; that token is the first option.
void RunPointShape(RenderState& r, CommandTokens& t, const QString& layer, bool polygon)
{
    r.Graphics.PenStyle = PenSolid;
    r.Graphics.DoBlend = false;
    QList<QPoint> points;
    QString ending;
    for (;;) {
        const QString xToken = t.ReadToken();
        const double x = ReadScriptNumber(xToken);
        if (x == 0.0) {
            ending = xToken;
            break;
        }
        const QString yToken = t.ReadToken();
        const double y = ReadScriptNumber(yToken);
        if (y == 0.0) {
            ending = yToken;
            break;
        }
        if (points.size() < kPointBufferSize)
            points.append(QPoint(MapX(r.Display, x), MapY(r.Display, y)));
    }
    ReadShapeOption(r, t, ending.toUpper(), false);
    ReadShapeOptions(r, t, false);
    if (polygon)
        DrawPolygonOnBitmap(r, layer, 1, points);
    else
        DrawPolylineOnBitmap(r, layer, 1, points);
}

void RunFont(RenderState& r, CommandTokens& t, const QString& layer, DebugLog& log)
{
    GraphicsState& g = r.Graphics;
    InitializeFont(g, log);
    const double ratio = r.Display.DisplayRatio;
    // Sizes, offsets and angles are held to the range coordinates are, so nothing computed from
    // them can overflow.
    auto offset = [ratio](double v) {
        return ClampCoordinate(ratio == 1.0 ? RoundToInt(v) : RoundToInt(ratio * v));
    };
    while (!t.AtEnd()) {
        const QString word = t.ReadToken().toUpper();
        if (word == u"BOLD")
            g.FontBold = 700;
        else if (word == u"ITALICS")
            g.FontItalics = 1;
        else if (word == u"NOITALICS")
            g.FontItalics = 0;
        else if (word == u"UNDERLINE")
            g.FontUnderline = 1;
        else if (word == u"NOUNDERLINE")
            g.FontUnderline = 0;
        else if (word == u"STRIKEOUT")
            g.FontStrikeout = 1;
        else if (word == u"NOSTRIKEOUT")
            g.FontStrikeout = 0;
        else if (word == u"FACE")
            g.FontName = t.ReadToken();
        else if (word == u"SIZE") {
            g.FontSize = ClampCoordinate(RoundToInt(ReadScriptNumber(t.ReadToken())));
            g.ScaledFontSize = ClampCoordinate(RoundToInt(ratio * g.FontSize));
        } else if (word == u"COLOR")
            g.FontColor = t.ReadColor();
        else if (word == u"SHADOW") {
            g.ShadowOffsetX = offset(ReadScriptNumber(t.ReadToken()));
            g.ShadowOffsetY = offset(ReadScriptNumber(t.ReadToken()));
            g.ShadowColor = t.ReadColor();
            g.DoShadow = true;
        } else if (word == u"ANGLE")
            g.FontAngle = ClampCoordinate(RoundToInt(ReadScriptNumber(t.ReadToken()) * 10));
        // NOBOLD and NOSHADOW only restate the defaults; other words are skipped.
    }
    SetFontForBitmap(r, layer, 1, log);
}

void RunText(RenderState& r, CommandTokens& t, const QString& layer, DebugLog& log)
{
    const int x = ReadX(r, t);
    const int y = ReadY(r, t);
    const QString alignment = t.ReadToken().toUpper();
    // An unknown alignment word is taken as left-justified at the point, so the text is not
    // thrown into the layer's corner.
    int flags = TextAlignLeft;
    if (alignment == u"CJ")
        flags = TextAlignCentre;
    else if (alignment == u"RJ")
        flags = TextAlignRight;
    DrawTextOnBitmap(
        r, layer, 1, t.Rest, x, y, r.Graphics.ShadowOffsetX, r.Graphics.ShadowOffsetY, flags, log);
}

void RunImage(RenderState& r, const DrawingEnvironment& env, CommandTokens& t, const QString& layer,
    DebugLog& log)
{
    const double ratio = r.Display.DisplayRatio;
    double XScale = ratio;
    double YScale = ratio;
    double Scale = ratio;
    int MaskX = -1;
    int MaskY = -1;
    const int x = ReadX(r, t);
    const int y = ReadY(r, t);
    const QString name = t.ReadToken();
    const QString file = env.ResolveResource ? env.ResolveResource(name) : QString();
    if (file.isEmpty()) {
        if (env.ResourceMissing)
            env.ResourceMissing(name);
        return;
    }
    const bool vector = IsVectorPicture(file);
    QImage picture;
    if (!vector && QFileInfo::exists(file))
        picture = LoadCachedPicture(r, file);
    if (vector ? !QSvgRenderer(file).isValid() : picture.isNull()) {
        if (env.PictureUnreadable && QFileInfo::exists(file))
            env.PictureUnreadable(name, PictureProblem(file));
        if (env.ResourceMissing)
            env.ResourceMissing(name);
    }
    while (!t.AtEnd()) {
        const QString word = t.ReadToken().toUpper();
        if (word == u"XSIZE")
            XScale = ReadScriptNumber(t.ReadToken()) * ratio;
        else if (word == u"YSIZE")
            YScale = ReadScriptNumber(t.ReadToken()) * ratio;
        else if (word == u"SIZE")
            Scale = ReadScriptNumber(t.ReadToken()) * ratio;
        else if (word == u"MASK") {
            MaskX = RoundToInt(ReadScriptNumber(t.ReadToken()) * ratio);
            MaskY = RoundToInt(ReadScriptNumber(t.ReadToken()) * ratio);
        }
    }
    if (Scale != ratio) {
        XScale = Scale;
        YScale = Scale;
    }
    if (vector)
        DrawVectorPictureOnBitmap(r, layer, 1, file, XScale, YScale, x, y);
    else
        DrawImageOnBitmap(r, layer, 1, picture, XScale, YScale, x, y, MaskX, MaskY, log);
}

} // namespace

void ExecuteDrawingCommand(RenderState& r, const DrawingEnvironment& env, DebugLog& log,
    const QString& ScriptLine, const QString& LayerName, int LocalResourceSet,
    int BackgroundIndexRef)
{
    Q_UNUSED(LocalResourceSet); // every command draws with resource set 1
    ZT_DEBUG(log, TraceDrawing, "status", QString());
    TraceGraphicsState(log, r.Graphics, false);
    const QString layer = LayerName.trimmed().toLower();
    CommandTokens t(ScriptLine);
    const QString command = t.ReadToken().toUpper();
    if (command == u"/BACKGROUND") {
        if (env.BackgroundCommand)
            env.BackgroundCommand(BackgroundIndexRef);
        else
            CopyBackToSource(r.Surfaces, 1, log);
    } else if (command == u"/SOURCE") {
        CopySourceToAnimation(r.Surfaces, 1, log);
    } else {
        t.Rest = ArgumentText(t.Rest, command == u"/TEXT");
        if (command == u"/BOX")
            RunShape(r, t, layer, Shape::Box);
        else if (command == u"/OVAL")
            RunShape(r, t, layer, Shape::Oval);
        else if (command == u"/LINE")
            RunShape(r, t, layer, Shape::Line);
        else if (command == u"/POLYGON")
            RunPointShape(r, t, layer, true);
        else if (command == u"/POLYLINE")
            RunPointShape(r, t, layer, false);
        else if (command == u"/FONT")
            RunFont(r, t, layer, log);
        else if (command == u"/TEXT")
            RunText(r, t, layer, log);
        else if (command == u"/IMAGE")
            RunImage(r, env, t, layer, log);
        // /SCRIBBLE, /PEN, /SETMARK, /WAITUNTIL, /PLAY and unknown words draw nothing.
    }
    TraceGraphicsState(log, r.Graphics, true);
}

} // namespace zentil
