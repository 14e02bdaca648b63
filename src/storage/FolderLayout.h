#pragma once

#include "storage/CacheTrim.h"
#include "storage/FolderRule.h"
#include "storage/ZentilFolders.h"

#include <QString>

namespace zentil {

class DebugLog;

// Creates the player's folders (see MakeZentilFolders) and reads the remembered open/save folder
// into the record. A folder that cannot be made leaves the rest to go on; start-up checks them
// with MakeZentilFolders first.
ZentilFolders BuildZentilFolders(ZentilFolders folders, DebugLog& log);

// Makes a presentation's folder with its "resources" and "thumbnails" and points the folder
// record at them. When the folder lies in the cache, the cache is trimmed first; the folder being
// built counts as the presentation in use and is never trimmed away.
void BuildPresentationFolder(
    ZentilFolders& folders, const QString& folder, DebugLog& log, const CacheQueries& queries = {});

// Empties the temporary folder of files, keeping the debugging aids ("ztdebug.txt",
// "slidestructure.txt", "timevalues.txt" anywhere in a name). Subfolders are left alone.
void DeleteTempResourceFiles(const ZentilFolders& folders, DebugLog& log);

// Deletes the presentation's folder when it is a real folder inside the cache (a presentation
// played from anywhere else is never touched) and releases the resource and thumbnail paths.
// Returns true when the folder is gone.
bool DeleteCachedPresentation(
    ZentilFolders& folders, const QString& scriptParentFolder, DebugLog& log);

// True when folder is the cache folder or lies below it.
bool IsInsideCache(const ZentilFolders& folders, const QString& folder);

} // namespace zentil
