#pragma once

#include "base/FileRemoval.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace zentil {

// File-system helpers of the storage code. Paths are QStrings; none of these helpers ever
// follows a symbolic link into the folder it points to.

// Removes a file, a symbolic link (the link only) or a whole folder tree. Entries without write
// permission are removed too. Every entry that could not be removed is reported to onFailure;
// returns true when path no longer exists.
bool RemoveTree(const QString& path, const std::function<void(const QString&)>& onFailure = {});

// True when folder is a real folder (not a symbolic link) strictly inside parent, once both are
// resolved; the parent itself is never inside itself.
bool IsRealFolderInside(const QString& folder, const QString& parent);

// Copies a file, replacing target, and gives the copy the source's modification time. The copy
// is written under a temporary name beside target and renamed into place, so target is never
// left half-written.
bool CopyFileKeepingTime(const QString& source, const QString& target);

// Copies a file to a new target (refused when target exists) for a working copy that lives only
// while the player runs: nothing waits for the disc, and a copy that fails is removed.
bool CopyWorkingFile(const QString& source, const QString& target);

// True when both paths exist and name the same file (after following symbolic links).
bool IsSameFile(const QString& a, const QString& b);

// Cleaned absolute form of a folder path, without a trailing separator (except for "/").
QString CleanFolderPath(const QString& path);

} // namespace zentil
