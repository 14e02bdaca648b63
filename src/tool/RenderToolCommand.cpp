#include "tool/RenderToolCommand.h"

#include "base/DebugLog.h"
#include "platform/MonotonicClock.h"
#include "render/ImageScale.h"
#include "render/RenderState.h"
#include "render/SlideComposition.h"
#include "script/PresentationModel.h"
#include "tool/ToolShow.h"

#include <QImageReader>
#include <QTextStream>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

struct RenderOptions {
    QString script;
    QString builtin;
    QString out;
    int slide = 0;
    int subslide = 0;
    QSize size { 800, 600 };
};

std::optional<int> ReadCount(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

// "WxH" with both at least 1 and at most 16384.
std::optional<QSize> ReadSize(const QString& text)
{
    const QStringList parts = text.toLower().split(u'x');
    if (parts.size() != 2)
        return std::nullopt;
    const auto w = ReadCount(parts[0]);
    const auto h = ReadCount(parts[1]);
    if (!w || !h || *w < 1 || *h < 1 || *w > 16384 || *h > 16384)
        return std::nullopt;
    return QSize(*w, *h);
}

// Parses the arguments; returns an error text, empty on success.
QString ParseOptions(const QStringList& args, RenderOptions& o)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == u"--builtin" || a == u"--out" || a == u"--slide" || a == u"--subslide"
            || a == u"--size") {
            if (!hasValue)
                return a + u" needs a value"_s;
            const QString value = args[++i];
            if (a == u"--builtin") {
                o.builtin = value.toLower();
            } else if (a == u"--out") {
                o.out = value;
            } else if (a == u"--size") {
                const auto size = ReadSize(value);
                if (!size)
                    return u"--size needs WIDTHxHEIGHT, not '"_s + value + u"'"_s;
                o.size = *size;
            } else {
                const auto number = ReadCount(value);
                if (!number)
                    return a + u" needs a whole number, not '"_s + value + u"'"_s;
                (a == u"--slide" ? o.slide : o.subslide) = *number;
            }
        } else if (a.startsWith(u"--") || !o.script.isEmpty()) {
            return u"unexpected argument '"_s + a + u"'"_s;
        } else {
            o.script = a;
        }
    }
    if (o.out.isEmpty())
        return u"--out FILE.png is required"_s;
    if (o.builtin.isEmpty() == o.script.isEmpty())
        return u"give either SCRIPT or --builtin TYPE"_s;
    if (!o.builtin.isEmpty() && o.builtin != u"end" && o.builtin != u"none" && o.builtin != u"load")
        return u"--builtin takes end, none or load"_s;
    if (!o.script.isEmpty() && o.slide < 1)
        return u"--slide N (1 or more) is required with a script"_s;
    return QString();
}

// Writes the layers' picture centred in one of the given size.
int WritePicture(const QImage& picture, QSize size, const QString& out, QTextStream& err)
{
    if (!Letterboxed(picture, size).save(out, "PNG")) {
        err << u"zentil-tool render: cannot write '"_s << out << u"'\n"_s;
        return 1;
    }
    return 0;
}

int RenderScriptSlide(const RenderOptions& o, QTextStream& err)
{
    ToolShow show;
    if (!show.Load(o.script, u"render"_s, err))
        return 1;
    const SlideShowModel& model = show.Model();
    if (o.slide > model.SlideCount()) {
        err << u"zentil-tool render: the script has "_s << model.SlideCount()
            << u" slide(s), not "_s << o.slide << u"\n"_s;
        return 1;
    }
    const Slide& slide = model.SlideAt(o.slide);
    if (o.subslide > slide.SubslideCount()) {
        err << u"zentil-tool render: slide "_s << o.slide << u" has "_s << slide.SubslideCount()
            << u" subslide(s), not "_s << o.subslide << u"\n"_s;
        return 1;
    }
    // As the player shows it: the slide's background, the slide, then its subslides in order.
    const QImage picture = show.DrawSlide(o.slide, o.subslide, o.size);
    if (!show.ReportProblems(err))
        return 1;
    return WritePicture(picture, o.size, o.out, err);
}

} // namespace

int RunRenderCommand(const QStringList& args)
{
    QTextStream err(stderr);
    RenderOptions o;
    if (const QString problem = ParseOptions(args, o); !problem.isEmpty()) {
        err << u"zentil-tool render: "_s << problem << u"\nUsage: zentil-tool "_s
            << QString::fromLatin1(RenderCommandSynopsis) << u"\n"_s;
        return 2;
    }
    if (o.builtin.isEmpty())
        return RenderScriptSlide(o, err);
    MonotonicClock clock;
    DebugLog log(clock, false);
    RenderState r;
    PrepareRenderState(r, log, FittedSlideSize(o.size));
    SlideShowModel model;
    ShowDefaultSlide(r, model, DrawingEnvironment {}, log, o.builtin);
    return WritePicture(r.Surfaces.Foreground.Image, o.size, o.out, err);
}

int RunScaleCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    bool isNumber = false;
    const int percent = args.size() == 3 ? args[1].toInt(&isNumber) : 0;
    if (!isNumber) {
        err << u"zentil-tool scale: give a picture, a whole percentage and an output file\n"_s
            << u"Usage: zentil-tool "_s << QString::fromLatin1(ScaleCommandSynopsis) << u"\n"_s;
        return 2;
    }
    QImageReader reader(args[0]);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        err << u"zentil-tool scale: cannot read '"_s << args[0] << u"': "_s << reader.errorString()
            << u"\n"_s;
        return 1;
    }
    const ScaleRatio& ratio = ScaleRatioTable[size_t(ScaleRatioEntry(percent))];
    const QImage scaled = ScaleImage(percent, picture);
    if (scaled.isNull()) {
        err << u"zentil-tool scale: a "_s << picture.width() << u"x"_s << picture.height()
            << u" picture scaled by "_s << ratio.P << u"/"_s << ratio.Q
            << u" has no pixels left\n"_s;
        return 1;
    }
    if (!scaled.save(args[2])) {
        err << u"zentil-tool scale: cannot write '"_s << args[2] << u"'\n"_s;
        return 1;
    }
    out << picture.width() << u"x"_s << picture.height() << u" -> "_s << scaled.width() << u"x"_s
        << scaled.height() << u" (by "_s << ratio.P << u"/"_s << ratio.Q << u")\n"_s;
    return 0;
}

} // namespace zentil
