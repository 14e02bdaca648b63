#pragma once

#include "storage/ZentilFolders.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace zentil {

class DebugLog;

// Files a presentation still lacks before it can be saved.
struct MissingShowFiles {
    int Resources = 0; // files of the preload and download sets not in the resource folder
    int Thumbnails = 0; // slides whose thumbnailNNN.jpg is not in the thumbnail folder
    bool None() const { return Resources == 0 && Thumbnails == 0; }
};

// CheckSlideShowRsrcs: counts the set files absent from folders.ResourcePath and the slides
// 1..slideCount without a thumbnail in folders.ThumbnailPath.
MissingShowFiles CheckSlideShowRsrcs(
    const QStringList& setFileNames, int slideCount, const ZentilFolders& folders, DebugLog& log);

// The message that refuses a save while files are missing ("" when nothing is missing). Lines
// are separated by "\r".
QString SaveRefusalText(const MissingShowFiles& missing);

// What to do with the folder the user chose in the save dialog.
enum class SaveTargetVerdict {
    Nothing, // empty choice, or the presentation's own folder: nothing to do
    InCache, // inside the player's cache: refused with InCacheSaveText()
    InShowFolder, // inside the presentation's own folder: refused with InShowFolderSaveText()
    AskReplace, // already holds the script: ask ReplaceSaveText() first
    AskSaveAmongOthers, // a folder holding other things: ask SaveAmongOthersText() first
    Save, // save straight away
};

struct SaveTarget {
    QString Folder; // the chosen path without its ".zentil" ending
    SaveTargetVerdict Verdict = SaveTargetVerdict::Nothing;
};

// Judges the dialog's choice for the presentation whose script is scriptShortName in
// scriptParentFolder. Paths are compared after resolving links, so the presentation's own folder
// reached another way is still its own folder.
SaveTarget ResolveSaveTarget(const QString& chosenPath, const QString& scriptParentFolder,
    const QString& scriptShortName, const ZentilFolders& folders);

QString InCacheSaveText();
QString InShowFolderSaveText();
QString ReplaceSaveText(const QString& folder);
QString SaveAmongOthersText(const QString& folder);

struct SaveOutcome {
    bool Saved = false;
    QString FailureText; // what went wrong, for the user; "" when saved
};

// SavePresentation: copies the script, every resource and every thumbnail into targetFolder in
// the cache layout. The new copy is built in a staging folder inside the target (beside it when
// the target allows none) and checked complete before its files replace the target's files of
// the same names; on any failure the target keeps what it had and the partial copy is removed.
// Nothing the presentation does not name is deleted: the target's other files, in "resources"
// and "thumbnails" too, stay. Only a successful save remembers targetFolder's parent as the
// last folder.
// copyFile copies one file (source, target) and says whether it succeeded; tests hand in one
// that fails to see a save break off part-way.
using FileCopier = std::function<bool(const QString&, const QString&)>;
SaveOutcome SavePresentation(const QString& targetFolder, const QString& scriptPath,
    ZentilFolders& folders, DebugLog& log, const FileCopier& copyFile = {});

} // namespace zentil
