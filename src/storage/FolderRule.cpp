#include "storage/FolderRule.h"

#include "storage/FileTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

// An XDG base folder: the variable's value when it is an absolute path, else the default below
// the user's home folder.
QString XdgBaseFolder(const QString& value, const QString& userHome, const QString& fallback)
{
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return CleanFolderPath(value);
    return CleanFolderPath(QDir(userHome).filePath(fallback));
}

struct FolderUse {
    QString Path;
    QString Role;
    QString Setting; // what to change to move it
};

QString SettingFor(FolderLayoutKind kind, const QString& xdgVariable)
{
    switch (kind) {
    case FolderLayoutKind::ZentilHome:
        return u"ZENTIL_HOME"_s;
    case FolderLayoutKind::Portable:
        return u"the file \"portable\" beside the program"_s;
    case FolderLayoutKind::Freedesktop:
        break;
    }
    return xdgVariable + u" (or its default)"_s;
}

// The folders the player must be able to write to, in the order they are made.
std::vector<FolderUse> WrittenFolders(const ZentilFolders& f)
{
    const QString cacheSetting = SettingFor(f.Layout, u"XDG_CACHE_HOME"_s);
    return {
        { f.HomePath, u"files"_s, cacheSetting },
        { f.ZentilCachePath, u"presentation cache"_s, cacheSetting },
        { f.ZTTempPath, u"temporary files"_s, cacheSetting },
        { f.SysFontFolderPath, u"fonts"_s, cacheSetting },
        { f.QuitPointPath, u"quit points"_s, SettingFor(f.Layout, u"XDG_STATE_HOME"_s) },
    };
}

// Why folder is not a writable folder after an attempt to make it; empty when it is one.
QString FolderProblem(const QString& folder)
{
    const QFileInfo info(folder);
    if (info.exists()) {
        if (!info.isDir())
            return u"a file of that name is in the way"_s;
        return info.isWritable() ? QString() : u"it is not writable"_s;
    }
    QString ancestor = QFileInfo(CleanFolderPath(folder)).path();
    while (!QFileInfo::exists(ancestor) && QFileInfo(ancestor).path() != ancestor)
        ancestor = QFileInfo(ancestor).path();
    if (!QFileInfo(ancestor).isDir())
        return u"\""_s + ancestor + u"\" is a file, not a folder"_s;
    return u"it cannot be created in \""_s + ancestor + u"\""_s;
}

QString LayoutTitle(FolderLayoutKind kind)
{
    switch (kind) {
    case FolderLayoutKind::ZentilHome:
        return u"one folder, named by ZENTIL_HOME"_s;
    case FolderLayoutKind::Portable:
        return u"portable: one folder beside the program"_s;
    case FolderLayoutKind::Freedesktop:
        break;
    }
    return u"the freedesktop places"_s;
}

} // namespace

FolderEnvironment FolderEnvironment::Current()
{
    FolderEnvironment env;
    env.ZentilHome = qEnvironmentVariable("ZENTIL_HOME");
    env.ProgramFolder = QCoreApplication::applicationDirPath();
    env.UserHome = QDir::homePath();
    env.XdgCacheHome = qEnvironmentVariable("XDG_CACHE_HOME");
    env.XdgConfigHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    env.XdgStateHome = qEnvironmentVariable("XDG_STATE_HOME");
    return env;
}

ZentilFolders OneFolderLayout(const QString& home, FolderLayoutKind kind)
{
    ZentilFolders folders;
    folders.Layout = kind;
    // Blanks name no folder (and would be a folder of blanks in the working folder): no paths.
    if (home.trimmed().isEmpty())
        return folders;
    const QDir dir(CleanFolderPath(home));
    folders.HomePath = dir.path();
    folders.ZentilCachePath = dir.filePath(u"cache"_s) + u'/';
    folders.ZTTempPath = dir.filePath(u"temp"_s);
    folders.QuitPointPath = dir.filePath(u"quitpoints"_s) + u'/';
    folders.SysFontFolderPath = dir.filePath(u"fonts"_s);
    folders.ProxyServerFile = dir.filePath(u"proxyserver.txt"_s);
    return folders;
}

ZentilFolders FindZentilFolders(const FolderEnvironment& env)
{
    if (!env.ZentilHome.isEmpty())
        return OneFolderLayout(env.ZentilHome, FolderLayoutKind::ZentilHome);
    const QString marker
        = QDir(env.ProgramFolder).filePath(QString::fromLatin1(PortableMarkerName));
    if (!env.ProgramFolder.isEmpty() && QFileInfo(marker).isFile())
        return OneFolderLayout(env.ProgramFolder, FolderLayoutKind::Portable);

    const QDir cache(XdgBaseFolder(env.XdgCacheHome, env.UserHome, u".cache"_s) + u"/zentil"_s);
    const QDir config(XdgBaseFolder(env.XdgConfigHome, env.UserHome, u".config"_s) + u"/zentil"_s);
    const QDir state(
        XdgBaseFolder(env.XdgStateHome, env.UserHome, u".local/state"_s) + u"/zentil"_s);
    ZentilFolders folders;
    folders.Layout = FolderLayoutKind::Freedesktop;
    folders.HomePath = cache.path();
    folders.ZentilCachePath = cache.filePath(u"cache"_s) + u'/';
    folders.ZTTempPath = cache.filePath(u"temp"_s);
    folders.SysFontFolderPath = cache.filePath(u"fonts"_s);
    folders.QuitPointPath = state.filePath(u"quitpoints"_s) + u'/';
    folders.ProxyServerFile = config.filePath(u"proxyserver.txt"_s);
    return folders;
}

ZentilFolders FindZentilFolders()
{
    return FindZentilFolders(FolderEnvironment::Current());
}

QString MakeZentilFolders(const ZentilFolders& folders)
{
    if (folders.HomePath.isEmpty())
        return u"Zentil has no folder for its files: ZENTIL_HOME is set but names no folder. "
               u"Set it to a folder Zentil may write to, or unset it."_s;
    // The settings folder is needed only when the proxy settings are saved; its writer reports
    // a failure then, so it does not stop the player here.
    QDir().mkpath(QFileInfo(folders.ProxyServerFile).path());
    for (const FolderUse& use : WrittenFolders(folders)) {
        QDir().mkpath(use.Path);
        const QString problem = FolderProblem(use.Path);
        if (problem.isEmpty())
            continue;
        return u"Zentil cannot write to the folder for its "_s + use.Role + u", \""_s
            + CleanFolderPath(use.Path) + u"\": "_s + problem + u".\nThat folder comes from "_s
            + use.Setting
            + u". Make it writable, or set ZENTIL_HOME to a folder Zentil may write to."_s;
    }
    return {};
}

QString DescribeZentilFolders(const ZentilFolders& f)
{
    if (f.HomePath.isEmpty())
        return u"Folders in use: none (ZENTIL_HOME is set but names no folder).\n"_s;
    QString text = u"Folders in use ("_s + LayoutTitle(f.Layout) + u"):\n"_s;
    const auto line = [&](const char* role, const QString& path) {
        text += u"  "_s + QString::fromLatin1(role).leftJustified(20) + path + u'\n';
    };
    line("presentation cache", f.ZentilCachePath);
    line("temporary files", f.ZTTempPath);
    line("fonts", f.SysFontFolderPath);
    line("quit points", f.QuitPointPath);
    line("proxy settings", f.ProxyServerFile);
    return text;
}

} // namespace zentil
