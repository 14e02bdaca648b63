#include "storage/CacheTrim.h"

#include "base/DebugLog.h"
#include "storage/FileTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

struct CacheEntry {
    qint64 Time = 0; // yyyymmddhhmmss as a number
    QString Path;
};

qint64 TimeKey(const QDateTime& time)
{
    if (!time.isValid())
        return 0;
    return time.toLocalTime().toString(u"yyyyMMddhhmmss"_s).toLongLong();
}

bool SameFolder(const QString& a, const QString& b)
{
    return !a.isEmpty() && CleanFolderPath(a).compare(CleanFolderPath(b), Qt::CaseInsensitive) == 0;
}

std::vector<CacheEntry> ListCachedPresentations(const QString& cache, const CacheQueries& queries)
{
    std::vector<CacheEntry> entries;
    const QFileInfoList infos = QDir(cache).entryInfoList(
        QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& info : infos) {
        if (info.fileName().startsWith(QStringView(kCacheWorkFolderPrefix)))
            continue;
        const QString path = info.absoluteFilePath();
        entries.push_back({ TimeKey(queries.FolderTime(path)), path });
    }
    return entries;
}

} // namespace

std::optional<quint64> CacheQueries::RealFreeBytes(const QString& folder)
{
    std::error_code ec;
    const auto info = std::filesystem::space(QFile::encodeName(folder).toStdString(), ec);
    if (ec)
        return std::nullopt;
    return static_cast<quint64>(info.available);
}

QDateTime CacheQueries::RealFolderTime(const QString& folder)
{
    const QFileInfo info(folder);
    const QDateTime born = info.birthTime();
    return born.isValid() ? born : info.lastModified();
}

int CacheDeleteCount(int entryCount, bool scriptPathFound, std::optional<quint64> freeBytes)
{
    int n = entryCount + (scriptPathFound ? 0 : 1);
    int deleteCount = 0;
    if (n > kMaxCachedPresentations) {
        deleteCount = n - kMaxCachedPresentations;
        n = kMaxCachedPresentations;
    }
    if (n < 1 || !freeBytes)
        return deleteCount;

    const double needed = n * kPresentationReserveBytes;
    const double total = static_cast<double>(*freeBytes) + needed;
    const double share = std::nearbyint(needed / total * 100.0);
    if (share > kCacheShareOfSpace * 100.0) {
        // Keep only as many presentations as their reserves fit in a fifth of the space.
        const auto allowed = static_cast<int>(
            std::nearbyint(total * kCacheShareOfSpace / kPresentationReserveBytes));
        if (allowed < n)
            deleteCount += n - allowed;
    }
    return deleteCount;
}

int TrimCache(const ZentilFolders& folders, const QString& scriptParentFolder, DebugLog& log,
    const CacheQueries& queries)
{
    ZT_TRACE_SCOPE(log, u"TrimCache"_s);
    const QString cache = CleanFolderPath(folders.ZentilCachePath);
    if (cache.isEmpty())
        return 0;
    std::vector<CacheEntry> entries = ListCachedPresentations(cache, queries);
    const bool scriptPathFound = std::any_of(entries.begin(), entries.end(),
        [&](const CacheEntry& e) { return SameFolder(e.Path, scriptParentFolder); });

    int deleteCount = CacheDeleteCount(
        static_cast<int>(entries.size()), scriptPathFound, queries.FreeBytes(cache));
    if (deleteCount < 1)
        return 0;
    ZT_DEBUG(log, TraceProcedures, "status",
        u"deletecount = "_s + QString::number(deleteCount) + u"; ScriptPathFound = "_s
            + BoolText(scriptPathFound));

    std::stable_sort(entries.begin(), entries.end(),
        [](const CacheEntry& a, const CacheEntry& b) { return a.Time < b.Time; });
    int deleted = 0;
    for (const CacheEntry& entry : entries) {
        if (deleteCount < 1)
            break;
        // The listing skipped links, but check again right before deleting anything.
        if (SameFolder(entry.Path, scriptParentFolder) || !IsRealFolderInside(entry.Path, cache))
            continue;
        RemoveTree(entry.Path, [&](const QString& name) {
            ZT_DEBUG(log, TraceFaults, "status", u"Failed to delete file "_s + name);
        });
        if (!folders.QuitPointPath.isEmpty())
            RemoveFileForced(
                QDir(folders.QuitPointPath).filePath(QFileInfo(entry.Path).fileName() + u".txt"_s));
        --deleteCount;
        ++deleted;
    }
    return deleted;
}

} // namespace zentil
