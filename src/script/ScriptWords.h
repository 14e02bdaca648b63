#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

namespace zentil {

// The lexical rules shared by the script reader and the loader.

// Words are views into the statement they come from, so reading a script allocates nothing per
// word; the statement must outlive them (overloads for temporaries are deleted).

// The text without leading and trailing blanks (code 32 only).
QStringView TrimBlanks(QStringView text);

// A statement split into its command word (the text before the first blank) and the argument
// text (the rest, blanks trimmed). The statement is trimmed first.
struct CommandWords {
    QStringView Command;
    QStringView Arguments;
};
CommandWords SplitCommand(QStringView statement);
CommandWords SplitCommand(QString&&) = delete;

// The argument inside braces: the text after the first "{" up to the last "}"; without a "}"
// after the "{" the text runs to the end; without any "{" the text is returned unchanged.
QStringView BraceArgument(QStringView arguments);
QStringView BraceArgument(QString&&) = delete;

// Whether text equals the lower-case word ignoring case.
bool SameWord(QStringView text, QStringView lowerCaseWord);

// Takes blank-separated words from the front of a text, one at a time, in linear time.
class WordReader {
public:
    explicit WordReader(QStringView text)
        : text_(text)
    { }
    explicit WordReader(QString&&) = delete;
    // The next word; empty when no word is left.
    QStringView Next();
    // The next word without taking it.
    QStringView Peek() const;
    bool AtEnd() const;

private:
    qsizetype SkipBlanks(qsizetype from) const;

    QStringView text_;
    qsizetype pos_ = 0;
};

// The command words the parser knows, recognised ignoring case; the sections come first.
enum class CommandWord {
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
// The word of a statement's command ("%Slide", "/play"); OtherSection or Other when unknown.
CommandWord ClassifyCommand(QStringView command);
// Whether the word starts a section ("%..."), known or not.
bool IsSectionWord(CommandWord word);

// The leading-number rule: the longest prefix forming a decimal number (optional sign, digits,
// one "." as decimal separator) is the value; without such a prefix the value is 0.
double LeadingNumber(QStringView text);
// The leading number rounded half to even, clamped to the 32-bit range.
int32_t LeadingWholeNumber(QStringView text);
// Rounds half to even and clamps to the 32-bit range.
int32_t RoundToInt32(double value);

// A name used as a file name inside one of the presentation's folders: not empty, not "." or
// "..", and free of "/" and "\" (so neither a path nor absolute). Names that fail are refused
// wherever a script names a file.
bool IsPlainFileName(QStringView name);
// The message for a refused name.
QString RefusedNameMessage(const QString& what, const QString& name);

// The file-name rule of resources: exactly one "." and ending (in any letter case) with
// ".ogg", ".wav", ".jpg", ".jpeg", ".gif" or ".bmp"; with allowFonts also ".ttf". The name must
// also be a plain file name. Every file-type test on resource names ignores case, as names
// written on case-blind systems expect.
bool PassesFileNameRule(QStringView name, bool allowFonts = false);

// Whether the name, ignoring case, contains ".ogg" or ".wav".
bool NamesSoundFile(const QString& name);
// Whether the name ends (ignoring case) with ".bmp", ".jpg", ".jpeg" or ".gif".
bool NamesPicture(const QString& name);
// Whether the name ends (ignoring case) with ".ttf".
bool NamesFont(const QString& name);

} // namespace zentil
