#include "script/ScriptLoader.h"

#include "base/DebugLog.h"
#include "base/ErrorReporting.h"
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

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

// Bytes of compressed narration per second of speech.
constexpr float kOggBytesPerSecond = 2340.0F;

QString TitleForMessages(const SlideShowModel& model)
{
    return model.Defn.ShowTitle.isEmpty() ? model.Defn.ScriptShortName : model.Defn.ShowTitle;
}

constexpr size_t kNone = static_cast<size_t>(-1);

// Finds the first name from entry 1 on that passes a test. The shared part of a slide's list
// (its background's pictures) is searched once for all the slides that share it.
class FirstAfterFront {
public:
    explicit FirstAfterFront(bool (*test)(const QString&))
        : test_(test)
    { }

    size_t Find(const SlideResourceList& names)
    {
        const size_t shared = names.SharedCount();
        if (shared > 1) {
            auto [entry, isNew] = found_.try_emplace(names.Shared().get(), names.Shared(), kNone);
            if (isNew) {
                const auto& list = *names.Shared();
                const auto hit = std::find_if(list.begin() + 1, list.end(), test_);
                entry->second.second = hit == list.end() ? kNone : size_t(hit - list.begin());
            }
            if (entry->second.second != kNone)
                return entry->second.second;
        }
        const auto& own = names.Own();
        for (size_t j = shared == 0 ? 1 : 0; j < own.size(); ++j) {
            if (test_(own[j]))
                return shared + j;
        }
        return kNone;
    }

private:
    bool (*test_)(const QString&);
    // per shared list (kept alive while it is a key): the index found in it from 1 on
    std::unordered_map<const void*, std::pair<SlideResourceList::SharedNames, size_t>> found_;
};

// Every slide's narration becomes its first resource.
void PutNarrationFirst(SlideShowModel& model)
{
    FirstAfterFront firstSound(NamesSoundFile);
    // per shared list: the same list with the narration exchanged, made once
    std::unordered_map<const void*, SlideResourceList::SharedNames> exchanged;
    for (Slide& slide : model.Slides) {
        auto& names = slide.ResourceName;
        if (names.size() < 2 || NamesSoundFile(names.front()))
            continue;
        const size_t sound = firstSound.Find(names);
        if (sound == kNone)
            continue;
        SlideResourceList::SharedNames swapped;
        if (sound < names.SharedCount()) {
            SlideResourceList::SharedNames& made = exchanged[names.Shared().get()];
            if (!made) {
                auto copy = std::make_shared<std::vector<QString>>(*names.Shared());
                std::swap((*copy)[0], (*copy)[sound]);
                made = std::move(copy);
            }
            swapped = made;
        }
        names.SwapFirstWith(sound, swapped);
    }
}

// The preload set receives the first slide's files, so that the show can start as soon as the
// preload set has arrived. They move out of the download set rather than being fetched twice.
void SecureFirstSlide(SlideShowModel& model)
{
    SlideShowDefn& defn = model.Defn;
    const Slide& first = model.Slides.front();
    if (first.ResourceName.empty())
        return;
    if (defn.PreloadSet == 0) {
        model.ResourceArray.emplace_back();
        defn.PreloadSet = model.ResourceCount();
    }
    QHash<QString, int32_t> listedSize; // folded name -> size of its first listing in any set
    for (const ResourceSet& set : model.ResourceArray) {
        for (const ResourceFile& file : set.Files) {
            const QString key = ResourceMap::FoldedKey(file.ResourceName);
            if (!listedSize.contains(key))
                listedSize.insert(key, file.ResourceSize);
        }
    }
    auto& preload = model.ResourceSetAt(defn.PreloadSet).Files;
    QSet<QString> inPreload;
    for (const ResourceFile& file : preload)
        inPreload.insert(ResourceMap::FoldedKey(file.ResourceName));
    QSet<QString> moved;
    for (const QString& name : first.ResourceName) {
        QString key = ResourceMap::FoldedKey(name);
        if (inPreload.contains(key))
            continue;
        preload.push_back(ResourceFile { name, listedSize.value(key, 0) });
        inPreload.insert(key);
        moved.insert(std::move(key));
    }
    if (defn.DownloadSet != 0 && !moved.isEmpty()) {
        std::erase_if(model.ResourceSetAt(defn.DownloadSet).Files, [&moved](const ResourceFile& f) {
            return moved.contains(ResourceMap::FoldedKey(f.ResourceName));
        });
    }
}

void FillThumbnailTables(SlideShowModel& model, const ZentilFolders& folders)
{
    const QString thumbnails = folders.ThumbnailPath + u"/thumbnail"_s;
    const QString resources = folders.ResourcePath + u'/';
    model.ThumbnailImage.clear();
    model.ThumbnailResources.clear();
    model.ThumbnailImage.reserve(model.Slides.size());
    model.ThumbnailResources.reserve(model.Slides.size());
    FirstAfterFront firstPicture(NamesPicture);
    for (int32_t i = 1; i <= model.SlideCount(); ++i) {
        model.ThumbnailImage.push_back(
            thumbnails + QString::number(i).rightJustified(3, u'0') + u".jpg"_s);
        const auto& names = model.SlideAt(i).ResourceName;
        const size_t picture = names.empty() ? kNone
            : NamesPicture(names.front())    ? 0
                                             : firstPicture.Find(names);
        model.ThumbnailResources.push_back(
            picture == kNone ? QString() : resources + names[picture]);
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

// What the queue builder knows of one name of the presentation.
struct NameInfo {
    QString Name; // as first met
    QString Key; // FoldedKey of the name
    int32_t ListedSize = 0; // size of its first listing in any set
    int32_t PreloadSize = -1; // size listed in the preload set, -1 when not listed there
    int32_t DownloadSize = -1; // likewise for the download set
    bool Mapped = false; // has its ResourceMap entry
    bool Queued = false; // in the download queue
    bool Counted = false; // counted in SlideDownLoadSize of a slide
};

// Builds ResourceMap, the download queue and the planning tables. Every name is case-folded and
// looked up once per mention, so the work grows linearly with the presentation.
class QueueBuilder {
public:
    QueueBuilder(SlideShowModel& model, const LoadContext& context, const QSet<QString>& present)
        : model_(model)
        , context_(context)
        , present_(present)
    { }

    void Build(bool separatorSeen);

private:
    // The index of the name's entry in infos_, made on first mention.
    size_t Lookup(const QString& name, int32_t listedSize);
    void ListSets();
    // Maps the name (once) and queues it when it has to be fetched.
    void Consider(size_t info);
    void ConsiderSlides();

    SlideShowModel& model_;
    const LoadContext& context_;
    const QSet<QString>& present_;
    QHash<QString, size_t> byKey_; // folded name -> index in infos_ + 1
    std::vector<NameInfo> infos_;
    std::vector<std::vector<size_t>> setInfos_; // per set, per file: its index in infos_
    QStringList queue_;
    bool allQueuedSized_ = true;
};

size_t QueueBuilder::Lookup(const QString& name, int32_t listedSize)
{
    QString key = ResourceMap::FoldedKey(name);
    size_t& slot = byKey_[key]; // one past the index; 0 for a new name
    if (slot == 0) {
        infos_.push_back(NameInfo { name, std::move(key), listedSize });
        slot = infos_.size();
    }
    return slot - 1;
}

void QueueBuilder::ListSets()
{
    const SlideShowDefn& defn = model_.Defn;
    setInfos_.resize(static_cast<size_t>(model_.ResourceCount()));
    for (int32_t s = 1; s <= model_.ResourceCount(); ++s) {
        auto& indexes = setInfos_[static_cast<size_t>(s - 1)];
        for (const ResourceFile& file : model_.ResourceSetAt(s).Files) {
            const size_t i = Lookup(file.ResourceName, file.ResourceSize);
            indexes.push_back(i);
            if (s == defn.PreloadSet && infos_[i].PreloadSize < 0)
                infos_[i].PreloadSize = file.ResourceSize;
            if (s == defn.DownloadSet && infos_[i].DownloadSize < 0)
                infos_[i].DownloadSize = file.ResourceSize;
        }
    }
}

void QueueBuilder::Consider(size_t index)
{
    NameInfo& info = infos_[index];
    if (info.Mapped)
        return;
    info.Mapped = true;
    model_.Map.Append(info.Name, info.Key);
    // A font counts as present when installed or already in the resource folder (from where
    // it is registered at load): nothing present is fetched again.
    const bool present = present_.contains(info.Key)
        || (NamesFont(info.Name) && context_.FindFontFile && context_.FindFontFile(info.Name));
    if (present)
        return;
    queue_.push_back(info.Name);
    if (info.ListedSize > 0)
        model_.Queue.ListedSizes.insert(info.Key, info.ListedSize);
    info.Queued = true;
    allQueuedSized_ = allQueuedSized_ && info.ListedSize > 0;
}

// Maps and queues what the slides need beyond the sets, and fills the planning tables: a file
// shared by several slides is fetched once, so it counts for the first of them. The shared
// pictures of a background are gone through once, for the first slide drawn on it.
void QueueBuilder::ConsiderSlides()
{
    const auto count = static_cast<size_t>(model_.SlideCount());
    model_.SlideDownLoadSize.assign(count, 0);
    model_.SlideOggFileSize.assign(count, 0);
    model_.SlideOggFileTime.assign(count, 0.0F);
    std::unordered_set<const void*> sharedDone; // the model holds every shared list meanwhile
    for (size_t s = 0; s < count; ++s) {
        const Slide& slide = model_.Slides[s];
        int64_t bytes = 0;
        auto consider = [this, &bytes](const QString& name) {
            const size_t i = Lookup(name, 0);
            Consider(i);
            NameInfo& info = infos_[i];
            if (info.Queued && !info.Counted) {
                info.Counted = true;
                bytes += info.ListedSize;
            }
        };
        const SlideResourceList& names = slide.ResourceName;
        const size_t shared = names.SharedCount();
        if (!names.empty())
            consider(names.front());
        if (shared > 1 && sharedDone.insert(names.Shared().get()).second) {
            for (size_t j = 1; j < shared; ++j)
                consider((*names.Shared())[j]);
        }
        for (size_t j = shared == 0 ? 1 : 0; j < names.Own().size(); ++j)
            consider(names.Own()[j]);
        const size_t wave = byKey_.value(ResourceMap::FoldedKey(slide.WaveFileName), 0);
        if (!slide.WaveFileName.isEmpty() && wave != 0) {
            const NameInfo& info = infos_[wave - 1];
            const int32_t size
                = info.PreloadSize >= 0 ? info.PreloadSize : std::max(0, info.DownloadSize);
            model_.SlideOggFileSize[s] = size;
            model_.SlideOggFileTime[s] = static_cast<float>(size) / kOggBytesPerSecond;
        }
        model_.SlideDownLoadSize[s] = static_cast<int32_t>(std::min<int64_t>(bytes, INT32_MAX));
    }
}

void QueueBuilder::Build(bool separatorSeen)
{
    const SlideShowDefn& defn = model_.Defn;
    model_.Map.Clear();
    model_.Queue = {};
    ListSets();
    auto considerSet = [this](int32_t number) {
        for (const size_t i : setInfos_[static_cast<size_t>(number - 1)])
            Consider(i);
    };
    if (defn.PreloadSet != 0)
        considerSet(defn.PreloadSet);
    const auto preStart = static_cast<int32_t>(queue_.size());
    if (defn.DownloadSet != 0)
        considerSet(defn.DownloadSet);
    // Sets that are neither, then whatever a slide needs that no set lists: nothing a slide
    // draws or plays is left out of the map or the queue.
    for (int32_t s = 1; s <= model_.ResourceCount(); ++s) {
        if (s != defn.PreloadSet && s != defn.DownloadSet)
            considerSet(s);
    }
    ConsiderSlides();
    model_.PreStartFileCount = preStart;
    model_.PostStartFileCount = static_cast<int32_t>(queue_.size()) - preStart;

    // Without an author's "|" the start point is planned from the measured rate, which needs
    // at least two files and their sizes; otherwise the preload files come before the marker.
    DownloadQueue& queue = model_.Queue;
    if (!separatorSeen && queue_.size() >= 2 && allQueuedSized_) {
        queue.BeforeStart = queue_;
        queue.Probe = true;
    } else {
        queue.BeforeStart = queue_.mid(0, preStart);
        queue.AfterStart = queue_.mid(preStart);
        queue.MarkerPlaced = true;
    }
}

// Whether every file of a slide lies in the resource folder; each shared list of background
// pictures is looked at once.
class FilesPresentCheck {
public:
    explicit FilesPresentCheck(const QSet<QString>& present)
        : present_(present)
    { }

    bool AllPresent(const SlideResourceList& names)
    {
        const size_t shared = names.SharedCount();
        if (!names.empty() && !Present(names.front()))
            return false;
        if (shared > 1) {
            auto [entry, isNew] = checked_.try_emplace(names.Shared().get(), true);
            if (isNew)
                entry->second = std::all_of(names.Shared()->begin() + 1, names.Shared()->end(),
                    [this](const QString& name) { return Present(name); });
            if (!entry->second)
                return false;
        }
        return std::all_of(names.Own().begin(), names.Own().end(),
            [this](const QString& name) { return Present(name); });
    }

private:
    bool Present(const QString& name) const
    {
        return present_.contains(ResourceMap::FoldedKey(name));
    }

    const QSet<QString>& present_;
    std::unordered_map<const void*, bool> checked_; // the model holds every shared list meanwhile
};

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
    FilesPresentCheck check(present);
    for (int32_t s = 1; s <= quitPoint; ++s) {
        if (!check.AllPresent(model.SlideAt(s).ResourceName))
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
    settings.ServerAddress = reader.Next().toString();
    if (!settings.ServerAddress.isEmpty() && !settings.ServerAddress.endsWith(u'/'))
        settings.ServerAddress += u'/';
    settings.Port = settings.ServerAddress.left(4).toLower() == u"http" ? 80 : 21;
    // Any other word (the FTP-only PASSIVE among them) is passed over.
    while (!reader.AtEnd()) {
        const QString option = reader.Next().toString().toUpper();
        if (option == u"PORT")
            settings.Port
                = static_cast<uint16_t>(std::clamp(LeadingWholeNumber(reader.Next()), 0, 65535));
        else if (option == u"USER")
            settings.UserName = reader.Next().toString();
        else if (option == u"PASSWORD")
            settings.Password = reader.Next().toString();
    }
    return settings;
}

LoadOutcome LoadSlideShow(
    const ScriptStatements& script, SlideShowModel& model, const LoadContext& context)
{
    DebugLog& log = context.Log;
    ZT_TRACE_SCOPE(log, u"LoadSlideShow"_s);
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
    if (model.Defn.DownloadSet == 0 && model.Defn.PreloadSet != 0 && !summary.SeparatorSeen) {
        model.Defn.DownloadSet = model.Defn.PreloadSet;
        model.Defn.PreloadSet = 0;
    }
    SecureFirstSlide(model);
    FillThumbnailTables(model, context.Folders);
    const QSet<QString> present = FilesPresent(context.Folders.ResourcePath);
    QueueBuilder(model, context, present).Build(summary.SeparatorSeen);
    model.Connection = ParseConnectionSettings(model.Defn.ResourceServer);
    model.StartSlide = ChooseStartSlide(model, context.Folders, present);
    const std::optional<QuitPoint> left
        = ReadQuitPoint(context.Folders, model.Defn.ScriptShortName);
    model.StartPosition = left && model.StartSlide > 1 && left->SlideIndex == model.StartSlide
        ? std::max<qint64>(0, left->Position)
        : 0;
    if (log.DebugMode)
        WriteSlideStructure(model, context.Folders.ZTTempPath);
    ZT_TRACE_EXIT(u"LoadSlideShow - SlideCount = "_s + QString::number(model.SlideCount())
        + u", StartSlide = "_s + QString::number(model.StartSlide));
    return LoadOutcome::Loaded;
}

} // namespace zentil
