// Playback speed, measured side by side in one run:
//  - milliseconds from process start to the first slide on screen, for the player on a
//    presentation, beside a minimal Qt program that opens a full-screen window and shows one
//    800×600 picture (the floor);
//  - milliseconds from a narration's natural end to the next slide's picture on screen.
// Each measurement runs in a fresh process (this program re-starts itself), with silent
// narration output so the numbers do not depend on a sound server.
//
// Usage: bench_playback SCRIPT [RUNS]
#include "app/ZentilApp.h"
#include "playback/FullScreenWindow.h"
#include "playback/WavePlayer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
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
                QApplication::quit();
        }
    });
    for (int set : { 1, 2 })
        QObject::connect(
            &player.WaveControl(set), &zentil::WavePlayer::Done, &app,
            [&](int, int code) {
                if (code == 1)
                    sinceNarrationEnd.start();
            },
            Qt::DirectConnection);
    if (!player.Start(script))
        return 1;
    QTimer::singleShot(120000, &app, &QApplication::quit);
    QApplication::exec();
    for (double ms : changes)
        Report("slide_change_ms", ms);
    player.ExecuteExitZentil();
    return 0;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs this program in the given mode and collects the values it reports per key.
void Measure(const QString& self, const QStringList& args, std::vector<double>& first,
    std::vector<double>& changes)
{
    QProcess process;
    process.start(self, args);
    process.waitForFinished(180000);
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() != 2)
            continue;
        if (parts[0] == "first_picture_ms")
            first.push_back(parts[1].toDouble());
        else if (parts[0] == "slide_change_ms")
            changes.push_back(parts[1].toDouble());
    }
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
        Measure(self, { u"--floor"_s }, floorFirst, unused);
        Measure(self, { u"--player"_s, script }, playerFirst, changes);
    }
    const double floor = Median(floorFirst);
    const double player = Median(playerFirst);
    std::printf("start-up to first picture (median of %d runs)\n", runs);
    std::printf("  minimal Qt window   %8.1f ms\n", floor);
    std::printf(
        "  zentil, first slide %8.1f ms   ratio %.2f\n", player, floor > 0 ? player / floor : 0.0);
    std::printf("narration end to next slide on screen (median of %zu changes)\n", changes.size());
    std::printf("  %8.2f ms   (one frame at 60 Hz: 16.7 ms)\n", Median(changes));
    return 0;
}
