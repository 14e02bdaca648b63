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
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

// Fatal errors of loading and of making working copies, kept for the command to write.
class ShowErrorReporter : public ErrorReporter {
public:
    void ExecuteFatalError(const FatalError& error) override
    {
        Text += error.Title + u": "_s + QString(error.Text).replace(u'\r', u' ');
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
    RenderState Render; // at the size last asked for
    RenderState Printing; // recording paint steps
    DrawingEnvironment Environment;
    QString Prefix; // "zentil-tool COMMAND: "
    QStringList Problems;
    QSet<QString> Reported;

    void AddProblem(const QString& text)
    {
        if (!Reported.contains(text)) {
            Reported.insert(text);
            Problems << text;
        }
    }

    // The presentation's fonts, usable by name as once the download manager has them; read
    // through their working copies, so scrambled shows' fonts work too.
    void RegisterFonts()
    {
        const QString fontFolder = Temp.filePath(u"fonts"_s);
        QDir().mkpath(fontFolder);
        for (const ResourceMapEntry& entry : Model.Map.Entries()) {
            if (!entry.ResourceName.endsWith(u".ttf"_s, Qt::CaseInsensitive)
                || FindFontFile(Fonts, entry.ResourceName, Log))
                continue;
            const QString copy = GetRealFilename(*Copies, entry.ResourceName);
            if (copy.isEmpty() || !QFile::copy(copy, QDir(fontFolder).filePath(entry.ResourceName)))
                continue;
            AddPrivateFont(Fonts, fontFolder, entry.ResourceName, Log);
        }
    }
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
    s.Prefix = u"zentil-tool "_s + command + u": "_s;
    const QFileInfo info(scriptPath);
    if (!info.isFile() || !s.Temp.isValid()) {
        err << s.Prefix << u"no such script: "_s << scriptPath << u"\n"_s;
        return false;
    }
    const QString tempFolder = s.Temp.filePath(u"temp"_s);
    QDir().mkpath(tempFolder);
    const ScriptReadResult read
        = LoadScriptFromFile(info.absoluteFilePath(), tempFolder, s.Script, s.Log);
    if (!read.Refusal.isEmpty()) {
        err << s.Prefix << read.Refusal << u"\n"_s;
        return false;
    }
    const QString shortName = read.ScriptName.isEmpty() ? info.fileName() : read.ScriptName;
    const VersionCheck version = CheckScriptVersion(shortName, read.ScriptVersion);
    if (!version.Passes) {
        err << s.Prefix << version.Title << u": "_s << QString(version.Text).replace(u'\r', u' ')
            << u"\n"_s;
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
        err << s.Prefix << s.Reporter.Text << u"\n"_s;
        return false;
    }
    s.Copies = std::make_unique<WorkingCopyContext>(
        WorkingCopyContext { s.Folders, s.Model, s.Script.EncryptFlag, s.Reporter, s.Log });
    s.RegisterFonts();
    WorkingCopyContext* copies = s.Copies.get();
    s.Environment.ResolveResource
        = [copies](const QString& name) { return GetRealFilename(*copies, name); };
    s.Environment.ResourceMissing = [&s](const QString& name) {
        s.AddProblem(u"resource '"_s + name + u"' is missing: not drawn"_s);
    };
    s.Environment.PictureUnreadable = [&s](const QString& name, const QString& problem) {
        s.AddProblem(u"resource '"_s + name + u"': "_s + problem);
    };
    return true;
}

QImage ToolShow::DrawSlide(int slide, int lastSubslide, QSize size)
{
    State& s = *state_;
    const QSize fitted = FittedSlideSize(size);
    if (!s.Render.Surfaces.BitmapsCreated
        || fitted != QSize(s.Render.Surfaces.Width, s.Render.Surfaces.Height))
        PrepareRenderState(s.Render, s.Log, fitted);
    ComposeSlide(s.Render, s.Model, s.Environment, s.Log, slide, lastSubslide);
    return Letterboxed(s.Render.Surfaces.Foreground.Image, size);
}

void ToolShow::PaintSlide(QPainter& p, const QRectF& frame, int slide)
{
    State& s = *state_;
    PaintComposedSlide(p, frame, s.Printing, s.Model, s.Environment, s.Log, slide,
        s.Model.SlideAt(slide).SubslideCount());
}

QString ToolShow::NarrationFile(int slide) const
{
    const QString name = state_->Model.SlideAt(slide).WaveFileName;
    return name.isEmpty() ? QString() : ResolveResourceFile(state_->Folders.ResourcePath, name);
}

bool ToolShow::ReportProblems(QTextStream& err)
{
    State& s = *state_;
    if (!s.Reporter.Text.isEmpty())
        s.AddProblem(s.Reporter.Text);
    for (const QString& problem : std::as_const(s.Problems))
        err << s.Prefix << problem << u"\n"_s;
    s.Problems.clear();
    return s.Reporter.Text.isEmpty();
}

QImage Letterboxed(const QImage& picture, QSize size)
{
    if (picture.size() == size)
        return picture;
    QImage framed(size, QImage::Format_RGB32);
    framed.fill(Qt::black);
    QPainter painter(&framed);
    painter.drawImage(
        QPoint((size.width() - picture.width()) / 2, (size.height() - picture.height()) / 2),
        picture);
    return framed;
}

} // namespace zentil
