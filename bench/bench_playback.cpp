// Playback speed, measured side by side in one run:
//  - milliseconds from process start to the first slide on screen, for the player on a
//    presentation, beside a minimal Qt program that opens a full-screen window and shows one
//    800×600 picture (the floor);
//  - milliseconds from a narration's natural end to the next slide's picture on screen: median,
//    99th percentile and worst case.
// Each measurement runs in a fresh process (this program re-starts itself), with silent
// narration output so the numbers do not depend on a sound server; the two sides alternate, and
// start-up is judged on the best run of each (the machine may be shared: its load is printed).
// A run that fails (the show does not load or play, the process crashes or times out) ends the
// benchmark with a message and a non-zero exit code: no numbers are better than made-up ones.
//
// Usage: bench_playback SCRIPT [RUNS] [--size WxH]  (SCRIPT needs at least three slides; RUNS
// per side, 5 unless given; --size runs both sides on an off-screen display of that size)
#include "BenchSupport.h"
#include "app/ZentilApp.h"
#include "playback/FullScreenWindow.h"
#include "playback/ShowController.h"
#include "playback/WavePlayer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// The clock both sides are timed on: monotonic, in milliseconds.
double MonotonicMs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The measuring run tells each child when it started it (kStartedAt, on the same clock), so the
// time is taken to the microsecond; the kernel's own record of a process's start counts in
// 10 ms ticks, as much as the difference being measured. A child started by hand falls back
// to that record.
constexpr auto kStartedAt = "ZENTIL_BENCH_STARTED_AT_MS";

double MsSinceProcessStart()
{
    bool given = false;
    const double startedAt = qEnvironmentVariable(kStartedAt).toDouble(&given);
    if (given)
        return MonotonicMs() - startedAt;
    QFile stat(u"/proc/self/stat"_s);
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = stat.readAll().split(' ');
    const double startTicks = fields.value(21).toDouble();
    timespec now {};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs
        = static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
    return nowMs - startTicks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Milliseconds of processor time this process has used (user and system), which a busy machine
// stretches far less than the time on the clock.
double CpuMsSinceProcessStart()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void Report(const char* key, double value)
{
    std::printf("%s %.3f\n", key, value);
    std::fflush(stdout);
}

int RunFloor(int argc, char** argv)
{
    QApplication app(argc, argv);
    QImage picture(800, 600, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    QGraphicsScene scene(0, 0, 800, 600);
    scene.addPixmap(QPixmap::fromImage(picture));
    QGraphicsView view(&scene);
    view.setBackgroundBrush(Qt::black);
    view.showFullScreen();
    QTimer::singleShot(0, &app, [&] {
        view.fitInView(scene.sceneRect(), Qt::KeepAspectRatio);
        view.viewport()->repaint();
        Report("first_picture_ms", MsSinceProcessStart());
        Report("first_picture_cpu_ms", CpuMsSinceProcessStart());
        QApplication::quit();
    });
    return QApplication::exec();
}

int RunPlayer(int argc, char** argv, const QString& script)
{
    QApplication app(argc, argv);
    QTemporaryDir home;
    zentil::PlayerOptions options;
    options.HomeFolder = home.path();
    options.SilentAudio = true;
    options.ShowDialogs = false;
    zentil::ZentilApp player(options);
    zentil::FullScreenWindow& window = player.Window();
    bool firstSlide = false;
    QElapsedTimer sinceNarrationEnd;
    std::vector<double> changes;
    QObject::connect(&window, &zentil::FullScreenWindow::PictureShown, &app, [&] {
        // The window paints a new picture before it says it is shown.
        if (player.Model().CurrentSlide.Index < 1)
            return;
        if (!firstSlide) {
            firstSlide = true;
            Report("first_picture_ms", MsSinceProcessStart());
            Report("first_picture_cpu_ms", CpuMsSinceProcessStart());
        } else if (sinceNarrationEnd.isValid()) {
            changes.push_back(static_cast<double>(sinceNarrationEnd.nsecsElapsed()) / 1e6);
            sinceNarrationEnd.invalidate();
            if (changes.size() >= 2)
                QTimer::singleShot(0, &app, &QApplication::quit);
        }
    });
    // The clock must start before the player reacts to the narration's end, so the player's own
    // handler is connected again after the one that starts the clock.
    for (int set : { 1, 2 }) {
        zentil::WavePlayer& wave = player.WaveControl(set);
        QObject::disconnect(&wave, &zentil::WavePlayer::Done, &player, nullptr);
        QObject::connect(&wave, &zentil::WavePlayer::Done, &app, [&](int, int code) {
            if (code == 1)
                sinceNarrationEnd.start();
        });
        QObject::connect(&wave, &zentil::WavePlayer::Done, &player, [&](int index, int code) {
            player.Control().Dispatch(zentil::ShowEvent::NarrationDone(index, code));
        });
    }
    if (!player.Start(script) || player.Model().SlideCount() < 3) {
        std::fprintf(stderr, "the player did not load a show of at least three slides\n");
        return 1;
    }
    QTimer::singleShot(120000, &app, &QApplication::quit);
    QApplication::exec();
    for (double ms : changes)
        Report("slide_change_ms", ms);
    player.ExecuteExitZentil();
    if (changes.size() < 2) {
        std::fprintf(stderr, "the show did not change slides twice within two minutes\n");
        return 1;
    }
    return 0;
}

// The value below which the given share of the values lie (nearest rank).
double Percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<size_t>(std::ceil(share * static_cast<double>(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

double Median(const std::vector<double>& values)
{
    return Percentile(values, 0.5);
}

// Runs this program in the given mode and collects the values it reports per key. Returns false,
// after saying why on standard error, when the run failed or reported nothing.
bool Measure(const QString& self, const QStringList& args, const QProcessEnvironment& environment,
    std::vector<double>& first, std::vector<double>& firstCpu, std::vector<double>& changes)
{
    QProcess process;
    QProcessEnvironment timed = environment;
    timed.insert(QString::fromLatin1(kStartedAt), QString::number(MonotonicMs(), 'f', 3));
    process.setProcessEnvironment(timed);
    process.start(self, args);
    const bool finished = process.waitForFinished(180000);
    if (!finished)
        process.kill();
    const size_t firstBefore = first.size();
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() != 2)
            continue;
        if (parts[0] == "first_picture_ms")
            first.push_back(parts[1].toDouble());
        else if (parts[0] == "first_picture_cpu_ms")
            firstCpu.push_back(parts[1].toDouble());
        else if (parts[0] == "slide_change_ms")
            changes.push_back(parts[1].toDouble());
    }
    QString failure;
    if (!finished)
        failure = u"did not finish within 180 s"_s;
    else if (process.exitStatus() != QProcess::NormalExit)
        failure = u"crashed"_s;
    else if (process.exitCode() != 0)
        failure = u"ended with exit code %1"_s.arg(process.exitCode());
    else if (first.size() == firstBefore)
        failure = u"reported no first picture"_s;
    if (failure.isEmpty())
        return true;
    QTextStream(stderr) << u"bench_playback: the run \""_s << args.join(u' ') << u"\" "_s << failure
                        << u"\n"_s << process.readAllStandardError();
    return false;
}

// The environment of the measured runs: with a size, Qt's off-screen platform with one screen of
// that size (its configuration file is written into folder).
bool RunEnvironment(const QString& size, const QString& folder, QProcessEnvironment& environment)
{
    environment = QProcessEnvironment::systemEnvironment();
    if (size.isEmpty())
        return true;
    const QStringList parts = size.split(u'x');
    const int width = parts.value(0).toInt();
    const int height = parts.value(1).toInt();
    if (parts.size() != 2 || width < 1 || height < 1)
        return false;
    const QString config = QDir(folder).filePath(u"screen.json"_s);
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("{\"screens\": [{\"name\": \"bench\", \"x\": 0, \"y\": 0, "
                              "\"width\": %1, \"height\": %2, \"logicalDpi\": 96, "
                              "\"logicalBaseDpi\": 96, \"dpr\": 1}]}")
                   .arg(width)
                   .arg(height)
                   .toUtf8());
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen:configfile="_s + config);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.value(0) == u"--floor")
        return RunFloor(argc, argv);
    if (args.value(0) == u"--player")
        return RunPlayer(argc, argv, args.value(1));
    QString size;
    if (const qsizetype at = args.indexOf(u"--size"_s); at >= 0) {
        size = args.value(at + 1);
        args.remove(at, std::min<qsizetype>(2, args.size() - at));
    }
    QTemporaryDir folder;
    QProcessEnvironment environment;
    if (args.isEmpty() || !RunEnvironment(size, folder.path(), environment)) {
        std::fprintf(stderr, "usage: bench_playback SCRIPT [RUNS] [--size WxH]\n");
        return 2;
    }
    const QString self = QString::fromLocal8Bit(argv[0]);
    const QString script = QFileInfo(args[0]).absoluteFilePath();
    const int runs = std::max(1, args.value(1, u"5"_s).toInt());
    zentil::bench::PrintLoadAverage("before");
    std::vector<double> floorFirst, playerFirst, floorCpu, playerCpu, changes, unused;
    double worstRunP99 = 0;
    for (int i = 0; i < runs; ++i) {
        std::vector<double> runChanges;
        if (!Measure(self, { u"--floor"_s }, environment, floorFirst, floorCpu, unused)
            || !Measure(
                self, { u"--player"_s, script }, environment, playerFirst, playerCpu, runChanges))
            return 1;
        worstRunP99 = std::max(worstRunP99, Percentile(runChanges, 0.99));
        changes.insert(changes.end(), runChanges.begin(), runChanges.end());
    }
    zentil::bench::PrintLoadAverage("after ");
    const double floor = *std::min_element(floorFirst.begin(), floorFirst.end());
    const double player = *std::min_element(playerFirst.begin(), playerFirst.end());
    std::printf("start-up to first picture, %s: best of %d alternating runs per side (median)\n",
        size.isEmpty() ? "full screen" : qPrintable(size), runs);
    std::printf("  minimal Qt window   %8.1f ms (%6.1f)\n", floor, Median(floorFirst));
    std::printf("  zentil, first slide %8.1f ms (%6.1f)   ratio %.2f (target <= 1.5)\n", player,
        Median(playerFirst), floor > 0 ? player / floor : 0.0);
    if (!floorCpu.empty() && !playerCpu.empty()) {
        const double floorCpuMs = *std::min_element(floorCpu.begin(), floorCpu.end());
        const double playerCpuMs = *std::min_element(playerCpu.begin(), playerCpu.end());
        std::printf("  processor time to the first picture (less sensitive to the load): minimal "
                    "window %.1f ms, zentil %.1f ms, ratio %.2f\n",
            floorCpuMs, playerCpuMs, floorCpuMs > 0 ? playerCpuMs / floorCpuMs : 0.0);
    }
    std::printf(
        "narration end to next slide on screen (%zu changes; one frame at 60 Hz: 16.7 ms)\n",
        changes.size());
    std::printf("  median %8.2f ms   p99 %8.2f ms   worst %8.2f ms   worst p99 of a run %.2f ms\n",
        Median(changes), Percentile(changes, 0.99),
        *std::max_element(changes.begin(), changes.end()), worstRunP99);
    return 0;
}
