// The drawing interpreter: each line of the input is a drawing command, drawn in turn on the
// 800x600 layers with the test pictures as the presentation's resources.
#include "FuzzSupport.h"

#include "base/DebugLog.h"
#include "platform/MonotonicClock.h"
#include "render/DrawingCommands.h"
#include "render/RenderState.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

constexpr qsizetype kMostLines = 64;

struct Drawing {
    MonotonicClock Clock;
    DebugLog Log { Clock, false };
    RenderState State;
    DrawingEnvironment Env;
};

Drawing* TheDrawing = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Both live until the process ends; destroying them at exit would only race Qt's own
    // clean-up.
    new QGuiApplication(*argc, *argv);
    auto& drawing = *new Drawing;
    PrepareRenderState(drawing.State, drawing.Log);
    drawing.Env.ResolveResource = [](const QString& name) {
        const QDir dir(QStringLiteral(ZENTIL_FIXTURES_DIR "/render"));
        for (const QString& entry : dir.entryList(QDir::Files)) {
            if (entry.compare(name, Qt::CaseInsensitive) == 0)
                return dir.filePath(entry);
        }
        return QString();
    };
    drawing.Env.ResourceMissing = [](const QString&) {};
    TheDrawing = &drawing;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString layers[]
        = { u"source"_s, u"background"_s, u"animation"_s, u"foreground"_s };
    Drawing& d = *TheDrawing;
    InitializeGraphics(d.State.Graphics, d.Log);
    const QStringList lines = QString::fromUtf8(fuzz::Bytes(data, size)).split(u'\n');
    for (qsizetype i = 0; i < std::min(lines.size(), kMostLines); ++i)
        ExecuteDrawingCommand(d.State, d.Env, d.Log, lines[i], layers[i % 4], 1, 1);
    const QImage& source = d.State.Surfaces.Source.Image;
    if (source.width() != 800 || source.height() != 600)
        std::abort();
    return 0;
}
