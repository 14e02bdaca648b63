#include "storage/DownloadedScripts.h"

#include "base/DebugLog.h"
#include "storage/FileTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

// Whether path is folder or lies below it; both clean absolute paths.
bool IsAtOrBelow(const QString& path, const QString& folder)
{
    if (folder.isEmpty())
        return false;
    if (folder == u"/")
        return path.startsWith(u'/');
    return path == folder || path.startsWith(folder + u'/');
}

QString Clean(const QString& path)
{
    return path.isEmpty() ? QString() : QDir::cleanPath(path);
}

// Whether the two files hold the same bytes.
bool SameContent(const QString& a, const QString& b)
{
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly)
        || first.size() != second.size())
        return false;
    constexpr qint64 block = 256 * 1024;
    while (!first.atEnd()) {
        const QByteArray chunk = first.read(block);
        if (chunk.isEmpty() || chunk != second.read(block))
            return false;
    }
    return second.atEnd();
}

} // namespace

bool IsBrowserDownloadFolder(const QString& folder, const ScriptPlaces& places)
{
    const QString path = Clean(folder);
    const QString temp = Clean(places.TempFolder);
    if (path.isEmpty())
        return false;
    if (!temp.isEmpty()) {
        if (path == temp)
            return true;
        const QFileInfo info(path);
        if (Clean(info.path()) == temp && info.fileName().startsWith(u"mozilla_"_s))
            return true;
    }
    if (!IsAtOrBelow(path, Clean(places.XdgCacheFolder)))
        return false;
    return std::none_of(places.PlayerFolders.begin(), places.PlayerFolders.end(),
        [&path](const QString& own) { return IsAtOrBelow(path, Clean(own)); });
}

ScriptOrigin ClassifyScriptFolder(
    const QString& folder, bool hasResources, const ScriptPlaces& places)
{
    if (IsBrowserDownloadFolder(folder, places))
        return ScriptOrigin::LeftByBrowser;
    return hasResources ? ScriptOrigin::Local : ScriptOrigin::Downloaded;
}

QString XdgCacheFolder()
{
    const QString fromEnvironment = qEnvironmentVariable("XDG_CACHE_HOME");
    if (QDir::isAbsolutePath(fromEnvironment))
        return Clean(fromEnvironment);
    return Clean(QDir::homePath() + u"/.cache"_s);
}

QStringList PlayerFolderList(const ZentilFolders& folders)
{
    QStringList list;
    for (const QString& folder : { folders.HomePath, folders.ZentilCachePath, folders.ZTTempPath,
             folders.QuitPointPath, folders.SysFontFolderPath }) {
        if (!folder.isEmpty())
            list.append(Clean(folder));
    }
    return list;
}

bool IsPlayersOwnFolder(const QString& folder)
{
    // Installed data belongs to the package manager, whoever may write there.
    const QString path = CanonicalFolder(folder);
    for (const QString& installed : { u"/usr"_s, u"/opt"_s })
        if (IsAtOrBelow(path, installed))
            return false;
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable() && info.ownerId() == geteuid();
}

QString CanonicalFolder(const QString& folder)
{
    if (folder.isEmpty())
        return {};
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? CleanFolderPath(folder) : canonical;
}

ScriptPlaces CurrentScriptPlaces(const ZentilFolders& folders)
{
    ScriptPlaces places;
    places.TempFolder = CanonicalFolder(QDir::tempPath());
    places.XdgCacheFolder = CanonicalFolder(XdgCacheFolder());
    for (const QString& folder : PlayerFolderList(folders))
        places.PlayerFolders.append(CanonicalFolder(folder));
    return places;
}

ScriptCopyOutcome CopyScriptIntoCache(
    const QString& source, const QString& target, bool removeSource, DebugLog& log)
{
    if (IsSameFile(source, target))
        return ScriptCopyOutcome::AlreadyThere;
    if (!CopyFileKeepingTime(source, target) || !SameContent(source, target)) {
        ZT_DEBUG(log, TraceFaults, "status",
            u"Failed to copy file "_s + source + u" to "_s + target + u"; it is kept."_s);
        return ScriptCopyOutcome::Failed;
    }
    if (removeSource && !RemoveFileForced(source))
        ZT_DEBUG(log, TraceFaults, "status", u"Failed to delete file "_s + source);
    return ScriptCopyOutcome::Copied;
}

} // namespace zentil
