#include "script/ScriptParser.h"

#include "base/DebugLog.h"
#include "base/ErrorReporting.h"
#include "script/ScriptLoader.h"
#include "script/ScriptWords.h"
#include "storage/FileTree.h"
#include "storage/ZentilFolders.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr qsizetype kTitleLength = 35;
// Resource lists up to this length are searched directly; longer ones through a set.
constexpr size_t kSmallResourceList = 24;

// The command words the parser knows, recognised ignoring case.
enum class Word {
    Slide,
    EndSlide,
    Subslide,
    Background,
    Resource,
    Info,
    Title,
    OtherSection, // sections
    Play,
    Image,
    Text,
    Font,
    Box,
    Line,
    Shape, // "/oval", "/polygon", "/polyline": stored wherever boxes and lines are
    Animation,
    Source,
    BackgroundCommand, // drawing
    Version,
    InfoTitle,
    Author,
    Organization,
    Comments,
    Data, // "%info"
    Other,
};

Word Classify(QStringView command)
{
    struct Entry {
        QStringView text;
        Word word;
    };
    static constexpr Entry kSections[] = { { u"%slide", Word::Slide },
        { u"%endslide", Word::EndSlide }, { u"%subslide", Word::Subslide },
        { u"%background", Word::Background }, { u"%resource", Word::Resource },
        { u"%info", Word::Info }, { u"%title", Word::Title } };
    static constexpr Entry kDirectives[] = { { u"/play", Word::Play }, { u"/image", Word::Image },
        { u"/text", Word::Text }, { u"/font", Word::Font }, { u"/box", Word::Box },
        { u"/line", Word::Line }, { u"/oval", Word::Shape }, { u"/polygon", Word::Shape },
        { u"/polyline", Word::Shape }, { u"/animation", Word::Animation },
        { u"/source", Word::Source }, { u"/background", Word::BackgroundCommand },
        { u"/version", Word::Version }, { u"/title", Word::InfoTitle },
        { u"/author", Word::Author }, { u"/organization", Word::Organization },
        { u"/comments", Word::Comments }, { u"/data", Word::Data } };
    if (command.startsWith(u'%')) {
        for (const Entry& e : kSections) {
            if (SameWord(command, e.text))
                return e.word;
        }
        return Word::OtherSection;
    }
    for (const Entry& e : kDirectives) {
        if (SameWord(command, e.text))
            return e.word;
    }
    return Word::Other;
}

bool IsSection(Word w)
{
    return w <= Word::OtherSection;
}

bool SameName(const QString& a, const QString& b)
{
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

// The pictures of one background, each once: every slide drawn on it shares the list.
struct BackgroundPictures {
    std::shared_ptr<std::vector<QString>> Names = std::make_shared<std::vector<QString>>();
    QSet<QString> Keys; // FoldedKey of each name
};

class ScriptParser {
public:
    ScriptParser(const ScriptStatements& script, SlideShowModel& model, const LoadContext& context)
        : statements_(script.ScriptArray)
        , model_(model)
        , context_(context)
    { }

    ParseSummary Run();

private:
    // The statement at the cursor split into words (views into ScriptArray).
    CommandWords Current() const { return SplitCommand(statements_[index_]); }
    bool AtEnd() const { return index_ >= statements_.size(); }
    int32_t StatementNumber() const { return static_cast<int32_t>(index_ + 1); }
    void Message(const QString& text);

    void ParseInfo();
    void ParseTitle(const CommandWords& words);
    void ParseResource();
    void ParseResourceList(QStringView arguments);
    void ParsePurge(QStringView arguments);
    void ParseBackground();
    void ParseSlide();
    void ParseSubslide(Slide& slide, float& runningTime);
    void HandleSlideStatement(Slide& slide, const CommandWords& words, Word word);
    void HandleSubslideStatement(
        Slide& slide, Subslide& subslide, const CommandWords& words, Word word);

    // "/play": the sound file when it is valid; otherwise "" after a message.
    QString ValidPlayFile(const CommandWords& words);
    // "/image": the picture file (third word) when it passes the file-name rule, else "".
    QString ValidImageFile(const CommandWords& words);
    void AddSlideResource(Slide& slide, const QString& name);
    void AddBackgroundImages(Slide& slide, int32_t background);
    void AddBackgroundPicture(const QString& name);
    BackgroundPictures& PicturesOf(int32_t background)
    {
        return backgroundPictures_.at(static_cast<size_t>(background - 1));
    }
    QString Stored() const { return TrimBlanks(statements_[index_]).toString(); }

    const std::vector<QString>& statements_;
    SlideShowModel& model_;
    const LoadContext& context_;
    size_t index_ = 0;
    int32_t currentBackground_ = 1;
    std::vector<BackgroundPictures> backgroundPictures_; // per background: its "/image" files
    // The current slide: folded names of its own files once its list is long, and the newer
    // backgrounds whose pictures its subslides added.
    QSet<QString> slideKeys_;
    bool slideKeysBuilt_ = false;
    std::vector<int32_t> slideBackgrounds_;
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
    backgroundPictures_.emplace_back();
    currentBackground_ = 1;
    while (!AtEnd()) {
        const CommandWords words = Current();
        switch (Classify(words.Command)) {
        case Word::Slide:
            ParseSlide();
            break;
        case Word::Background:
            ParseBackground();
            break;
        case Word::Resource:
            ParseResource();
            break;
        case Word::Info:
            ParseInfo();
            break;
        case Word::Title:
            ParseTitle(words);
            ++index_;
            break;
        default:
            ++index_; // "%end..." words, "%encrypted" and stray statements say nothing here
            break;
        }
    }
    return summary_;
}

void ScriptParser::ParseTitle(const CommandWords& words)
{
    const QStringView title = TrimBlanks(BraceArgument(words.Arguments));
    if (!title.isEmpty())
        model_.Defn.ShowTitle = title.left(kTitleLength).toString();
}

void ScriptParser::ParseInfo()
{
    PresentationInfo& info = model_.Info;
    for (++index_; !AtEnd(); ++index_) {
        const CommandWords words = Current();
        const Word word = Classify(words.Command);
        if (IsSection(word))
            return;
        const QStringView value = TrimBlanks(BraceArgument(words.Arguments));
        if (value.isEmpty())
            continue;
        switch (word) {
        case Word::Version:
            info.VersionText = value.toString();
            break;
        case Word::InfoTitle:
            info.TitleText += value + u"\r"_s;
            break;
        case Word::Author:
            info.AuthorText += value + u"\r"_s;
            break;
        case Word::Organization:
            info.OrganizationText += value + u"\r"_s;
            break;
        case Word::Comments:
            info.CommentsText += value + u"\r"_s;
            break;
        case Word::Data: {
            WordReader reader(value);
            while (!reader.AtEnd()) {
                const QStringView key = reader.Next();
                if (SameWord(key, u"kbps"))
                    info.DataKbps = LeadingWholeNumber(reader.Next());
                else if (SameWord(key, u"length"))
                    info.DataLength = LeadingWholeNumber(reader.Next());
                else if (SameWord(key, u"filesize"))
                    info.DataFileSize = LeadingWholeNumber(reader.Next());
            }
            break;
        }
        default:
            break;
        }
    }
}

void ScriptParser::ParseResource()
{
    model_.ResourceArray.emplace_back();
    for (++index_; !AtEnd(); ++index_) {
        const CommandWords words = Current();
        if (words.Command.startsWith(u'%'))
            return;
        // Resource directives are recognised only in lower case.
        if (words.Command == u"/resourceserver")
            model_.Defn.ResourceServer = TrimBlanks(BraceArgument(words.Arguments)).toString();
        else if (words.Command == u"/resource")
            ParseResourceList(words.Arguments);
        else if (words.Command == u"/purge")
            ParsePurge(words.Arguments);
    }
}

void ScriptParser::ParseResourceList(QStringView arguments)
{
    SlideShowDefn& defn = model_.Defn;
    WordReader reader(BraceArgument(arguments));
    while (!reader.AtEnd()) {
        const QStringView word = reader.Next();
        if (word == u"|") {
            summary_.SeparatorSeen = true;
            if (defn.DownloadSet != 0)
                continue; // later separators only separate words
            if (!model_.ResourceArray.back().Files.empty()) {
                defn.PreloadSet = model_.ResourceCount();
                model_.ResourceArray.emplace_back();
            }
            defn.DownloadSet = model_.ResourceCount();
            continue;
        }
        if (PassesFileNameRule(word, true)) {
            int32_t size = 0;
            if (reader.Peek().startsWith(u'['))
                size = std::max(0, LeadingWholeNumber(reader.Next().mid(1)));
            model_.ResourceArray.back().Files.push_back(ResourceFile { word.toString(), size });
        } else if (!word.startsWith(u'[') && !IsPlainFileName(word)) {
            Message(RefusedNameMessage(u"resource"_s, word.toString()));
        }
    }
    if (defn.PreloadSet == 0 && defn.DownloadSet == 0)
        defn.PreloadSet = model_.ResourceCount();
}

void ScriptParser::ParsePurge(QStringView arguments)
{
    // Purging refreshes cached downloads; an author's own resources folder is never touched.
    const bool purgeAllowed = context_.ApplyPurge
        && IsRealFolderInside(context_.Folders.ResourcePath, context_.Folders.ZentilCachePath);
    WordReader reader(BraceArgument(arguments));
    while (!reader.AtEnd()) {
        const QString name = reader.Next().toString();
        QString stamp = reader.Next().toString();
        if (!IsPlainFileName(name)) {
            Message(RefusedNameMessage(u"purge"_s, name));
            continue;
        }
        if (!purgeAllowed)
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
    backgroundPictures_.emplace_back();
    currentBackground_ = model_.BackCount();
    BackgroundSlide& background = model_.Backgrounds.back();
    for (++index_; !AtEnd(); ++index_) {
        const CommandWords words = Current();
        const Word word = Classify(words.Command);
        if (IsSection(word))
            return;
        switch (word) {
        case Word::Text:
        case Word::Font:
        case Word::Box:
        case Word::Line:
        case Word::Shape:
            background.ScriptText.push_back(Stored());
            break;
        case Word::Image: {
            const QString file = ValidImageFile(words);
            if (!file.isEmpty()) {
                background.ScriptText.push_back(Stored());
                AddBackgroundPicture(file);
            }
            break;
        }
        case Word::BackgroundCommand:
        case Word::Animation:
        case Word::Source:
        case Word::Play:
            Message(u"A background definition cannot contain a "_s
                + words.Command.toString().toLower() + u" command."_s);
            break;
        default:
            break;
        }
    }
}

QString ScriptParser::ValidPlayFile(const CommandWords& words)
{
    WordReader reader(BraceArgument(words.Arguments));
    const QStringView file = reader.Next();
    if (!file.isEmpty() && !IsPlainFileName(file)) {
        Message(RefusedNameMessage(u"sound file"_s, file.toString()));
        return QString();
    }
    if (NamesSoundFile(file.toString()) && PassesFileNameRule(file))
        return file.toString();
    Message(u"A valid sound file was not specified for the /play command."_s);
    return QString();
}

QString ScriptParser::ValidImageFile(const CommandWords& words)
{
    WordReader reader(BraceArgument(words.Arguments));
    reader.Next();
    reader.Next();
    const QStringView file = reader.Next();
    if (!file.isEmpty() && !IsPlainFileName(file)) {
        Message(RefusedNameMessage(u"picture"_s, file.toString()));
        return QString();
    }
    return PassesFileNameRule(file) ? file.toString() : QString();
}

void ScriptParser::AddSlideResource(Slide& slide, const QString& name)
{
    auto& names = slide.ResourceName;
    if (names.size() < kSmallResourceList) {
        if (std::none_of(names.begin(), names.end(),
                [&name](const QString& n) { return SameName(n, name); }))
            names.push_back(name);
        return;
    }
    if (!slideKeysBuilt_) {
        for (const QString& n : names.Own())
            slideKeys_.insert(ResourceMap::FoldedKey(n));
        slideKeysBuilt_ = true;
    }
    const QString key = ResourceMap::FoldedKey(name);
    if (names.SharedCount() > 0 && PicturesOf(slide.BackgroundIndex).Keys.contains(key))
        return;
    if (slideKeys_.contains(key))
        return;
    slideKeys_.insert(key);
    names.push_back(name);
}

void ScriptParser::AddBackgroundPicture(const QString& name)
{
    BackgroundPictures& pictures = backgroundPictures_.back();
    QString key = ResourceMap::FoldedKey(name);
    if (pictures.Keys.contains(key))
        return;
    pictures.Keys.insert(std::move(key));
    pictures.Names->push_back(name);
}

void ScriptParser::AddBackgroundImages(Slide& slide, int32_t background)
{
    if (std::find(slideBackgrounds_.begin(), slideBackgrounds_.end(), background)
        != slideBackgrounds_.end())
        return; // added already, and every name is in the list only once
    slideBackgrounds_.push_back(background);
    for (const QString& image : *PicturesOf(background).Names)
        AddSlideResource(slide, image);
}

void ScriptParser::ParseSlide()
{
    model_.Slides.emplace_back();
    Slide& slide = model_.Slides.back();
    slide.BackgroundIndex = currentBackground_;
    slideKeys_.clear();
    slideKeysBuilt_ = false;
    slideBackgrounds_.assign(1, currentBackground_);
    slide.ResourceName.Share(PicturesOf(currentBackground_).Names);
    float runningTime = 0.0F;
    ++index_;
    while (!AtEnd()) {
        const CommandWords words = Current();
        const Word word = Classify(words.Command);
        if (word == Word::Slide || word == Word::EndSlide)
            return; // handled again by the caller
        if (word == Word::Subslide) {
            ParseSubslide(slide, runningTime);
        } else if (word == Word::Background) {
            ParseBackground();
        } else {
            if (!IsSection(word))
                HandleSlideStatement(slide, words, word);
            ++index_;
        }
    }
}

void ScriptParser::HandleSlideStatement(Slide& slide, const CommandWords& words, Word word)
{
    switch (word) {
    case Word::Play: {
        const QString file = ValidPlayFile(words);
        if (file.isEmpty())
            return;
        if (slide.WaveFileName.isEmpty())
            slide.WaveFileName = file;
        AddSlideResource(slide, file);
        slide.ScriptText.push_back(Stored());
        break;
    }
    case Word::Image: {
        const QString file = ValidImageFile(words);
        if (file.isEmpty())
            return;
        AddSlideResource(slide, file);
        slide.ScriptText.push_back(Stored());
        break;
    }
    case Word::Font:
    case Word::Text:
    case Word::Animation:
    case Word::Box:
    case Word::Line:
    case Word::Shape:
        slide.ScriptText.push_back(Stored());
        break;
    default:
        break;
    }
}

void ScriptParser::ParseSubslide(Slide& slide, float& runningTime)
{
    WordReader reader(BraceArgument(Current().Arguments));
    const QStringView word = reader.Next();
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
        const Word w = Classify(words.Command);
        if (IsSection(w))
            return;
        HandleSubslideStatement(slide, subslide, words, w);
    }
}

void ScriptParser::HandleSubslideStatement(
    Slide& slide, Subslide& subslide, const CommandWords& words, Word word)
{
    switch (word) {
    case Word::Animation:
        subslide.SubslideType = u"animation"_s;
        subslide.ScriptText.push_back(Stored());
        break;
    case Word::Play:
    case Word::Image: {
        const QString file = word == Word::Play ? ValidPlayFile(words) : ValidImageFile(words);
        if (file.isEmpty())
            return;
        AddSlideResource(slide, file);
        subslide.ScriptText.push_back(Stored());
        break;
    }
    case Word::Font:
    case Word::Text:
    case Word::Box:
    case Word::Line:
    case Word::Shape:
    case Word::Source:
    case Word::BackgroundCommand:
        subslide.ScriptText.push_back(Stored());
        break;
    default:
        break;
    }
}

} // namespace

ParseSummary ParseScript(
    const ScriptStatements& script, SlideShowModel& model, const LoadContext& context)
{
    return ScriptParser(script, model, context).Run();
}

} // namespace zentil
