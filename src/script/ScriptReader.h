#pragma once

#include "script/PresentationModel.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace zentil {

class DebugLog;

// Largest script file the reader accepts, its longest statement, and most statements: far above
// any real presentation, and low enough that a hostile file cannot exhaust memory.
inline constexpr qint64 MaxScriptFileBytes = 64LL * 1024 * 1024;
inline constexpr qsizetype MaxStatementLength = 16 * 1024 * 1024;
inline constexpr qsizetype MaxStatementCount = 2'000'000;

// The highest script format version this player plays.
inline constexpr float PlayerScriptVersion = 1.2F;

// DownloadScriptName from the program's command line: trimmed, and cut after the first
// ".zentil" (found ignoring case) when there is one.
QString ScriptPathFromCommandLine(const QString& commandLine);

// True when text is not empty and every character is "0" to "9".
bool AllDigits(const QString& text);

// The file-name part of a path: the name the file system reports when the file exists,
// otherwise the text after the last "/" or "\". With stripExtension, the part before the last
// "." when that "." is not the first character, else "".
QString GetShortFileName(const QString& origFileName, bool stripExtension);

// The name a browser gave a downloaded script with its instance number removed:
// talk[12].zentil and talk-2.zentil become talk.zentil; other names are returned unchanged.
QString RemoveBrowserInstanceNumber(const QString& fileName);

// Replaces each "\ddd" escape by the Windows-1252 character of that code (codes above 255
// give nothing).
QString ApplyEscapes(const QString& statement);

// Where a statement begins in the script file: 1-based line and column (characters of the
// decoded line, counted before escapes are applied).
struct StatementPosition {
    int32_t Line = 0;
    int32_t Column = 0;
};

// Cuts decoded script text into statements: every character below 32 ends a statement, empty
// statements are dropped, escapes are applied. Feed the text in pieces of any size.
class StatementSplitter {
public:
    // positions, when given, receives where each statement begins.
    explicit StatementSplitter(
        std::vector<QString>& out, std::vector<StatementPosition>* positions = nullptr)
        : out_(out)
        , positions_(positions)
    { }
    // Returns false once a limit (statement length or count) is exceeded.
    bool Feed(QStringView text);
    bool Finish();
    QString LimitMessage() const { return limitMessage_; }

private:
    bool EndStatement();
    void PassControlCharacter(QChar c);

    std::vector<QString>& out_;
    std::vector<StatementPosition>* positions_;
    QString current_;
    QString limitMessage_;
    // The position of the next character fed, and where the current statement began.
    int32_t line_ = 1;
    int32_t column_ = 1;
    bool afterCarriageReturn_ = false; // a line feed right after a CR ends no second line
    StatementPosition start_;
};

// Decodes a whole script held in memory (valid UTF-8, else Windows-1252) into statements.
// Used by tests and the fuzz corpus; LoadScriptFromFile streams the same way.
bool SplitScriptBytes(const QByteArray& bytes, std::vector<QString>& statements,
    QString* limitMessage = nullptr, std::vector<StatementPosition>* positions = nullptr);

// The result of reading one script file.
struct ScriptReadResult {
    bool FileFound = false; // the file existed (else ScriptArray kept its contents)
    QString ScriptName; // the "/name" value, "" when none or refused
    float ScriptVersion = 0; // the "/version" value, 0 when none
    QString Refusal; // why nothing could be read, "" when the file was read
    std::vector<ScriptMessage> Messages; // problems of single statements ("/name" refused)
    std::vector<StatementPosition> Positions; // where each statement of ScriptArray begins
};

// LoadScriptFromFile: reads a script through a working copy in tempFolder (unscrambled when it
// was scrambled; the copy is deleted afterwards) into script.ScriptArray, and pre-scans the
// "/name" and "/version" statements.
ScriptReadResult LoadScriptFromFile(const QString& currentFileName, const QString& tempFolder,
    ScriptStatements& script, DebugLog& log);

// CheckScriptVersion: whether the player may play a script of this version; when not, the
// message box title and text to show the user.
struct VersionCheck {
    bool Passes = true;
    QString Title;
    QString Text;
};
VersionCheck CheckScriptVersion(const QString& scriptName, float scriptVersion);

} // namespace zentil
