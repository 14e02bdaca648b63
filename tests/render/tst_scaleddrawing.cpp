#include "RenderTestSupport.h"
#include "support/ImageDistance.h"

#include "render/PictureDrawing.h"
#include "render/SlideComposition.h"
#include "script/PresentationModel.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

// Share of the drawn (not white) pixels of a text that are neither nearly black nor nearly
// white: the soft edge a blurred text has.
double SoftEdgeShare(const QImage& image)
{
    int drawn = 0;
    int soft = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(image.pixel(x, y));
            drawn += grey < 224 ? 1 : 0;
            soft += grey >= 32 && grey < 224 ? 1 : 0;
        }
    return drawn == 0 ? 1.0 : soft / double(drawn);
}

QImage TextOn(RenderFixture& f)
{
    f.Run(u"/box {0 0 800 600 fill 100 100 100 penwidth 0}"_s);
    f.Run(u"/font {face Arial size 40}"_s);
    f.Run(u"/text {100 300 lj Sharp edges, thin stems}"_s);
    return f.Source();
}

} // namespace

// Slides drawn at the size they have on screen instead of one 800×600 picture scaled up.
class tst_ScaledDrawing : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void onePixelLines_areOneScaledPixelWide_data();
    void onePixelLines_areOneScaledPixelWide();
    void text_isAsSharpAsTextDrawnAtThatSize();
    void redrawAtSize_composesWhatWasShownAgain();
    void pictures_alphaOverGradientAndSvgAtFullResolution();
};

void tst_ScaledDrawing::onePixelLines_areOneScaledPixelWide_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QRect>("covered");
    QTest::newRow("across, 2x") << QSize(1600, 1200) << u"/line {100 100 300 100}"_s
                                << QRect(QPoint(200, 200), QPoint(599, 201));
    QTest::newRow("down, 2x") << QSize(1600, 1200) << u"/line {100 300 100 100}"_s
                              << QRect(QPoint(200, 202), QPoint(201, 601));
    QTest::newRow("box outline, 2x") << QSize(1600, 1200) << u"/box {100 100 300 200}"_s
                                     << QRect(QPoint(200, 200), QPoint(601, 401));
    QTest::newRow("across, 1.8x") << QSize(1440, 1080) << u"/line {100 100 300 100}"_s
                                  << QRect(QPoint(180, 180), QPoint(539, 181));
}

void tst_ScaledDrawing::onePixelLines_areOneScaledPixelWide()
{
    QFETCH(QSize, size);
    QFETCH(QString, line);
    RenderFixture f;
    PrepareRenderState(f.r, f.log, size);
    f.Run(u"/box {0 0 800 600 fill 100 100 100 penwidth 0}"_s);
    f.Run(line);
    const QRect black = BoundingBox(f.Source(), [](QRgb p) { return p == 0; });
    QTEST(black, "covered");
    // Two pixels thick where the line runs: nothing grey, nothing thinner.
    const int thick = std::min(black.width(), black.height());
    QCOMPARE(thick == 2 || line.startsWith(u"/box"_s), true);
    QCOMPARE(BoundingBox(f.Source(), [](QRgb p) { return p != 0 && p != 0xFFFFFF; }), QRect());
}

void tst_ScaledDrawing::text_isAsSharpAsTextDrawnAtThatSize()
{
    RenderFixture doubled;
    PrepareRenderState(doubled.r, doubled.log, QSize(1600, 1200));
    const QImage drawn = TextOn(doubled);

    // The same words written with QPainter directly at twice the size.
    QImage native(1600, 1200, QImage::Format_RGB32);
    native.fill(Qt::white);
    QPainter p(&native);
    p.setFont(CreateCellHeightFont(doubled.r.FaceCache, u"ARIAL"_s, 80, 100, false, false, false, 0)
                  .Font);
    p.setPen(Qt::black);
    p.drawText(QPointF(200, 600), u"Sharp edges, thin stems"_s);
    p.end();
    const double nativeSoft = SoftEdgeShare(native);
    QVERIFY2(SoftEdgeShare(drawn) <= nativeSoft * 1.05,
        qPrintable(u"soft %1, native %2"_s.arg(SoftEdgeShare(drawn)).arg(nativeSoft)));

    // The 800×600 picture scaled up, as the window once showed it, is markedly softer.
    RenderFixture single;
    const QImage upscaled
        = TextOn(single).scaled(1600, 1200, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QVERIFY(SoftEdgeShare(upscaled) > nativeSoft * 1.3);
}

void tst_ScaledDrawing::redrawAtSize_composesWhatWasShownAgain()
{
    SlideShowModel m;
    m.Backgrounds.push_back(
        BackgroundSlide { { u"/box {0 0 800 600 fill 0 0 100 blend 100 0 0 penwidth 0}"_s } });
    m.Backgrounds.push_back(BackgroundSlide { { u"/box {0 0 800 600 fill 0 100 0}"_s } });
    Slide slide;
    slide.BackgroundIndex = 1;
    slide.ScriptText = { u"/font {face arial size 30}"_s, u"/text {400 300 cj Title}"_s };
    slide.SubSlide = { Subslide { 1000, 1, u"regular"_s, { u"/oval {10 10 90 90}"_s } } };
    m.Slides = { slide, slide };
    m.CurrentSlide.Index = 1;

    RenderFixture f;
    DrawNewBackground(f.r, m, f.env, f.log, 1, 1);
    ShowSlide(f.r, m, f.env, f.log, 1);
    ShowSubSlide(f.r, m, f.env, f.log, 1);
    DrawNewBackground(f.r, m, f.env, f.log, 2, 1); // the next slide's, drawn ahead
    QVERIFY(RedrawAtSize(f.r, m, f.env, QSize(1600, 1200)));
    QVERIFY(!RedrawAtSize(f.r, m, f.env, QSize(1600, 1200)));
    QCOMPARE(f.r.Display.DisplayRatio, 2.0);

    RenderFixture fresh;
    PrepareRenderState(fresh.r, fresh.log, QSize(1600, 1200));
    ComposeSlide(fresh.r, m, fresh.env, fresh.log, 1, 1);
    QCOMPARE(f.r.Surfaces.Foreground.Image, fresh.r.Surfaces.Foreground.Image);
    QCOMPARE(f.r.CurrentBackgroundIndex, 1);
    QCOMPARE(Pixel(f.Background(), 800, 600), 0x00FF00U);
}

void tst_ScaledDrawing::pictures_alphaOverGradientAndSvgAtFullResolution()
{
    QTemporaryDir dir;
    QImage glass(40, 40, QImage::Format_ARGB32);
    glass.fill(qRgba(255, 255, 255, 128));
    QVERIFY(glass.save(dir.filePath(u"glass.png"_s)));
    QFile svg(dir.filePath(u"disc.svg"_s));
    QVERIFY(svg.open(QIODevice::WriteOnly));
    svg.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">)"
              R"(<circle cx="50" cy="50" r="50" fill="#ff0000"/></svg>)");
    svg.close();
    QFile broken(dir.filePath(u"broken.png"_s));
    QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not a picture") > 0);
    broken.close();

    RenderFixture f;
    PrepareRenderState(f.r, f.log, QSize(1600, 1200));
    f.env.ResolveResource = [&dir](const QString& name) { return dir.filePath(name.toLower()); };
    QStringList unreadable;
    f.env.PictureUnreadable
        = [&unreadable](const QString& name, const QString&) { unreadable.append(name); };
    f.Run(u"/box {0 0 800 600 fill 100 100 100 blend 0 0 0 penwidth 0}"_s);
    const QRgb under = Pixel(f.Source(), 40, 540);
    f.Run(u"/image {0 250 glass.png}"_s);
    f.Run(u"/image {400 0 disc.svg size 2}"_s);
    f.Run(u"/image {0 0 broken.png}"_s);
    // Half-transparent white over the gradient: halfway between it and white.
    const QRgb blended = Pixel(f.Source(), 40, 540);
    QVERIFY(std::abs(qRed(blended) - (qRed(under) + 255) / 2) <= 1);
    // The disc drawn at 400×400 pixels: its edge is smooth, its centre solid red.
    QCOMPARE(Pixel(f.Source(), 1000, 200), 0xFF0000U);
    int partial = 0; // the row through the top of the circle has smoothed edge pixels
    for (int x = 900; x < 1100; ++x)
        partial += qRed(Pixel(f.Source(), x, 1)) % 255 != 0 ? 1 : 0;
    QVERIFY(partial >= 2);
    // An enlarged photo: within a few levels of Qt's smooth scaling.
    QVERIFY(QFile::copy(
        QStringLiteral(ZENTIL_FIXTURES_DIR "/render/photo.jpg"), dir.filePath(u"photo.jpg"_s)));
    f.Run(u"/image {600 400 photo.jpg size 2}"_s);
    const QImage photo(dir.filePath(u"photo.jpg"_s));
    const QImage smooth = photo.convertToFormat(QImage::Format_RGB32)
                              .scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double psnr = test::Psnr(f.Source().copy(1200, 800, 160, 120), smooth);
    QVERIFY2(psnr > 35, qPrintable(QString::number(psnr)));
    // From the corner the photo is filtered straight into the layer: the same picture.
    f.Run(u"/image {0 0 photo.jpg size 2}"_s);
    QCOMPARE(f.Source().copy(0, 0, 160, 120), f.Source().copy(1200, 800, 160, 120));
    QCOMPARE(unreadable, QStringList { u"BROKEN.PNG"_s });
    QCOMPARE(f.missing, QStringList { u"BROKEN.PNG"_s });
    QVERIFY(PictureProblem(dir.filePath(u"broken.png"_s)).contains(u"not a picture type"_s));
    QVERIFY(PictureProblem(dir.filePath(u"disc.svg"_s)).isEmpty());
}

QTEST_MAIN(tst_ScaledDrawing)
#include "tst_scaleddrawing.moc"
