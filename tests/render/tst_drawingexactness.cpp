#include "RenderTestSupport.h"

#include <QTest>

#include <set>
#include <utility>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

constexpr QRgb kBlue = 0x0000FF;

QImage Fixture(const QString& name)
{
    return QImage(QStringLiteral(ZENTIL_FIXTURES_DIR "/render/") + name)
        .convertToFormat(QImage::Format_RGB32);
}

// A fixture with the whole source layer painted blue, so every drawn pixel shows.
struct BlueFixture : RenderFixture {
    BlueFixture() { Run(u"/box {0 0 800 600 fill 0 0 100 penwidth 0}"_s); }
};

using PixelSet = std::set<std::pair<int, int>>;

PixelSet DrawnPixels(const QImage& image)
{
    PixelSet drawn;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (Pixel(image, x, y) != kBlue)
                drawn.insert({ x, y });
        }
    }
    return drawn;
}

} // namespace

class tst_DrawingExactness : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void image_nearItsOwnSizeIsCopiedPixelForPixel_data();
    void image_nearItsOwnSizeIsCopiedPixelForPixel();
    void image_trulyScaledIsFilteredSmoothly();
    void image_keyColourNeverReachesTheEdges_data();
    void image_keyColourNeverReachesTheEdges();
    void bitmap_alphaBytesAreIgnored();
    void line_onePixelStartsAtFirstPointAndStopsShortOfSecond_data();
    void line_onePixelStartsAtFirstPointAndStopsShortOfSecond();
    void polyline_onePixelLeavesOutOnlyItsLastPoint();
    void polygon_onePixelOutlineIsItsClosedLines();
};

void tst_DrawingExactness::image_nearItsOwnSizeIsCopiedPixelForPixel_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QSize>("drawnSize");
    QTest::addColumn<bool>("masked");
    // The size rule round(w × scale + 0.5) rounds halves to even: odd sides gain a pixel.
    QTest::newRow("even checker") << u"checker-even.bmp"_s << QString() << QSize(8, 6) << false;
    QTest::newRow("odd checker") << u"checker-odd.bmp"_s << QString() << QSize(10, 8) << false;
    QTest::newRow("odd checker, width and height 0.95")
        << u"checker-odd.bmp"_s << u"size 0.95"_s << QSize(9, 7) << false;
    QTest::newRow("even checker, a column cut off")
        << u"checker-even.bmp"_s << u"xsize 0.85"_s << QSize(7, 6) << false;
    QTest::newRow("even checker, width 1.1")
        << u"checker-even.bmp"_s << u"xsize 1.1"_s << QSize(9, 6) << false;
    QTest::newRow("odd masked picture")
        << u"keyed-odd.bmp"_s << u"mask 1 1"_s << QSize(16, 12) << true;
}

void tst_DrawingExactness::image_nearItsOwnSizeIsCopiedPixelForPixel()
{
    QFETCH(QString, file);
    QFETCH(QString, options);
    QFETCH(QSize, drawnSize);
    QFETCH(bool, masked);
    const QImage picture = Fixture(file);
    QVERIFY(!picture.isNull());
    const QRgb key = Pixel(picture, 1, 1);

    BlueFixture f;
    f.Run(u"/image {100 50 "_s + file + u" "_s + options + u"}"_s);
    int wrong = 0;
    for (int y = 0; y < drawnSize.height() + 1; ++y) {
        for (int x = 0; x < drawnSize.width() + 1; ++x) {
            // Beyond the last column and row the edge repeats.
            QRgb expected = Pixel(
                picture, std::min(x, picture.width() - 1), std::min(y, picture.height() - 1));
            if ((masked && expected == key) || x == drawnSize.width() || y == drawnSize.height())
                expected = kBlue;
            if (Pixel(f.Source(), 100 + x, 50 + y) != expected)
                ++wrong;
        }
    }
    QVERIFY2(wrong == 0, qPrintable(u"%1 pixels differ from the picture"_s.arg(wrong)));
}

void tst_DrawingExactness::image_trulyScaledIsFilteredSmoothly()
{
    BlueFixture f;
    f.Run(u"/image {100 50 checker-even.bmp size 3}"_s);
    const QRgb a = 0xC03020, b = 0x20A040;
    const QRect drawn = BoundingBox(f.Source(), [](QRgb c) { return c != kBlue; });
    QCOMPARE(drawn, QRect(100, 50, 24, 18));
    int blended = 0;
    for (int x = drawn.left(); x <= drawn.right(); ++x) {
        const QRgb c = Pixel(f.Source(), x, 60);
        blended += c != a && c != b ? 1 : 0;
    }
    QVERIFY2(blended > 0, "a three times enlarged checker mixes its colours");
}

void tst_DrawingExactness::image_keyColourNeverReachesTheEdges_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QSizeF>("scale");
    for (double s : { 0.3, 0.5, 0.7, 1.5, 2.0, 3.3, 17.0 })
        QTest::addRow("size %g", s) << u"size %1"_s.arg(s) << QSizeF(s, s);
    QTest::newRow("xsize 2.5 ysize 0.6") << u"xsize 2.5 ysize 0.6"_s << QSizeF(2.5, 0.6);
    QTest::newRow("xsize 0.4 ysize 4") << u"xsize 0.4 ysize 4"_s << QSizeF(0.4, 4.0);
}

// The green square of a magenta picture keyed on magenta, at any scale: every pixel is the
// layer's blue or the square's green, never a mixture with the key or the layer, and the square
// lands where it is scaled to.
void tst_DrawingExactness::image_keyColourNeverReachesTheEdges()
{
    QFETCH(QString, options);
    QFETCH(QSizeF, scale);
    BlueFixture f;
    f.Run(u"/image {100 50 keyed-odd.bmp mask 1 1 "_s + options + u"}"_s);
    int mixed = 0;
    for (int y = 0; y < f.Source().height(); ++y) {
        for (int x = 0; x < f.Source().width(); ++x) {
            const QRgb c = Pixel(f.Source(), x, y);
            if (c != kBlue && !(qRed(c) == 0 && qBlue(c) == 0 && qGreen(c) >= 254))
                ++mixed;
        }
    }
    QVERIFY2(mixed == 0, qPrintable(u"%1 pixels mix in another colour"_s.arg(mixed)));
    const QRect square = BoundingBox(f.Source(), [](QRgb c) { return c != kBlue; });
    QVERIFY(!square.isNull());
    const double tolerance = 1.0 + std::max(scale.width(), scale.height()) / 2;
    QVERIFY2(std::abs(square.left() - (100 + 5 * scale.width())) <= tolerance
            && std::abs(square.right() + 1 - (100 + 10 * scale.width())) <= tolerance
            && std::abs(square.top() - (50 + 3 * scale.height())) <= tolerance
            && std::abs(square.bottom() + 1 - (50 + 8 * scale.height())) <= tolerance,
        qPrintable(u"square at %1,%2 %3×%4"_s.arg(square.left())
                       .arg(square.top())
                       .arg(square.width())
                       .arg(square.height())));
}

void tst_DrawingExactness::bitmap_alphaBytesAreIgnored()
{
    BlueFixture f;
    f.Run(u"/image {100 50 alpha0.bmp}"_s);
    f.Run(u"/image {200 50 alpha0.bmp size 2}"_s);
    QCOMPARE(BoundingBox(f.Source(), [](QRgb c) { return c == 0x3060A0U; }),
        QRect(QPoint(100, 50), QPoint(207, 55)));
    QCOMPARE(BoundingBox(f.Source(), [](QRgb c) { return c != kBlue && c != 0x3060A0U; }), QRect());
    QCOMPARE(Pixel(f.Source(), 103, 52), 0x3060A0U);
    QCOMPARE(Pixel(f.Source(), 104, 52), kBlue);
    QCOMPARE(Pixel(f.Source(), 207, 55), 0x3060A0U);
}

void tst_DrawingExactness::line_onePixelStartsAtFirstPointAndStopsShortOfSecond_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    const QPoint c(200, 200);
    const struct {
        const char* name;
        QPoint delta;
    } rows[] = {
        { "east", { 12, 0 } },
        { "west", { -12, 0 } },
        { "south", { 0, 12 } },
        { "north", { 0, -12 } },
        { "south-east diagonal", { 9, 9 } },
        { "north-west diagonal", { -9, -9 } },
        { "north-east diagonal", { 9, -9 } },
        { "south-west diagonal", { -9, 9 } },
        { "shallow east-south-east", { 11, 4 } },
        { "shallow west-north-west", { -11, -4 } },
        { "shallow east-north-east", { 11, -4 } },
        { "shallow west-south-west", { -11, 4 } },
        { "steep south-south-east", { 4, 11 } },
        { "steep north-north-west", { -4, -11 } },
        { "steep north-north-east", { 4, -11 } },
        { "steep south-south-west", { -4, 11 } },
        { "halves east", { 10, 5 } },
        { "halves west", { -10, -5 } },
        { "one pixel west", { -1, 0 } },
        { "no length", { 0, 0 } },
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << c << c + row.delta;
}

void tst_DrawingExactness::line_onePixelStartsAtFirstPointAndStopsShortOfSecond()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    auto draw = [](QPoint a, QPoint b) {
        BlueFixture f;
        f.Run(u"/line {%1 %2 %3 %4}"_s.arg(a.x()).arg(a.y()).arg(b.x()).arg(b.y()));
        return DrawnPixels(f.Source());
    };
    const PixelSet forward = draw(from, to);
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    QCOMPARE(int(forward.size()), steps);
    if (steps == 0)
        return;
    QVERIFY2(forward.count({ from.x(), from.y() }), "the first point is drawn");
    QVERIFY2(!forward.count({ to.x(), to.y() }), "the second point is not");
    // One pixel per step along the longer axis, on the ideal line to within half a pixel.
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    std::set<int> majors;
    for (const auto& [x, y] : forward) {
        const int a = xMajor ? x - from.x() : y - from.y();
        const int m = xMajor ? y - from.y() : x - from.x();
        const double ideal = double(a) * (xMajor ? dy : dx) / (xMajor ? dx : dy);
        QVERIFY2(
            std::abs(m - ideal) <= 0.5, qPrintable(u"pixel %1,%2 off the line"_s.arg(x).arg(y)));
        majors.insert(a);
    }
    QCOMPARE(int(majors.size()), steps);
    // Drawn the other way, the same pixels but for the two ends.
    PixelSet expected = forward;
    expected.erase({ from.x(), from.y() });
    expected.insert({ to.x(), to.y() });
    QVERIFY(draw(to, from) == expected);
}

void tst_DrawingExactness::polyline_onePixelLeavesOutOnlyItsLastPoint()
{
    BlueFixture f;
    f.Run(u"/polyline {100 100 110 100 110 90 105 95}"_s);
    PixelSet expected;
    for (int x = 100; x < 110; ++x)
        expected.insert({ x, 100 });
    for (int y = 100; y > 90; --y)
        expected.insert({ 110, y });
    for (int k = 0; k < 5; ++k)
        expected.insert({ 110 - k, 90 + k });
    QVERIFY(DrawnPixels(f.Source()) == expected);
}

void tst_DrawingExactness::polygon_onePixelOutlineIsItsClosedLines()
{
    // A polygon filled in the outline colour covers exactly its fill plus the lines around it.
    const QString ring = u"100 100 130 110 115 140"_s;
    BlueFixture outlined;
    outlined.Run(u"/polygon {"_s + ring + u" fill 100 100 100}"_s);
    BlueFixture lines;
    lines.Run(u"/polygon {"_s + ring + u" fill 100 100 100 penwidth 0}"_s);
    lines.Run(u"/polyline {"_s + ring + u" 100 100}"_s);
    QCOMPARE(outlined.Source(), lines.Source());
}

QTEST_MAIN(tst_DrawingExactness)
#include "tst_drawingexactness.moc"
