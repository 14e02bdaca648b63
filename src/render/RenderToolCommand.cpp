#include "render/RenderToolCommand.h"

#include "app/DebugLog.h"
#include "platform/MonotonicClock.h"
#include "render/RenderState.h"
#include "render/SlideComposition.h"
#include "script/PresentationModel.h"

#include <QFileInfo>
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
};

std::optional<int> ReadCount(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

// Parses the arguments; returns an error text, empty on success.
QString ParseOptions(const QStringList& args, RenderOptions& o)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == u"--builtin" || a == u"--out" || a == u"--slide" || a == u"--subslide") {
            if (!hasValue)
                return a + u" needs a value"_s;
            const QString value = args[++i];
            if (a == u"--builtin") {
                o.builtin = value.toLower();
            } else if (a == u"--out") {
                o.out = value;
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

int WritePicture(const RenderState& r, const QString& out, QTextStream& err)
{
    if (!r.Surfaces.Foreground.Image.save(out, "PNG")) {
        err << u"zentil-tool render: cannot write '"_s << out << u"'\n"_s;
        return 1;
    }
    return 0;
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
    MonotonicClock clock;
    DebugLog log(clock, false);
    RenderState r;
    PrepareRenderState(r, log);
    DrawingEnvironment env;
    env.ResourceMissing = [&err](const QString& name) {
        err << u"zentil-tool render: resource '"_s << name << u"' is missing: not drawn\n"_s;
    };
    if (!o.builtin.isEmpty()) {
        SlideShowModel model;
        ShowDefaultSlide(r, model, env, log, o.builtin);
        return WritePicture(r, o.out, err);
    }
    err << u"zentil-tool render: drawing a script's slides needs the script loader\n"_s;
    return 1;
}

} // namespace zentil
