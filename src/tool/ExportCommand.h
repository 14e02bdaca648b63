#pragma once

#include <QStringList>

class QTextStream;

namespace zentil {

// zentil-tool export SCRIPT OUT.mp4 [--size WxH] [--fps N]: the narrated show as a video, each
// slide for its narration's length and each subslide at its time. Returns the exit code.
int RunExportCommand(const QStringList& args, QTextStream& out, QTextStream& err);

inline constexpr const char* ExportCommandSynopsis
    = "export SCRIPT OUT.mp4 [--size WxH] [--fps N]  the show as an H.264/AAC video";

} // namespace zentil
