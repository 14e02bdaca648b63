#include "script/ScriptParser.h"

#include "app/DebugLog.h"
#include "app/ErrorReporting.h"
#include "script/ScriptLoader.h"
#include "script/ScriptWords.h"
#include "storage/ZentilFolders.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr qsizetype kTitleLength = 35;

class ScriptParser {
public:
    ScriptParser(const ScriptStatements& script, SlideShowModel& model, const LoadContext& context)
        : statements_(script.ScriptArray)
        , model_(model)
        , context_(context)
    { }

    ParseSummary Run();

private:
    // The trimmed statement at the cursor split into words; an empty command skips it.
    CommandWords Current() const { return SplitCommand(statements_[index_]); }
    bool AtEnd() const { return index_ >= statements_.size(); }
    int32_t StatementNumber() const { return static_cast<int32_t>(index_ + 1); }
    static bool IsSection(const QString& command) { return command.startsWith(u'%'); }
    void Message(const QString& text);

    void ParseInfo();
    void ParseTitle(const CommandWords& words);
    void ParseResource();
    void ParseResourceList(const QString& arguments);
    void ParsePurge(const QString& arguments);
    void ParseBackground();
    void ParseSlide();
    void ParseSubslide(Slide& slide, float& runningTime);
    void HandleSlideStatement(Slide& slide, const CommandWords& words, const QString& lower);
    void HandleSubslideStatement(
        Slide& slide, Subslide& subslide, const CommandWords& words, const QString& lower);

    // "/play": the sound file when it is valid; otherwise "" after a message.
    QString ValidPlayFile(const CommandWords& words);
    // "/image": the picture file (third word) when it passes the file-name rule, else "".
    QString ValidImageFile(const CommandWords& words);
    void AddSlideResource(Slide& slide, const QString& name);
    void AddBackgroundImages(Slide& slide, int32_t background);
    QString Stored() const { return statements_[index_].trimmed(); }

    const std::vector<QString>& statements_;
    SlideShowModel& model_;
    const LoadContext& context_;
    size_t index_ = 0;
    int32_t currentBackground_ = 1;
    std::vector<std::vector<QString>> backgroundImages_; // per background: its "/image" files
    QSet<QString> slideResources_; // folded names in the current slide's resource list
    ParseSummary summary_;
};

void ScriptParser::Message(const QString& text)
{
    model_.Messages.push_back({ StatementNumber(), text });
    context_.Reporter.ScriptProblem(StatementNumber(), text);
    ZT_DEBUG(context_.Log, TraceProcedures, "error",
        u"LoadSlideShow - statement "_s + QString::number(StatementNumber()) + u": "_s + text);
}

ParseSummary ScriptParser::Run()
{
    model_.Backgrounds.push_back(
        BackgroundSlide { { BuiltInBackgroundFill, BuiltInBackgroundBox } });
    backgroundImages_.emplace_back();
    currentBackground_ = 1;
    while (!AtEnd()) {
        const CommandWords words = Current();
        const QString lower = words.Command.toLower();
        if (lower == u"%slide") {
            ParseSlide();
        } else if (lower == u"%background") {
            ParseBackground();
        } else if (lower == u"%resource") {
            ParseResource();
        } else if (lower == u"%info") {
            ParseInfo();
        } else {
            if (lower == u"%title")
                ParseTitle(words);
            ++index_; // "%end..." words, "%encrypted" and stray statements say nothing here
        }
    }
    return summary_;
}

void ScriptParser::ParseTitle(const CommandWords& words)
{
    const QString title = BraceArgument(words.Arguments).trimmed();
    if (!title.isEmpty())
        model_.Defn.ShowTitle = title.left(kTitleLength);
}

void ScriptParser::ParseInfo()
{
    PresentationInfo& info = model_.Info;
    for (++index_; !AtEnd(); ++index_) {
        const CommandWords words = Current();
        if (IsSection(words.Command))
            return;
        const QString lower = words.Command.toLower();
        const QString value = BraceArgument(words.Arguments).trimmed();
        if (value.isEmpty())
            continue;
        if (lower == u"/version") {
            info.VersionText = value;
        } else if (lower == u"/title") {
            info.TitleText += value + u"\r"_s;
        } else if (lower == u"/author") {
            info.AuthorText += value + u"\r"_s;
        } else if (lower == u"/organization") {
            info.OrganizationText += value + u"\r"_s;
        } else if (lower == u"/comments") {
            info.CommentsText += value + u"\r"_s;
        } else if (lower == u"/data") {
            WordReader reader(value);
            while (!reader.AtEnd()) {
                const QString key = reader.Next().toLower();
                if (key == u"kbps")
                    info.DataKbps = LeadingWholeNumber(reader.Next());
                else if (key == u"length")
                    info.DataLength = LeadingWholeNumber(reader.Next());
                else if (key == u"filesize")
                    info.DataFileSize = LeadingWholeNumber(reader.Next());
            }
        }
    }
}

void ScriptParser::ParseResource()
{
    model_.ResourceArray.emplace_back();
    for (++index_; !AtEnd(); ++index_) {
        const CommandWords words = Current();
        if (IsSection(words.Command))
            return;
        // Resource directives are recognised only in lower case.
        if (words.Command == u"/resourceserver") {
            model_.Defn.ResourceServer = BraceArgument(words.Arguments).trimmed();
        } else if (words.Command == u"/resource") {
            ParseResourceList(words.Arguments);
        } else if (words.Command == u"/purge") {
            ParsePurge(words.Arguments);
        }
    }
}

void ScriptParser::ParseResourceList(const QString& arguments)
{
    SlideShowDefn& defn = model_.Defn;
    WordReader reader(BraceArgument(arguments));
    while (!reader.AtEnd()) {
        const QString word = reader.Next();
        if (word == u"|") {
            summary_.SeparatorSeen = true;
            if (defn.DownLoad != 0)
                continue; // later separators only separate words
            if (!model_.ResourceArray.back().Files.empty()) {
                defn.PreLoad = model_.ResourceCount();
                model_.ResourceArray.emplace_back();
            }
            defn.DownLoad = model_.ResourceCount();
            continue;
        }
        if (PassesFileNameRule(word, true)) {
            int32_t size = 0;
            if (reader.Peek().startsWith(u'['))
                size = std::max(0, LeadingWholeNumber(QStringView(reader.Next()).mid(1)));
            model_.ResourceArray.back().Files.push_back(ResourceFile { word, size });
        } else if (!word.startsWith(u'[') && !IsPlainFileName(word)) {
            Message(RefusedNameMessage(u"resource"_s, word));
        }
    }
    if (defn.PreLoad == 0 && defn.DownLoad == 0)
        defn.PreLoad = model_.ResourceCount();
}

void ScriptParser::ParsePurge(const QString& arguments)
{
    WordReader reader(BraceArgument(arguments));
    while (!reader.AtEnd()) {
        const QString name = reader.Next();
        QString stamp = reader.Next();
        if (!IsPlainFileName(name)) {
            Message(RefusedNameMessage(u"purge"_s, name));
            continue;
        }
        if (!context_.ApplyPurge || context_.Folders.ResourcePath.isEmpty())
            continue;
        if (stamp.size() < 9)
            stamp.prepend(u"0000"_s);
        const QString path = QDir(context_.Folders.ResourcePath).filePath(name);
        const QFileInfo info(path);
        if (!info.isFile())
            continue;
        const QString modified = info.lastModified().toString(u"yyyyMMddHHmm"_s);
        if (LeadingNumber(modified) < LeadingNumber(stamp)) {
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
            QFile::remove(path);
            ZT_DEBUG(context_.Log, TraceProcedures, "status", u"Purged resource "_s + name);
        }
    }
}

void ScriptParser::ParseBackground()
{
    model_.Backgrounds.emplace_back();
    backgroundImages_.emplace_back();
    currentBackground_ = model_.BackCount();
    BackgroundSlide& background = model_.Backgrounds.back();
    for (++index_; !AtEnd(); ++index_) {
        const CommandWords words = Current();
        if (IsSection(words.Command))
            return;
        const QString lower = words.Command.toLower();
        if (lower == u"/text" || lower == u"/font" || lower == u"/box" || lower == u"/line") {
            background.ScriptText.push_back(Stored());
        } else if (lower == u"/image") {
            const QString file = ValidImageFile(words);
            if (!file.isEmpty()) {
                background.ScriptText.push_back(Stored());
                backgroundImages_.back().push_back(file);
            }
        } else if (lower == u"/background" || lower == u"/animation" || lower == u"/source"
            || lower == u"/play") {
            Message(u"A background definition cannot contain a "_s + lower + u" command."_s);
        }
    }
}

QString ScriptParser::ValidPlayFile(const CommandWords& words)
{
    WordReader reader(BraceArgument(words.Arguments));
    const QString file = reader.Next();
    if (!file.isEmpty() && !IsPlainFileName(file)) {
        Message(RefusedNameMessage(u"sound file"_s, file));
        return QString();
    }
    if ((file.contains(u".wav"_s) || file.contains(u".ogg"_s)) && PassesFileNameRule(file))
        return file;
    Message(u"A valid sound file was not specified for the /play command."_s);
    return QString();
}

QString ScriptParser::ValidImageFile(const CommandWords& words)
{
    WordReader reader(BraceArgument(words.Arguments));
    reader.Next();
    reader.Next();
    const QString file = reader.Next();
    if (!file.isEmpty() && !IsPlainFileName(file)) {
        Message(RefusedNameMessage(u"picture"_s, file));
        return QString();
    }
    return PassesFileNameRule(file) ? file : QString();
}

void ScriptParser::AddSlideResource(Slide& slide, const QString& name)
{
    if (!slideResources_.contains(ResourceMap::FoldedKey(name))) {
        slideResources_.insert(ResourceMap::FoldedKey(name));
        slide.ResourceName.push_back(name);
    }
}

void ScriptParser::AddBackgroundImages(Slide& slide, int32_t background)
{
    for (const QString& image : backgroundImages_.at(static_cast<size_t>(background - 1)))
        AddSlideResource(slide, image);
}

void ScriptParser::ParseSlide()
{
    model_.Slides.emplace_back();
    Slide& slide = model_.Slides.back();
    slide.BackgroundIndex = currentBackground_;
    slideResources_.clear();
    AddBackgroundImages(slide, currentBackground_);
    float runningTime = 0.0F;
    ++index_;
    while (!AtEnd()) {
        const CommandWords words = Current();
        const QString lower = words.Command.toLower();
        if (lower == u"%slide" || lower == u"%endslide")
            return; // handled again by the caller
        if (lower == u"%subslide") {
            ParseSubslide(slide, runningTime);
        } else if (lower == u"%background") {
            ParseBackground();
        } else {
            if (!IsSection(lower))
                HandleSlideStatement(slide, words, lower);
            ++index_;
        }
    }
}

void ScriptParser::HandleSlideStatement(
    Slide& slide, const CommandWords& words, const QString& lower)
{
    if (lower == u"/play") {
        const QString file = ValidPlayFile(words);
        if (file.isEmpty())
            return;
        if (slide.WaveFileName.isEmpty())
            slide.WaveFileName = file;
        AddSlideResource(slide, file);
        slide.ScriptText.push_back(Stored());
    } else if (lower == u"/image") {
        const QString file = ValidImageFile(words);
        if (file.isEmpty())
            return;
        AddSlideResource(slide, file);
        slide.ScriptText.push_back(Stored());
    } else if (lower == u"/font" || lower == u"/text" || lower == u"/animation" || lower == u"/box"
        || lower == u"/line") {
        slide.ScriptText.push_back(Stored());
    }
}

void ScriptParser::ParseSubslide(Slide& slide, float& runningTime)
{
    WordReader reader(BraceArgument(Current().Arguments));
    const QString word = reader.Next();
    if (word.startsWith(u'+')) {
        runningTime += static_cast<float>(LeadingNumber(word));
    } else if (!word.isEmpty() && !word.startsWith(u'-')) {
        const auto t = static_cast<float>(LeadingNumber(word));
        if (t > runningTime)
            runningTime = t;
    }
    slide.SubSlide.emplace_back();
    Subslide& subslide = slide.SubSlide.back();
    subslide.StartTime = RoundToInt32(static_cast<double>(runningTime) * 1000.0);
    subslide.BackgroundIndex = currentBackground_;
    // A subslide drawn on a newer background needs that background's pictures too.
    if (currentBackground_ != slide.BackgroundIndex)
        AddBackgroundImages(slide, currentBackground_);
    for (++index_; !AtEnd(); ++index_) {
        const CommandWords words = Current();
        if (IsSection(words.Command))
            return;
        HandleSubslideStatement(slide, subslide, words, words.Command.toLower());
    }
}

void ScriptParser::HandleSubslideStatement(
    Slide& slide, Subslide& subslide, const CommandWords& words, const QString& lower)
{
    if (lower == u"/animation") {
        subslide.SubslideType = u"animation"_s;
        subslide.ScriptText.push_back(Stored());
    } else if (lower == u"/play" || lower == u"/image") {
        const QString file = lower == u"/play" ? ValidPlayFile(words) : ValidImageFile(words);
        if (file.isEmpty())
            return;
        AddSlideResource(slide, file);
        subslide.ScriptText.push_back(Stored());
    } else if (lower == u"/font" || lower == u"/text" || lower == u"/box" || lower == u"/line"
        || lower == u"/source" || lower == u"/background") {
        subslide.ScriptText.push_back(Stored());
    }
}

} // namespace

ParseSummary ParseScript(
    const ScriptStatements& script, SlideShowModel& model, const LoadContext& context)
{
    return ScriptParser(script, model, context).Run();
}

} // namespace zentil
