#include "script/ScriptWords.h"

#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

QStringView TrimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

CommandWords SplitCommand(QStringView statement)
{
    const QStringView s = TrimBlanks(statement);
    const qsizetype blank = s.indexOf(u' ');
    if (blank < 0)
        return { s, QStringView() };
    return { s.left(blank), TrimBlanks(s.mid(blank + 1)) };
}

bool SameWord(QStringView text, QStringView lowerCaseWord)
{
    return text.size() == lowerCaseWord.size()
        && text.compare(lowerCaseWord, Qt::CaseInsensitive) == 0;
}

QStringView BraceArgument(QStringView arguments)
{
    const qsizetype open = arguments.indexOf(u'{');
    if (open < 0)
        return arguments;
    const qsizetype close = arguments.lastIndexOf(u'}');
    if (close > open)
        return arguments.mid(open + 1, close - open - 1);
    return arguments.mid(open + 1);
}

qsizetype WordReader::SkipBlanks(qsizetype from) const
{
    while (from < text_.size() && text_.at(from) == u' ')
        ++from;
    return from;
}

QStringView WordReader::Peek() const
{
    const qsizetype start = SkipBlanks(pos_);
    qsizetype end = start;
    while (end < text_.size() && text_.at(end) != u' ')
        ++end;
    return text_.mid(start, end - start);
}

QStringView WordReader::Next()
{
    const qsizetype start = SkipBlanks(pos_);
    qsizetype end = start;
    while (end < text_.size() && text_.at(end) != u' ')
        ++end;
    pos_ = end;
    return text_.mid(start, end - start);
}

bool WordReader::AtEnd() const
{
    return SkipBlanks(pos_) >= text_.size();
}

double LeadingNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    const qsizetype digitsStart = i;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128)
        ++i;
    qsizetype digits = i - digitsStart;
    if (i < n && text[i] == u'.') {
        const qsizetype fracStart = i + 1;
        qsizetype j = fracStart;
        while (j < n && text[j].isDigit() && text[j].unicode() < 128)
            ++j;
        if (digits > 0 || j > fracStart) {
            digits += j - fracStart;
            i = j;
        }
    }
    if (digits == 0)
        return 0.0;
    bool ok = false;
    const double value = text.left(i).toString().toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

int32_t RoundToInt32(double value)
{
    if (!std::isfinite(value))
        return 0;
    const double r = std::nearbyint(value);
    if (r >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (r <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

int32_t LeadingWholeNumber(QStringView text)
{
    return RoundToInt32(LeadingNumber(text));
}

bool IsPlainFileName(QStringView name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/')
        && !name.contains(u'\\');
}

QString RefusedNameMessage(const QString& what, const QString& name)
{
    return u"The "_s + what + u" name "_s + name
        + u" was refused: a file name may not name a folder or a path."_s;
}

bool PassesFileNameRule(QStringView name, bool allowFonts)
{
    if (!IsPlainFileName(name) || name.count(u'.') != 1)
        return false;
    static constexpr const char16_t* kExtensions[] = { u".ogg", u".wav", u".jpg", u".jpeg", u".gif",
        u".bmp", u".png", u".webp", u".svg", u".svgz" };
    for (const char16_t* ext : kExtensions) {
        if (name.endsWith(QStringView(ext), Qt::CaseInsensitive))
            return true;
    }
    return allowFonts && name.endsWith(u".ttf", Qt::CaseInsensitive);
}

bool NamesSoundFile(const QString& name)
{
    return name.contains(u".ogg"_s, Qt::CaseInsensitive)
        || name.contains(u".wav"_s, Qt::CaseInsensitive);
}

bool NamesPicture(const QString& name)
{
    return name.endsWith(u".bmp"_s, Qt::CaseInsensitive)
        || name.endsWith(u".jpg"_s, Qt::CaseInsensitive)
        || name.endsWith(u".jpeg"_s, Qt::CaseInsensitive)
        || name.endsWith(u".gif"_s, Qt::CaseInsensitive)
        || name.endsWith(u".png"_s, Qt::CaseInsensitive)
        || name.endsWith(u".webp"_s, Qt::CaseInsensitive)
        || name.endsWith(u".svg"_s, Qt::CaseInsensitive)
        || name.endsWith(u".svgz"_s, Qt::CaseInsensitive);
}

bool NamesFont(const QString& name)
{
    return name.endsWith(u".ttf"_s, Qt::CaseInsensitive);
}

CommandWord ClassifyCommand(QStringView command)
{
    struct Entry {
        QStringView text;
        CommandWord word;
    };
    static constexpr Entry kSections[] = { { u"%slide", CommandWord::Slide },
        { u"%endslide", CommandWord::EndSlide }, { u"%subslide", CommandWord::Subslide },
        { u"%background", CommandWord::Background }, { u"%resource", CommandWord::Resource },
        { u"%info", CommandWord::Info }, { u"%title", CommandWord::Title } };
    static constexpr Entry kDirectives[] = { { u"/play", CommandWord::Play },
        { u"/image", CommandWord::Image }, { u"/text", CommandWord::Text },
        { u"/font", CommandWord::Font }, { u"/box", CommandWord::Box },
        { u"/line", CommandWord::Line }, { u"/oval", CommandWord::Shape },
        { u"/polygon", CommandWord::Shape }, { u"/polyline", CommandWord::Shape },
        { u"/animation", CommandWord::Animation }, { u"/source", CommandWord::Source },
        { u"/background", CommandWord::BackgroundCommand }, { u"/version", CommandWord::Version },
        { u"/title", CommandWord::InfoTitle }, { u"/author", CommandWord::Author },
        { u"/organization", CommandWord::Organization }, { u"/comments", CommandWord::Comments },
        { u"/data", CommandWord::Data } };
    if (command.startsWith(u'%')) {
        for (const Entry& e : kSections) {
            if (SameWord(command, e.text))
                return e.word;
        }
        return CommandWord::OtherSection;
    }
    for (const Entry& e : kDirectives) {
        if (SameWord(command, e.text))
            return e.word;
    }
    return CommandWord::Other;
}

bool IsSectionWord(CommandWord w)
{
    return w <= CommandWord::OtherSection;
}

} // namespace zentil
