// Reading and loading scripts, side by side at two sizes.
//
// 1. 10,000 and 100,000 ordinary slides (5 resources each): the time per 1,000 slides must stay
//    about the same when the script grows tenfold.
// 2. Three shapes that grow badly when a pass is quadratic, each at n and 2n, every run in a
//    child process of its own so that its peak memory is its own: doubling the input should
//    cost at most 2.2 times the time, and the memory above the child's start should double.
//      background: one background of n pictures under n slides;
//      pictures:   one slide naming n distinct pictures, all listed in one resource set;
//      queue:      n resources queued for download, with the structure dump made.
// Both sizes alternate, kRuns times each, and each size is judged on its best run (the machine
// may be shared: its load is printed). A run that fails makes the benchmark exit non-zero.
#include "BenchSupport.h"
#include "base/DebugLog.h"
#include "base/ErrorReporting.h"
#include "platform/MonotonicClock.h"
#include "script/ScriptLoader.h"
#include "script/ScriptReader.h"
#include "script/SlideStructureDump.h"
#include "storage/ZentilFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

constexpr int kRuns = 5;

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

QByteArray MakeBackgroundScript(int n)
{
    QByteArray s = "%background\r\n";
    for (int i = 1; i <= n; ++i)
        s += "/image {0 0 b" + QByteArray::number(i) + ".jpg}\r\n";
    for (int i = 1; i <= n; ++i)
        s += "%slide\r\n/play {s" + QByteArray::number(i) + ".ogg}\r\n";
    return s;
}

QByteArray MakePicturesScript(int n)
{
    QByteArray list = "%resource\r\n/resource {a.ogg [2000] ";
    QByteArray slide = "%slide\r\n/play {a.ogg}\r\n";
    for (int i = 1; i <= n; ++i) {
        const QByteArray name = "p" + QByteArray::number(i) + ".jpg";
        list += name + " [100] ";
        slide += "/image {0 0 " + name + "}\r\n";
    }
    return list + "}\r\n" + slide;
}

QByteArray MakeQueueScript(int n)
{
    QByteArray list = "%resource\r\n/resource {a.ogg [2000] | ";
    for (int i = 1; i <= n; ++i)
        list += "file" + QByteArray::number(i) + ".jpg [100] ";
    return list + "}\r\n%slide\r\n/play {a.ogg}\r\n";
}

struct Run {
    double Seconds = -1;
    SlideShowModel Model;
    bool Failed = false;
};

// Reads and loads the script (best time of runs); with dump, also formats the structure dump.
Run ReadAndLoad(const QByteArray& bytes, int runs, bool dump)
{
    Run result;
    QTemporaryDir dir;
    const QString script = dir.filePath(u"bench.zentil"_s);
    {
        QFile f(script);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            result.Failed = true;
            return result;
        }
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
        qsizetype dumpLines = 0;
        if (dump)
            dumpLines = FormatSlideStructure(model).size();
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e9);
        result.Failed = result.Failed || reporter.failed || (dump && dumpLines == 0);
        result.Model = std::move(model);
    }
    result.Seconds = best;
    return result;
}

// Seconds per 1,000 slides to read and load a script of the given size; -1 when it failed.
double MeasureSlides(const QByteArray& script, int slides)
{
    const Run run = ReadAndLoad(script, 1, false);
    if (run.Failed || run.Model.SlideCount() != slides || run.Model.Map.Count() != slides * 4 + 1) {
        std::fprintf(stderr, "unexpected model for %d slides\n", slides);
        return -1;
    }
    return run.Seconds / slides * 1000.0;
}

// A figure of /proc/self/status in kB ("VmHWM", "VmRSS"); -1 when not found.
long StatusKb(const char* field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').front().toLong();
    }
    return -1;
}

// The child: one shape at one size. Prints "seconds peak-kB growth-kB" or fails.
int RunShape(const QString& shape, int n)
{
    const long startKb = StatusKb("VmRSS");
    QByteArray bytes;
    bool dump = false;
    if (shape == u"background")
        bytes = MakeBackgroundScript(n);
    else if (shape == u"pictures")
        bytes = MakePicturesScript(n);
    else if (shape == u"queue") {
        bytes = MakeQueueScript(n);
        dump = true;
    } else
        return 2;
    const Run run = ReadAndLoad(bytes, 2, dump);
    bytes.clear();
    const SlideShowModel& m = run.Model;
    const bool expected = shape == u"background" ? m.SlideCount() == n && m.Map.Count() == 2 * n
        : shape == u"pictures" ? m.SlideCount() == 1 && m.SlideAt(1).ResourceCount() == n + 1
                               : m.PostStartFileCount == n;
    if (run.Failed || !expected) {
        std::fprintf(stderr, "%s at %d: unexpected model\n", qPrintable(shape), n);
        return 1;
    }
    const long peakKb = StatusKb("VmHWM");
    std::printf("%.6f %ld %ld\n", run.Seconds, peakKb, peakKb - startKb);
    return 0;
}

struct ShapeResult {
    double Seconds = 0;
    long PeakKb = 0;
    long GrowthKb = 0;
};

bool MeasureShape(const QString& shape, int n, ShapeResult& out)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(
        QCoreApplication::applicationFilePath(), { u"--shape"_s, shape, QString::number(n) });
    if (!child.waitForFinished(600'000) || child.exitStatus() != QProcess::NormalExit
        || child.exitCode() != 0) {
        std::fprintf(stderr, "%s at %d: the child run failed\n", qPrintable(shape), n);
        return false;
    }
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 3)
        return false;
    out = { fields[0].toDouble(), fields[1].toLong(), fields[2].toLong() };
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"--shape")
        return RunShape(args[2], args[3].toInt());

    zentil::bench::PrintLoadAverage("before");
    const QByteArray smallScript = MakeScript(10000);
    const QByteArray largeScript = MakeScript(100000);
    double small = 1e9;
    double large = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        const double s = MeasureSlides(smallScript, 10000);
        const double l = MeasureSlides(largeScript, 100000);
        if (s < 0 || l < 0)
            return 1;
        small = std::min(small, s);
        large = std::min(large, l);
    }
    std::printf("best of %d alternating runs per size\n", kRuns);
    std::printf("read + load, 10,000 slides:  %.2f ms per 1,000 slides (%.3f s in all)\n",
        small * 1000.0, small * 10.0);
    std::printf("read + load, 100,000 slides: %.2f ms per 1,000 slides (%.3f s in all)\n",
        large * 1000.0, large * 100.0);
    std::printf("ratio per slide, 100,000 : 10,000 = %.2f (1.00 means linear)\n\n", large / small);

    struct Shape {
        QString Name;
        int N;
        const char* What;
    };
    const Shape shapes[] = {
        { u"background"_s, 20000, "background of n pictures under n slides" },
        { u"pictures"_s, 20000, "one slide naming n pictures" },
        { u"queue"_s, 50000, "n files queued, structure dump made" },
    };
    bool ok = true;
    std::printf("%-42s %8s %9s %9s %9s %8s\n", "shape", "n", "seconds", "peak MB", "growth MB", "");
    for (const Shape& shape : shapes) {
        ShapeResult a { 1e9, 0, 0 };
        ShapeResult b { 1e9, 0, 0 };
        for (int run = 0; run < kRuns && ok; ++run) {
            ShapeResult x;
            ShapeResult y;
            ok = MeasureShape(shape.Name, shape.N, x) && MeasureShape(shape.Name, 2 * shape.N, y);
            // The best time of each size; the memory of a run does not vary with the load.
            if (ok && x.Seconds < a.Seconds)
                a = x;
            if (ok && y.Seconds < b.Seconds)
                b = y;
        }
        if (!ok)
            break;
        auto row = [&shape](int n, const ShapeResult& r) {
            std::printf("%-42s %8d %9.3f %9.1f %9.1f\n", shape.What, n, r.Seconds,
                static_cast<double>(r.PeakKb) / 1024.0, static_cast<double>(r.GrowthKb) / 1024.0);
        };
        row(shape.N, a);
        row(2 * shape.N, b);
        const double timeRatio = a.Seconds > 0 ? b.Seconds / a.Seconds : 0;
        const double memoryRatio = a.GrowthKb > 0
            ? static_cast<double>(b.GrowthKb) / static_cast<double>(a.GrowthKb)
            : 0;
        std::printf("%-42s ratio 2n : n  time %.2f  memory %.2f  (%s)\n\n", "", timeRatio,
            memoryRatio, timeRatio <= 2.2 ? "within 2.2" : "ABOVE 2.2");
    }
    zentil::bench::PrintLoadAverage("after ");
    return ok ? 0 : 1;
}
