#include "tool/ScriptCheck.h"

#include "base/DebugLog.h"
#include "platform/MonotonicClock.h"
#include "script/ScriptReader.h"
#include "script/ScriptWords.h"
#include "script/WorkingCopies.h"
#include "tool/CheckText.h"
#include "tool/DrawingCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr qsizetype kTitleLength = 35;

// Where the statements stand, as the player's parser sees it.
enum class Place {
    Top, // before any section, or after one that ends without a new one
    Info,
    Resource,
    Background,
    Slide,
    Subslide,
};

bool IsOneOf(QStringView word, std::initializer_list<QStringView> words)
{
    return std::any_of(
        words.begin(), words.end(), [word](QStringView w) { return SameWord(word, w); });
}

const std::initializer_list<QStringView> kDrawing
    = { u"/text", u"/font", u"/box", u"/line", u"/oval", u"/polygon", u"/polyline", u"/image",
          u"/play", u"/animation", u"/source", u"/background" };
const std::initializer_list<QStringView> kInfo
    = { u"/version", u"/title", u"/author", u"/organization", u"/comments", u"/data" };
const std::initializer_list<QStringView> kResource
    = { u"/resourceserver", u"/resource", u"/purge" };
// Accepted by the drawing interpreter, but nothing reads them.
const std::initializer_list<QStringView> kInert
    = { u"/scribble", u"/pen", u"/setmark", u"/waituntil" };

// A file of a "/resource" list.
struct ListedFile {
    QString Name;
    StatementPosition At;
};

class ScriptChecker {
public:
    ScriptChecker(const ScriptStatements& script, const std::vector<StatementPosition>& positions,
        const QString& resourceFolder)
        : script_(script)
        , positions_(positions)
        , resourceFolder_(resourceFolder)
    { }

    std::vector<CheckProblem> Run();

private:
    void Statement(size_t i);
    void Section(
        const QString& statement, StatementPosition at, QStringView word, QStringView arguments);
    void Directive(
        const QString& statement, StatementPosition at, QStringView word, QStringView arguments);
    void ResourceDirective(
        const QString& statement, StatementPosition at, QStringView word, QStringView arguments);
    void ResourceList(const QString& statement, StatementPosition at, QStringView inner);
    void Subslide(const QString& statement, StatementPosition at, QStringView arguments);
    void EndSlide();
    void CheckFiles();
    QString FileOnDisk(const QString& name) const;

    const ScriptStatements& script_;
    const std::vector<StatementPosition>& positions_;
    QString resourceFolder_;
    ProblemList problems_;
    std::unique_ptr<TextMeasure> measure_;
    std::unique_ptr<DrawingChecker> drawing_;
    Place place_ = Place::Top;
    bool slideOpen_ = false;
    int slideCount_ = 0;
    StatementPosition slideStart_;
    bool slideHasNarration_ = false;
    double runningTime_ = 0;
    bool serverNamed_ = false;
    std::vector<ListedFile> listed_;
    QHash<QString, size_t> listedIndex_; // folded name to its first entry in listed_
    std::vector<FileMention> mentions_;
};

QString ScriptChecker::FileOnDisk(const QString& name) const
{
    const QString path = ResolveResourceFile(resourceFolder_, name);
    return QFileInfo(path).isFile() ? path : QString();
}

std::vector<CheckProblem> ScriptChecker::Run()
{
    // The show's fonts are measured with its own TrueType files, as the player draws them.
    QStringList fonts;
    for (const QFileInfo& f : QDir(resourceFolder_).entryInfoList(QDir::Files)) {
        if (f.suffix().compare(u"ttf"_s, Qt::CaseInsensitive) == 0)
            fonts << f.absoluteFilePath();
    }
    measure_ = std::make_unique<TextMeasure>(fonts);
    drawing_ = std::make_unique<DrawingChecker>(problems_, measure_.get());
    for (size_t i = 0; i < script_.ScriptArray.size(); ++i)
        Statement(i);
    EndSlide();
    if (slideCount_ == 0)
        problems_.Add(
            ProblemLevel::Error, { 1, 1 }, u"the script has no slides: start one with %slide"_s);
    CheckFiles();
    auto problems = std::move(problems_.Problems());
    std::stable_sort(problems.begin(), problems.end(), [](const auto& a, const auto& b) {
        return std::tie(a.Line, a.Column) < std::tie(b.Line, b.Column);
    });
    return problems;
}

void ScriptChecker::Statement(size_t i)
{
    const QString& statement = script_.ScriptArray[i];
    const StatementPosition at = i < positions_.size() ? positions_[i] : StatementPosition { 0, 0 };
    const CommandWords words = SplitCommand(statement);
    if (words.Command.isEmpty())
        return; // blanks only
    if (words.Command.startsWith(u'%')) {
        Section(statement, at, words.Command, words.Arguments);
    } else if (words.Command.startsWith(u'/')) {
        Directive(statement, at, words.Command, words.Arguments);
    } else if (words.Command.startsWith(u'}')) {
        problems_.Add(ProblemLevel::Error, at, statement, words.Command,
            u"stray '}': a brace closes on the line it opens"_s);
    } else {
        problems_.Add(ProblemLevel::Error, at, statement, words.Command,
            Quoted(TrimBlanks(statement)) + u" is not a statement: statements begin with / or %"_s);
    }
}

void ScriptChecker::EndSlide()
{
    if (slideOpen_ && !slideHasNarration_)
        problems_.Add(ProblemLevel::Error, slideStart_,
            u"slide "_s + QString::number(slideCount_)
                + u" has no narration: give it a /play {file.ogg}"_s);
    slideOpen_ = false;
}

void ScriptChecker::Section(
    const QString& statement, StatementPosition at, QStringView word, QStringView arguments)
{
    const auto warn = [&](const QString& text) {
        problems_.Add(ProblemLevel::Warning, at, statement, word, text);
    };
    drawing_->ResetFont();
    if (SameWord(word, u"%slide")) {
        EndSlide();
        slideOpen_ = true;
        ++slideCount_;
        slideStart_ = at;
        slideHasNarration_ = false;
        runningTime_ = 0;
        place_ = Place::Slide;
    } else if (SameWord(word, u"%endslide")) {
        if (!slideOpen_)
            warn(u"%endslide without a slide to end"_s);
        EndSlide();
        place_ = Place::Top;
    } else if (SameWord(word, u"%subslide")) {
        if (!slideOpen_) {
            warn(u"%subslide outside a slide is ignored"_s);
            place_ = Place::Top;
            return;
        }
        place_ = Place::Subslide;
        Subslide(statement, at, arguments);
    } else if (SameWord(word, u"%background")) {
        place_ = Place::Background;
    } else if (IsOneOf(word, { u"%info", u"%resource", u"%title" })) {
        if (slideOpen_) {
            warn(word.toString() + u" inside a slide is ignored: end the slide with %endslide"_s);
            place_ = Place::Slide;
            return;
        }
        place_ = SameWord(word, u"%info")  ? Place::Info
            : SameWord(word, u"%resource") ? Place::Resource
                                           : Place::Top;
        if (SameWord(word, u"%title")) {
            const QStringView title
                = TrimBlanks(drawing_->CheckBraces(statement, at, arguments, false));
            if (title.size() > kTitleLength)
                problems_.Add(ProblemLevel::Warning, at, statement, title.mid(kTitleLength),
                    u"the title is cut after 35 characters"_s);
        }
    } else if (IsOneOf(word, { u"%endinfo", u"%endresource", u"%endbackground", u"%encrypted" })) {
        place_ = slideOpen_ ? Place::Slide : Place::Top;
    } else {
        problems_.Add(
            ProblemLevel::Error, at, statement, word, u"unknown section "_s + Quoted(word));
        place_ = slideOpen_ ? Place::Slide : Place::Top;
    }
}

void ScriptChecker::Subslide(const QString& statement, StatementPosition at, QStringView arguments)
{
    WordReader words(BraceArgument(arguments));
    const QStringView time = words.Next();
    if (!words.AtEnd())
        problems_.Add(ProblemLevel::Error, at, statement, words.Peek(),
            u"%subslide takes one start time; the rest is ignored"_s);
    if (time.isEmpty())
        return;
    if (!IsNumberWord(time)) {
        problems_.Add(ProblemLevel::Error, at, statement, time,
            Quoted(time) + u" is not a time in seconds"_s);
        return;
    }
    const double t = LeadingNumber(time);
    if (time.startsWith(u'+')) {
        runningTime_ += t;
    } else if (time.startsWith(u'-')) {
        problems_.Add(
            ProblemLevel::Warning, at, statement, time, u"a negative start time is ignored"_s);
    } else if (t > runningTime_) {
        runningTime_ = t;
    } else {
        problems_.Add(ProblemLevel::Warning, at, statement, time,
            u"start time "_s + time + u" s is not after the previous subslide ("_s
                + QString::number(runningTime_) + u" s); it starts then"_s);
    }
}

void ScriptChecker::Directive(
    const QString& statement, StatementPosition at, QStringView word, QStringView arguments)
{
    const auto problem = [&](ProblemLevel level, const QString& text) {
        problems_.Add(level, at, statement, word, text);
    };
    if (SameWord(word, u"/name"))
        return;
    if (SameWord(word, u"/version") && place_ != Place::Info) {
        const QStringView value = TrimBlanks(drawing_->CheckBraces(statement, at, arguments, true));
        if (!IsNumberWord(value))
            problems_.Add(ProblemLevel::Error, at, statement, value,
                Quoted(value) + u" is not a version number"_s);
        else if (LeadingNumber(value) > 1.2 + 1e-6)
            problems_.Add(ProblemLevel::Error, at, statement, value,
                u"the player plays scripts up to version 1.2"_s);
        return;
    }
    switch (place_) {
    case Place::Info:
        if (IsOneOf(word, kInfo)) {
            drawing_->CheckBraces(statement, at, arguments, false);
            return;
        }
        break;
    case Place::Resource:
        if (IsOneOf(word, kResource)) {
            ResourceDirective(statement, at, word, arguments);
            return;
        }
        break;
    case Place::Background:
        if (IsOneOf(word, { u"/background", u"/animation", u"/source", u"/play" })) {
            problem(ProblemLevel::Error,
                u"a background cannot contain "_s + word.toString().toLower()
                    + u"; the statement is dropped"_s);
            return;
        }
        [[fallthrough]];
    case Place::Slide:
    case Place::Subslide:
        if (IsOneOf(word, kDrawing)) {
            if (place_ == Place::Slide && IsOneOf(word, { u"/source", u"/background" })) {
                problem(ProblemLevel::Warning,
                    word.toString().toLower() + u" works only in a subslide; ignored here"_s);
                return;
            }
            if (const auto file = drawing_->Check(statement, at)) {
                if (file->Sound && place_ == Place::Slide)
                    slideHasNarration_ = true;
                mentions_.push_back(*file);
            }
            return;
        }
        break;
    case Place::Top:
        break;
    }
    if (IsOneOf(word, kDrawing) || IsOneOf(word, kInfo) || IsOneOf(word, kResource))
        problem(ProblemLevel::Warning, word.toString() + u" is ignored here"_s);
    else if (IsOneOf(word, kInert))
        problem(ProblemLevel::Warning, word.toString() + u" has no effect"_s);
    else
        problem(ProblemLevel::Error, u"unknown command "_s + Quoted(word));
}

void ScriptChecker::ResourceDirective(
    const QString& statement, StatementPosition at, QStringView word, QStringView arguments)
{
    if (word != word.toString().toLower()) {
        problems_.Add(ProblemLevel::Error, at, statement, word,
            word.toString() + u" must be written in lower case; the statement is ignored"_s);
        return;
    }
    const QStringView inner = drawing_->CheckBraces(statement, at, arguments, true);
    if (word == u"/resourceserver") {
        serverNamed_ = serverNamed_ || !TrimBlanks(inner).isEmpty();
    } else if (word == u"/resource") {
        ResourceList(statement, at, inner);
    } else {
        WordReader words(inner);
        while (!words.AtEnd()) {
            words.Next();
            const QStringView stamp = words.Next();
            if (stamp.isEmpty() || !AllDigits(stamp.toString()))
                problems_.Add(ProblemLevel::Error, at, statement, stamp,
                    u"a purge time stamp is written yyyymmddhhnn"_s);
        }
    }
}

void ScriptChecker::ResourceList(const QString& statement, StatementPosition at, QStringView inner)
{
    WordReader words(inner);
    while (!words.AtEnd()) {
        const QStringView word = words.Next();
        if (word == u"|")
            continue;
        const auto error = [&](QStringView where, const QString& text) {
            problems_.Add(ProblemLevel::Error, at, statement, where, text);
        };
        if (word.startsWith(u'[')) {
            error(word, u"a size in brackets must follow a file name"_s);
            continue;
        }
        if (words.Peek().startsWith(u'[')) {
            const QStringView size = words.Next();
            if (!size.endsWith(u']') || !AllDigits(size.mid(1, size.size() - 2).toString()))
                error(size, Quoted(size) + u" is not a size in bytes such as [48213]"_s);
        }
        if (!PassesFileNameRule(word, true)) {
            if (LooksLikePicture(word) && IsPlainFileName(word) && word.count(u'.') == 1)
                error(word, u"the player cannot draw this type of picture: "_s + Quoted(word));
            else
                error(word,
                    Quoted(word)
                        + u" is not a resource name: one '.' and .ogg, .wav, .jpg, .jpeg, .gif, .bmp, .png, .webp, .svg, .svgz or .ttf"_s);
            continue;
        }
        const StatementPosition where = PositionOf(at, statement, word);
        const QString key = word.toString().toLower();
        if (const auto first = listedIndex_.constFind(key); first != listedIndex_.cend()) {
            const ListedFile& f = listed_[*first];
            error(word,
                Quoted(word) + u" is listed twice (first at line "_s + QString::number(f.At.Line)
                    + u")"_s);
            continue;
        }
        listedIndex_.insert(key, listed_.size());
        listed_.push_back({ word.toString(), where });
    }
}

// Whether the file is TrueType: its first four bytes are 0x00010000 or "true".
bool IsTrueType(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head == QByteArray("\x00\x01\x00\x00", 4) || head == "true";
}

void ScriptChecker::CheckFiles()
{
    const auto error = [this](StatementPosition at, const QString& text) {
        problems_.Add(ProblemLevel::Error, at, text);
    };
    for (const ListedFile& f : listed_) {
        const QString path = FileOnDisk(f.Name);
        if (path.isEmpty()) {
            if (!serverNamed_)
                error(f.At,
                    Quoted(f.Name) + u" is not in "_s + resourceFolder_
                        + u" and no /resourceserver is named to fetch it from"_s);
        } else if (NamesFont(f.Name) && !IsTrueType(path)) {
            error(f.At, Quoted(f.Name) + u" is not a TrueType font file"_s);
        }
    }
    for (const FileMention& m : mentions_) {
        const QString key = m.Name.toLower();
        const bool listed = listedIndex_.contains(key);
        if (!listed)
            error(m.At, Quoted(m.Name) + u" is not in the resource list (/resource)"_s);
        const QString path = FileOnDisk(m.Name);
        if (path.isEmpty()) {
            if (listed || serverNamed_)
                continue; // told once, at the list
            error(m.At, Quoted(m.Name) + u" is not in "_s + resourceFolder_);
        } else if (!m.Sound && !QImageReader(path).canRead()) {
            error(m.At, Quoted(m.Name) + u" cannot be read as a picture"_s);
        }
    }
}

} // namespace

std::vector<CheckProblem> CheckScriptFile(const QString& scriptPath)
{
    const QFileInfo info(scriptPath);
    QTemporaryDir temp;
    MonotonicClock clock;
    DebugLog log(clock, false);
    ScriptStatements script;
    const ScriptReadResult read = info.isFile() && temp.isValid()
        ? LoadScriptFromFile(info.absoluteFilePath(), temp.path(), script, log)
        : ScriptReadResult {};
    if (!read.FileFound)
        return { { 1, 1, ProblemLevel::Error, u"no such script"_s } };
    if (!read.Refusal.isEmpty())
        return { { 1, 1, ProblemLevel::Error, read.Refusal } };
    const QString resources = info.absoluteDir().filePath(u"resources"_s);
    std::vector<CheckProblem> problems = ScriptChecker(script, read.Positions, resources).Run();
    for (const ScriptMessage& m : read.Messages) {
        const auto at = static_cast<size_t>(m.StatementNumber - 1);
        const StatementPosition p
            = at < read.Positions.size() ? read.Positions[at] : StatementPosition { 1, 1 };
        problems.insert(std::upper_bound(problems.begin(), problems.end(), p,
                            [](StatementPosition a, const CheckProblem& b) {
                                return std::tie(a.Line, a.Column) < std::tie(b.Line, b.Column);
                            }),
            { p.Line, p.Column, ProblemLevel::Error, m.Text });
    }
    return problems;
}

QString FormatProblem(const QString& fileName, const CheckProblem& problem)
{
    return fileName + u":"_s + QString::number(problem.Line) + u":"_s
        + QString::number(problem.Column) + u": "_s
        + (problem.Level == ProblemLevel::Error ? u"error: "_s : u"warning: "_s) + problem.Text;
}

bool ProblemsFail(const std::vector<CheckProblem>& problems, bool strict)
{
    return std::any_of(problems.begin(), problems.end(),
        [strict](const CheckProblem& p) { return strict || p.Level == ProblemLevel::Error; });
}

int RunScriptCheckCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QStringList files = args;
    const bool strict = files.removeAll(u"--strict"_s) > 0;
    if (files.size() != 1 || files.front().startsWith(u"--")) {
        err << u"Usage: zentil-tool "_s << QString::fromLatin1(CheckCommandSynopsis) << u"\n"_s;
        return 2;
    }
    const auto problems = CheckScriptFile(files.front());
    for (const CheckProblem& p : problems)
        out << FormatProblem(files.front(), p) << u"\n"_s;
    out.flush();
    return ProblemsFail(problems, strict) ? 1 : 0;
}

} // namespace zentil
