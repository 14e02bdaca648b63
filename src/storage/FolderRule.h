#pragma once

#include "storage/ZentilFolders.h"

#include <QString>

namespace zentil {

// What the folder rule looks at. Current() reads it from the running process.
struct FolderEnvironment {
    QString ZentilHome; // $ZENTIL_HOME
    QString ProgramFolder; // the folder of the running program
    QString UserHome; // the user's home folder
    QString XdgCacheHome; // $XDG_CACHE_HOME
    QString XdgConfigHome; // $XDG_CONFIG_HOME
    QString XdgStateHome; // $XDG_STATE_HOME

    static FolderEnvironment Current();
};

// The file whose presence beside the program switches on portable mode.
inline constexpr const char* PortableMarkerName = "portable";

// Where the player keeps its files (paths only; nothing is created):
// 1. $ZENTIL_HOME when set: the one-folder layout there;
// 2. else, when a file named "portable" lies beside the program: the one-folder layout in the
//    program's folder;
// 3. else the freedesktop places: $XDG_CACHE_HOME/zentil (default ~/.cache/zentil),
//    $XDG_CONFIG_HOME/zentil (~/.config/zentil), $XDG_STATE_HOME/zentil (~/.local/state/zentil).
//    A relative XDG value is ignored, as the base-directory rules ask.
// A one-folder layout the player used before (beside the program, or elsewhere) is not looked at.
ZentilFolders FindZentilFolders(const FolderEnvironment& environment);
ZentilFolders FindZentilFolders();

// The one-folder layout in home; no paths at all when home is empty or only blanks.
ZentilFolders OneFolderLayout(const QString& home, FolderLayoutKind kind);

// Creates the folders the player writes to. Returns an empty text when every one of them is a
// writable folder; otherwise a message for the user naming the first that is not, and why (or
// that the layout has no folders, when ZENTIL_HOME holds only blanks); then nothing is made.
QString MakeZentilFolders(const ZentilFolders& folders);

// The folders in use and the rule that chose them, one per line, for --help.
QString DescribeZentilFolders(const ZentilFolders& folders);

} // namespace zentil
