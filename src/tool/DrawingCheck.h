#pragma once

#include "tool/CheckProblems.h"

#include <QString>

#include <optional>

namespace zentil {

class TextMeasure;

// A resource file a statement names, where it names it.
struct FileMention {
    QString Name;
    StatementPosition At;
    bool Sound = false; // "/play" (else a picture of "/image")
};

// Checks the arguments of drawing statements ("/box", "/text", "/image", "/play", ...): braces,
// numbers, their count and range, option words, and text that leaves the slide.
class DrawingChecker {
public:
    DrawingChecker(ProblemList& problems, TextMeasure* measure)
        : problems_(problems)
        , measure_(measure)
    { }

    // Every background, slide and subslide starts with the default font.
    void ResetFont() { fontLine_.clear(); }

    // Checks one statement whose command word is a drawing command; returns the file it names
    // when it names one the player would use.
    std::optional<FileMention> Check(const QString& statement, StatementPosition start);

    // Checks that a braced argument is closed and nothing follows it; returns the text between
    // the braces (to the end when unclosed). With strayBraces, braces inside are mistakes too.
    QStringView CheckBraces(
        const QString& statement, StatementPosition start, QStringView arguments, bool strayBraces);

private:
    struct Reader;
    void Error(QStringView at, const QString& text);
    void Warning(QStringView at, const QString& text);
    bool Number(Reader& words, const QString& what, double* value = nullptr);
    void Colour(Reader& words, QStringView option);
    void Coordinates(Reader& words, int count);
    void ShapeOptions(Reader& words, bool fillAndBlend);
    void Points(Reader& words, int least);
    void Font(Reader& words);
    void Text(Reader& words, QStringView inner);
    std::optional<FileMention> Image(Reader& words);
    std::optional<FileMention> Play(Reader& words);

    ProblemList& problems_;
    TextMeasure* measure_;
    QString fontLine_;
    const QString* statement_ = nullptr;
    StatementPosition start_;
};

// Whether the name's extension is that of a picture format (drawable or not).
bool LooksLikePicture(QStringView name);

} // namespace zentil
