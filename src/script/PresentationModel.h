#pragma once

#include "script/SlideResourceList.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace zentil {

// The in-memory form of one parsed script. The loader (ScriptLoader) is its only writer apart
// from InitializeSlideShow; rendering, playback and downloading read it, and update only
// Slide::WaveFileLength, the planning tables, ResourceMapEntry::LocalFileName and the two
// slide-play records.
//
// Numbering: every number that users or the trace see (slide numbers, background numbers,
// resource-set numbers, statement numbers, map indexes) is 1-based, exactly as the behaviour
// describes it, and 0 means "none". The containers are 0-based std::vectors, so number n lives at
// [n - 1]; use the At() helpers of SlideShowModel where a number is at hand. Counts are the
// vectors' sizes (SlideShowModel::SlideCount() etc.) so they can never disagree with the data.

// One timed step of a slide.
struct Subslide {
    int32_t StartTime = 0; // milliseconds from the start of the slide's narration
    int32_t BackgroundIndex = 1; // background number in force when the subslide was defined
    QString SubslideType = QStringLiteral("regular"); // "regular" or "animation"
    std::vector<QString> ScriptText; // drawing statements, verbatim (ScriptCount = size)

    int32_t ScriptCount() const { return static_cast<int32_t>(ScriptText.size()); }
};

// One "%slide".
struct Slide {
    int32_t BackgroundIndex = 1; // background number drawn under the slide
    // Files the slide needs, each once (compared ignoring case), as written in the script: its
    // background's pictures (shared with the other slides on that background) first. After
    // loading, the narration file is ResourceName[0].
    SlideResourceList ResourceName;
    QString WaveFileName; // narration sound file (the first valid "/play"); "" = none
    int32_t WaveFileLength = 0; // narration length in ms; <= 0 = not yet known (playback fills it)
    std::vector<QString> ScriptText; // the slide's drawing statements, verbatim, in script order
    std::vector<Subslide> SubSlide; // the timed steps, start times not decreasing

    int32_t ResourceCount() const { return static_cast<int32_t>(ResourceName.size()); }
    int32_t ScriptCount() const { return static_cast<int32_t>(ScriptText.size()); }
    int32_t SubslideCount() const { return static_cast<int32_t>(SubSlide.size()); }
};

// One background picture; background 1 is the built-in black one.
struct BackgroundSlide {
    std::vector<QString> ScriptText;

    int32_t ScriptCount() const { return static_cast<int32_t>(ScriptText.size()); }
};

// One file of a resource set: the name as written and its size from "[size]" (0 when none).
struct ResourceFile {
    QString ResourceName;
    int32_t ResourceSize = 0;
};

// One "%resource" set (or the preload set the loader creates for the first slide).
struct ResourceSet {
    std::vector<ResourceFile> Files;

    int32_t ResourceCount() const { return static_cast<int32_t>(Files.size()); }
};

// A resource name of the presentation and the working copy that is played or drawn for it.
struct ResourceMapEntry {
    QString ResourceName; // as written in the script; do not change after Append
    QString LocalFileName; // working copy; "" when none has been made yet
};

// ResourceMap with GetMapIndex: case-insensitive lookup, first match wins, in constant time.
class ResourceMap {
public:
    // Appends an entry (duplicates are kept, as in a plain list; lookups find the first).
    // Returns its 1-based index.
    int32_t Append(const QString& resourceName);
    // Append with the name's FoldedKey already at hand.
    int32_t Append(const QString& resourceName, const QString& foldedKey);
    // 1-based index of the first entry whose name equals name ignoring case; 0 when none.
    int32_t GetMapIndex(const QString& name) const;
    // GetMapIndex by a FoldedKey.
    int32_t GetMapIndexFolded(const QString& foldedKey) const;
    // All 1-based indexes whose names equal name ignoring case, in map order.
    std::vector<int32_t> MatchingIndexes(const QString& name) const;

    int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
    bool IsEmpty() const { return entries_.empty(); }
    ResourceMapEntry& At(int32_t index) { return entries_.at(static_cast<size_t>(index - 1)); }
    const ResourceMapEntry& At(int32_t index) const
    {
        return entries_.at(static_cast<size_t>(index - 1));
    }
    const std::vector<ResourceMapEntry>& Entries() const { return entries_; }
    void Clear();

    static QString FoldedKey(const QString& name) { return name.toCaseFolded(); }

private:
    std::vector<ResourceMapEntry> entries_;
    std::vector<int32_t> nextSameName_; // per entry: the next index of the same name, 0 = none
    QHash<QString, int32_t> firstByFoldedName_; // folded name -> first index
};

// The presentation-wide record.
struct SlideShowDefn {
    QString ShowTitle; // "%title" cut to 35 characters, else ScriptShortName
    QString ScriptShortName; // script file name without folder; kept by InitializeSlideShow
    QString ScriptParentFolder; // the presentation folder; kept by InitializeSlideShow
    QString ResourceServer; // "/resourceserver" text as written
    int32_t PreloadSet = 0; // number of the set fetched before the show starts; 0 = none
    int32_t DownloadSet = 0; // number of the set fetched while the show plays; 0 = none
};

// The type of CurrentSlide and NextSlide.
struct SlidePlay {
    int32_t Index = 0; // slide number; 0 = none
    int32_t ResourceSet = 1; // 1 or 2: which wave player holds the narration; the records differ
    bool SoundLoaded = false; // the narration is open in its wave player
};

// Texts and numbers of the "%info" block, shown by the information panel.
struct PresentationInfo {
    QString VersionText;
    QString TitleText; // each "/title" line followed by "\r"
    QString AuthorText; // likewise
    QString OrganizationText; // likewise
    QString CommentsText; // likewise
    int32_t DataKbps = 0; // "/data" kbps: narration bit rate
    int32_t DataLength = 0; // "/data" length
    int32_t DataFileSize = 0; // "/data" filesize: total download size
};

// How to reach the resource server, derived from SlideShowDefn::ResourceServer.
struct ConnectionSettings {
    QString ServerAddress; // first word of ResourceServer, always ending in "/" when set
    uint16_t Port = 0; // 80 for "http..." addresses, 21 otherwise, or the PORT option
    QString UserName; // USER option: credentials for a server that asks
    QString Password; // PASSWORD option
};

// The script text as read by LoadScriptFromFile: statement n (1-based) is ScriptArray[n - 1].
struct ScriptStatements {
    std::vector<QString> ScriptArray;
    bool EncryptFlag = false; // the script file was stored scrambled

    int32_t MaxScriptIndex() const { return static_cast<int32_t>(ScriptArray.size()); }
    void Clear()
    {
        ScriptArray.clear();
        EncryptFlag = false;
    }
};

// A problem the parser met: the statement number (1-based; 0 = not tied to a statement) and the
// message, e.g. "A valid sound file was not specified for the /play command.".
struct ScriptMessage {
    int32_t StatementNumber = 0;
    QString Text;
};

// The files still to fetch, in the order they are needed. The start marker divides them:
// everything before it must be present before the show starts. While the transfer rate is
// unknown the marker cannot be planned yet: the first name then measures the rate (the probe)
// and the marker is placed behind it from that measurement.
struct DownloadQueue {
    QStringList BeforeStart; // the whole queue while no marker stands
    QStringList AfterStart; // behind the marker
    bool MarkerPlaced = false;
    bool Probe = false; // BeforeStart's first name measures the rate
    QHash<QString, qint64> ListedSizes; // by FoldedKey: the size the script lists, when it does

    bool Empty() const { return BeforeStart.isEmpty() && AfterStart.isEmpty(); }
    // The queue as one line for the structure dump and the trace: names separated by blanks,
    // "|" for the marker and "???" after the probe name.
    QString Text() const;
};

// Everything one presentation consists of, owned by the application object.
struct SlideShowModel {
    SlideShowDefn Defn;
    std::vector<Slide> Slides; // Slide(1 .. SlideCount)
    std::vector<BackgroundSlide> Backgrounds; // BackgroundSlide(1 .. BackCount)
    std::vector<ResourceSet> ResourceArray; // ResourceArray(1 .. ResourceCount)
    ResourceMap Map; // ResourceMap
    std::vector<int32_t> SlideDownLoadSize; // per slide: bytes still to download
    std::vector<int32_t> SlideOggFileSize; // per slide: bytes of compressed narration
    std::vector<float> SlideOggFileTime; // per slide: narration seconds (size / 2340)
    std::vector<QString> ThumbnailImage; // per slide: thumbnails/thumbnailNNN.jpg
    std::vector<QString> ThumbnailResources; // per slide: picture the thumbnail is made of
    DownloadQueue Queue; // the files still to fetch, in the order of need
    int32_t PreStartFileCount = 0; // names queued before the start marker
    int32_t PostStartFileCount = 0; // names queued after it
    PresentationInfo Info;
    ConnectionSettings Connection;
    int32_t StartSlide = 1; // the slide playback starts at (from the quit point)
    // Narration position (ms) at which StartSlide resumes when it is the quit point's own slide;
    // 0 plays it from its start.
    qint64 StartPosition = 0;
    // Every validation message of the last parse, in order; the last one is the pending error
    // text (ErrorDescriptionText).
    std::vector<ScriptMessage> Messages;
    // Measured download rate in bytes per second, kept here for the structure dump; the
    // download manager updates it.
    float DownloadRate = 0.0F;

    SlidePlay CurrentSlide { 0, 1, false };
    SlidePlay NextSlide { 0, 2, false };

    int32_t SlideCount() const { return static_cast<int32_t>(Slides.size()); }
    int32_t BackCount() const { return static_cast<int32_t>(Backgrounds.size()); }
    int32_t ResourceCount() const { return static_cast<int32_t>(ResourceArray.size()); }

    // Access by 1-based number (throws std::out_of_range on a bad number).
    Slide& SlideAt(int32_t number) { return Slides.at(static_cast<size_t>(number - 1)); }
    const Slide& SlideAt(int32_t number) const
    {
        return Slides.at(static_cast<size_t>(number - 1));
    }
    BackgroundSlide& BackgroundAt(int32_t number)
    {
        return Backgrounds.at(static_cast<size_t>(number - 1));
    }
    const BackgroundSlide& BackgroundAt(int32_t number) const
    {
        return Backgrounds.at(static_cast<size_t>(number - 1));
    }
    ResourceSet& ResourceSetAt(int32_t number)
    {
        return ResourceArray.at(static_cast<size_t>(number - 1));
    }
    const ResourceSet& ResourceSetAt(int32_t number) const
    {
        return ResourceArray.at(static_cast<size_t>(number - 1));
    }

    // The last validation message, "" when the parse met none (ErrorDescriptionText).
    QString PendingErrorText() const { return Messages.empty() ? QString() : Messages.back().Text; }
};

// The two statements of the built-in black background 1.
inline const QString BuiltInBackgroundFill = QStringLiteral("/background {fill 0 0 0}");
inline const QString BuiltInBackgroundBox = QStringLiteral("/box {0 0 800 600 fill 0 0 0 noblend}");

// Empties the model's presentation data: ShowTitle, ResourceServer, all sets, slides,
// backgrounds, tables, map, queue, info texts and connection settings. ScriptShortName and
// ScriptParentFolder are kept (the caller has set them for the presentation being opened);
// CurrentSlide.Index and NextSlide.Index become 0, their SoundLoaded false, and their
// ResourceSet values are kept. The wave players, timers, fonts and the temporary folder belong
// to other subsystems; the application's InitializeSlideShow calls this for the model part.
void ClearSlideShowModel(SlideShowModel& model);

} // namespace zentil
