#include "storage/PresentationSaving.h"

#include "base/DebugLog.h"
#include "storage/FileTree.h"
#include "storage/FolderLayout.h"
#include "storage/QuitPoints.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

QString ThumbnailFileName(int slide)
{
    return u"thumbnail%1.jpg"_s.arg(slide, 3, 10, QChar(u'0'));
}

// The cleaned path with links resolved as far as the path exists, so two names of one folder
// (or of a place inside it that does not exist yet) compare equal.
QString ResolvedPath(const QString& path)
{
    const QString clean = CleanFolderPath(path);
    QString existing = clean;
    QString rest;
    while (!QFileInfo::exists(existing) && existing != u"/"_s) {
        const qsizetype slash = existing.lastIndexOf(u'/');
        rest = existing.mid(slash) + rest;
        existing = slash > 0 ? existing.left(slash) : u"/"_s;
    }
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    if (canonical.isEmpty())
        return clean;
    return canonical == u"/"_s && !rest.isEmpty() ? rest : canonical + rest;
}

bool SameOrInside(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

bool HoldsAnything(const QString& folder)
{
    return QFileInfo(folder).isDir()
        && !QDir(folder).isEmpty(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Copies every file of source into target (made here), checks each copy's size and lists the
// copies' names below entryPrefix in entries.
QString CopyFolderFiles(const QString& source, const QString& target, const QString& entryPrefix,
    const FileCopier& copyFile, QStringList& entries)
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
        entries << entryPrefix + file.fileName();
    }
    return {};
}

// Builds the complete copy in staging and lists its entries (paths relative to staging).
QString BuildCopy(const QString& staging, const QString& scriptPath, const ZentilFolders& folders,
    const FileCopier& copyFile, QStringList& entries)
{
    const QFileInfo script(scriptPath);
    const QString scriptCopy = QDir(staging).filePath(script.fileName());
    if (!copyFile(scriptPath, scriptCopy) || QFileInfo(scriptCopy).size() != script.size())
        return u"The file "_s + scriptPath + u" could not be copied."_s;
    entries << script.fileName();
    QString failure = CopyFolderFiles(
        folders.ResourcePath, staging + u"/resources"_s, u"resources/"_s, copyFile, entries);
    if (failure.isEmpty())
        failure = CopyFolderFiles(
            folders.ThumbnailPath, staging + u"/thumbnails"_s, u"thumbnails/"_s, copyFile, entries);
    return failure;
}

// A fresh staging folder for a save into target: inside the target, where the copies are on
// the target's own file system, else beside it. "" when neither can be made.
QString MakeStagingFolder(const QString& target)
{
    const QFileInfo info(target);
    for (const QString& staging : QStringList { target + u"/.zentil-saving"_s,
             info.absolutePath() + u"/."_s + info.fileName() + u".zentil-saving"_s }) {
        RemoveTree(staging);
        if (QDir().mkpath(staging))
            return staging;
    }
    return {};
}

// Moves each staged entry into the target. An entry the target already has goes to retired
// first; if any move fails, every entry placed goes back to staging and every retired one
// returns. Only the named entries are touched: whatever else the target holds stays.
bool SwapIntoPlace(const QString& staging, const QString& target, const QStringList& entries)
{
    const QString retired = staging + u"/.replaced"_s;
    for (const QString& folder : QStringList { retired + u"/resources"_s,
             retired + u"/thumbnails"_s, target + u"/resources"_s, target + u"/thumbnails"_s })
        if (!QDir().mkpath(folder))
            return false;
    QStringList retiredEntries;
    QStringList placedEntries;
    bool ok = true;
    for (const QString& entry : entries) {
        const QString old = target + u'/' + entry;
        if (QFileInfo(old).exists() || QFileInfo(old).isSymLink()) {
            if (!QDir().rename(old, retired + u'/' + entry)) {
                ok = false;
                break;
            }
            retiredEntries << entry;
        }
        if (!QDir().rename(staging + u'/' + entry, old)) {
            ok = false;
            break;
        }
        placedEntries << entry;
    }
    if (!ok) {
        for (const QString& entry : placedEntries)
            QDir().rename(target + u'/' + entry, staging + u'/' + entry);
        for (const QString& entry : retiredEntries)
            QDir().rename(retired + u'/' + entry, target + u'/' + entry);
    }
    return ok;
}

// The folders from path up to (not including) the first that exists, deepest first.
QStringList MissingFolders(const QString& path)
{
    QStringList missing;
    for (QString folder = path; !folder.isEmpty() && !QFileInfo::exists(folder);) {
        missing << folder;
        const QString parent = QFileInfo(folder).absolutePath();
        folder = parent == folder ? QString() : parent;
    }
    return missing;
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
    const QString showFolder
        = scriptParentFolder.isEmpty() ? QString() : ResolvedPath(scriptParentFolder);
    if (resolved == showFolder)
        return target;
    if (!folders.ZentilCachePath.isEmpty()
        && SameOrInside(resolved, ResolvedPath(folders.ZentilCachePath))) {
        target.Verdict = SaveTargetVerdict::InCache;
        return target;
    }
    // A copy inside the folder it is copied from would hold copies of itself.
    if (!showFolder.isEmpty() && SameOrInside(resolved, showFolder)) {
        target.Verdict = SaveTargetVerdict::InShowFolder;
        return target;
    }
    if (QFileInfo::exists(QDir(target.Folder).filePath(scriptShortName)))
        target.Verdict = SaveTargetVerdict::AskReplace;
    else if (HoldsAnything(target.Folder))
        target.Verdict = SaveTargetVerdict::AskSaveAmongOthers;
    else
        target.Verdict = SaveTargetVerdict::Save;
    return target;
}

QString InCacheSaveText()
{
    return u"The slide presentation cannot be saved in the\rcache folder because contents of the folder\rare temporary and may be deleted at any time."_s;
}

QString InShowFolderSaveText()
{
    return u"The slide presentation cannot be saved inside\rits own folder. Please choose a folder\routside of it."_s;
}

QString SaveAmongOthersText(const QString& folder)
{
    return u"The folder,\r"_s + folder
        + u", is not empty.\rFiles in it that have the names of this presentation's\rfiles will be replaced; nothing else is removed.\rDo you want to save the presentation into it?"_s;
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
    // Folders this save makes, deepest first: removed again (when still empty) if it fails.
    const QStringList madeFolders = MissingFolders(target + u"/thumbnails"_s).mid(0, 1)
        + MissingFolders(target + u"/resources"_s);
    const QString staging = QDir().mkpath(target) ? MakeStagingFolder(target) : QString();
    if (staging.isEmpty()) {
        outcome.FailureText = u"The folder "_s + target + u" could not be made or written to."_s;
    } else {
        QStringList entries;
        outcome.FailureText = BuildCopy(staging, scriptPath, folders, copy, entries);
        if (outcome.FailureText.isEmpty() && !SwapIntoPlace(staging, target, entries))
            outcome.FailureText = u"The saved files could not be moved into "_s + target + u'.';
        RemoveTree(staging);
    }
    outcome.Saved = outcome.FailureText.isEmpty();
    if (outcome.Saved) {
        folders.ZentilSavePath = QFileInfo(target).absolutePath();
        SetLastSaveFolder(folders);
    } else {
        for (const QString& folder : madeFolders)
            QDir().rmdir(folder);
        ZT_DEBUG(log, TraceFaults, "status", u"SavePresentation failed: "_s + outcome.FailureText);
    }
    return outcome;
}

} // namespace zentil
