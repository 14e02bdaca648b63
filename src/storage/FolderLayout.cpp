#include "storage/FolderLayout.h"

#include "base/DebugLog.h"
#include "storage/FileTree.h"
#include "storage/QuitPoints.h"

#include <QDir>
#include <QFileInfo>

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

QString MakeFolder(const QString& path)
{
    QDir().mkpath(path);
    return path;
}

bool IsDebugFileName(const QString& name)
{
    static const std::array<QString, 3> kept
        = { u"slidestructure.txt"_s, u"ztdebug.txt"_s, u"timevalues.txt"_s };
    return std::any_of(kept.begin(), kept.end(),
        [&](const QString& k) { return name.contains(k, Qt::CaseInsensitive); });
}

} // namespace

ZentilFolders BuildZentilFolders(ZentilFolders folders, DebugLog& log)
{
    ZT_TRACE_SCOPE(log, u"BuildZentilFolders"_s);
    MakeZentilFolders(folders);
    folders.ZentilSavePath = GetLastSaveFolder(folders);
    return folders;
}

bool IsInsideCache(const ZentilFolders& folders, const QString& folder)
{
    if (folders.ZentilCachePath.isEmpty() || folder.isEmpty())
        return false;
    const QString cache = CleanFolderPath(folders.ZentilCachePath);
    const QString path = CleanFolderPath(folder);
    return path == cache || path.startsWith(cache + u'/');
}

void BuildPresentationFolder(
    ZentilFolders& folders, const QString& folder, DebugLog& log, const CacheQueries& queries)
{
    ZT_TRACE_SCOPE_ARGS(log, u"BuildPresentationFolder"_s, u"folder = "_s + folder);
    if (folder.trimmed().isEmpty())
        return; // an empty path would name the working directory
    if (IsInsideCache(folders, folder))
        TrimCache(folders, folder, log, queries);
    const QDir presentation(MakeFolder(CleanFolderPath(folder)));
    folders.ResourcePath = MakeFolder(presentation.filePath(u"resources"_s));
    folders.ThumbnailPath = MakeFolder(presentation.filePath(u"thumbnails"_s));
}

void DeleteTempResourceFiles(const ZentilFolders& folders, DebugLog& log)
{
    ZT_TRACE_SCOPE(log, u"DeleteTempResourceFiles"_s);
    if (!folders.ZTTempPath.isEmpty()) {
        // Working copies have hidden names; broken links show up only as "system" entries.
        const QFileInfoList files
            = QDir(folders.ZTTempPath).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QFileInfo& file : files) {
            if (IsDebugFileName(file.fileName()) || file.isDir())
                continue;
            if (!RemoveFileForced(file.absoluteFilePath()))
                ZT_DEBUG(log, TraceFaults, "status",
                    u"Failed to delete file "_s + file.absoluteFilePath());
        }
    }
}

bool DeleteCachedPresentation(
    ZentilFolders& folders, const QString& scriptParentFolder, DebugLog& log)
{
    ZT_TRACE_SCOPE(log, u"DeleteCachedPresentation"_s);
    bool deleted = false;
    if (IsRealFolderInside(scriptParentFolder, folders.ZentilCachePath)) {
        folders.ResourcePath.clear();
        folders.ThumbnailPath.clear();
        deleted = RemoveTree(CleanFolderPath(scriptParentFolder), [&](const QString& name) {
            ZT_DEBUG(log, TraceFaults, "status", u"Failed to delete file "_s + name);
        });
        if (!deleted)
            ZT_DEBUG(log, TraceFaults, "status",
                u"ScriptParentFolder "_s + scriptParentFolder + u" not deleted."_s);
    }
    return deleted;
}

} // namespace zentil
