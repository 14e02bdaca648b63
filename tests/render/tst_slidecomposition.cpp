#include "RenderTestSupport.h"

#include "render/SlideComposition.h"
#include "script/PresentationModel.h"
#include "support/ImageDistance.h"

#include <QPainter>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

// Background 1 is the built-in black one, background 2 is blue.
SlideShowModel MakeModel()
{
    SlideShowModel m;
    m.Backgrounds.push_back(BackgroundSlide { { BuiltInBackgroundFill, BuiltInBackgroundBox } });
    m.Backgrounds.push_back(BackgroundSlide { { u"/font {face times size 50 bold}"_s,
        u"/box {0 0 800 600 fill 0 0 100 penwidth 0}"_s } });
    Slide first;
    first.BackgroundIndex = 1;
    first.ScriptText = { u"/font {face arial size 30 italics color 100 0 0}"_s,
        u"/box {10 10 20 20 fill 100 0 0}"_s };
    first.SubSlide = {
        Subslide { 1000, 1, u"regular"_s, { u"/box {30 10 40 20 fill 0 100 0}"_s } },
        Subslide { 2000, 1, u"regular"_s, { u"/box {50 10 60 20 fill 100 100 0}"_s } },
        Subslide { 3000, 2, u"regular"_s,
            { u"/background {}"_s, u"/box {70 10 80 20 fill 100 0 100}"_s } },
    };
    Slide empty;
    m.Slides = { first, empty };
    return m;
}

} // namespace

class tst_SlideComposition : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showSlide_drawsOverItsBackground();
    void slidesDrawnAhead_takenOnlyWhileNothingWasDrawn();
    void drawNewBackground_keepsTheFontState();
    void subslides_accumulateOrRestartOnAnotherBackground();
    void defaultSlides_endNoneAndOthers();
    void paintSteps_drawWhatTheLayerShows_data();
    void paintSteps_drawWhatTheLayerShows();
};

void tst_SlideComposition::showSlide_drawsOverItsBackground()
{
    RenderFixture f;
    SlideShowModel m = MakeModel();
    DrawNewBackground(f.r, m, f.env, f.log, 2, 1);
    QCOMPARE(Pixel(f.Background(), 400, 300), 0x0000FFU);
    m.CurrentSlide.Index = 1;
    ShowSlide(f.r, m, f.env, f.log, 1);
    QCOMPARE(f.r.CurrentBackgroundIndex, 1);
    const QImage& shown = f.r.Surfaces.Foreground.Image;
    QCOMPARE(Pixel(shown, 15, 15), 0xFF0000U);
    QCOMPARE(Pixel(shown, 400, 300), 0x0000FFU); // the caller's background, as drawn

    const QImage before = shown;
    ShowSlide(f.r, m, f.env, f.log, 0);
    ShowSlide(f.r, m, f.env, f.log, 2); // no drawing statements: not shown
    ShowSlide(f.r, m, f.env, f.log, 9);
    QCOMPARE(f.r.Surfaces.Foreground.Image, before);
}

void tst_SlideComposition::slidesDrawnAhead_takenOnlyWhileNothingWasDrawn()
{
    RenderFixture drawn, ahead;
    SlideShowModel m = MakeModel();
    DrawNewBackground(drawn.r, m, drawn.env, drawn.log, 2, 1);
    ShowSlide(drawn.r, m, drawn.env, drawn.log, 1);

    DrawNewBackground(ahead.r, m, ahead.env, ahead.log, 2, 1);
    SlideDrawnAhead next = DrawSlideAhead(ahead.r, m, ahead.env, 1);
    QCOMPARE(Pixel(ahead.r.Surfaces.Foreground.Image, 15, 15), 0x000000U); // not shown yet
    QVERIFY(!TakeSlideDrawnAhead(ahead.r, next, 2) && !next.After); // another slide's turn
    next = DrawSlideAhead(ahead.r, m, ahead.env, 1);
    QVERIFY(TakeSlideDrawnAhead(ahead.r, next, 1));
    QCOMPARE(ahead.r.Surfaces.Foreground.Image, drawn.r.Surfaces.Foreground.Image);
    QVERIFY(ahead.r.Graphics == drawn.r.Graphics);
    QCOMPARE(ahead.r.CurrentBackgroundIndex, drawn.r.CurrentBackgroundIndex);

    // Anything drawn in between makes it stale; a slide without statements is never drawn ahead.
    DrawNewBackground(ahead.r, m, ahead.env, ahead.log, 2, 1);
    next = DrawSlideAhead(ahead.r, m, ahead.env, 1);
    ahead.Run(u"/box {100 100 120 120 fill 0 100 0}"_s, u"background"_s);
    QVERIFY(!TakeSlideDrawnAhead(ahead.r, next, 1));
    QVERIFY(!DrawSlideAhead(ahead.r, m, ahead.env, 2).After);
}

void tst_SlideComposition::drawNewBackground_keepsTheFontState()
{
    RenderFixture f;
    SlideShowModel m = MakeModel();
    f.Run(u"/font {face arial size 30 italics color 100 0 0 shadow 1 1 0 0 0}"_s);
    const GraphicsState before = f.r.Graphics;
    DrawNewBackground(f.r, m, f.env, f.log, 2, 1);
    const GraphicsState& after = f.r.Graphics;
    QCOMPARE(after.FontName, before.FontName);
    QCOMPARE(after.FontSize, 30);
    QCOMPARE(after.FontItalics, 1);
    QCOMPARE(after.FontBold, 100);
    QCOMPARE(after.FontColor, before.FontColor);
    QCOMPARE(after.ShadowOffsetX, 1);
    QCOMPARE(after.ScaledFontSize, 30);

    // An unknown background leaves the cleared picture: white with a black outline.
    DrawNewBackground(f.r, m, f.env, f.log, 7, 1);
    QCOMPARE(Pixel(f.Background(), 400, 300), 0xFFFFFFU);
    QCOMPARE(Pixel(f.Background(), 0, 0), 0x000000U);
    QCOMPARE(Pixel(f.Background(), 799, 599), 0x000000U);
}

void tst_SlideComposition::subslides_accumulateOrRestartOnAnotherBackground()
{
    RenderFixture f;
    SlideShowModel m = MakeModel();
    DrawNewBackground(f.r, m, f.env, f.log, 1, 1);
    m.CurrentSlide.Index = 1;
    ShowSlide(f.r, m, f.env, f.log, 1);
    ShowSubSlide(f.r, m, f.env, f.log, 1);
    ShowSubSlide(f.r, m, f.env, f.log, 2);
    const QImage& shown = f.r.Surfaces.Foreground.Image;
    QCOMPARE(Pixel(shown, 15, 15), 0xFF0000U);
    QCOMPARE(Pixel(shown, 35, 15), 0x00FF00U);
    QCOMPARE(Pixel(shown, 55, 15), 0xFFFF00U);
    QCOMPARE(Pixel(shown, 400, 300), 0x000000U);

    ShowSubSlide(f.r, m, f.env, f.log, 3);
    QCOMPARE(f.r.CurrentBackgroundIndex, 2);
    QCOMPARE(Pixel(shown, 15, 15), 0x0000FFU); // the slide is gone
    QCOMPARE(Pixel(shown, 55, 15), 0x0000FFU);
    QCOMPARE(Pixel(shown, 75, 15), 0xFF00FFU);
    QCOMPARE(Pixel(shown, 400, 300), 0x0000FFU);
}

void tst_SlideComposition::defaultSlides_endNoneAndOthers()
{
    RenderFixture f;
    SlideShowModel m = MakeModel();
    m.CurrentSlide = SlidePlay { 3, 2, true };
    m.NextSlide = SlidePlay { 4, 1, true };
    f.r.CurrentBackgroundIndex = 2;
    int stops = 0;
    ShowDefaultSlide(f.r, m, f.env, f.log, u"END"_s, [&stops] { ++stops; });
    QCOMPARE(stops, 1);
    QCOMPARE(m.CurrentSlide.Index, 0);
    QCOMPARE(m.NextSlide.Index, 0);
    QVERIFY(!m.CurrentSlide.SoundLoaded && !m.NextSlide.SoundLoaded);
    QCOMPARE(m.CurrentSlide.ResourceSet, 2);
    QCOMPARE(f.r.CurrentBackgroundIndex, 2);

    // The end and "none" slides draw their texts on black; the others stay plain black.
    const QImage& shown = f.r.Surfaces.Foreground.Image;
    const auto drawn = [](QRgb c) { return c != 0; };
    QVERIFY(!BoundingBox(shown, drawn).isNull());
    QCOMPARE(Pixel(shown, 5, 5), 0x000000U);
    ShowDefaultSlide(f.r, m, f.env, f.log, u"none"_s);
    QVERIFY(!BoundingBox(shown, drawn).isNull());

    ShowDefaultSlide(f.r, m, f.env, f.log, u"load"_s); // trace off: plain black
    QVERIFY(BoundingBox(shown, drawn).isNull());
    QCOMPARE(DefaultSlideScript(u"Load"_s, true).size(), 2);
    ShowDefaultSlide(f.r, m, f.env, f.log, u"other"_s);
    QVERIFY(BoundingBox(shown, drawn).isNull());
}

// The steps recorded for print, painted again at 800×600, give the layer's picture (up to
// smoothed edges); a box over the whole layer starts them over.
void tst_SlideComposition::paintSteps_drawWhatTheLayerShows_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("box") << u"/box {100 100 300 200 fill 0 50 100 penwidth 3}"_s;
    QTest::newRow("blend") << u"/box {100 100 300 500 blend 100 0 0 fill 0 0 100}"_s;
    QTest::newRow("oval") << u"/oval {100 100 500 300 fill 0 100 0 penwidth 6}"_s;
    QTest::newRow("thin line") << u"/line {10 10 700 400}"_s;
    QTest::newRow("wide line") << u"/line {10 10 700 400 penwidth 9 pencolor 100 100 0}"_s;
    QTest::newRow("polygon") << u"/polygon {100 100 600 150 300 500 fill 100 0 0 penwidth 4}"_s;
    QTest::newRow("polyline") << u"/polyline {100 100 600 150 300 500 pencolor 0 100 100}"_s;
    QTest::newRow("text") << u"/text {400 300 cj Printed words}"_s;
    QTest::newRow("keyed picture") << u"/image {50 60 keyed.bmp size 3 mask 1 1}"_s;
    QTest::newRow("photo") << u"/image {50 60 photo.jpg xsize 0.5 ysize 0.7}"_s;
}

void tst_SlideComposition::paintSteps_drawWhatTheLayerShows()
{
    QFETCH(QString, line);
    RenderFixture f;
    f.r.RecordPaintSteps = true;
    f.Run(u"/box {0 0 800 600 fill 90 90 90}"_s);
    f.Run(u"/box {0 0 800 600 fill 100 100 100}"_s);
    QCOMPARE(f.r.Surfaces.Source.Steps.size(), size_t(1));
    f.Run(u"/font {face arial size 60 bold color 0 0 100 shadow 3 3 50 50 50}"_s);
    f.Run(line);
    QImage printed(800, 600, QImage::Format_RGB32);
    QPainter p(&printed);
    PaintLayerSteps(p, f.r.Surfaces.Source, QRectF(0, 0, 800, 600));
    p.end();
    const double psnr = test::Psnr(printed, f.Source());
    QVERIFY(f.missing.isEmpty());
    QVERIFY2(psnr > 30, qPrintable(u"%1 dB"_s.arg(psnr)));
}

QTEST_MAIN(tst_SlideComposition)
#include "tst_slidecomposition.moc"
