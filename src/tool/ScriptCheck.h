#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class QTextStream;

namespace zentil {

// One problem of a script, at a 1-based line and column of the file.
enum class ProblemLevel {
    Warning, // the show plays, but probably not as the author meant
    Error, // the show fails, or draws something other than what is written
};

struct CheckProblem {
    int32_t Line = 0;
    int32_t Column = 0;
    ProblemLevel Level = ProblemLevel::Error;
    QString Text;
};

// Everything wrong with the script at scriptPath (its resources/ folder beside it), sorted by
// position. A script that cannot be read at all gives one problem at line 1.
std::vector<CheckProblem> CheckScriptFile(const QString& scriptPath);

// "FILE:LINE:COLUMN: error: message", the form editors and build logs understand.
QString FormatProblem(const QString& fileName, const CheckProblem& problem);

// Whether any problem counts as a failure (errors, or warnings too when strict).
bool ProblemsFail(const std::vector<CheckProblem>& problems, bool strict);

// zentil-tool check [--strict] SCRIPT: prints the problems to out; exit 1 when they fail.
int RunScriptCheckCommand(const QStringList& args, QTextStream& out, QTextStream& err);

inline constexpr const char* CheckCommandSynopsis
    = "check [--strict] SCRIPT           list the script's mistakes as FILE:LINE:COLUMN";

} // namespace zentil
