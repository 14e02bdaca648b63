#pragma once

#include <QString>

#include <cstdint>

namespace zentil {

// The conditions that make a presentation impossible to play.
enum class FatalErrorKind {
    Encrypt, // "encrypt": a plain file inside a scrambled presentation (a corrupt file)
    SlideCount, // "slidecount": the script defines no slide
    SoundFile, // "soundfile": a slide names no sound file or picture at all
};

// One fatal error, ready to show: the message box title and its one-line text.
struct FatalError {
    FatalErrorKind Kind = FatalErrorKind::SlideCount;
    QString Title;
    QString Text;
    // "encrypt" for a presentation inside the player's cache: the damaged cache copy is to be
    // deleted at shut-down (CorruptFileFound) so the next opening downloads it afresh.
    bool CorruptFileFound = false;
};

// The kind as the trace and the tool name it: "encrypt", "slidecount", "soundfile".
QString FatalErrorKindName(FatalErrorKind kind);

// Builds the message of a fatal error. showTitle is SlideShowDefn::ShowTitle; scriptParentFolder
// and insideCache matter for Encrypt, slideNumber (1-based) for SoundFile.
FatalError MakeFatalError(FatalErrorKind kind, const QString& showTitle,
    const QString& scriptParentFolder = QString(), bool insideCache = false,
    int32_t slideNumber = 0);

// Where fatal errors and script problems go. The player shows a fatal error in a modal message
// box and then runs its shut-down; zentil-tool prints it to standard error and exits non-zero.
// Code that raises a fatal error calls ExecuteFatalError and then stops its own work at once
// (returns failure): the reporter decides what happens to the program.
class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;

    // ExecuteFatalError: report an error that ends the presentation.
    virtual void ExecuteFatalError(const FatalError& error) = 0;

    // A statement-level problem the script parser met (never shown as a dialog by the player,
    // which keeps the last text as ErrorDescriptionText). statementNumber is 1-based, 0 when
    // the message belongs to no statement. The default ignores it.
    virtual void ScriptProblem(int32_t statementNumber, const QString& text)
    {
        (void)statementNumber;
        (void)text;
    }
};

} // namespace zentil
