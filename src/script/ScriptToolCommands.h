#pragma once

#include <QStringList>
#include <QTextStream>

namespace zentil {

// zentil-tool commands of the script subsystem. Each takes the arguments after the command
// word, writes results to out and problems to err, and returns the exit code (0 success,
// 1 failure, 2 usage error).
int RunDumpCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int RunScrambleCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int RunUnscrambleCommand(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace zentil
