#include "render/ImageScale.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace Qt::Literals::StringLiterals;
using zentil::ScaleImage;
using zentil::ScaleRatioTable;

namespace {

QImage Grey(const std::vector<std::vector<int>>& rows)
{
    QImage picture(int(rows.front().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const int v = rows[size_t(y)][size_t(x)];
            picture.setPixel(x, y, qRgb(v, v, v));
        }
    return picture;
}

QImage RandomPicture(int width, int height, quint32 seed)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, random.generate() | 0xFF000000U);
    return picture;
}

// The rule written out directly: result pixel (x, y) covers source x × q / p .. (x + 1) × q / p
// on each axis; every source pixel weighs its overlap (in 1/p of a pixel) on both axes;
// positions beyond the picture read its last column or row; the mean is rounded half to even.
QImage ReferenceScale(const QImage& source, int p, int q)
{
    const auto size = [p, q](int n) { return int(std::nearbyint(double(n) * p / q)); };
    QImage result(size(source.width()), size(source.height()), QImage::Format_RGB32);
    const auto overlap = [p, q](int d, int s) {
        return std::max(0, std::min((d + 1) * q, (s + 1) * p) - std::max(d * q, s * p));
    };
    for (int y = 0; y < result.height(); ++y) {
        for (int x = 0; x < result.width(); ++x) {
            long sum[3] = { 0, 0, 0 };
            for (int sy = y * q / p; sy * p < (y + 1) * q; ++sy) {
                for (int sx = x * q / p; sx * p < (x + 1) * q; ++sx) {
                    const QRgb c = source.pixel(
                        std::min(sx, source.width() - 1), std::min(sy, source.height() - 1));
                    const long w = long(overlap(x, sx)) * overlap(y, sy);
                    sum[0] += w * qRed(c);
                    sum[1] += w * qGreen(c);
                    sum[2] += w * qBlue(c);
                }
            }
            const auto mean = [p, q](long s) { return int(std::nearbyint(double(s) / (q * q))); };
            result.setPixel(x, y, qRgb(mean(sum[0]), mean(sum[1]), mean(sum[2])));
        }
    }
    return result;
}

int Level(const QImage& picture, int x, int y)
{
    return qRed(picture.pixel(x, y));
}

} // namespace

class tst_ImageScale : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void percentSelectsRatio_data();
    void percentSelectsRatio();
    void unscaledIsTheSamePicture();
    void meanRoundsHalfToEven_data();
    void meanRoundsHalfToEven();
    void edgeRepeatsLastColumnAndRow();
    void uniformStaysUniform();
    void randomPictureMatchesReference_data();
    void randomPictureMatchesReference();
    void toolCommandScalesAFile();
};

void tst_ImageScale::percentSelectsRatio_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<QSize>("size"); // of an 800×600 picture

    QTest::newRow("20: thumbnails, 5x5 blocks") << 20 << QSize(160, 120);
    QTest::newRow("21: next ratio up is 0.25") << 21 << QSize(200, 150);
    QTest::newRow("250: only 2.0") << 250 << QSize(1600, 1200);
    QTest::newRow("200: 2.0") << 200 << QSize(1600, 1200);
    QTest::newRow("167: 1.75") << 167 << QSize(1400, 1050);
    QTest::newRow("166: the fraction 5/3") << 166 << QSize(1333, 1000);
    QTest::newRow("34: 0.4") << 34 << QSize(320, 240);
    QTest::newRow("33: the fraction 1/3") << 33 << QSize(267, 200);
    QTest::newRow("14: the fraction 1/7") << 14 << QSize(114, 86);
    QTest::newRow("10: 0.1") << 10 << QSize(80, 60);
    QTest::newRow("3: at most 0.1") << 3 << QSize(80, 60);
    QTest::newRow("-40: at most 0.1") << -40 << QSize(80, 60);
}

void tst_ImageScale::percentSelectsRatio()
{
    QFETCH(int, percent);
    QFETCH(QSize, size);
    QImage picture(800, 600, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    const QImage scaled = ScaleImage(percent, picture);
    QCOMPARE(scaled.size(), size);
    QCOMPARE(scaled.pixel(size.width() - 1, size.height() - 1), QColor(Qt::darkCyan).rgb());
}

void tst_ImageScale::unscaledIsTheSamePicture()
{
    const QImage picture = RandomPicture(31, 17, 7);
    QCOMPARE(ScaleImage(100, picture).cacheKey(), picture.cacheKey());
    QCOMPARE(ScaleImage(95, picture).cacheKey(), picture.cacheKey()); // 1.0 is next up
    QCOMPARE(ScaleImage(90, picture).size(), QSize(28, 15));
    QVERIFY(ScaleImage(20, QImage()).isNull());
    QVERIFY(ScaleImage(10, RandomPicture(4, 4, 1)).isNull()); // nothing left
}

void tst_ImageScale::meanRoundsHalfToEven_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("expected");

    // 2×2 blocks of two values in a checkerboard: the mean is exactly halfway between them.
    QTest::newRow("127.5 up to 128") << 50 << 127 << 128 << 128;
    QTest::newRow("126.5 down to 126") << 50 << 126 << 127 << 126;
    QTest::newRow("0.5 down to 0") << 50 << 0 << 1 << 0;
    QTest::newRow("254.5 up to 254") << 50 << 254 << 255 << 254;
    // 4×4 blocks, divisor 16.
    QTest::newRow("4x4 blocks: 99.5 up to 100") << 25 << 99 << 100 << 100;
    QTest::newRow("4x4 blocks: 98.5 down to 98") << 25 << 98 << 99 << 98;
}

void tst_ImageScale::meanRoundsHalfToEven()
{
    QFETCH(int, percent);
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(int, expected);
    QImage picture(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const int v = (x + y) % 2 == 0 ? low : high;
            picture.setPixel(x, y, qRgb(v, 255 - v, v));
        }
    const QImage scaled = ScaleImage(percent, picture);
    QCOMPARE(qRed(scaled.pixel(0, 0)), expected);
    QCOMPARE(qBlue(scaled.pixel(0, 0)), expected);
    // 255 - v: the halfway point mirrored, rounded to even too.
    const int mirrored = int(std::nearbyint(255 - (low + high) / 2.0));
    QCOMPARE(qGreen(scaled.pixel(0, 0)), mirrored);
}

void tst_ImageScale::edgeRepeatsLastColumnAndRow()
{
    // 8×6 at 1/5 gives 2×1 (1.6 → 2, 1.2 → 1). The second column covers source columns 5..9;
    // 8 and 9 lie beyond the picture and read column 7 again.
    std::vector<std::vector<int>> rows(6, std::vector<int>(8));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            rows[size_t(y)][size_t(x)] = 10 * x + (y == 5 ? 200 : 0);
    const QImage scaled = ScaleImage(20, Grey(rows));
    QCOMPARE(scaled.size(), QSize(2, 1));
    QCOMPARE(Level(scaled, 0, 0), 20); // (0 + 10 + 20 + 30 + 40) / 5; row 5 is not covered
    QCOMPARE(Level(scaled, 1, 0), 64); // (50 + 60 + 3 × 70) / 5

    // 11×11 at 1/2 gives 5.5 → 6: the sixth result row reads source row 10 twice.
    std::vector<std::vector<int>> tall(11, std::vector<int>(11, 0));
    tall[10] = std::vector<int>(11, 99);
    const QImage halved = ScaleImage(50, Grey(tall));
    QCOMPARE(halved.size(), QSize(6, 6));
    QCOMPARE(Level(halved, 5, 5), 99);
    QCOMPARE(Level(halved, 5, 4), 0);
}

void tst_ImageScale::uniformStaysUniform()
{
    for (const QRgb colour : { qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(1, 254, 127) }) {
        QImage picture(23, 19, QImage::Format_RGB32);
        picture.fill(colour);
        for (const auto& ratio : ScaleRatioTable) {
            const QImage scaled = ScaleImage(ratio.Key, picture);
            for (int y = 0; y < scaled.height(); ++y)
                for (int x = 0; x < scaled.width(); ++x)
                    QVERIFY2((scaled.pixel(x, y) & 0xFFFFFFU) == (colour & 0xFFFFFFU),
                        qPrintable(
                            u"ratio %1/%2 at %3,%4"_s.arg(ratio.P).arg(ratio.Q).arg(x).arg(y)));
        }
    }
}

void tst_ImageScale::randomPictureMatchesReference_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("p");
    QTest::addColumn<int>("q");
    for (const auto& ratio : ScaleRatioTable) {
        if (ratio.P != ratio.Q)
            QTest::addRow("%d/%d", ratio.P, ratio.Q) << ratio.Key << ratio.P << ratio.Q;
    }
}

void tst_ImageScale::randomPictureMatchesReference()
{
    QFETCH(int, percent);
    QFETCH(int, p);
    QFETCH(int, q);
    // Sides that are multiples of no ratio's q, so every plan has a ragged last column and row.
    const QImage picture = RandomPicture(67, 41, quint32(percent));
    const QImage expected = ReferenceScale(picture, p, q);
    const QImage scaled = ScaleImage(percent, picture);
    QCOMPARE(scaled.size(), expected.size());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            QVERIFY2((scaled.pixel(x, y) & 0xFFFFFFU) == (expected.pixel(x, y) & 0xFFFFFFU),
                qPrintable(u"pixel %1,%2: %3 instead of %4"_s.arg(x)
                               .arg(y)
                               .arg(scaled.pixel(x, y) & 0xFFFFFFU, 6, 16)
                               .arg(expected.pixel(x, y) & 0xFFFFFFU, 6, 16)));
}

void tst_ImageScale::toolCommandScalesAFile()
{
    QTemporaryDir temp;
    const QString in = temp.filePath(u"in.png"_s);
    const QString out = temp.filePath(u"out.bmp"_s);
    const QImage picture = RandomPicture(80, 60, 3);
    QVERIFY(picture.save(in));
    const QString tool = QStringLiteral(ZENTIL_BINARY_DIR "/src/zentil-tool");

    QProcess run;
    run.start(tool, { u"scale"_s, in, u"20"_s, out });
    QVERIFY(run.waitForFinished(30000));
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(
        QString::fromUtf8(run.readAllStandardOutput()).trimmed(), u"80x60 -> 16x12 (by 1/5)"_s);
    QCOMPARE(QImage(out).convertToFormat(QImage::Format_RGB32), ScaleImage(20, picture));

    for (const QStringList& bad : { QStringList { u"scale"_s, in, u"twenty"_s, out },
             QStringList { u"scale"_s, temp.filePath(u"none.png"_s), u"20"_s, out },
             QStringList { u"scale"_s, in, u"20"_s } }) {
        run.start(tool, bad);
        QVERIFY(run.waitForFinished(30000));
        QVERIFY2(run.exitCode() != 0, qPrintable(bad.join(u' ')));
        QVERIFY(!run.readAllStandardError().isEmpty());
    }
}

QTEST_GUILESS_MAIN(tst_ImageScale)
#include "tst_imagescale.moc"
