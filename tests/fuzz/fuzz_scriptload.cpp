// Script reading and loading: any bytes, read as the player reads a script file, then loaded
// into a model and written out as the structure dump.
#include "FuzzSupport.h"

#include "base/DebugLog.h"
#include "base/ErrorReporting.h"
#include "platform/MonotonicClock.h"
#include "script/ScriptLoader.h"
#include "script/ScriptReader.h"
#include "script/SlideStructureDump.h"
#include "storage/ZentilFolders.h"

#include <QDir>

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

class QuietReporter : public ErrorReporter {
public:
    void ExecuteFatalError(const FatalError&) override { }
    void ScriptProblem(int32_t, const QString&) override { }
};

// Checks what must hold of every model the loader completes.
void CheckModel(const SlideShowModel& m)
{
    bool ok = m.SlideCount() >= 1 && m.BackCount() >= 1;
    ok = ok && m.Defn.PreloadSet >= 0 && m.Defn.PreloadSet <= m.ResourceCount();
    ok = ok && m.Defn.DownloadSet >= 0 && m.Defn.DownloadSet <= m.ResourceCount();
    ok = ok && m.ThumbnailImage.size() == m.Slides.size();
    ok = ok && m.SlideDownLoadSize.size() == m.Slides.size();
    ok = ok && m.StartSlide >= 1 && m.StartSlide <= m.SlideCount();
    for (const Slide& slide : m.Slides) {
        ok = ok && !slide.ResourceName.empty();
        ok = ok && slide.BackgroundIndex >= 1 && slide.BackgroundIndex <= m.BackCount();
        int32_t last = 0;
        for (const Subslide& sub : slide.SubSlide) {
            ok = ok && sub.StartTime >= last;
            last = sub.StartTime;
        }
        // Every file a slide needs is in the map.
        for (const QString& name : slide.ResourceName)
            ok = ok && m.Map.GetMapIndex(name) != 0;
    }
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const MonotonicClock clock;
    static DebugLog log(clock, false);
    static const ZentilFolders folders = [] {
        ZentilFolders f;
        const QDir root(fuzz::ScratchFolder());
        f.ZTTempPath = root.filePath(u"temp"_s);
        f.QuitPointPath = root.filePath(u"quitpoints"_s);
        f.ResourcePath = root.filePath(u"resources"_s);
        f.ThumbnailPath = root.filePath(u"thumbnails"_s);
        QDir().mkpath(f.ZTTempPath);
        QDir().mkpath(f.ResourcePath);
        return f;
    }();
    const QString path = QDir(fuzz::ScratchFolder()).filePath(u"input.zentil"_s);
    if (!fuzz::WriteFile(path, fuzz::Bytes(data, size)))
        return 0;

    ScriptStatements script;
    const ScriptReadResult read = LoadScriptFromFile(path, folders.ZTTempPath, script, log);
    (void)CheckScriptVersion(read.ScriptName, read.ScriptVersion);
    QuietReporter reporter;
    SlideShowModel model;
    model.Defn.ScriptShortName = u"input.zentil"_s;
    if (LoadSlideShow(script, model, LoadContext { folders, reporter, log, false, {} })
        == LoadOutcome::Loaded) {
        CheckModel(model);
        (void)FormatSlideStructure(model);
    }
    return 0;
}
