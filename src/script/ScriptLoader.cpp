#include "script/ScriptLoader.h"

#include "app/DebugLog.h"
#include "app/ErrorReporting.h"
#include "script/ScriptParser.h"
#include "script/ScriptReader.h"
#include "script/ScriptWords.h"
#include "script/SlideStructureDump.h"
#include "storage/QuitPoints.h"
#include "storage/ZentilFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

// Bytes of compressed narration per second of speech.
constexpr float kOggBytesPerSecond = 2340.0F;

QString TitleForMessages(const SlideShowModel& model)
{
    return model.Defn.ShowTitle.isEmpty() ? model.Defn.ScriptShortName : model.Defn.ShowTitle;
}

// Every slide's narration becomes its first resource.
void PutNarrationFirst(SlideShowModel& model)
{
    for (Slide& slide : model.Slides) {
        auto& names = slide.ResourceName;
        if (names.size() < 2 || NamesSoundFile(names.front()))
            continue;
        const auto sound = std::find_if(names.begin() + 1, names.end(), NamesSoundFile);
        if (sound != names.end())
            std::iter_swap(names.begin(), sound);
    }
}

// Sizes from "[size]" for every name of every set, first listing winning.
QHash<QString, int32_t> ListedSizes(const SlideShowModel& model)
{
    QHash<QString, int32_t> sizes;
    for (const ResourceSet& set : model.ResourceArray) {
        for (const ResourceFile& file : set.Files)
            sizes.insert(ResourceMap::FoldedKey(file.ResourceName), file.ResourceSize);
    }
    return sizes;
}

// The preload set receives the first slide's files, so that the show can start as soon as the
// preload set has arrived. They move out of the download set rather than being fetched twice.
void SecureFirstSlide(SlideShowModel& model)
{
    SlideShowDefn& defn = model.Defn;
    const Slide& first = model.Slides.front();
    if (first.ResourceName.empty())
        return;
    const QHash<QString, int32_t> sizes = ListedSizes(model);
    if (defn.PreLoad == 0) {
        model.ResourceArray.emplace_back();
        defn.PreLoad = model.ResourceCount();
    }
    QSet<QString> listed;
    for (const ResourceFile& file : model.ResourceSetAt(defn.PreLoad).Files)
        listed.insert(ResourceMap::FoldedKey(file.ResourceName));
    QSet<QString> moved;
    for (const QString& name : first.ResourceName) {
        const QString key = ResourceMap::FoldedKey(name);
        if (listed.contains(key))
            continue;
        listed.insert(key);
        moved.insert(key);
        model.ResourceSetAt(defn.PreLoad)
            .Files.push_back(ResourceFile { name, sizes.value(key, 0) });
    }
    if (defn.DownLoad != 0 && !moved.isEmpty()) {
        auto& files = model.ResourceSetAt(defn.DownLoad).Files;
        std::erase_if(files, [&moved](const ResourceFile& f) {
            return moved.contains(ResourceMap::FoldedKey(f.ResourceName));
        });
    }
}

void FillThumbnailTables(SlideShowModel& model, const ZentilFolders& folders)
{
    const QDir thumbnails(folders.ThumbnailPath);
    const QDir resources(folders.ResourcePath);
    model.ThumbnailImage.clear();
    model.ThumbnailResources.clear();
    for (int32_t i = 1; i <= model.SlideCount(); ++i) {
        model.ThumbnailImage.push_back(
            thumbnails.filePath(u"thumbnail"_s + u"%1"_s.arg(i, 3, 10, QChar(u'0')) + u".jpg"_s));
        const auto& names = model.SlideAt(i).ResourceName;
        const auto picture = std::find_if(names.begin(), names.end(), NamesPicture);
        model.ThumbnailResources.push_back(
            picture == names.end() ? QString() : resources.filePath(*picture));
    }
}

// The files of the resource folder by case-folded name, listed once: a file whose name differs
// only in letter case counts as present (presentations made on systems that ignore case).
QSet<QString> FilesPresent(const QString& folder)
{
    QSet<QString> present;
    if (folder.isEmpty())
        return present;
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& file : files)
        present.insert(ResourceMap::FoldedKey(file));
    return present;
}

// Builds ResourceMap, DownloadList and the planning tables.
class QueueBuilder {
public:
    QueueBuilder(SlideShowModel& model, const LoadContext& context, const QSet<QString>& present)
        : model_(model)
        , context_(context)
        , present_(present)
        , sizes_(ListedSizes(model))
    { }

    void Build(bool separatorSeen);

private:
    // Maps the name (once) and queues it when it has to be fetched; returns whether queued.
    bool Consider(const QString& name);
    bool Present(const QString& name) const;
    void FillPlanningTables();

    SlideShowModel& model_;
    const LoadContext& context_;
    const QSet<QString>& present_;
    QHash<QString, int32_t> sizes_;
    QSet<QString> mapped_;
    QHash<QString, int32_t> queuedSize_; // folded name -> listed size of queued files
    QStringList queue_;
};

bool QueueBuilder::Present(const QString& name) const
{
    if (NamesFont(name))
        return context_.FindFontFile && context_.FindFontFile(name);
    return present_.contains(ResourceMap::FoldedKey(name));
}

bool QueueBuilder::Consider(const QString& name)
{
    const QString key = ResourceMap::FoldedKey(name);
    if (mapped_.contains(key))
        return false;
    mapped_.insert(key);
    model_.Map.Append(name);
    if (Present(name))
        return false;
    queue_.push_back(name);
    queuedSize_.insert(key, sizes_.value(key, 0));
    return true;
}

void QueueBuilder::Build(bool separatorSeen)
{
    const SlideShowDefn& defn = model_.Defn;
    model_.Map.Clear();
    int32_t preStart = 0;
    if (defn.PreLoad != 0) {
        for (const ResourceFile& file : model_.ResourceSetAt(defn.PreLoad).Files)
            preStart += Consider(file.ResourceName) ? 1 : 0;
    }
    if (defn.DownLoad != 0) {
        for (const ResourceFile& file : model_.ResourceSetAt(defn.DownLoad).Files)
            Consider(file.ResourceName);
    }
    // Sets that are neither, then whatever a slide needs that no set lists: nothing a slide
    // draws or plays is left out of the map or the queue.
    for (int32_t s = 1; s <= model_.ResourceCount(); ++s) {
        if (s == defn.PreLoad || s == defn.DownLoad)
            continue;
        for (const ResourceFile& file : model_.ResourceSetAt(s).Files)
            Consider(file.ResourceName);
    }
    for (const Slide& slide : model_.Slides) {
        for (const QString& name : slide.ResourceName)
            Consider(name);
    }
    model_.PreStartFileCount = preStart;
    model_.PostStartFileCount = static_cast<int32_t>(queue_.size()) - preStart;

    // Without an author's "|" the start point is planned from the measured rate, which needs
    // at least two files and their sizes; otherwise the preload files come before the marker.
    const bool allSized = std::all_of(
        queuedSize_.cbegin(), queuedSize_.cend(), [](int32_t size) { return size > 0; });
    QString list;
    if (!separatorSeen && queue_.size() >= 2 && allSized) {
        list = queue_.front() + u" ??? "_s + queue_.mid(1).join(u' ');
    } else {
        list = queue_.mid(0, preStart).join(u' ') + u" | "_s + queue_.mid(preStart).join(u' ');
    }
    model_.DownloadList = list.trimmed();
    FillPlanningTables();
}

void QueueBuilder::FillPlanningTables()
{
    const SlideShowDefn& defn = model_.Defn;
    auto setSizes = [this](int32_t number) {
        QHash<QString, int32_t> sizes;
        if (number == 0)
            return sizes;
        for (const ResourceFile& file : model_.ResourceSetAt(number).Files) {
            const QString key = ResourceMap::FoldedKey(file.ResourceName);
            if (!sizes.contains(key))
                sizes.insert(key, file.ResourceSize);
        }
        return sizes;
    };
    const QHash<QString, int32_t> preload = setSizes(defn.PreLoad);
    const QHash<QString, int32_t> download = setSizes(defn.DownLoad);
    const auto count = static_cast<size_t>(model_.SlideCount());
    model_.SlideDownLoadSize.assign(count, 0);
    model_.SlideOggFileSize.assign(count, 0);
    model_.SlideOggFileTime.assign(count, 0.0F);
    QSet<QString> counted;
    for (size_t i = 0; i < count; ++i) {
        const Slide& slide = model_.Slides[i];
        // A file shared by several slides is fetched once: it counts for the first of them.
        int64_t bytes = 0;
        for (const QString& name : slide.ResourceName) {
            const QString key = ResourceMap::FoldedKey(name);
            const auto queued = queuedSize_.constFind(key);
            if (queued != queuedSize_.cend() && !counted.contains(key)) {
                counted.insert(key);
                bytes += *queued;
            }
        }
        model_.SlideDownLoadSize[i] = static_cast<int32_t>(std::min<int64_t>(bytes, INT32_MAX));
        if (!slide.WaveFileName.isEmpty()) {
            const QString key = ResourceMap::FoldedKey(slide.WaveFileName);
            const int32_t size
                = preload.contains(key) ? preload.value(key) : download.value(key, 0);
            model_.SlideOggFileSize[i] = size;
            model_.SlideOggFileTime[i] = static_cast<float>(size) / kOggBytesPerSecond;
        }
    }
}

// Whether every file of the slide lies in the resource folder.
bool SlideFilesPresent(const Slide& slide, const QSet<QString>& present)
{
    return std::all_of(slide.ResourceName.begin(), slide.ResourceName.end(),
        [&present](const QString& name) { return present.contains(ResourceMap::FoldedKey(name)); });
}

// SyncSlideStartPoint: the quit point, honoured as far as the slides up to it have their files
// at hand, so that resuming never waits on a download for slides the user has already seen.
int32_t ChooseStartSlide(
    const SlideShowModel& model, const ZentilFolders& folders, const QSet<QString>& present)
{
    const std::optional<QuitPoint> stored = ReadQuitPoint(folders, model.Defn.ScriptShortName);
    const int32_t quitPoint
        = std::clamp(stored ? stored->SlideIndex : 1, 1, std::max(1, model.SlideCount()));
    if (quitPoint == 1 || folders.ResourcePath.isEmpty())
        return 1;
    int32_t start = 1;
    for (int32_t s = 1; s <= quitPoint; ++s) {
        if (!SlideFilesPresent(model.SlideAt(s), present))
            break;
        start = s;
    }
    return start;
}

} // namespace

ConnectionSettings ParseConnectionSettings(const QString& resourceServer)
{
    ConnectionSettings settings;
    WordReader reader(resourceServer);
    settings.ServerAddress = reader.Next();
    if (!settings.ServerAddress.isEmpty() && !settings.ServerAddress.endsWith(u'/'))
        settings.ServerAddress += u'/';
    settings.Port = settings.ServerAddress.left(4).toLower() == u"http" ? 80 : 21;
    while (!reader.AtEnd()) {
        const QString option = reader.Next().toUpper();
        if (option == u"PORT")
            settings.Port
                = static_cast<uint16_t>(std::clamp(LeadingWholeNumber(reader.Next()), 0, 65535));
        else if (option == u"PASSIVE")
            settings.Passive = true;
        else if (option == u"USER")
            settings.UserName = reader.Next();
        else if (option == u"PASSWORD")
            settings.Password = reader.Next();
    }
    return settings;
}

LoadOutcome LoadSlideShow(
    const ScriptStatements& script, SlideShowModel& model, const LoadContext& context)
{
    DebugLog& log = context.Log;
    ZT_DEBUG(log, TraceProcedures, "enter", u"LoadSlideShow"_s);
    ClearSlideShowModel(model);
    const ParseSummary summary = ParseScript(script, model, context);

    if (model.SlideCount() == 0) {
        context.Reporter.ExecuteFatalError(
            MakeFatalError(FatalErrorKind::SlideCount, TitleForMessages(model)));
        return LoadOutcome::FatalError;
    }
    for (int32_t i = 1; i <= model.SlideCount(); ++i) {
        if (model.SlideAt(i).ResourceName.empty()) {
            context.Reporter.ExecuteFatalError(MakeFatalError(
                FatalErrorKind::SoundFile, TitleForMessages(model), QString(), false, i));
            return LoadOutcome::FatalError;
        }
    }
    if (model.Defn.ShowTitle.isEmpty())
        model.Defn.ShowTitle = model.Defn.ScriptShortName;
    PutNarrationFirst(model);
    if (model.Defn.DownLoad == 0 && model.Defn.PreLoad != 0 && !summary.SeparatorSeen) {
        model.Defn.DownLoad = model.Defn.PreLoad;
        model.Defn.PreLoad = 0;
    }
    SecureFirstSlide(model);
    FillThumbnailTables(model, context.Folders);
    const QSet<QString> present = FilesPresent(context.Folders.ResourcePath);
    QueueBuilder(model, context, present).Build(summary.SeparatorSeen);
    model.Connection = ParseConnectionSettings(model.Defn.ResourceServer);
    model.StartSlide = ChooseStartSlide(model, context.Folders, present);
    if (log.DebugMode)
        WriteSlideStructure(model, context.Folders.ZTTempPath);
    ZT_DEBUG(log, TraceProcedures, "exit",
        u"LoadSlideShow - SlideCount = "_s + QString::number(model.SlideCount())
            + u", StartSlide = "_s + QString::number(model.StartSlide));
    return LoadOutcome::Loaded;
}

} // namespace zentil
