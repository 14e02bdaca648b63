#pragma once

#include "storage/ZentilFolders.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

namespace zentil {

class DebugLog;

// The two facts of the file system that the cache budget depends on. The defaults ask the real
// file system; tests replace them to drive the budget with any numbers.
struct CacheQueries {
    // Bytes available to the player on the file system that holds the folder; nothing when the
    // query fails.
    std::function<std::optional<quint64>(const QString& folder)> FreeBytes = RealFreeBytes;
    // When a cached presentation's folder was made: its creation time when the file system
    // records one, else its last modification.
    std::function<QDateTime(const QString& folder)> FolderTime = RealFolderTime;

    static std::optional<quint64> RealFreeBytes(const QString& folder);
    static QDateTime RealFolderTime(const QString& folder);
};

// The budget of the cache.
inline constexpr int kMaxCachedPresentations = 20;
inline constexpr double kPresentationReserveBytes = 15000000.0;
inline constexpr double kCacheShareOfSpace = 0.2;

// How many cached presentations must go. entryCount is the number of cached presentation
// folders; scriptPathFound says whether the current presentation's folder is among them (if not,
// the folder about to be made counts too). Without a free-space figure only the count limit holds.
int CacheDeleteCount(int entryCount, bool scriptPathFound, std::optional<quint64> freeBytes);

// Deletes the oldest cached presentations (and their quit points) until the cache is within its
// budget. scriptParentFolder, the presentation in use, is never deleted. Only real folders
// directly inside the cache are considered; symbolic links there are neither counted nor followed.
// Returns the number of folders deleted.
int TrimCache(const ZentilFolders& folders, const QString& scriptParentFolder, DebugLog& log,
    const CacheQueries& queries = {});

// Name prefix of the folders in which presentations are assembled before being renamed into
// place; such folders are never counted as cached presentations.
inline constexpr char16_t kCacheWorkFolderPrefix[] = u".zentil-copy-";

} // namespace zentil
