#include "tool/DrawingCheck.h"

#include "script/ScriptWords.h"
#include "tool/CheckText.h"

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr double kSlideWidth = 800.0;
constexpr double kSlideHeight = 600.0;
constexpr int kMostPoints = 101;
// Text may reach this far past an edge (anti-aliasing, rounding) before it counts as cut off.
constexpr double kEdgeAllowance = 1.0;

} // namespace

// The interpreter's tokens: blank-separated words, a word beginning with an apostrophe running to
// the next apostrophe. Views into the statement, so problems know their column.
struct DrawingChecker::Reader {
    explicit Reader(QStringView text)
        : Text(text)
    { }

    void SkipBlanks()
    {
        while (Pos < Text.size() && Text[Pos] == u' ')
            ++Pos;
    }
    bool AtEnd()
    {
        SkipBlanks();
        return Pos >= Text.size();
    }
    QStringView Next()
    {
        SkipBlanks();
        if (Pos >= Text.size())
            return Text.mid(Text.size(), 0);
        if (Text[Pos] == u'\'') {
            const qsizetype close = Text.indexOf(u'\'', Pos + 1);
            const qsizetype end = close < 0 ? Text.size() : close;
            const QStringView word = Text.mid(Pos + 1, end - Pos - 1);
            Pos = close < 0 ? Text.size() : close + 1;
            return word;
        }
        qsizetype end = Text.indexOf(u' ', Pos);
        if (end < 0)
            end = Text.size();
        const QStringView word = Text.mid(Pos, end - Pos);
        Pos = end;
        return word;
    }
    QStringView Peek()
    {
        const qsizetype keep = Pos;
        const QStringView word = Next();
        Pos = keep;
        return word;
    }
    // Where the reader stands, for a problem about something missing.
    QStringView Here() const { return Text.mid(std::min(Pos, Text.size()), 0); }

    QStringView Text;
    qsizetype Pos = 0;
};

bool LooksLikePicture(QStringView name)
{
    static constexpr const char16_t* kPictures[] = { u".png", u".svg", u".webp", u".tif", u".tiff",
        u".jpg", u".jpeg", u".gif", u".bmp", u".ico", u".heic", u".avif", u".jxl" };
    for (const char16_t* ext : kPictures) {
        if (name.endsWith(QStringView(ext), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void DrawingChecker::Error(QStringView at, const QString& text)
{
    problems_.Add(ProblemLevel::Error, start_, *statement_, at, text);
}

void DrawingChecker::Warning(QStringView at, const QString& text)
{
    problems_.Add(ProblemLevel::Warning, start_, *statement_, at, text);
}

QStringView DrawingChecker::CheckBraces(
    const QString& statement, StatementPosition start, QStringView arguments, bool strayBraces)
{
    statement_ = &statement;
    start_ = start;
    if (!arguments.startsWith(u'{')) {
        Error(arguments, u"the arguments must be written in braces: {...}"_s);
        return arguments;
    }
    const qsizetype close = arguments.lastIndexOf(u'}');
    if (close < 0) {
        Error(arguments, u"unclosed brace: '{' has no matching '}'"_s);
        return arguments.mid(1);
    }
    if (close != arguments.size() - 1)
        Error(arguments.mid(close + 1), u"text after the closing brace"_s);
    const QStringView inner = arguments.mid(1, close - 1);
    if (strayBraces) {
        for (qsizetype i = 0; i < inner.size(); ++i) {
            if (inner[i] == u'{' || inner[i] == u'}')
                Error(inner.mid(i, 1), u"stray '"_s + inner[i] + u"'"_s);
        }
    }
    return inner;
}

bool DrawingChecker::Number(Reader& words, const QString& what, double* value)
{
    const QStringView word = words.Next();
    if (word.isEmpty()) {
        Error(words.Here(), u"missing "_s + what);
        return false;
    }
    if (!IsNumberWord(word)) {
        Error(word, Quoted(word) + u" is not a number ("_s + what + u")"_s);
        return false;
    }
    if (value)
        *value = LeadingNumber(word);
    return true;
}

void DrawingChecker::Colour(Reader& words, QStringView option)
{
    const QStringView first = words.Peek();
    if (first.startsWith(u'#')) {
        words.Next();
        bool hex = first.size() == 7;
        for (qsizetype i = 1; hex && i < first.size(); ++i)
            hex = QStringView(u"0123456789abcdefABCDEF").contains(first[i]);
        if (!hex)
            Error(first, Quoted(first) + u" is not a colour: write # and six hexadecimal digits"_s);
        return;
    }
    for (const QString& channel : { u"red"_s, u"green"_s, u"blue"_s }) {
        const QStringView word = words.Peek();
        double percent = 0;
        if (!Number(words, channel + u" percentage of "_s + option.toString().toLower(), &percent))
            return;
        if (percent < 0 || percent > 100)
            Error(word, u"colour percentage "_s + word + u" is out of range (0 to 100)"_s);
    }
}

void DrawingChecker::Coordinates(Reader& words, int count)
{
    static const QString kNames[] = { u"x1"_s, u"y1"_s, u"x2"_s, u"y2"_s };
    for (int i = 0; i < count; ++i) {
        const QStringView word = words.Peek();
        double v = 0;
        const QString name = count == 2 ? kNames[i].left(1) : kNames[i];
        if (!Number(words, u"coordinate "_s + name, &v)) {
            if (word.isEmpty())
                return; // the rest is missing too
            continue; // a mistyped number: the next words are still coordinates
        }
        const double limit = i % 2 == 0 ? kSlideWidth : kSlideHeight;
        if (v < 0 || v > limit)
            Warning(word,
                u"coordinate "_s + name + u" = "_s + word + u" is off the slide (0 to "_s
                    + QString::number(limit) + u")"_s);
    }
}

void DrawingChecker::ShapeOptions(Reader& words, bool fillAndBlend)
{
    while (!words.AtEnd()) {
        const QStringView option = words.Next();
        if (SameWord(option, u"penwidth")) {
            const QStringView word = words.Peek();
            double width = 0;
            if (Number(words, u"pen width"_s, &width) && width < 0)
                Error(word, u"pen width "_s + word + u" is negative"_s);
        } else if (SameWord(option, u"pencolor")
            || (fillAndBlend && (SameWord(option, u"fill") || SameWord(option, u"blend")))) {
            Colour(words, option);
        } else if (!(fillAndBlend
                       && (SameWord(option, u"nofill") || SameWord(option, u"noblend")))) {
            Error(option, u"unknown option "_s + Quoted(option));
        }
    }
}

void DrawingChecker::Points(Reader& words, int least)
{
    int points = 0;
    while (IsNumberWord(words.Peek()) && LeadingNumber(words.Peek()) != 0) {
        const QStringView x = words.Next();
        const QStringView y = words.Peek();
        if (!IsNumberWord(y)) {
            Error(x, u"the point list has an x ("_s + x + u") without its y"_s);
            break;
        }
        words.Next();
        if (LeadingNumber(y) == 0) {
            Error(y, u"a coordinate of 0 ends the point list; write 0.1 or 1 instead"_s);
            return;
        }
        if (++points == kMostPoints + 1)
            Error(x, u"more than 101 points: the rest are left out"_s);
    }
    if (IsNumberWord(words.Peek())) {
        const QStringView zero = words.Next();
        if (IsNumberWord(words.Peek())) {
            Error(zero, u"a coordinate of 0 ends the point list; write 0.1 or 1 instead"_s);
            return;
        }
    }
    if (points < least)
        Error(words.Here(),
            u"needs at least "_s + QString::number(least) + u" points, found "_s
                + QString::number(points));
}

void DrawingChecker::Font(Reader& words)
{
    while (!words.AtEnd()) {
        const QStringView option = words.Next();
        static constexpr const char16_t* kSwitches[] = { u"bold", u"nobold", u"italics",
            u"noitalics", u"underline", u"nounderline", u"strikeout", u"nostrikeout", u"noshadow" };
        if (std::any_of(std::begin(kSwitches), std::end(kSwitches),
                [&option](const char16_t* s) { return SameWord(option, s); }))
            continue;
        if (SameWord(option, u"face")) {
            if (words.Next().isEmpty())
                Error(words.Here(), u"missing face name after FACE"_s);
        } else if (SameWord(option, u"size")) {
            const QStringView word = words.Peek();
            double size = 0;
            if (Number(words, u"font size"_s, &size) && !(size >= 1 && size <= 600))
                Error(word, u"font size "_s + word + u" is out of range (1 to 600)"_s);
        } else if (SameWord(option, u"color")) {
            Colour(words, option);
        } else if (SameWord(option, u"shadow")) {
            if (Number(words, u"shadow x offset"_s) && Number(words, u"shadow y offset"_s))
                Colour(words, option);
        } else if (SameWord(option, u"angle")) {
            Number(words, u"angle"_s);
        } else {
            Error(option, u"unknown font option "_s + Quoted(option));
        }
    }
}

void DrawingChecker::Text(Reader& words, QStringView inner)
{
    Coordinates(words, 2);
    const QStringView alignment = words.Next();
    if (alignment.isEmpty()) {
        Error(words.Here(), u"missing alignment (cj, lj or rj) and text"_s);
        return;
    }
    if (!SameWord(alignment, u"cj") && !SameWord(alignment, u"lj") && !SameWord(alignment, u"rj")) {
        Error(alignment,
            Quoted(alignment)
                + u" is not an alignment: write cj (centre), lj (left) or rj (right)"_s);
        return;
    }
    if (words.AtEnd()) {
        Warning(words.Here(), u"no text to draw"_s);
        return;
    }
    if (!measure_ || inner.data() + inner.size() != statement_->data() + statement_->size() - 1)
        return; // text of an unclosed statement is cut by the player anyway
    const auto box = measure_->Bounds(fontLine_, *statement_);
    if (!box)
        return;
    const bool offSide
        = box->left() < -kEdgeAllowance || box->right() > kSlideWidth + kEdgeAllowance;
    const bool offTopOrBottom
        = box->top() < -kEdgeAllowance || box->bottom() > kSlideHeight + kEdgeAllowance;
    if (offSide || offTopOrBottom)
        Error(inner,
            u"the text runs off the slide: it covers x "_s + QString::number(qRound(box->left()))
                + u" to "_s + QString::number(qRound(box->right())) + u", y "_s
                + QString::number(qRound(box->top())) + u" to "_s
                + QString::number(qRound(box->bottom())) + u" of 800×600"_s);
}

std::optional<FileMention> DrawingChecker::Image(Reader& words)
{
    Coordinates(words, 2);
    const QStringView file = words.Next();
    if (file.isEmpty()) {
        Error(words.Here(), u"missing picture file name"_s);
        return std::nullopt;
    }
    while (!words.AtEnd()) {
        const QStringView option = words.Next();
        if (SameWord(option, u"size") || SameWord(option, u"xsize") || SameWord(option, u"ysize")) {
            const QStringView word = words.Peek();
            double scale = 0;
            if (Number(words, u"scale"_s, &scale) && scale <= 0)
                Error(word, u"scale "_s + word + u" must be above 0"_s);
        } else if (SameWord(option, u"mask")) {
            Number(words, u"mask x"_s) && Number(words, u"mask y"_s);
        } else {
            Error(option, u"unknown picture option "_s + Quoted(option));
        }
    }
    if (!PassesFileNameRule(file)) {
        if (LooksLikePicture(file) && IsPlainFileName(file) && file.count(u'.') == 1)
            Error(file, u"the player cannot draw this type of picture: "_s + Quoted(file));
        else
            Error(file, Quoted(file) + u" is not a picture file name the player accepts"_s);
        return std::nullopt;
    }
    return FileMention { file.toString(), PositionOf(start_, *statement_, file), false };
}

std::optional<FileMention> DrawingChecker::Play(Reader& words)
{
    const QStringView file = words.Next();
    if (file.isEmpty()) {
        Error(words.Here(), u"missing narration file name"_s);
        return std::nullopt;
    }
    if (!words.AtEnd())
        Error(words.Peek(), u"/play takes one file name; the rest is ignored"_s);
    if (!NamesSoundFile(file.toString()) || !PassesFileNameRule(file)) {
        Error(file, Quoted(file) + u" is not a sound file the player plays (.ogg or .wav)"_s);
        return std::nullopt;
    }
    return FileMention { file.toString(), PositionOf(start_, *statement_, file), true };
}

std::optional<FileMention> DrawingChecker::Check(const QString& statement, StatementPosition start)
{
    statement_ = &statement;
    start_ = start;
    const CommandWords words = SplitCommand(statement);
    const QStringView command = words.Command;
    if (SameWord(command, u"/animation") || SameWord(command, u"/source")
        || SameWord(command, u"/background"))
        return std::nullopt; // their argument text is never read
    if (words.Arguments.isEmpty() && SameWord(command, u"/font")) {
        Error(command.mid(command.size(), 0), u"/font needs braces, even when empty: /font {}"_s);
        return std::nullopt;
    }
    if (words.Arguments.isEmpty()) {
        Error(command.mid(command.size(), 0), command.toString() + u" needs arguments in braces"_s);
        return std::nullopt;
    }
    const bool isText = SameWord(command, u"/text");
    const QStringView inner = CheckBraces(statement, start, words.Arguments, !isText);
    if (!words.Arguments.startsWith(u'{'))
        return std::nullopt;
    Reader reader(inner);
    if (SameWord(command, u"/box") || SameWord(command, u"/oval")) {
        Coordinates(reader, 4);
        ShapeOptions(reader, true);
    } else if (SameWord(command, u"/line")) {
        Coordinates(reader, 4);
        ShapeOptions(reader, false);
    } else if (SameWord(command, u"/polygon") || SameWord(command, u"/polyline")) {
        const bool polygon = SameWord(command, u"/polygon");
        Points(reader, polygon ? 3 : 2);
        ShapeOptions(reader, polygon);
    } else if (SameWord(command, u"/font")) {
        fontLine_ = TrimBlanks(statement).toString();
        Font(reader);
    } else if (isText) {
        Text(reader, inner);
    } else if (SameWord(command, u"/image")) {
        return Image(reader);
    } else if (SameWord(command, u"/play")) {
        return Play(reader);
    }
    return std::nullopt;
}

} // namespace zentil
