#pragma once

#include "storage/ZentilFolders.h"

#include <QString>
#include <QStringList>

namespace zentil {

class DebugLog;

// Where a script handed to the player came from, as far as its folder tells.
enum class ScriptOrigin {
    Local, // a presentation folder with its own "resources": played where it lies
    Downloaded, // handled as a download (copied into the cache); the file is the user's and stays
    LeftByBrowser, // in a browser's download folder: the browser's copy goes once it is cached
};

// The places the origin rule compares a script's folder with, as clean absolute paths.
struct ScriptPlaces {
    QString TempFolder; // the system temporary folder
    QString XdgCacheFolder; // the user's cache folder ($XDG_CACHE_HOME, by default ~/.cache)
    QStringList PlayerFolders; // the player's own folders; scripts there are never a browser's
};

// Whether a folder is one a browser leaves its downloads in: the temporary folder itself, a
// browser's folder directly inside it (a name beginning "mozilla_"), or anywhere under the user's
// cache folder outside the player's own folders. Pure: compares the paths as given.
bool IsBrowserDownloadFolder(const QString& folder, const ScriptPlaces& places);

// The origin of a script in folder: a browser's download folder gives LeftByBrowser; elsewhere a
// folder with "resources" is Local and any other folder Downloaded. Pure, like the above.
ScriptOrigin ClassifyScriptFolder(
    const QString& folder, bool hasResources, const ScriptPlaces& places);

// $XDG_CACHE_HOME when it is set to an absolute path, else ~/.cache.
QString XdgCacheFolder();

// The player's own folders of a folder record: home, cache, temp, quit points, fonts.
QStringList PlayerFolderList(const ZentilFolders& folders);

// The places of the running system, symbolic links resolved, so they compare with a script
// folder resolved by CanonicalFolder.
ScriptPlaces CurrentScriptPlaces(const ZentilFolders& folders);

// Whether the player may keep a presentation's files (thumbnails, fetched resources) in folder:
// it lies outside the installed data (/usr, /opt) and the running user owns it and may write to
// it. An installed example (even when root runs the player) or another's or a read-only folder
// is not such a folder; its presentation plays from a copy in the cache, so the player never
// leaves files where a package manager would not remove them.
bool IsPlayersOwnFolder(const QString& folder);

// The folder with symbolic links resolved when it exists, else its clean absolute form.
QString CanonicalFolder(const QString& folder);

// The outcome of putting a downloaded script into its cache folder.
enum class ScriptCopyOutcome {
    Copied, // the cache holds a complete copy (and the source is gone when that was asked)
    AlreadyThere, // source and target are the same file; nothing was touched
    Failed, // no complete copy could be made; the source is untouched
};

// Copies a downloaded script to target, replacing an older copy. The source is removed, when
// removeSource asks for it, only once the copy is in place and equal to the source byte for
// byte. A source that is the target itself (by file identity, through any symbolic link) is left
// alone.
ScriptCopyOutcome CopyScriptIntoCache(
    const QString& source, const QString& target, bool removeSource, DebugLog& log);

} // namespace zentil
