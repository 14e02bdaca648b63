#include "tool/ToolShow.h"

#include "base/DebugLog.h"
#include "base/ErrorReporting.h"
#include "platform/MonotonicClock.h"
#include "render/RenderState.h"
#include "render/SlideComposition.h"
#include "render/SlideFonts.h"
#include "script/PresentationModel.h"
#include "script/ScriptLoader.h"
#include "script/ScriptReader.h"
#include "script/WorkingCopies.h"
#include "storage/ZentilFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

// Fatal errors of loading go to the command's error stream.
class ShowErrorReporter : public ErrorReporter {
public:
    void ExecuteFatalError(const FatalError& error) override
    {
        Text += error.Title + u": "_s + error.Text;
    }
    QString Text;
};

} // namespace

struct ToolShow::State {
    QTemporaryDir Temp;
    MonotonicClock Clock;
    DebugLog Log { Clock, false };
    SlideShowModel Model;
    ScriptStatements Script;
    ZentilFolders Folders;
    ShowErrorReporter Reporter;
    std::unique_ptr<WorkingCopyContext> Copies;
    PrivateFontList Fonts;
    RenderState Render;
    DrawingEnvironment Environment;
};

ToolShow::ToolShow()
    : state_(std::make_unique<State>())
{ }

ToolShow::~ToolShow()
{
    DeletePrivateFonts(state_->Fonts, state_->Temp.filePath(u"fonts"_s), state_->Log);
}

const SlideShowModel& ToolShow::Model() const
{
    return state_->Model;
}

QString ToolShow::Title() const
{
    const QString title = state_->Model.Defn.ShowTitle;
    return title.isEmpty() ? QFileInfo(state_->Model.Defn.ScriptShortName).completeBaseName()
                           : title;
}

bool ToolShow::Load(const QString& scriptPath, const QString& command, QTextStream& err)
{
    State& s = *state_;
    const QString prefix = u"zentil-tool "_s + command + u": "_s;
    const QFileInfo info(scriptPath);
    if (!info.isFile() || !s.Temp.isValid()) {
        err << prefix << u"no such script: "_s << scriptPath << u"\n"_s;
        return false;
    }
    const QString tempFolder = s.Temp.filePath(u"temp"_s);
    QDir().mkpath(tempFolder);
    const ScriptReadResult read
        = LoadScriptFromFile(info.absoluteFilePath(), tempFolder, s.Script, s.Log);
    if (!read.Refusal.isEmpty()) {
        err << prefix << read.Refusal << u"\n"_s;
        return false;
    }
    const QString shortName = read.ScriptName.isEmpty() ? info.fileName() : read.ScriptName;
    const VersionCheck version = CheckScriptVersion(shortName, read.ScriptVersion);
    if (!version.Passes) {
        err << prefix << QString(version.Text).replace(u'\r', u' ') << u"\n"_s;
        return false;
    }
    const QDir parent = info.absoluteDir();
    s.Folders.ZTTempPath = tempFolder;
    s.Folders.ResourcePath = parent.filePath(u"resources"_s);
    s.Folders.ThumbnailPath = parent.filePath(u"thumbnails"_s);
    s.Model.Defn.ScriptShortName = shortName;
    s.Model.Defn.ScriptParentFolder = parent.absolutePath();
    const LoadContext context { s.Folders, s.Reporter, s.Log, false, {} };
    if (LoadSlideShow(s.Script, s.Model, context) != LoadOutcome::Loaded
        || !s.Reporter.Text.isEmpty()) {
        err << prefix << s.Reporter.Text.replace(u'\r', u' ') << u"\n"_s;
        return false;
    }
    s.Copies = std::make_unique<WorkingCopyContext>(
        WorkingCopyContext { s.Folders, s.Model, s.Script.EncryptFlag, s.Reporter, s.Log });
    // The show's fonts, usable by name as once the download manager has them.
    const QString fontFolder = s.Temp.filePath(u"fonts"_s);
    QDir().mkpath(fontFolder);
    for (const ResourceMapEntry& entry : s.Model.Map.Entries()) {
        const QString file = ResolveResourceFile(s.Folders.ResourcePath, entry.ResourceName);
        if (!entry.ResourceName.endsWith(u".ttf"_s, Qt::CaseInsensitive) || file.isEmpty()
            || FindFontFile(s.Fonts, entry.ResourceName, s.Log)
            || !QFile::copy(file, QDir(fontFolder).filePath(entry.ResourceName)))
            continue;
        AddPrivateFont(s.Fonts, fontFolder, entry.ResourceName, s.Log);
    }
    PrepareRenderState(s.Render, s.Log);
    WorkingCopyContext* copies = s.Copies.get();
    s.Environment.ResolveResource
        = [copies](const QString& name) { return GetRealFilename(*copies, name); };
    return true;
}

QImage ToolShow::DrawSlide(int slide, int lastSubslide)
{
    State& s = *state_;
    ComposeSlide(s.Render, s.Model, s.Environment, s.Log, slide, lastSubslide);
    return s.Render.Surfaces.Foreground.Image.copy();
}

QString ToolShow::NarrationFile(int slide) const
{
    const QString name = state_->Model.SlideAt(slide).WaveFileName;
    return name.isEmpty() ? QString() : ResolveResourceFile(state_->Folders.ResourcePath, name);
}

} // namespace zentil
