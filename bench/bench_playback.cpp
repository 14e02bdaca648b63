// Playback speed, measured side by side in one run:
//  - milliseconds from process start to the first slide on screen, for the player on a
//    presentation, beside a minimal Qt program that opens a full-screen window and shows one
//    800×600 picture (the floor);
//  - milliseconds from a narration's natural end to the next slide's picture on screen: median,
//    99th percentile and worst case.
// Each measurement runs in a fresh process (this program re-starts itself), with silent
// narration output so the numbers do not depend on a sound server. A run that fails (the show
// does not load or play, the process crashes or times out) ends the benchmark with a message
// and a non-zero exit code: no numbers are better than made-up ones.
//
// Usage: bench_playback SCRIPT [RUNS]  (SCRIPT needs at least three slides)
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
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

// Milliseconds since this process was created, from the kernel's record of its start.
double MsSinceProcessStart()
{
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
        if (player.Model().CurrentSlide.Index < 1)
            return;
        window.viewport()->repaint();
        if (!firstSlide) {
            firstSlide = true;
            Report("first_picture_ms", MsSinceProcessStart());
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
bool Measure(const QString& self, const QStringList& args, std::vector<double>& first,
    std::vector<double>& changes)
{
    QProcess process;
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

} // namespace

int main(int argc, char** argv)
{
    const QStringList args = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if (args.value(0) == u"--floor")
        return RunFloor(argc, argv);
    if (args.value(0) == u"--player")
        return RunPlayer(argc, argv, args.value(1));
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_playback SCRIPT [RUNS]\n");
        return 2;
    }
    const QString self = QString::fromLocal8Bit(argv[0]);
    const QString script = QFileInfo(args[0]).absoluteFilePath();
    const int runs = std::max(1, args.value(1, u"5"_s).toInt());
    std::vector<double> floorFirst, playerFirst, changes, unused;
    for (int i = 0; i < runs; ++i) {
        if (!Measure(self, { u"--floor"_s }, floorFirst, unused)
            || !Measure(self, { u"--player"_s, script }, playerFirst, changes))
            return 1;
    }
    const double floor = Median(floorFirst);
    const double player = Median(playerFirst);
    std::printf("start-up to first picture (median of %d runs)\n", runs);
    std::printf("  minimal Qt window   %8.1f ms\n", floor);
    std::printf(
        "  zentil, first slide %8.1f ms   ratio %.2f\n", player, floor > 0 ? player / floor : 0.0);
    std::printf(
        "narration end to next slide on screen (%zu changes; one frame at 60 Hz: 16.7 ms)\n",
        changes.size());
    std::printf("  median %8.2f ms   p99 %8.2f ms   worst %8.2f ms\n", Median(changes),
        Percentile(changes, 0.99), *std::max_element(changes.begin(), changes.end()));
    return 0;
}
