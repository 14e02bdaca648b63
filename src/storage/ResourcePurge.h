#pragma once

#include <QString>

#include <vector>

namespace zentil {

class DebugLog;
struct ZentilFolders;

// One entry of a script's "/purge" list: a resource file and the time stamp (yyyyMMddHHmm read
// as a number) before which a cached copy of it is out of date.
struct ResourcePurge {
    QString Name; // a plain file name, checked by the reader
    double Stamp = 0.0;
};

// Deletes each named file of folders.ResourcePath last modified before its stamp, so that it is
// fetched again. Only a presentation folder inside the player's cache is touched: an author's own
// resources are never deleted. Returns the number of files deleted.
int PurgeOutdatedResources(
    const std::vector<ResourcePurge>& purges, const ZentilFolders& folders, DebugLog& log);

} // namespace zentil
