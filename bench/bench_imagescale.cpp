// The thumbnail reduction (20 percent: 5 by 5 blocks) of an 800×600 picture, side by side with
// Pillow's Image.reduce(5) on the same picture in the same run. Prints the time per reduction of
// each, the throughput ratio, and how many pixels of each result differ from a plain exact
// reference (rounded mean of the block, halves to even).
//
// Each side's time is the median of rounds, measured both as processor time of the running
// thread and as elapsed time; the two sides alternate, and each is judged on its best
// alternation. The target is judged on processor time: on a shared machine the elapsed time
// also counts the time other programs had the processor, which says nothing about either side.
// The machine's load is printed beside the figures.

#include "BenchSupport.h"
#include "render/ImageScale.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

constexpr int kAlternations = 5;
constexpr int kRounds = 7;
constexpr int kRepeats = 100;
constexpr double kTargetRatio = 2.0;

// A photo-like picture: smooth gradients, a few shapes and grain, so that block means vary.
QImage MakePicture()
{
    QImage picture(800, 600, QImage::Format_RGB32);
    QRandomGenerator random(20261207);
    for (int y = 0; y < 600; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < 800; ++x) {
            const int grain = int(random.bounded(41U)) - 20;
            const double wave = 60.0 * std::sin(x / 37.0) * std::cos(y / 23.0);
            const int red = std::clamp(int(x * 255 / 799 + grain), 0, 255);
            const int green = std::clamp(int(128 + wave + grain), 0, 255);
            const int blue = std::clamp(int(y * 255 / 599 - grain), 0, 255);
            line[x] = qRgb(red, green, blue);
        }
    }
    return picture;
}

// The rule written plainly: every result pixel is the mean of its 5×5 block, per channel,
// rounded half to even.
QImage ReferenceReduceBy5(const QImage& picture)
{
    QImage result(picture.width() / 5, picture.height() / 5, QImage::Format_RGB32);
    for (int y = 0; y < result.height(); ++y) {
        for (int x = 0; x < result.width(); ++x) {
            int sum[3] = { 0, 0, 0 };
            for (int j = 0; j < 5; ++j) {
                for (int i = 0; i < 5; ++i) {
                    const QRgb p = picture.pixel(5 * x + i, 5 * y + j);
                    sum[0] += qRed(p);
                    sum[1] += qGreen(p);
                    sum[2] += qBlue(p);
                }
            }
            const auto mean = [](int s) { return int(std::nearbyint(s / 25.0)); };
            result.setPixel(x, y, qRgb(mean(sum[0]), mean(sum[1]), mean(sum[2])));
        }
    }
    return result;
}

long DifferingPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    long count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF))
                ++count;
        }
    }
    return count;
}

struct Timing {
    double CpuMs = 0; // processor time of the thread per reduction
    double WallMs = 0; // elapsed time per reduction
};

double ThreadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

Timing TimeScaleImage(const QImage& picture, QImage& result)
{
    std::vector<double> cpu;
    std::vector<double> wall;
    result = ScaleImage(20, picture);
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = ThreadCpuMs();
        for (int k = 0; k < kRepeats; ++k)
            result = ScaleImage(20, picture);
        cpu.push_back((ThreadCpuMs() - cpuStart) / kRepeats);
        wall.push_back(double(timer.nsecsElapsed()) / 1e6 / kRepeats);
    }
    return { Median(cpu), Median(wall) };
}

QString PythonWithPillow()
{
    // Debian's interpreter is the one python3-pil installs into.
    return QFileInfo::exists(u"/usr/bin/python3"_s) ? u"/usr/bin/python3"_s : u"python3"_s;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir temp;
    const QString input = temp.filePath(u"picture.png"_s);
    const QString pillowOutput = temp.filePath(u"pillow.png"_s);
    const QImage picture = MakePicture();
    if (!picture.save(input)) {
        out << "cannot write the test picture\n";
        return 1;
    }

    zentil::bench::PrintLoadAverage("before");
    QImage ours;
    Timing oursTime { 1e9, 1e9 };
    Timing pillowTime { 1e9, 1e9 };
    for (int alternation = 0; alternation < kAlternations; ++alternation) {
        const Timing oursNow = TimeScaleImage(picture, ours);
        oursTime = { std::min(oursTime.CpuMs, oursNow.CpuMs),
            std::min(oursTime.WallMs, oursNow.WallMs) };

        QProcess pillow;
        pillow.start(PythonWithPillow(),
            { QStringLiteral(ZENTIL_PILLOW_SCRIPT), input, pillowOutput, u"5"_s,
                QString::number(kRounds), QString::number(kRepeats) });
        if (!pillow.waitForFinished(300000) || pillow.exitCode() != 0) {
            out << "Pillow run failed (install python3-pil): " << pillow.readAllStandardError()
                << "\n";
            return 1;
        }
        const QList<QByteArray> times = pillow.readAllStandardOutput().trimmed().split(' ');
        if (times.size() != 2) {
            out << "Pillow run printed no times\n";
            return 1;
        }
        pillowTime = { std::min(pillowTime.CpuMs, times[0].toDouble()),
            std::min(pillowTime.WallMs, times[1].toDouble()) };
    }
    zentil::bench::PrintLoadAverage("after ");
    const QImage pillowResult = QImage(pillowOutput).convertToFormat(QImage::Format_RGB32);

    const QImage reference = ReferenceReduceBy5(picture);
    const long oursDiffering = DifferingPixels(ours, reference);
    const long pillowDiffering = DifferingPixels(pillowResult, reference);
    const double cpuRatio = pillowTime.CpuMs / oursTime.CpuMs;
    const double wallRatio = pillowTime.WallMs / oursTime.WallMs;

    out << "800x600 -> 160x120 (reduction by 5): best of " << kAlternations
        << " alternating runs per side, each the median of " << kRounds << " rounds of " << kRepeats
        << "\n";
    out << "                          processor   elapsed (ms per picture)\n";
    out << QString::asprintf(
        "  ScaleImage(20)          %9.4f %9.4f\n", oursTime.CpuMs, oursTime.WallMs);
    out << QString::asprintf(
        "  Pillow Image.reduce(5)  %9.4f %9.4f\n", pillowTime.CpuMs, pillowTime.WallMs);
    out << QString::asprintf("  throughput ratio (ScaleImage / Pillow): %.2fx processor time, "
                             "%.2fx elapsed (target >= %.1fx processor time)\n",
        cpuRatio, wallRatio, kTargetRatio);
    out << "  pixels differing from the exact reference: ScaleImage " << oursDiffering
        << ", Pillow " << pillowDiffering << " (of " << reference.width() * reference.height()
        << ")\n";
    const bool met = cpuRatio >= kTargetRatio && oursDiffering == 0;
    out << (met ? "target met\n" : "TARGET NOT MET\n");
    return met ? 0 : 1;
}
