#include "RenderTestSupport.h"

#include "base/ErrorReporting.h"
#include "render/ImageScale.h"
#include "render/SlideComposition.h"
#include "render/Thumbnails.h"
#include "script/PresentationModel.h"
#include "script/ScrambledFiles.h"
#include "script/ScriptLoader.h"
#include "script/ScriptReader.h"
#include "script/WorkingCopies.h"
#include "storage/ZentilFolders.h"
#include "support/RecordingReporter.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

#include <set>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using namespace zentil::test;

namespace {

// A presentation folder with its script, resources and thumbnails, loaded as the player loads it.
struct ThumbnailShow {
    QTemporaryDir dir;
    MonotonicClock clock;
    DebugLog log { clock, true };
    ZentilFolders folders;
    SlideShowModel model;
    ScriptStatements script;
    bool exitInProgress = false;
    RecordingReporter reporter; // like the player, a fatal error starts the shut-down
    ThumbnailState state;
    std::set<int> slidesWaiting; // slides whose files have not arrived
    bool downloadComplete = true;

    ThumbnailShow()
    {
        const QDir root(dir.path());
        for (const char* folder : { "resources", "thumbnails", "temp" })
            root.mkpath(QString::fromLatin1(folder));
        folders.ResourcePath = root.filePath(u"resources"_s);
        folders.ThumbnailPath = root.filePath(u"thumbnails"_s);
        folders.ZTTempPath = root.filePath(u"temp"_s);
        log.OpenDebugFile(folders.ZTTempPath);
        reporter.OnFatal = [this] { exitInProgress = true; };
        Photo().save(Resource(u"photo.bmp"_s), "BMP");
        QImage shot(800, 600, QImage::Format_RGB32);
        shot.fill(qRgb(40, 160, 90));
        shot.save(Resource(u"shot.jpg"_s), "JPG", 100);

        // Slide 1 is made from a bitmap, slide 2 from a JPEG, slides 3 and 4 are drawn from
        // commands only (slide 3 with a subslide that paints its lower right quarter).
        QVERIFY(QFile::copy(QStringLiteral(ZENTIL_FIXTURES_DIR "/render/thumbs.zentil"),
            root.filePath(u"thumbs.zentil"_s)));
        LoadScriptFromFile(root.filePath(u"thumbs.zentil"_s), folders.ZTTempPath, script, log);
        model.Defn.ScriptShortName = u"thumbs.zentil"_s;
        model.Defn.ScriptParentFolder = root.path();
        const LoadContext context { folders, reporter, log, false, {} };
        LoadSlideShow(script, model, context);
    }

    // Four quarters of plain colour: the means of a 5 by 5 block are exact.
    static QImage Photo()
    {
        QImage photo(800, 600, QImage::Format_RGB32);
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x)
                photo.setPixel(x, y,
                    x < 400 ? (y < 300 ? qRgb(250, 10, 10) : qRgb(10, 250, 10))
                            : (y < 300 ? qRgb(10, 10, 250) : qRgb(250, 250, 250)));
        return photo;
    }

    QString Resource(const QString& name) const
    {
        return QDir(folders.ResourcePath).filePath(name);
    }
    QString Thumbnail(int n) const { return model.ThumbnailImage[size_t(n) - 1]; }

    bool Tick()
    {
        const WorkingCopyContext copies { folders, model, script.EncryptFlag, reporter, log };
        DrawingEnvironment drawing;
        drawing.ResolveResource
            = [&copies](const QString& name) { return GetRealFilename(copies, name); };
        const ThumbnailContext context { model, copies, drawing, log, exitInProgress,
            [this](int n) { return slidesWaiting.count(n) != 0; },
            [this] { return downloadComplete; } };
        return CreateThumbnailTick(state, context);
    }

    QStringList ThumbnailFiles() const
    {
        return QDir(folders.ThumbnailPath).entryList(QDir::Files, QDir::Name);
    }

    QString Trace() const { return QString::fromUtf8(ReadAll(log.DebugFilePath())); }
};

// How far a JPEG thumbnail strays from the picture it was saved from: the mean difference of a
// channel over the picture, and the largest difference away from the colour edges (where JPEG
// smears colour over a few pixels). -1 when the sizes differ.
struct JpegDifference {
    double Mean = -1;
    int LargestInside = -1;
};

JpegDifference Compare(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return {};
    JpegDifference result { 0, 0 };
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            const int d = std::max({ std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                std::abs(qBlue(p) - qBlue(q)) });
            result.Mean += d;
            const bool nearEdge
                = std::abs(x - a.width() / 2) < 8 || std::abs(y - a.height() / 2) < 8;
            if (!nearEdge)
                result.LargestInside = std::max(result.LargestInside, d);
        }
    result.Mean /= double(a.width() * a.height());
    return result;
}

} // namespace

class tst_Thumbnails : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void oneSlidePerTick_thenStops();
    void existingThumbnailsAreReused();
    void waitsForFiles_skipsLostPictures();
    void unwrittenThumbnailIsRetried();
    void slideWithoutPicture_isDrawnWithItsSubslides();
    void scrambledPresentation();
};

void tst_Thumbnails::oneSlidePerTick_thenStops()
{
    ThumbnailShow show;
    QCOMPARE(show.model.SlideCount(), 4);
    QCOMPARE(show.model.ThumbnailResources[2], QString()); // slide 3 has no picture

    for (int n = 1; n <= 4; ++n) {
        QVERIFY(show.Tick());
        QCOMPARE(show.ThumbnailFiles().size(), n); // one thumbnail per tick, no bitmap left
        QVERIFY2(ThumbnailExists(show.model, n), qPrintable(show.Thumbnail(n)));
    }
    QVERIFY(!show.state.AllThumbnailsCreated);
    QVERIFY(!show.Tick());
    QVERIFY(show.state.AllThumbnailsCreated);
    QCOMPARE(show.ThumbnailFiles(),
        QStringList({ u"thumbnail001.jpg"_s, u"thumbnail002.jpg"_s, u"thumbnail003.jpg"_s,
            u"thumbnail004.jpg"_s }));
    QVERIFY(QDir(show.folders.ZTTempPath).entryList({ u"thumbnail*"_s }).isEmpty());

    QImageReader reader(show.Thumbnail(1));
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage first = reader.read().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(first.size(), QSize(160, 120));
    const JpegDifference firstDifference = Compare(first, ScaleImage(20, ThumbnailShow::Photo()));
    QVERIFY2(firstDifference.Mean < 5 && firstDifference.LargestInside <= 4,
        qPrintable(
            u"mean %1, largest %2"_s.arg(firstDifference.Mean).arg(firstDifference.LargestInside)));
    QVERIFY(show.Trace().contains(u"CreateThumbnailImages - Creating "_s + show.Thumbnail(1)));

    QCOMPARE(ThumbnailFile(show.model, 0), QString());
    QCOMPARE(ThumbnailFile(show.model, 5), QString());
    QVERIFY(!ThumbnailExists(show.model, 5));
}

void tst_Thumbnails::existingThumbnailsAreReused()
{
    ThumbnailShow show;
    for (int n : { 1, 2, 4 })
        WriteFile(show.Thumbnail(n), "kept");
    QVERIFY(show.Tick()); // makes 3, the first one missing
    QVERIFY(ThumbnailExists(show.model, 3));
    QVERIFY(!show.Tick()); // all there: done without converting anything
    QVERIFY(show.state.AllThumbnailsCreated);
    for (int n : { 1, 2, 4 })
        QCOMPARE(ReadAll(show.Thumbnail(n)), QByteArray("kept"));
    // A later run with every thumbnail in place finishes at its first tick.
    ThumbnailState next;
    show.state = next;
    QVERIFY(!show.Tick());
    QVERIFY(show.state.AllThumbnailsCreated);
}

void tst_Thumbnails::waitsForFiles_skipsLostPictures()
{
    ThumbnailShow show;
    show.slidesWaiting = { 1 };
    QVERIFY(show.Tick());
    QVERIFY(show.Tick());
    QCOMPARE(show.state.ThumbnailIndex, 1); // waits at slide 1 while its files are coming
    QVERIFY(show.ThumbnailFiles().isEmpty());

    // Slide 1's picture is gone: while downloads run it is waited for; once they are over it is
    // skipped with a trace line.
    show.slidesWaiting.clear();
    QVERIFY(QFile::remove(show.Resource(u"photo.bmp"_s)));
    show.downloadComplete = false;
    QVERIFY(show.Tick());
    QCOMPARE(show.state.ThumbnailIndex, 1);
    show.downloadComplete = true;
    QVERIFY(show.Tick());
    QCOMPARE(show.state.ThumbnailIndex, 2);
    QVERIFY(show.Trace().contains(u"Skipping thumbnail "_s + show.Thumbnail(1)));
    QVERIFY(show.ThumbnailFiles().isEmpty());
    QVERIFY(show.Tick());
    QVERIFY(ThumbnailExists(show.model, 2));
    QVERIFY(!ThumbnailExists(show.model, 1));
}

void tst_Thumbnails::unwrittenThumbnailIsRetried()
{
    ThumbnailShow show;
    // The thumbnails folder is in the way (a file), so nothing can be written there.
    QVERIFY(QDir(show.folders.ThumbnailPath).removeRecursively());
    QFile blocker(show.folders.ThumbnailPath);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(show.Tick());
    QVERIFY(show.Tick());
    QCOMPARE(show.state.ThumbnailIndex, 1);
    QVERIFY(!ThumbnailExists(show.model, 1));

    QVERIFY(QFile::remove(show.folders.ThumbnailPath));
    QVERIFY(QDir().mkpath(show.folders.ThumbnailPath));
    QVERIFY(show.Tick());
    QVERIFY(ThumbnailExists(show.model, 1));
}

void tst_Thumbnails::slideWithoutPicture_isDrawnWithItsSubslides()
{
    ThumbnailShow show;
    const DrawingEnvironment env;
    const QImage drawn = DrawSlideThumbnail(show.model, env, 3);
    QCOMPARE(drawn.size(), QSize(160, 120));
    // Background blue, the slide's red quarter, the subslide's green quarter.
    QCOMPARE(Pixel(drawn, 40, 30), 0xFF0000U);
    QCOMPARE(Pixel(drawn, 120, 90), 0x00FF00U);
    QCOMPARE(Pixel(drawn, 120, 30), 0x0000FFU);
    QCOMPARE(Pixel(drawn, 40, 90), 0x0000FFU);

    // Exactly the resampled picture the render tool draws for the slide at its end.
    RenderState r;
    PrepareRenderState(r, show.log);
    ComposeSlide(r, show.model, env, show.log, 3, 1);
    QCOMPARE(drawn, ScaleImage(20, r.Surfaces.Foreground.Image));

    // The maker writes it like any other thumbnail.
    show.state.ThumbnailIndex = 3;
    QVERIFY(show.Tick());
    const QImage written = QImage(show.Thumbnail(3)).convertToFormat(QImage::Format_RGB32);
    const JpegDifference difference = Compare(written, drawn);
    QVERIFY2(difference.Mean < 5 && difference.LargestInside <= 4,
        qPrintable(u"mean %1, largest %2"_s.arg(difference.Mean).arg(difference.LargestInside)));
    QVERIFY(DrawSlideThumbnail(show.model, env, 5).isNull());
    // A fifth of the slide's size on screen, so the preview shows it pixel for pixel.
    QCOMPARE(DrawSlideThumbnail(show.model, env, 3, QSize(1440, 1080)).size(), QSize(288, 216));
}

void tst_Thumbnails::scrambledPresentation()
{
    ThumbnailShow show;
    show.script.EncryptFlag = true;
    // A scrambled picture is unscrambled in its working copy.
    const QString photo = show.Resource(u"photo.bmp"_s);
    QString error;
    QVERIFY2(ScrambleFile(photo, photo + u".s"_s, 17, &error), qPrintable(error));
    QVERIFY(QFile::remove(photo));
    QVERIFY(QFile::rename(photo + u".s"_s, photo));
    QVERIFY(show.Tick());
    QVERIFY(ThumbnailExists(show.model, 1));
    QVERIFY(show.reporter.Fatal.empty());

    // A plain picture in a scrambled presentation is a corrupt one: the fatal path, and the
    // maker stops.
    QVERIFY(!show.Tick());
    QCOMPARE(show.reporter.Fatal.size(), size_t(1));
    QCOMPARE(show.reporter.Fatal.front().Kind, FatalErrorKind::Encrypt);
    QVERIFY(!ThumbnailExists(show.model, 2));
    QVERIFY(!show.Tick());
}

QTEST_MAIN(tst_Thumbnails)
#include "tst_thumbnails.moc"
