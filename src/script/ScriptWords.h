#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <utility>

namespace zentil {

// The lexical rules shared by the script reader and the loader.

// A statement split into its command word (the text before the first blank) and the argument
// text (the rest, blanks trimmed). The statement is trimmed first.
struct CommandWords {
    QString Command;
    QString Arguments;
};
CommandWords SplitCommand(const QString& statement);

// The argument inside braces: the text after the first "{" up to the last "}"; without a "}"
// after the "{" the text runs to the end; without any "{" the text is returned unchanged.
QString BraceArgument(const QString& arguments);

// Takes blank-separated words from the front of a text, one at a time, in linear time.
class WordReader {
public:
    explicit WordReader(QString text)
        : text_(std::move(text))
    { }
    // The next word; "" when no word is left.
    QString Next();
    // The next word without taking it.
    QString Peek() const;
    bool AtEnd() const;

private:
    qsizetype SkipBlanks(qsizetype from) const;

    QString text_;
    qsizetype pos_ = 0;
};

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
bool IsPlainFileName(const QString& name);
// The message for a refused name.
QString RefusedNameMessage(const QString& what, const QString& name);

// The file-name rule of resources: exactly one "." and ending (in lower case exactly) with
// ".ogg", ".wav", ".jpg", ".jpeg", ".gif" or ".bmp"; with allowFonts also ".ttf". The name must
// also be a plain file name.
bool PassesFileNameRule(const QString& name, bool allowFonts = false);

// Whether the name, in lower case, contains ".ogg" or ".wav".
bool NamesSoundFile(const QString& name);
// Whether the name ends (ignoring case) with ".bmp", ".jpg", ".jpeg" or ".gif".
bool NamesPicture(const QString& name);
// Whether the name ends (ignoring case) with ".ttf".
bool NamesFont(const QString& name);

} // namespace zentil
