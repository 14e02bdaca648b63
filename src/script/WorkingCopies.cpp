#include "script/WorkingCopies.h"

#include "base/DebugLog.h"
#include "base/ErrorReporting.h"
#include "script/PresentationModel.h"
#include "script/ScrambledFiles.h"
#include "script/ScriptWords.h"
#include "storage/FileTree.h"
#include "storage/ZentilFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

bool InsideFolder(const QString& path, const QString& folder)
{
    if (path.isEmpty() || folder.isEmpty())
        return false;
    const QString p = QDir::cleanPath(QFileInfo(path).absoluteFilePath()) + u'/';
    const QString f = QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) + u'/';
    return p.startsWith(f);
}

} // namespace

QString ResolveResourceFile(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || !IsPlainFileName(name))
        return QString();
    const QDir dir(folder);
    if (QFileInfo(dir.filePath(name)).isFile())
        return dir.filePath(name);
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& file : files) {
        if (file.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(file);
    }
    return QString();
}

QString MakeUnscrambledCopy(const WorkingCopyContext& context, const QString& resourceName)
{
    DebugLog& log = context.Log;
    ZT_TRACE_SCOPE_ARGS(log, u"DecompressFile"_s, resourceName);
    const QString name = QFileInfo(resourceName).isAbsolute()
            && InsideFolder(resourceName, context.Folders.ResourcePath)
        ? QFileInfo(resourceName).fileName()
        : resourceName;
    const QString source = ResolveResourceFile(context.Folders.ResourcePath, name);
    if (source.isEmpty())
        return QString();

    const qsizetype dot = name.lastIndexOf(u'.');
    const QString extension = dot >= 0 ? name.mid(dot) : QString();
    const QString& temp = context.Folders.ZTTempPath;
    const QString copy = QDir(temp).filePath(MakeHiddenFileNameIn(temp, extension));
    QFile::remove(copy);
    if (!CopyWorkingFile(source, copy))
        return QString();
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);

    const bool scrambled = DecryptFile(copy);
    if (context.EncryptFlag && !scrambled) {
        QFile::remove(copy);
        const SlideShowDefn& defn = context.Model.Defn;
        context.Reporter.ExecuteFatalError(
            MakeFatalError(FatalErrorKind::Encrypt, defn.ShowTitle, defn.ScriptParentFolder,
                InsideFolder(defn.ScriptParentFolder, context.Folders.ZentilCachePath)));
        return QString();
    }
    return copy;
}

QString GetRealFilename(const WorkingCopyContext& context, const QString& resourceName)
{
    ResourceMap& map = context.Model.Map;
    for (const int32_t index : map.MatchingIndexes(resourceName)) {
        ResourceMapEntry& entry = map.At(index);
        if (!entry.LocalFileName.isEmpty() && QFileInfo(entry.LocalFileName).isFile())
            return entry.LocalFileName;
        entry.LocalFileName.clear();
        const QString name = entry.ResourceName;
        const QString copy = MakeUnscrambledCopy(context, name);
        // The fatal report's dialog lets events run: the presentation may be gone meanwhile.
        if (index > map.Count() || map.At(index).ResourceName != name)
            return QString();
        if (!copy.isEmpty()) {
            map.At(index).LocalFileName = copy;
            return copy;
        }
    }
    return QString();
}

} // namespace zentil
