#include "tool/ExportCommand.h"

#include "script/PresentationModel.h"
#include "tool/ToolShow.h"
#include "tool/VideoEncoder.h"

#include <QRegularExpression>
#include <QTextStream>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr int kDefaultWidth = 1920;
constexpr int kDefaultHeight = 1080;
constexpr int kDefaultFps = 30;
constexpr int kSilentSlideSeconds = 3; // a slide without narration (the player refuses it)
constexpr int kBarWidth = 40;

struct ExportOptions {
    QString Script;
    QString Out;
    int Width = kDefaultWidth;
    int Height = kDefaultHeight;
    int Fps = kDefaultFps;
};

QString ParseOptions(const QStringList& args, ExportOptions& o)
{
    QStringList files;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--size" && i + 1 < args.size()) {
            const auto m = QRegularExpression(u"^(\\d+)x(\\d+)$"_s).match(args[++i]);
            o.Width = m.hasMatch() ? m.captured(1).toInt() : 0;
            o.Height = m.hasMatch() ? m.captured(2).toInt() : 0;
            if (o.Width < 16 || o.Height < 16 || o.Width > 7680 || o.Height > 4320 || o.Width % 2
                || o.Height % 2)
                return u"--size takes even WIDTHxHEIGHT from 16x16 to 7680x4320"_s;
        } else if (a == u"--fps" && i + 1 < args.size()) {
            bool ok = false;
            o.Fps = args[++i].toInt(&ok);
            if (!ok || o.Fps < 1 || o.Fps > 120)
                return u"--fps takes a whole number from 1 to 120"_s;
        } else if (a.startsWith(u"--")) {
            return u"unexpected argument '"_s + a + u"'"_s;
        } else {
            files << a;
        }
    }
    if (files.size() != 2)
        return u"give a script and an output file"_s;
    o.Script = files[0];
    o.Out = files[1];
    return QString();
}

void ShowProgress(QTextStream& err, int64_t done, int64_t total, int slide, int slides)
{
    const double part = total > 0 ? double(done) / double(total) : 1.0;
    const int filled = static_cast<int>(part * kBarWidth);
    err << u"\r["_s << QString(filled, u'#') << QString(kBarWidth - filled, u'-') << u"] "_s
        << qRound(part * 100) << u"%  slide "_s << slide << u"/"_s << slides;
    err.flush();
}

} // namespace

int RunExportCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    ExportOptions o;
    if (const QString problem = ParseOptions(args, o); !problem.isEmpty()) {
        err << u"zentil-tool export: "_s << problem << u"\nUsage: zentil-tool "_s
            << QString::fromLatin1(ExportCommandSynopsis) << u"\n"_s;
        return 2;
    }
    ToolShow show;
    if (!show.Load(o.Script, u"export"_s, err))
        return 1;
    const SlideShowModel& model = show.Model();
    const int slides = model.SlideCount();

    // Every narration first: the slides' lengths place the frames.
    std::vector<std::vector<float>> sounds(static_cast<size_t>(slides));
    int64_t totalSamples = 0;
    for (int n = 1; n <= slides; ++n) {
        auto& sound = sounds[static_cast<size_t>(n - 1)];
        const QString file = show.NarrationFile(n);
        QString problem;
        if (file.isEmpty() || !DecodeSoundFile(file, sound, &problem)) {
            err << u"zentil-tool export: slide "_s << n << u": "_s
                << (file.isEmpty() ? u"no narration file"_s : problem) << u"; "_s
                << kSilentSlideSeconds << u" s of silence instead\n"_s;
            sound.assign(
                size_t(VideoEncoder::SampleRate) * VideoEncoder::Channels * kSilentSlideSeconds,
                0.0F);
        }
        totalSamples += static_cast<int64_t>(sound.size() / VideoEncoder::Channels);
    }
    const auto frameAt = [&o](int64_t sample) {
        return static_cast<int64_t>(
            std::llround(double(sample) * o.Fps / VideoEncoder::SampleRate));
    };

    VideoEncoder encoder;
    QString problem;
    if (!encoder.Open(o.Out, o.Width, o.Height, o.Fps, &problem)) {
        err << u"zentil-tool export: "_s << problem << u"\n"_s;
        return 1;
    }
    const int64_t totalFrames = frameAt(totalSamples);
    int64_t slideStart = 0; // in samples
    int64_t frame = 0; // frames handed to the encoder so far
    for (int n = 1; n <= slides; ++n) {
        const Slide& slide = model.SlideAt(n);
        auto& sound = sounds[static_cast<size_t>(n - 1)];
        const int64_t slideEnd = slideStart + static_cast<int64_t>(sound.size() / 2);
        // The slide alone, then each subslide from its time on, as long as the slide lasts.
        for (int k = 0; k <= slide.SubslideCount(); ++k) {
            int64_t until = frameAt(slideEnd);
            if (k < slide.SubslideCount()) {
                const int64_t at = slideStart
                    + int64_t(slide.SubSlide[static_cast<size_t>(k)].StartTime)
                        * VideoEncoder::SampleRate / 1000;
                until = std::min(until, frameAt(at));
            }
            if (until <= frame && k < slide.SubslideCount())
                continue; // shown together with the next one
            // Drawn at the size the slide has in the frame, not scaled up from 800×600.
            encoder.AddFrames(
                show.DrawSlide(n, k, QSize(o.Width, o.Height)), static_cast<int>(until - frame));
            frame = std::max(frame, until);
            ShowProgress(err, frame, totalFrames, n, slides);
        }
        encoder.AddSound(std::move(sound));
        slideStart = slideEnd;
    }
    const bool finished = encoder.Finish(&problem);
    err << u"\n"_s;
    if (!finished) {
        err << u"zentil-tool export: "_s << problem << u"\n"_s;
        return 1;
    }
    if (!show.ReportProblems(err))
        return 1;
    out << u"Wrote "_s << o.Out << u": "_s << slides << u" slides, "_s
        << QString::number(double(totalSamples) / VideoEncoder::SampleRate, 'f', 2) << u" s\n"_s;
    return 0;
}

} // namespace zentil
