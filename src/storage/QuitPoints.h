#pragma once

#include "storage/ZentilFolders.h"

#include <QString>

#include <optional>

namespace zentil {

class DebugLog;

// Where a presentation was left: the 1-based slide and the narration position (milliseconds, as
// the narration player reports it).
struct QuitPoint {
    int SlideIndex = 0;
    qint64 Position = 0;
};

// The quit-point file of a script: the quit-point folder, the script's file name without its
// extension, ".txt". Empty when the script name gives no usable name.
QString QuitPointFileName(const ZentilFolders& folders, const QString& scriptName);

// Replaces the script's quit point: the old file is removed and, when the presentation was left
// on a slide after the first (and not on a built-in slide), a new one is written holding
// "<slide> <position>". Nothing happens for an empty script name.
void SaveQuitPoint(const ZentilFolders& folders, const QString& scriptName, int slideIndex,
    qint64 position, bool builtInSlideShown, DebugLog& log);

// The script's quit point, if its file exists. The slide is the number at the start of the trimmed
// first line, up to its first blank ("2abc" gives 2, "2.6" rounds to 3, no number gives 0); the
// position is read the same way after the blank. Limiting the slide to the presentation's slides
// is the caller's business.
std::optional<QuitPoint> ReadQuitPoint(const ZentilFolders& folders, const QString& scriptName);

// Removes the script's quit point; true when none remains.

// The folder last used to open or save a presentation, kept in "lastopenfolder.txt" in the cache
// folder. A missing or empty file gives the user's home folder, which is then written down.
QString GetLastSaveFolder(const ZentilFolders& folders);
// Writes ZentilSavePath (the user's home folder when it is empty) to "lastopenfolder.txt".
void SetLastSaveFolder(ZentilFolders& folders);

} // namespace zentil
