#pragma once

#include "storage/CacheTrim.h"
#include "storage/ZentilFolders.h"

#include <QString>

namespace zentil {

class DebugLog;

// The cache folder name of a script: its name up to the last ".". Names without one (so the
// cache folder itself would become the presentation's), and names that could reach outside their
// own cache folder or collide with a work folder, give none.
QString CacheFolderName(const QString& scriptShortName);

// Brings a presentation that arrived with its own "resources" folder (on a disc, say) into the
// cache and points scriptParentFolder at the cache copy. Returns false, copying nothing, when
// there is no "resources" folder beside the script or the script name gives no cache folder name.
//
// The cache copy is refreshed when it is missing or older than the source by date (a source
// changed later on the same day counts as unchanged); a refresh empties the thumbnails and
// replaces the resources. The resources are assembled in a work folder inside the cache and
// renamed into place, and the script is put in place last, so an interrupted copy never leaves
// an entry that looks complete.
bool CopyPresentationToCache(ZentilFolders& folders, QString& scriptParentFolder,
    const QString& scriptShortName, DebugLog& log, const CacheQueries& queries = {});

} // namespace zentil
