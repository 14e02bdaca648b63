// Reading and loading scripts of 10,000 and 100,000 slides (5 resources each), side by side:
// the time per 1,000 slides must stay about the same when the script grows tenfold.
#include "base/DebugLog.h"
#include "base/ErrorReporting.h"
#include "platform/MonotonicClock.h"
#include "script/ScriptLoader.h"
#include "script/ScriptReader.h"
#include "storage/ZentilFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

class SilentReporter : public ErrorReporter {
public:
    void ExecuteFatalError(const FatalError&) override { failed = true; }
    bool failed = false;
};

// A script whose slides each name a narration, three pictures and a shared background picture,
// all listed with sizes in one resource set split by "|".
QByteArray MakeScript(int slides)
{
    QByteArray s = "%title {Benchmark}\r\n%resource\r\n/resourceserver {http://example.org/b}\r\n";
    QByteArray list = "/resource {back.jpg [5000] ";
    for (int i = 1; i <= slides; ++i) {
        const QByteArray n = QByteArray::number(i);
        list += "n" + n + ".ogg [23400] p" + n + "a.jpg [9000] p" + n + "b.gif [800] p" + n
            + "c.bmp [700] ";
        if (i == 1)
            list += "| ";
    }
    s += list + "}\r\n%background\r\n/image {0 0 back.jpg}\r\n";
    for (int i = 1; i <= slides; ++i) {
        const QByteArray n = QByteArray::number(i);
        s += "%slide\r\n/play {n" + n + ".ogg}\r\n/image {10 10 p" + n + "a.jpg}\r\n/image {20 20 p"
            + n + "b.gif}\r\n/text {100 100 Slide " + n + "}\r\n%subslide +2\r\n/image {30 30 p" + n
            + "c.bmp}\r\n";
    }
    return s;
}

// Seconds per 1,000 slides to read and load a script of the given size (best of runs).
double MeasureSlides(int slides, int runs)
{
    QTemporaryDir dir;
    const QString script = dir.filePath(u"bench.zentil"_s);
    {
        QFile f(script);
        if (!f.open(QIODevice::WriteOnly))
            return -1;
        f.write(MakeScript(slides));
    }
    ZentilFolders folders;
    folders.ZTTempPath = dir.filePath(u"temp"_s);
    folders.ResourcePath = dir.filePath(u"resources"_s);
    folders.ThumbnailPath = dir.filePath(u"thumbnails"_s);
    QDir().mkpath(folders.ZTTempPath);
    MonotonicClock clock;
    DebugLog log(clock, false);
    double best = 1e9;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        ScriptStatements statements;
        LoadScriptFromFile(script, folders.ZTTempPath, statements, log);
        SilentReporter reporter;
        SlideShowModel model;
        model.Defn.ScriptShortName = u"bench.zentil"_s;
        LoadSlideShow(statements, model, LoadContext { folders, reporter, log, true, {} });
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        if (reporter.failed || model.SlideCount() != slides || model.Map.Count() != slides * 4 + 1)
            std::fprintf(stderr, "unexpected model for %d slides\n", slides);
        best = std::min(best, seconds);
    }
    return best / slides * 1000.0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const double small = MeasureSlides(10000, 3);
    const double large = MeasureSlides(100000, 2);
    std::printf("read + load, 10,000 slides:  %.2f ms per 1,000 slides (%.3f s in all)\n",
        small * 1000.0, small * 10.0);
    std::printf("read + load, 100,000 slides: %.2f ms per 1,000 slides (%.3f s in all)\n",
        large * 1000.0, large * 100.0);
    std::printf("ratio per slide, 100,000 : 10,000 = %.2f (1.00 means linear)\n", large / small);
    return 0;
}
