#pragma once

#include <QString>

namespace zentil {

// The player's folder tree as paths. Folder paths held in *Path strings that the behaviour
// describes as ending with a separator (ZentilCachePath, QuitPointPath) do end with "/"; the
// others are plain folder paths without a trailing separator.
struct ZentilFolders {
    QString HomePath; // the player's home folder (see FindHomeFolder)
    QString ZentilCachePath; // <home>/cache/  — one subfolder per cached presentation
    QString ZTTempPath; // <home>/temp    — transfers, decoded narration, debug files
    QString QuitPointPath; // <home>/quitpoints/
    QString SysFontFolderPath; // <home>/fonts   — fonts a script may name
    QString ZentilSavePath; // the folder last used to open or save a presentation
    QString ProxyServerFile; // <home>/proxyserver.txt — the user's proxy settings

    // The current presentation's folders (set by BuildPresentationFolder).
    QString ResourcePath; // <presentation>/resources
    QString ThumbnailPath; // <presentation>/thumbnails
};

} // namespace zentil
