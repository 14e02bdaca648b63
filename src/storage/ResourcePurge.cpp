#include "storage/ResourcePurge.h"

#include "base/DebugLog.h"
#include "storage/FileTree.h"
#include "storage/ZentilFolders.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

int PurgeOutdatedResources(
    const std::vector<ResourcePurge>& purges, const ZentilFolders& folders, DebugLog& log)
{
    if (purges.empty() || !IsRealFolderInside(folders.ResourcePath, folders.ZentilCachePath))
        return 0;
    const QDir resources(folders.ResourcePath);
    int purged = 0;
    for (const ResourcePurge& purge : purges) {
        const QString path = resources.filePath(purge.Name);
        const QFileInfo info(path);
        if (!info.isFile())
            continue;
        const double modified = info.lastModified().toString(u"yyyyMMddHHmm"_s).toDouble();
        if (modified < purge.Stamp && RemoveFileForced(path)) {
            ++purged;
            ZT_DEBUG(log, TraceProcedures, "status", u"Purged resource "_s + purge.Name);
        }
    }
    return purged;
}

} // namespace zentil
