#include "RenderTestSupport.h"

#include "render/DrawingRoutines.h"
#include "support/TestFiles.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {
constexpr QRgb kBlue = 0x0000FF;
constexpr QRgb kBlack = 0x000000;
constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kRed = 0xFF0000;
} // namespace

class tst_DrawingCommands : public QObject {
    Q_OBJECT

private:
    // Paints the whole source layer blue so that every drawn pixel is visible.
    static void ClearBlue(RenderFixture& f)
    {
        f.Run(u"/box {0 0 800 600 fill 0 0 100 penwidth 0}"_s);
    }

private Q_SLOTS:
    void tokens_quotesNumbersAndColours();
    void box_fillOutlineAndLayerExtent();
    void box_blendedRunsFromBlendToFillWithoutOutline();
    void line_widthColourAndLastPixel();
    void polygon_triangleAndZeroEndsList();
    void oval_staysInsideItsBox();
    void font_startsFromDefaultsAndQuotesFaces();
    void font_cellHeightAndTwins();
    void text_shadowPassAndAlignment();
    void text_angleTurnsTheBaseline();
    void trace_writesTheGraphicsState();
    void image_sizesAndMask();
    void image_missingResourceDrawsNothing();
    void hostileLines_areSkippedSafely();
};

void tst_DrawingCommands::tokens_quotesNumbersAndColours()
{
    CommandTokens t(u"  a   'Times New Roman' b 'open end"_s);
    QCOMPARE(t.ReadToken(), u"a"_s);
    QCOMPARE(t.ReadToken(), u"Times New Roman"_s);
    QCOMPARE(t.ReadToken(), u"b"_s);
    QCOMPARE(t.ReadToken(), u"open end"_s);
    QVERIFY(t.AtEnd());
    QCOMPARE(t.ReadToken(), QString());

    QCOMPARE(ReadScriptNumber(u"12abc"), 12.0);
    QCOMPARE(ReadScriptNumber(u"-3.5x"), -3.5);
    QCOMPARE(ReadScriptNumber(u"abc"), 0.0);
    QCOMPARE(ReadScriptNumber(u"&hFF"), 255.0);
    QCOMPARE(ReadScriptNumber(u"&h1g"), 1.0);
    QCOMPARE(ReadScriptNumber(u""), 0.0);

    CommandTokens hex(u"#FF8000 rest"_s);
    QCOMPARE(hex.ReadColor(), qRgb(255, 128, 0)); // red 255, green 128, blue 0
    QCOMPARE(hex.ReadToken(), u"rest"_s);
    CommandTokens clamped(u"150 -5 50"_s);
    QCOMPARE(clamped.ReadColor(), qRgb(255, 0, 128));
    QCOMPARE(PercentRGB(100, 50, 0), qRgb(255, 128, 0));
}

void tst_DrawingCommands::box_fillOutlineAndLayerExtent()
{
    RenderFixture f;
    ClearBlue(f);
    QCOMPARE(Pixel(f.Source(), 0, 0), kBlue); // a zero pen width outlines in the fill colour

    f.Run(u"/box {10 10 50 30 fill 100 0 0}"_s);
    QCOMPARE(Pixel(f.Source(), 20, 20), kRed);
    QCOMPARE(Pixel(f.Source(), 10, 10), kBlack);
    QCOMPARE(Pixel(f.Source(), 50, 30), kBlack); // the source layer includes X2, Y2
    QCOMPARE(Pixel(f.Source(), 49, 20), kRed);
    QCOMPARE(Pixel(f.Source(), 11, 11), kRed);
    QCOMPARE(Pixel(f.Source(), 51, 20), kBlue);
    QCOMPARE(Pixel(f.Source(), 20, 31), kBlue);

    f.Run(u"/box {100 10 140 30}"_s);
    QCOMPARE(Pixel(f.Source(), 120, 20), kWhite);
    QCOMPARE(Pixel(f.Source(), 100, 20), kBlack);
    QCOMPARE(Pixel(f.Source(), 140, 20), kBlack);
    f.Run(u"/box {200 10 240 30 nofill}"_s); // filling is never switched off
    QCOMPARE(Pixel(f.Source(), 220, 20), kWhite);

    f.Run(u"/box {300 10 340 30 fill 100 0 0 penwidth 3}"_s);
    QCOMPARE(Pixel(f.Source(), 302, 20), kBlack);
    QCOMPARE(Pixel(f.Source(), 303, 20), kRed);
    QCOMPARE(Pixel(f.Source(), 338, 20), kBlack);

    // On the background layer the box stops one pixel short.
    f.Run(u"/box {0 0 800 600 fill 0 0 0 noblend}"_s, u"background"_s);
    QVERIFY(BoundingBox(f.Background(), [](QRgb c) { return c != kBlack; }).isNull());
    f.Run(u"/box {10 10 50 30 fill 100 0 0}"_s, u" BACKGROUND "_s);
    QCOMPARE(Pixel(f.Background(), 49, 29), kBlack);
    QCOMPARE(Pixel(f.Background(), 48, 28), kRed);
    QCOMPARE(BoundingBox(f.Background(), [](QRgb c) { return c == kRed; }),
        QRect(QPoint(11, 11), QPoint(48, 28)));

    // An unknown layer draws nothing and the routines say so.
    QCOMPARE(DrawBoxOnBitmap(f.r, u"elsewhere"_s, 1, 0, 0, 10, 10), 0);
    QCOMPARE(DrawBoxOnBitmap(f.r, u"source"_s, 3, 0, 0, 10, 10), 0);
}

void tst_DrawingCommands::box_blendedRunsFromBlendToFillWithoutOutline()
{
    RenderFixture f;
    ClearBlue(f);
    f.Run(u"/box {0 100 800 200 fill 100 100 100 blend 0 0 0}"_s);
    QCOMPARE(Pixel(f.Source(), 400, 100), kBlack);
    QCOMPARE(Pixel(f.Source(), 400, 200), kWhite);
    QCOMPARE(Pixel(f.Source(), 400, 99), kBlue);
    QCOMPARE(Pixel(f.Source(), 400, 201), kBlue);
    QCOMPARE(Pixel(f.Source(), 400, 150), 0x808080U); // single-float steps: 2.55 × 50 is 127.5
    // No outline: the left column and the middle row carry the same gradient.
    QCOMPARE(Pixel(f.Source(), 0, 150), 0x808080U);
    QCOMPARE(Pixel(f.Source(), 0, 199), Pixel(f.Source(), 400, 199));
    // Rows only ever get lighter.
    for (int y = 101; y <= 200; ++y)
        QVERIFY(qRed(f.Source().pixel(400, y)) >= qRed(f.Source().pixel(400, y - 1)));
}

void tst_DrawingCommands::line_widthColourAndLastPixel()
{
    RenderFixture f;
    ClearBlue(f);
    f.Run(u"/line {250 290 550 290 penwidth 4 pencolor 50 0 0}"_s);
    const QRect line = BoundingBox(f.Source(), [](QRgb c) { return c == 0x800000U; });
    QCOMPARE(line.height(), 4);
    QVERIFY2(line.top() >= 287 && line.bottom() <= 292, "the line is centred on y 290");
    QVERIFY(line.left() <= 250 && line.right() >= 549);
    QCOMPARE(BoundingBox(f.Source(), [](QRgb c) { return c != kBlue && c != 0x800000U; }), QRect());

    const QImage before = f.Source();
    f.Run(u"/line {10 400 700 400 penwidth 0 pencolor 100 0 0}"_s);
    QCOMPARE(f.Source(), before);

    f.Run(u"/line {10 10 20 10}"_s);
    QCOMPARE(BoundingBox(f.Source(), [](QRgb c) { return c == kBlack; }),
        QRect(QPoint(10, 10), QPoint(19, 10)));
}

void tst_DrawingCommands::polygon_triangleAndZeroEndsList()
{
    RenderFixture f;
    ClearBlue(f);
    f.Run(u"/polygon {10 10 100 10 50 80 fill 100 0 0}"_s);
    QCOMPARE(Pixel(f.Source(), 50, 30), kRed);
    QCOMPARE(Pixel(f.Source(), 10, 10), kBlack);
    QCOMPARE(Pixel(f.Source(), 100, 10), kBlack);
    QCOMPARE(Pixel(f.Source(), 55, 10), kBlack);
    QCOMPARE(BoundingBox(f.Source(), [](QRgb c) { return c != kBlue; }),
        QRect(QPoint(10, 10), QPoint(100, 80)));

    const QImage before = f.Source();
    f.Run(u"/polygon {0 10 100 10 50 80 fill 100 0 0}"_s);
    QCOMPARE(f.Source(), before);

    // The alternate rule leaves the overlap of a self-crossing outline empty.
    RenderFixture g;
    ClearBlue(g);
    g.Run(
        u"/polygon {100 100 300 100 300 300 200 300 200 50 250 50 250 200 100 200 fill 100 0 0 penwidth 0}"_s);
    QCOMPARE(Pixel(g.Source(), 150, 150), kRed);
    QCOMPARE(Pixel(g.Source(), 225, 150), kBlue); // covered twice
    QCOMPARE(Pixel(g.Source(), 275, 250), kRed);
}

void tst_DrawingCommands::oval_staysInsideItsBox()
{
    RenderFixture f;
    ClearBlue(f);
    f.Run(u"/oval {100 100 200 160 fill 0 100 0}"_s);
    QCOMPARE(Pixel(f.Source(), 150, 130), 0x00FF00U);
    QCOMPARE(Pixel(f.Source(), 101, 101), kBlue);
    QCOMPARE(Pixel(f.Source(), 150, 100), kBlack);
    QCOMPARE(BoundingBox(f.Source(), [](QRgb c) { return c != kBlue; }),
        QRect(QPoint(100, 100), QPoint(199, 159)));

    RenderFixture g;
    ClearBlue(g);
    g.Run(u"/box {440 390 740 480 blend #D9735C fill #C8553D penwidth 0}"_s);
    g.Run(u"/oval {460 412 508 460 fill #F5F2EB penwidth 0}"_s);
    QCOMPARE(Pixel(g.Source(), 484, 436), 0xF5F2EBU);
}

void tst_DrawingCommands::font_startsFromDefaultsAndQuotesFaces()
{
    RenderFixture f;
    f.Run(
        u"/font {face 'Times New Roman' size 20 bold italics underline color 100 0 0 shadow 2 3 0 0 0 angle 4.5}"_s);
    const GraphicsState& g = f.r.Graphics;
    QCOMPARE(g.FontName, u"TIMES NEW ROMAN"_s);
    QCOMPARE(g.FontSize, 20);
    QCOMPARE(g.ScaledFontSize, 20);
    QCOMPARE(g.FontBold, 700);
    QCOMPARE(g.FontItalics, 1);
    QCOMPARE(g.FontUnderline, 1);
    QCOMPARE(g.FontColor, qRgb(255, 0, 0));
    QCOMPARE(g.ShadowOffsetX, 2);
    QCOMPARE(g.ShadowOffsetY, 3);
    QCOMPARE(g.FontAngle, 45);
    QCOMPARE(f.r.Surfaces.Source.Font.Escapement, 45);
    QVERIFY(f.r.Surfaces.Source.Font.Font.italic());

    f.Run(u"/font {size 30}"_s);
    QCOMPARE(g.FontName, u"Arial"_s);
    QCOMPARE(g.FontBold, 100);
    QCOMPARE(g.FontColor, kBlackRgb);
    QCOMPARE(g.ShadowOffsetX, 0);
    QCOMPARE(g.FontItalics, 0);
    QCOMPARE(g.FontSize, 30);
}

void tst_DrawingCommands::font_cellHeightAndTwins()
{
    FontFaceCache cache;
    for (const QString& face : { u"Arial"_s, u"times"_s, u"TIMES NEW ROMAN"_s }) {
        for (int weight : { 100, 700 }) {
            const SurfaceFont f
                = CreateCellHeightFont(cache, face, 80, weight, false, false, false, 0);
            const QFontMetricsF m(f.Font);
            QVERIFY2(std::abs(m.ascent() + m.descent() - 80.0) <= 1.5,
                qPrintable(face + u" cell "_s + QString::number(m.ascent() + m.descent())));
            QCOMPARE(QFontInfo(f.Font).bold(), weight == 700);
        }
    }
    QCOMPARE(
        QFontInfo(CreateCellHeightFont(cache, u"ARIAL"_s, 16, 100, false, false, false, 0).Font)
            .family(),
        u"Liberation Sans"_s);
    QCOMPARE(
        QFontInfo(CreateCellHeightFont(cache, u"times"_s, 16, 100, false, false, false, 0).Font)
            .family(),
        u"Liberation Serif"_s);
    // Faces arrive upper-cased from the script; families match regardless of case.
    QCOMPARE(QFontInfo(CreateCellHeightFont(
                           cache, u"LIBERATION SANS NARROW"_s, 16, 700, false, false, false, 0)
                           .Font)
                 .family(),
        u"Liberation Sans Narrow"_s);
}

void tst_DrawingCommands::text_shadowPassAndAlignment()
{
    RenderFixture f;
    f.Run(u"/box {0 0 800 600 fill 100 100 100 penwidth 0}"_s);
    f.Run(u"/font {face arial size 40 color 100 0 0 shadow 2 2 0 0 0}"_s);
    f.Run(u"/text {400 300 cj HELLO}"_s);
    const QRect red
        = BoundingBox(f.Source(), [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 60; });
    const QRect dark
        = BoundingBox(f.Source(), [](QRgb c) { return qRed(c) < 60 && qGreen(c) < 60; });
    QVERIFY(!red.isNull() && !dark.isNull());
    QVERIFY2(std::abs(red.center().x() - 400) <= 3, "centred on x 400");
    QVERIFY2(red.bottom() <= 300 && red.bottom() >= 295, "the baseline is at y 300");
    QVERIFY2(std::abs(dark.right() - red.right() - 2) <= 1, "the shadow lies 2 pixels right");
    QVERIFY2(std::abs(dark.bottom() - red.bottom() - 2) <= 1, "the shadow lies 2 pixels down");

    // Right-justified text ends at x; a later /TEXT keeps the font.
    f.Run(u"/box {0 0 800 600 fill 100 100 100 penwidth 0}"_s);
    f.Run(u"/text {300 200 rj  two  words}"_s);
    const QRect rj
        = BoundingBox(f.Source(), [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 60; });
    QVERIFY2(rj.right() <= 300 && rj.right() >= 295, qPrintable(QString::number(rj.right())));
    f.Run(u"/box {0 0 800 600 fill 100 100 100 penwidth 0}"_s);
    f.Run(u"/text {300 200 lj left}"_s);
    const QRect lj
        = BoundingBox(f.Source(), [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 60; });
    QVERIFY2(lj.left() >= 300 && lj.left() <= 305, qPrintable(QString::number(lj.left())));
}

void tst_DrawingCommands::text_angleTurnsTheBaseline()
{
    RenderFixture f;
    f.Run(u"/font {face arial size 30 color 100 100 100 angle 90}"_s);
    f.Run(u"/text {400 300 lj Upwards text}"_s);
    const QRect box = BoundingBox(f.Source(), [](QRgb c) { return c != 0; });
    QVERIFY2(box.height() > 3 * box.width(), "a 90 degree baseline runs upwards");
    QVERIFY(box.bottom() <= 302 && box.top() < 200);
    QVERIFY2(box.right() <= 408 && box.left() >= 365,
        qPrintable(u"glyphs left of x 400: %1..%2"_s.arg(box.left()).arg(box.right())));
}

void tst_DrawingCommands::trace_writesTheGraphicsState()
{
    QTemporaryDir temp;
    RenderFixture f;
    f.log.DebugMode = true;
    f.log.Switches.TraceDrawing = true;
    f.log.OpenDebugFile(temp.path());
    f.Run(u"/box {10 10 20 20 fill 100 0 0 pencolor #0000FF}"_s);
    f.Run(u"/font {face arial size 14 shadow 1 2 0 0 0}"_s);
    f.log.CloseDebugFile();
    const QString text = QString::fromUtf8(test::ReadAll(f.log.DebugFilePath()));
    QVERIFY(text.contains(u"InitializeGraphics"_s));
    QVERIFY(text.contains(u"PenColor = &hFF0000&; penwidth  = 1"_s));
    QVERIFY(text.contains(u"DoFill = True; FillColor = &hFF&"_s));
    QVERIFY2(text.contains(u"ShadowColor = &h0&; (1,2)"_s), qPrintable(text));
}

void tst_DrawingCommands::image_sizesAndMask()
{
    RenderFixture f;
    auto drawn = [](QRgb c) { return c != 0x000000U; };
    f.Run(u"/image {100 100 block.bmp}"_s);
    QCOMPARE(BoundingBox(f.Source(), drawn), QRect(100, 100, 10, 6));
    QCOMPARE(Pixel(f.Source(), 105, 103), 0x2040C0U);

    RenderFixture s;
    s.Run(u"/image {100 100 block.bmp size 2 xsize 3}"_s);
    QCOMPARE(BoundingBox(s.Source(), drawn), QRect(100, 100, 20, 12));
    RenderFixture x;
    x.Run(u"/image {100 100 BLOCK.BMP size 1 xsize 3}"_s);
    QCOMPARE(BoundingBox(x.Source(), drawn), QRect(100, 100, 30, 6));
    QCOMPARE(Pixel(x.Source(), 115, 103), 0x2040C0U);

    RenderFixture m;
    m.Run(u"/image {100 100 keyed.bmp mask 1 1}"_s);
    QCOMPARE(BoundingBox(m.Source(), drawn), QRect(105, 105, 10, 10));
    QCOMPARE(BoundingBox(m.Source(), [](QRgb c) { return c != 0 && c != 0x00FF00U; }), QRect());
    RenderFixture ms;
    ms.Run(u"/image {100 100 keyed.bmp mask 1 1 size 2}"_s);
    const QRect scaled = BoundingBox(ms.Source(), drawn);
    QVERIFY2(std::abs(scaled.left() - 110) <= 1 && std::abs(scaled.right() - 129) <= 1,
        "the cut-out scales with the picture");
    QCOMPARE(Pixel(ms.Source(), 120, 120), 0x00FF00U);
    QCOMPARE(BoundingBox(ms.Source(), [](QRgb c) { return qRed(c) > 64; }), QRect());
    QVERIFY(m.missing.isEmpty());

    // A picture's own transparency shows the layer through it.
    RenderFixture h;
    h.Run(u"/box {0 0 800 600 fill 0 0 100 penwidth 0}"_s);
    h.Run(u"/image {100 100 holes.gif}"_s);
    QCOMPARE(Pixel(h.Source(), 100, 100), 0xFF0000U);
    QCOMPARE(Pixel(h.Source(), 104, 104), 0x0000FFU);
    QCOMPARE(
        BoundingBox(h.Source(), [](QRgb c) { return c == 0xFF0000U; }), QRect(100, 100, 10, 10));
}

void tst_DrawingCommands::image_missingResourceDrawsNothing()
{
    RenderFixture f;
    const QImage before = f.Source();
    f.Run(u"/image {100 100 nothere.bmp size 2}"_s);
    QCOMPARE(f.Source(), before);
    QCOMPARE(f.missing, QStringList { u"NOTHERE.BMP"_s });
}

void tst_DrawingCommands::hostileLines_areSkippedSafely()
{
    RenderFixture f;
    QString manyPoints;
    for (int i = 1; i <= 300; ++i)
        manyPoints += u" %1 %2"_s.arg(i).arg(i % 7 + 1);
    const QStringList lines = {
        u""_s,
        u"/box"_s,
        u"/box {"_s,
        u"/text {"_s,
        u"/text {1 2}"_s,
        u"/font {face}"_s,
        u"/image {1 1 'unterminated"_s,
        u"/polygon {"_s + manyPoints + u"}"_s,
        u"/polyline {"_s + manyPoints + u" penwidth 3}"_s,
        u"/font {size 99999999999999999999 angle -1e308}"_s,
        u"/text {10 10 lj big}"_s,
        u"/box {-99999999999 -99999999999 99999999999 99999999999 fill 10 10 10 blend 90 90 90}"_s,
        u"/oval {-99999999999 -99999999999 99999999999 99999999999}"_s,
        u"/line {-99999999999 5 99999999999 5 penwidth 99999999999}"_s,
        u"/image {10 10 block.bmp size 99999}"_s,
        u"/image {10 10 block.bmp xsize -3}"_s,
        u"/image {10 10 keyed.bmp mask 99 99 size 3}"_s,
        u"/scribble {1 2 3}"_s,
        u"/setmark {}"_s,
    };
    for (const QString& line : lines)
        f.Run(line);
    // Font sizes, shadow offsets and angles are held to the coordinate range.
    for (const QString& font :
        { u"/font {size -99999999999}"_s, u"/font {shadow 99999999999 1 0 0 0 size 30}"_s,
            u"/font {shadow -99999999999 -99999999999 0 0 0 angle 99999999999}"_s,
            u"/font {angle -99999999999 size 99999999999}"_s }) {
        f.Run(font);
        f.Run(u"/text {400 300 cj big}"_s);
        f.Run(u"/text {400 300 rj big}"_s);
    }
    f.Run(u"/font {size -99999999999 shadow 99999999999 -99999999999 0 0 0 angle -99999999999}"_s);
    QCOMPARE(f.r.Graphics.FontSize, -kCoordinateLimit);
    QCOMPARE(f.r.Graphics.ScaledFontSize, -kCoordinateLimit);
    QCOMPARE(f.r.Graphics.ShadowOffsetX, kCoordinateLimit);
    QCOMPARE(f.r.Graphics.ShadowOffsetY, -kCoordinateLimit);
    QCOMPARE(f.r.Graphics.FontAngle, -kCoordinateLimit);
    // A gradient of more rows than the layer holds still ends on the fill colour.
    f.Run(u"/box {0 300 800 -99999999999 fill 100 100 100 blend 0 0 0}"_s);
    QCOMPARE(f.r.Graphics.FillColor, kWhiteRgb);
    QCOMPARE(Pixel(f.Source(), 400, 300), 0x000000U);
    QVERIFY(qRed(f.Source().pixel(400, 0)) < 5); // a few million rows above, still dark
}

QTEST_MAIN(tst_DrawingCommands)
#include "tst_drawingcommands.moc"
