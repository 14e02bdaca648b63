#pragma once

#include <QStringList>

class QTextStream;

namespace zentil {

// zentil-tool handout SCRIPT OUT.pdf [--per-page N]: the show's slides as a PDF handout, as the
// player's Print Slides prints them. Returns the exit code.
int RunHandoutCommand(const QStringList& args, QTextStream& out, QTextStream& err);

inline constexpr const char* HandoutCommandSynopsis
    = "handout SCRIPT OUT.pdf [--per-page 1|2|4|6]  the slides as a PDF handout";

} // namespace zentil
