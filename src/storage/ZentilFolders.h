#pragma once

#include <QString>

namespace zentil {

// Which rule placed the player's folders (see FindZentilFolders).
enum class FolderLayoutKind {
    ZentilHome, // one folder holding everything, named by $ZENTIL_HOME (or by the caller)
    Portable, // one folder holding everything: the program's own, marked by a "portable" file
    Freedesktop, // split over $XDG_CACHE_HOME, $XDG_CONFIG_HOME and $XDG_STATE_HOME
};

// The player's folder tree as paths. Folder paths held in *Path strings that the behaviour
// describes as ending with a separator (ZentilCachePath, QuitPointPath) do end with "/"; the
// others are plain folder paths without a trailing separator.
//
// One-folder layout (<home> = the one folder):   freedesktop layout:
//   <home>/cache/  <home>/temp  <home>/fonts        $XDG_CACHE_HOME/zentil/{cache/,temp,fonts}
//   <home>/quitpoints/                              $XDG_STATE_HOME/zentil/quitpoints/
//   <home>/proxyserver.txt                          $XDG_CONFIG_HOME/zentil/proxyserver.txt
struct ZentilFolders {
    FolderLayoutKind Layout = FolderLayoutKind::ZentilHome;
    QString HomePath; // holds cache/, temp and fonts, and the single-instance lock
    QString ZentilCachePath; // one subfolder per cached presentation, and "lastopenfolder.txt"
    QString ZTTempPath; // transfers, working copies, decoded narration, debug files
    QString QuitPointPath; // one quit-point file per presentation
    QString SysFontFolderPath; // fonts a script may name
    QString ZentilSavePath; // the folder last used to open or save a presentation
    QString ProxyServerFile; // the user's proxy settings; its folder is made at start-up

    // The current presentation's folders (set by BuildPresentationFolder).
    QString ResourcePath; // <presentation>/resources
    QString ThumbnailPath; // <presentation>/thumbnails
};

} // namespace zentil
