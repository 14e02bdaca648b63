#include "storage/CacheCopy.h"

#include "base/DebugLog.h"
#include "storage/FileTree.h"
#include "storage/FolderLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <filesystem>
#include <system_error>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

bool OlderByDay(const QString& copy, const QString& source)
{
    const QFileInfo copyInfo(copy);
    if (!copyInfo.exists())
        return true;
    return copyInfo.lastModified().date() < QFileInfo(source).lastModified().date();
}

QFileInfoList FilesOf(const QString& folder)
{
    return QDir(folder).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
}

bool ResourcesOutdated(const QString& sourceResources, const QString& targetResources)
{
    const QDir target(targetResources);
    for (const QFileInfo& file : FilesOf(sourceResources)) {
        if (OlderByDay(target.filePath(file.fileName()), file.absoluteFilePath()))
            return true;
    }
    return false;
}

void RemoveLeftoverWorkFolders(const QString& cache)
{
    const QFileInfoList leftovers
        = QDir(cache).entryInfoList({ QStringView(kCacheWorkFolderPrefix).toString() + u'*' },
            QDir::Dirs | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo& folder : leftovers) {
        if (IsRealFolderInside(folder.absoluteFilePath(), cache))
            RemoveTree(folder.absoluteFilePath());
    }
}

bool RenameFolder(const QString& from, const QString& to)
{
    std::error_code ec;
    std::filesystem::rename(
        QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), ec);
    return !ec;
}

// Replaces the cached resources with the source's and empties the thumbnails so they are rebuilt.
void RefreshResources(const QString& sourceResources, const ZentilFolders& folders, DebugLog& log)
{
    const QString cache = CleanFolderPath(folders.ZentilCachePath);
    QTemporaryDir work(cache + u'/' + QStringView(kCacheWorkFolderPrefix).toString() + u"XXXXXX"_s);
    if (!work.isValid()) {
        ZT_DEBUG(log, TraceFaults, "status", u"Failed to create a folder in "_s + cache);
        return;
    }
    const QDir workDir(work.path());
    for (const QFileInfo& file : FilesOf(sourceResources)) {
        if (!CopyFileKeepingTime(file.absoluteFilePath(), workDir.filePath(file.fileName())))
            ZT_DEBUG(
                log, TraceFaults, "status", u"Failed to copy file "_s + file.absoluteFilePath());
    }
    // Thumbnails go first: fresh resources must never sit beside thumbnails of the old ones.
    RemoveTree(folders.ThumbnailPath);
    QDir().mkpath(folders.ThumbnailPath);
    RemoveTree(folders.ResourcePath);
    if (RenameFolder(work.path(), folders.ResourcePath))
        work.setAutoRemove(false);
    else
        QDir().mkpath(folders.ResourcePath);
}

} // namespace

QString CacheFolderName(const QString& scriptShortName)
{
    if (scriptShortName.contains(u'/') || scriptShortName.contains(u'\\'))
        return {};
    const qsizetype dot = scriptShortName.lastIndexOf(u'.');
    const QString name = dot >= 1 ? scriptShortName.left(dot) : QString();
    if (name.isEmpty() || name == u"." || name == u".."
        || name.startsWith(QStringView(kCacheWorkFolderPrefix)))
        return {};
    return name;
}

bool CopyPresentationToCache(ZentilFolders& folders, QString& scriptParentFolder,
    const QString& scriptShortName, DebugLog& log, const CacheQueries& queries)
{
    ZT_TRACE_SCOPE_WITH(log, u"CopyPresentationToCache"_s, u"CopyPresentationToCache - False"_s);
    const QDir source(CleanFolderPath(scriptParentFolder));
    const QString sourceResources = source.filePath(u"resources"_s);
    const QString name = CacheFolderName(scriptShortName);
    if (!QFileInfo(sourceResources).isDir() || name.isEmpty() || folders.ZentilCachePath.isEmpty())
        return false;
    const QString cache = CleanFolderPath(folders.ZentilCachePath);
    const QString target = QDir(cache).filePath(name);
    if (target != source.path()) {
        RemoveLeftoverWorkFolders(cache);
        bool changed = !QFileInfo::exists(target);
        BuildPresentationFolder(folders, target, log, queries);

        const QString scriptSource = source.filePath(scriptShortName);
        const QString scriptCopy = QDir(target).filePath(scriptShortName);
        changed = changed || OlderByDay(scriptCopy, scriptSource)
            || ResourcesOutdated(sourceResources, folders.ResourcePath);
        if (changed) {
            // Without its script the entry counts as incomplete until the refresh is done.
            RemoveFileForced(scriptCopy);
            RefreshResources(sourceResources, folders, log);
        }
        if (!CopyFileKeepingTime(scriptSource, scriptCopy))
            ZT_DEBUG(log, TraceFaults, "status", u"Failed to copy file "_s + scriptSource);
    }
    scriptParentFolder = target;
    ZT_TRACE_EXIT(u"CopyPresentationToCache - True"_s);
    return true;
}

} // namespace zentil
