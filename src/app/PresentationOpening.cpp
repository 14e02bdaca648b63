#include "app/PresentationOpening.h"

#include "base/ErrorReporting.h"
#include "platform/DiscDetection.h"
#include "script/PresentationModel.h"
#include "script/ScriptReader.h"
#include "storage/CacheCopy.h"
#include "storage/DownloadedScripts.h"
#include "storage/FolderLayout.h"
#include "storage/ZentilFolders.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

const QString kErrorTitle = u"Zentil Error Message"_s;

OpeningRefusal VersionRefusal(const QString& name, float version)
{
    const VersionCheck check = CheckScriptVersion(name, version);
    if (check.Passes)
        return {};
    return { check.Title, check.Text };
}

} // namespace

PresentationOpening::PresentationOpening(ZentilFolders& folders, SlideShowModel& model,
    ScriptStatements& script, ErrorReporter& reporter, DebugLog& log)
    : folders_(folders)
    , model_(model)
    , script_(script)
    , reporter_(reporter)
    , log_(log)
{ }

OpeningRefusal PresentationOpening::Open(const QString& scriptPath)
{
    const ScriptReadResult read
        = LoadScriptFromFile(scriptPath, folders_.ZTTempPath, script_, log_);
    if (!read.Refusal.isEmpty())
        return { kErrorTitle, read.Refusal };
    for (const ScriptMessage& message : read.Messages)
        reporter_.ScriptProblem(message.StatementNumber, message.Text);
    const QString parent = CanonicalFolder(QFileInfo(scriptPath).absolutePath());
    const bool onDisc = DiscDetection::IsOnDisc(parent);
    const bool hasResources = QFileInfo(QDir(parent).filePath(u"resources"_s)).isDir();
    const ScriptOrigin origin = onDisc
        ? ScriptOrigin::Local
        : ClassifyScriptFolder(parent, hasResources, CurrentScriptPlaces(folders_));
    // A presentation in a folder that is not the player's (an installed example, a read-only
    // share) is copied into the cache like one on a disc, so its thumbnails and fetched files
    // have a place of their own.
    const bool readOnly = hasResources && !IsPlayersOwnFolder(parent);
    if (origin == ScriptOrigin::Local)
        return OpenLocal(scriptPath, read.ScriptName, read.ScriptVersion, onDisc || readOnly);
    return OpenDownloaded(
        scriptPath, read.ScriptName, read.ScriptVersion, origin == ScriptOrigin::LeftByBrowser);
}

OpeningRefusal PresentationOpening::OpenLocal(
    const QString& scriptPath, const QString& nameFromScript, float version, bool copyFirst)
{
    const QFileInfo file(scriptPath);
    SlideShowDefn& defn = model_.Defn;
    defn.ScriptParentFolder = file.absolutePath();
    defn.ScriptShortName = nameFromScript.isEmpty() ? file.fileName() : nameFromScript;
    if (copyFirst
        && !CopyPresentationToCache(folders_, defn.ScriptParentFolder, defn.ScriptShortName, log_))
        return {
            kErrorTitle,
            u"The Zentil presentation invoked from the CD drive\ris missing its resource files, and so, it can't run."_s
        };
    if (OpeningRefusal refusal = VersionRefusal(defn.ScriptShortName, version); refusal.Refused())
        return refusal;
    BuildPresentationFolder(folders_, defn.ScriptParentFolder, log_);
    return {};
}

// The browser's copy is deleted only when leftByBrowser says the script lay in a browser's
// download folder, and only once the cache holds a complete copy.
OpeningRefusal PresentationOpening::OpenDownloaded(
    const QString& scriptPath, const QString& nameFromScript, float version, bool leftByBrowser)
{
    SlideShowDefn& defn = model_.Defn;
    defn.ScriptShortName = nameFromScript.isEmpty()
        ? RemoveBrowserInstanceNumber(QFileInfo(scriptPath).fileName())
        : nameFromScript;
    if (OpeningRefusal refusal = VersionRefusal(defn.ScriptShortName, version); refusal.Refused())
        return refusal;
    const QString folderName = CacheFolderName(defn.ScriptShortName);
    if (folderName.isEmpty())
        return { kErrorTitle,
            u"The Zentil presentation "_s + scriptPath + u" cannot be opened:\rits name "_s
                + defn.ScriptShortName + u" gives it no folder in the cache."_s };
    defn.ScriptParentFolder = folders_.ZentilCachePath + folderName;
    const QString cached = QDir(defn.ScriptParentFolder).filePath(defn.ScriptShortName);
    BuildPresentationFolder(folders_, defn.ScriptParentFolder, log_);
    CopyScriptIntoCache(scriptPath, cached, leftByBrowser, log_);
    return {};
}

} // namespace zentil
