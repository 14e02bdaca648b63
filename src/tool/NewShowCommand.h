#pragma once

#include <QStringList>

class QTextStream;

namespace zentil {

// zentil-tool new NAME: writes a small starter show into the folder NAME: NAME.zentil with two
// slides, a picture and spoken sample narrations (espeak-ng and oggenc when installed, else
// silence). The show passes "check". Returns the exit code.
int RunNewShowCommand(const QStringList& args, QTextStream& out, QTextStream& err);

inline constexpr const char* NewCommandSynopsis
    = "new NAME                         write a starter show into the folder NAME";

} // namespace zentil
