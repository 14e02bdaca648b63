// Exports a generated narrated show (10 minutes unless told: 20 slides of 30 s, four subslides
// each) to a 1920×1080 H.264/AAC video and reports the speed as a multiple of real time, side by
// side with the ffmpeg program encoding a generated still picture and tone for the same length
// with the same settings. A 10-minute export takes minutes, so shows of 5 minutes and more keep
// the best of 2 alternating runs unless told; shorter ones the best of 5.
// Usage: bench_export [--minutes M] [--runs R]

#include "tool/ExportCommand.h"

#include "BenchSupport.h"
#include "support/SilentWave.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

constexpr int kSlideSeconds = 30;
constexpr int kRate = 22050;

bool WriteShow(const QDir& dir, int slides)
{
    dir.mkpath(u"resources"_s);
    QString script = u"%resource\n/resource {"_s;
    for (int n = 1; n <= slides; ++n)
        script += u"s%1.wav "_s.arg(n);
    script += u"}\n%background\n/box {0 0 800 600 blend #123456 fill #2A7F9E penwidth 0}\n"_s;
    for (int n = 1; n <= slides; ++n) {
        if (!test::WriteTone(dir.filePath(u"resources/s%1.wav"_s.arg(n)), kRate, 1,
                qint64(kRate) * kSlideSeconds, test::SampleKind::Pcm16, 0.1))
            return false;
        script += u"%slide\n/play {s%1.wav}\n/font {face Arial size 40 bold color #FFFFFF}\n"
                  "/text {400 120 cj Slide %1}\n"_s.arg(n);
        for (int k = 1; k <= 4; ++k)
            script += u"%subslide %1\n/font {face Arial size 24 color #F5F2EB}\n"
                      "/text {100 %2 lj Point %3 of slide %4, said at %1 seconds}\n"
                      "/box {60 %5 80 %6 fill #F2A541 penwidth 0}\n"_s.arg(k * 6)
                          .arg(180 + k * 60)
                          .arg(k)
                          .arg(n)
                          .arg(160 + k * 60)
                          .arg(180 + k * 60);
        script += u"%endslide\n"_s;
    }
    QFile f(dir.filePath(u"show.zentil"_s));
    return f.open(QIODevice::WriteOnly) && f.write(script.toUtf8()) > 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    int minutes = 10;
    int runs = 0;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == u"--minutes")
            minutes = std::max(1, args[i + 1].toInt());
        else if (args[i] == u"--runs")
            runs = std::max(1, args[i + 1].toInt());
    }
    if (runs == 0)
        runs = minutes >= 5 ? 2 : 5;
    const int slides = std::max(1, minutes * 60 / kSlideSeconds);
    const double seconds = double(slides) * kSlideSeconds;
    QTemporaryDir temp;
    const QDir dir(temp.path());
    if (!temp.isValid() || !WriteShow(dir, slides)) {
        out << "bench_export: cannot write the show\n";
        return 1;
    }
    // The reference: ffmpeg encodes a still of the background's colour and a tone as long as the
    // show, generated as it goes (nothing to decode), with the export's settings.
    const QStringList reference = { u"-v"_s, u"error"_s, u"-y"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
        u"color=c=0x2A7F9E:s=1920x1080:r=30"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
        u"sine=frequency=440:sample_rate=%1"_s.arg(kRate), u"-t"_s, QString::number(seconds),
        u"-c:v"_s, u"libx264"_s, u"-preset"_s, u"veryfast"_s, u"-crf"_s, u"18"_s, u"-pix_fmt"_s,
        u"yuv420p"_s, u"-c:a"_s, u"aac"_s, u"-b:a"_s, u"128k"_s, u"-ar"_s, u"48000"_s, u"-ac"_s,
        u"2"_s, dir.filePath(u"reference.mp4"_s) };

    out << "bench_export: " << slides << " slides, " << seconds / 60 << " minutes of narration, "
        << "1920x1080 at 30 fps; load average before: " << bench::LoadAverage() << "\n";
    out.flush();
    double bestExport = 1e100;
    double bestReference = 1e100;
    for (int run = 1; run <= runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        QString exportOut, exportErr;
        QTextStream o(&exportOut), e(&exportErr);
        const int code = RunExportCommand(
            { dir.filePath(u"show.zentil"_s), dir.filePath(u"export.mp4"_s) }, o, e);
        const double exportSeconds = clock.elapsed() / 1000.0;
        if (code != 0) {
            out << "bench_export: the export run ended with exit code " << code << ": "
                << exportErr.right(300) << "\n";
            return 1;
        }
        clock.restart();
        QProcess ffmpeg;
        ffmpeg.start(u"ffmpeg"_s, reference);
        if (!ffmpeg.waitForFinished(-1) || ffmpeg.exitCode() != 0) {
            out << "bench_export: the ffmpeg reference run failed: "
                << ffmpeg.readAllStandardError().right(300) << "\n";
            return 1;
        }
        const double referenceSeconds = clock.elapsed() / 1000.0;
        bestExport = std::min(bestExport, exportSeconds);
        bestReference = std::min(bestReference, referenceSeconds);
        out << "run " << run << ": export " << QString::number(exportSeconds, 'f', 1) << " s ("
            << QString::number(seconds / exportSeconds, 'f', 2) << "x real time), ffmpeg "
            << QString::number(referenceSeconds, 'f', 1) << " s ("
            << QString::number(seconds / referenceSeconds, 'f', 2) << "x)\n";
        out.flush();
    }
    out << "best of " << runs << ": export " << QString::number(seconds / bestExport, 'f', 2)
        << "x real time, ffmpeg reference " << QString::number(seconds / bestReference, 'f', 2)
        << "x; export takes " << QString::number(bestExport / bestReference, 'f', 2)
        << " times the reference's time\n"
        << "faster than real time: " << (bestExport < seconds ? "yes" : "NO") << "\n"
        << "load average after: " << bench::LoadAverage() << "\n";
    return 0;
}
