#include "storage/PresentationSaving.h"

#include "base/DebugLog.h"
#include "storage/FileTree.h"
#include "storage/FolderLayout.h"
#include "storage/QuitPoints.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

QString ThumbnailFileName(int slide)
{
    return u"thumbnail%1.jpg"_s.arg(slide, 3, 10, QChar(u'0'));
}

// The cleaned path with links resolved as far as the path exists, so two names of one folder
// compare equal.
QString ResolvedPath(const QString& path)
{
    const QString clean = CleanFolderPath(path);
    const QString canonical = QFileInfo(clean).canonicalFilePath();
    return canonical.isEmpty() ? clean : canonical;
}

bool SameOrInside(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

// Copies every file of source into target (made here) and checks each copy's size.
QString CopyFolderFiles(const QString& source, const QString& target, const FileCopier& copyFile)
{
    if (!QDir().mkpath(target))
        return u"The folder "_s + target + u" could not be made."_s;
    if (source.isEmpty())
        return {};
    const QFileInfoList files = QDir(source).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo& file : files) {
        const QString copy = QDir(target).filePath(file.fileName());
        if (!copyFile(file.absoluteFilePath(), copy) || QFileInfo(copy).size() != file.size())
            return u"The file "_s + file.absoluteFilePath() + u" could not be copied."_s;
    }
    return {};
}

QString BuildCopy(const QString& staging, const QString& scriptPath, const ZentilFolders& folders,
    const FileCopier& copyFile)
{
    RemoveTree(staging);
    if (!QDir().mkpath(staging))
        return u"The folder "_s + staging + u" could not be made."_s;
    const QFileInfo script(scriptPath);
    const QString scriptCopy = QDir(staging).filePath(script.fileName());
    if (!copyFile(scriptPath, scriptCopy) || QFileInfo(scriptCopy).size() != script.size())
        return u"The file "_s + scriptPath + u" could not be copied."_s;
    QString failure = CopyFolderFiles(folders.ResourcePath, staging + u"/resources"_s, copyFile);
    if (failure.isEmpty())
        failure = CopyFolderFiles(folders.ThumbnailPath, staging + u"/thumbnails"_s, copyFile);
    return failure;
}

bool Rename(const QString& from, const QString& to)
{
    return QFileInfo::exists(from) ? QDir().rename(from, to) : true;
}

// Moves the staged entries into the target; the target's old entries go to retired first and
// come back if any move fails.
bool SwapIntoPlace(const QString& staging, const QString& retired, const QString& target,
    const std::array<QString, 3>& entries)
{
    RemoveTree(retired);
    if (!QDir().mkpath(retired))
        return false;
    std::vector<QString> retiredEntries;
    std::vector<QString> placedEntries;
    bool ok = true;
    for (const QString& entry : entries) {
        const QString old = target + u'/' + entry;
        if (QFileInfo(old).exists() || QFileInfo(old).isSymLink()) {
            if (!QDir().rename(old, retired + u'/' + entry)) {
                ok = false;
                break;
            }
            retiredEntries.push_back(entry);
        }
        if (!Rename(staging + u'/' + entry, old)) {
            ok = false;
            break;
        }
        placedEntries.push_back(entry);
    }
    if (!ok) {
        for (const QString& entry : placedEntries)
            QDir().rename(target + u'/' + entry, staging + u'/' + entry);
        for (const QString& entry : retiredEntries)
            QDir().rename(retired + u'/' + entry, target + u'/' + entry);
    }
    RemoveTree(retired);
    return ok;
}

} // namespace

MissingShowFiles CheckSlideShowRsrcs(
    const QStringList& setFileNames, int slideCount, const ZentilFolders& folders, DebugLog& log)
{
    MissingShowFiles missing;
    const QDir resources(folders.ResourcePath);
    for (const QString& name : setFileNames)
        if (folders.ResourcePath.isEmpty() || !QFileInfo(resources.filePath(name)).isFile())
            ++missing.Resources;
    const QDir thumbnails(folders.ThumbnailPath);
    for (int slide = 1; slide <= slideCount; ++slide)
        if (folders.ThumbnailPath.isEmpty()
            || !QFileInfo(thumbnails.filePath(ThumbnailFileName(slide))).isFile())
            ++missing.Thumbnails;
    ZT_DEBUG(log, TraceProcedures, "status",
        u"CheckSlideShowRsrcs - ResourcesFound = "_s + (missing.None() ? u"True"_s : u"False"_s));
    return missing;
}

QString SaveRefusalText(const MissingShowFiles& missing)
{
    if (missing.Resources > 0)
        return u"All the resources for this presentation are\rnot available. It cannot be saved until the\r"_s
            + (missing.Resources == 1 ? u"last file is downloaded."_s
                                      : u"last %1 files are downloaded."_s.arg(missing.Resources));
    if (missing.Thumbnails > 0)
        return u"All the thumbnails for this presentation are\rnot available. It cannot be saved until the\r"_s
            + (missing.Thumbnails == 1
                    ? u"last thumbnail file is created."_s
                    : u"last %1 thumbnail files are created."_s.arg(missing.Thumbnails));
    return {};
}

SaveTarget ResolveSaveTarget(const QString& chosenPath, const QString& scriptParentFolder,
    const QString& scriptShortName, const ZentilFolders& folders)
{
    SaveTarget target;
    QString name = chosenPath.trimmed();
    const qsizetype extension = name.lastIndexOf(u".zentil"_s);
    if (extension >= 0)
        name = name.left(extension);
    if (name.isEmpty())
        return target;
    target.Folder = CleanFolderPath(name);
    const QString resolved = ResolvedPath(target.Folder);
    if (!scriptParentFolder.isEmpty() && resolved == ResolvedPath(scriptParentFolder))
        return target;
    if (!folders.ZentilCachePath.isEmpty()
        && SameOrInside(resolved, ResolvedPath(folders.ZentilCachePath))) {
        target.Verdict = SaveTargetVerdict::InCache;
        return target;
    }
    target.Verdict = QFileInfo::exists(QDir(target.Folder).filePath(scriptShortName))
        ? SaveTargetVerdict::AskReplace
        : SaveTargetVerdict::Save;
    return target;
}

QString InCacheSaveText()
{
    return u"The slide presentation cannot be saved in the\rcache folder because contents of the folder\rare temporary and may be deleted at any time."_s;
}

QString ReplaceSaveText(const QString& folder)
{
    return u"The slide presentation folder,\r"_s + folder
        + u", already exists.\rDo you want to replace it?"_s;
}

SaveOutcome SavePresentation(const QString& targetFolder, const QString& scriptPath,
    ZentilFolders& folders, DebugLog& log, const FileCopier& copyFile)
{
    const FileCopier copy = copyFile ? copyFile : FileCopier(CopyFileKeepingTime);
    ZT_TRACE_SCOPE_ARGS(log, u"SavePresentation"_s, u"folder = "_s + targetFolder);
    SaveOutcome outcome;
    const QString target = CleanFolderPath(targetFolder);
    const QFileInfo targetInfo(target);
    const QString parent = targetInfo.absolutePath();
    if (!QDir().mkpath(target)) {
        outcome.FailureText = u"The folder "_s + target + u" could not be made."_s;
    } else {
        folders.ZentilSavePath = parent;
        SetLastSaveFolder(folders);
        const QString staging = parent + u"/."_s + targetInfo.fileName() + u".zentil-saving"_s;
        const QString retired = parent + u"/."_s + targetInfo.fileName() + u".zentil-replaced"_s;
        outcome.FailureText = BuildCopy(staging, scriptPath, folders, copy);
        const std::array<QString, 3> entries
            = { QFileInfo(scriptPath).fileName(), u"resources"_s, u"thumbnails"_s };
        if (outcome.FailureText.isEmpty() && !SwapIntoPlace(staging, retired, target, entries))
            outcome.FailureText = u"The saved files could not be moved into "_s + target + u'.';
        RemoveTree(staging);
    }
    outcome.Saved = outcome.FailureText.isEmpty();
    if (!outcome.Saved)
        ZT_DEBUG(log, TraceFaults, "status", u"SavePresentation failed: "_s + outcome.FailureText);
    return outcome;
}

} // namespace zentil
