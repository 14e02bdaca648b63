#include "RenderTestSupport.h"
#include "render/PictureDrawing.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mman.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

class tst_DrawingSurfaces : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void displayRatio_data();
    void displayRatio();
    void layerCopies_chainAndStayIndependent();
    void layerMemory_neverSharedWhileDrawnAndReused();
    void preparedMemory_isInPlaceBeforeTheFirstPicture();
    void aPhotoTheSizeOfASlide_isReadIntoPictureMemory();
    void transparentBlt_leavesOutKeyAndKeepsSource();
    void privateFonts_listGrowsAndIsWithdrawn();
};

void tst_DrawingSurfaces::displayRatio_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<int>("xOffset");
    QTest::addColumn<int>("yOffset");
    QTest::addColumn<QSize>("fitted");
    QTest::newRow("800x600") << 800 << 600 << 1.0 << 0 << 0 << QSize(800, 600);
    QTest::newRow("1600x1200") << 1600 << 1200 << 2.0 << 0 << 0 << QSize(1600, 1200);
    QTest::newRow("1920x1080 wide") << 1920 << 1080 << 1.8 << 240 << 0 << QSize(1440, 1080);
    QTest::newRow("3840x2160") << 3840 << 2160 << 3.6 << 480 << 0 << QSize(2880, 2160);
    QTest::newRow("1280x1024 tall") << 1280 << 1024 << 1.6 << 0 << 32 << QSize(1280, 960);
    QTest::newRow("640x480") << 640 << 480 << 0.8 << 0 << 0 << QSize(640, 480);
}

void tst_DrawingSurfaces::displayRatio()
{
    QFETCH(int, width);
    QFETCH(int, height);
    MonotonicClock clock;
    DebugLog log(clock, false);
    DisplayMapping d;
    d.ScreenWidth = width;
    d.ScreenHeight = height;
    SetDisplayRatio(d, log);
    QTEST(d.DisplayRatio, "ratio");
    QTEST(d.XOffset, "xOffset");
    QTEST(d.YOffset, "yOffset");
    QTEST(FittedSlideSize(QSizeF(width, height)), "fitted");
}

void tst_DrawingSurfaces::layerCopies_chainAndStayIndependent()
{
    RenderFixture f;
    DrawingSurfaces& s = f.r.Surfaces;
    QCOMPARE(s.Foreground.Image.size(), QSize(800, 600));
    f.Run(u"/box {0 0 800 600 fill 100 0 0 penwidth 0}"_s, u"background"_s);
    CopyBackToSource(s, 1, f.log);
    f.Run(u"/box {10 10 20 20 fill 0 100 0}"_s);
    QCOMPARE(Pixel(s.Background.Image, 15, 15), 0xFF0000U); // drawing on source left it alone
    CopySourceToAnimation(s, 1, f.log);
    CopyAnimationToDisplay(s, f.log);
    QCOMPARE(Pixel(s.Foreground.Image, 15, 15), 0x00FF00U);
    QCOMPARE(Pixel(s.Foreground.Image, 400, 300), 0xFF0000U);
    f.Run(u"/source {}"_s); // "/SOURCE" copies source to animation only
    f.Run(u"/box {30 30 40 40 fill 0 0 100}"_s);
    QCOMPARE(Pixel(s.Animation.Image, 35, 35), 0xFF0000U);
    // Resource set 2 names the same layers; other sets none.
    QVERIFY(FindSurface(s, u"source"_s, 2) == &s.Source);
    QVERIFY(FindSurface(s, u"source"_s, 0) == nullptr);
}

void tst_DrawingSurfaces::layerMemory_neverSharedWhileDrawnAndReused()
{
    RenderFixture f;
    DrawingSurfaces& s = f.r.Surfaces;
    f.Run(u"/box {0 0 800 600 fill 100 0 0 penwidth 0}"_s);
    CopySourceToAnimation(s, 1, f.log);
    CopyAnimationToDisplay(s, f.log);
    QImage shown = s.Foreground.Image; // as the window holds it
    const uchar* block = shown.constBits();
    f.Run(u"/box {0 0 800 600 fill 0 0 100 penwidth 0}"_s);
    QCOMPARE(Pixel(shown, 400, 300), 0xFF0000U);
    QCOMPARE(Pixel(s.Source.Image, 400, 300), 0x0000FFU);
    // Once the last picture of a block is gone, the next picture of its size is made in it.
    s.Animation.Image = s.Foreground.Image = shown = QImage();
    QImage next = s.Memory.NewPicture(QSize(800, 600), QImage::Format_RGB32);
    QCOMPARE(next.constBits(), block);
    // Pictures may outlive every handle of their memory.
    QImage kept;
    {
        PictureMemory own;
        kept = own.CopyOf(next);
    }
    kept.fill(Qt::white);
    QCOMPARE(Pixel(kept, 0, 0), 0xFFFFFFU);
}

// How many of the picture's memory pages the kernel has in place (faulted in).
int ResidentPages(const QImage& picture)
{
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(picture.constBits()) / page * page;
    const auto end = reinterpret_cast<std::uintptr_t>(picture.constBits()) + picture.sizeInBytes();
    std::vector<unsigned char> resident((end - start + page - 1) / page);
    if (mincore(reinterpret_cast<void*>(start), end - start, resident.data()) != 0)
        return -1;
    return int(
        std::count_if(resident.begin(), resident.end(), [](unsigned char r) { return r & 1; }));
}

void tst_DrawingSurfaces::preparedMemory_isInPlaceBeforeTheFirstPicture()
{
    const QSize size(1024, 768);
    PictureMemory fresh;
    QCOMPARE(ResidentPages(fresh.NewPicture(size, QImage::Format_RGB32)), 0);
    PictureMemory prepared;
    prepared.Prepare(size, QImage::Format_RGB32, 2);
    std::vector<QImage> pictures;
    for (int i = 0; i < 3; ++i)
        pictures.push_back(prepared.NewPicture(size, QImage::Format_RGB32));
    const int pages
        = int((pictures[0].sizeInBytes() + sysconf(_SC_PAGESIZE) - 1) / sysconf(_SC_PAGESIZE));
    QCOMPARE(ResidentPages(pictures[0]), pages);
    QCOMPARE(ResidentPages(pictures[1]), pages);
    QCOMPARE(ResidentPages(pictures[2]), 0); // only as many as were asked for
}

void tst_DrawingSurfaces::aPhotoTheSizeOfASlide_isReadIntoPictureMemory()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"photo.jpg"_s);
    QImage photo(1024, 768, QImage::Format_RGB32);
    photo.fill(qRgb(20, 120, 160));
    QVERIFY(photo.save(path));
    PictureMemory memory;
    memory.Prepare(photo.size(), QImage::Format_RGB32, 1);
    const QImage read = LoadPicture(path, &memory);
    QCOMPARE(read.size(), photo.size());
    QVERIFY(std::abs(qBlue(read.pixel(500, 400)) - 160) <= 2);
    // The photo took the one warm block: the next picture of that size finds none left.
    QCOMPARE(ResidentPages(memory.NewPicture(photo.size(), QImage::Format_RGB32)), 0);
}

void tst_DrawingSurfaces::transparentBlt_leavesOutKeyAndKeepsSource()
{
    MonotonicClock clock;
    DebugLog log(clock, false);
    QImage source(4, 2, QImage::Format_RGB32);
    source.fill(qRgb(0, 255, 0));
    source.setPixel(1, 0, qRgb(255, 0, 255));
    const QImage sourceBefore = source.copy();

    QImage dest(6, 4, QImage::Format_RGB32);
    dest.fill(qRgb(0, 0, 255));
    TransparentBlt(dest, 1, 1, 4, 2, source, 0x123456, log); // colour not present
    QCOMPARE(dest.copy(1, 1, 4, 2), source);
    QCOMPARE(Pixel(dest, 0, 0), 0x0000FFU);

    dest.fill(qRgb(0, 0, 255));
    TransparentBlt(dest, 1, 1, 4, 2, source, 0xFF00FF, log); // magenta
    QCOMPARE(Pixel(dest, 2, 1), 0x0000FFU);
    QCOMPARE(Pixel(dest, 1, 1), 0x00FF00U);

    dest.fill(qRgb(0, 0, 255));
    const QImage destBefore = dest.copy();
    TransparentBlt(dest, 1, 1, 4, 2, source, 0x00FF00, log); // every pixel but one
    dest.setPixel(2, 1, qRgb(0, 0, 255));
    QCOMPARE(dest, destBefore);

    TransparentBlt(dest, -2, 3, 4, 2, source, 0x123456, log); // clipped at the edges
    QCOMPARE(Pixel(dest, 0, 3), 0x00FF00U);
    QCOMPARE(source, sourceBefore);
}

void tst_DrawingSurfaces::privateFonts_listGrowsAndIsWithdrawn()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString fonts = home.filePath(u"fonts"_s);
    QVERIFY(QDir().mkpath(fonts));
    QVERIFY(
        QFile::copy(u"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"_s, fonts + u"/Face.TTF"_s));
    MonotonicClock clock;
    DebugLog log(clock, false);
    PrivateFontList list;
    QVERIFY(!FindFontFile(list, u"Face.TTF"_s, log));

    AddPrivateFont(list, fonts, u"Face.TTF"_s, log);
    AddPrivateFont(list, fonts, u"other.otf"_s, log);
    QCOMPARE(list.PrivateFontCount, 1);
    QVERIFY(list.ApplicationFontIds.value(0) >= 0);
    QVERIFY(FindFontFile(list, u"Face.TTF"_s, log));
    QVERIFY(!FindFontFile(list, u"face.ttf"_s, log));

    for (int i = 2; i <= 11; ++i)
        AddPrivateFont(list, fonts, u"f%1.ttf"_s.arg(i), log);
    QCOMPARE(list.PrivateFontCount, 11);
    QCOMPARE(list.PrivateFonts.value(0), u"Face.TTF"_s);
    QCOMPARE(list.PrivateFonts.value(9), u"f10.ttf"_s);

    DeletePrivateFonts(list, fonts, log);
    QVERIFY(!QFile::exists(fonts + u"/Face.TTF"_s));
    QVERIFY(!FindFontFile(list, u"Face.TTF"_s, log));
    AddPrivateFont(list, fonts, u"again.ttf"_s, log);
    QCOMPARE(list.PrivateFonts.value(0), u"again.ttf"_s);
    QCOMPARE(list.PrivateFontCount, 1);
}

QTEST_MAIN(tst_DrawingSurfaces)
#include "tst_drawingsurfaces.moc"
