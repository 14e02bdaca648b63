// Where the player keeps its files: the one-folder layouts (ZENTIL_HOME, portable) and the
// freedesktop places, and a clear message when a place cannot be written to.
#include "storage/FolderRule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

// Test paths are written with "<t>" for the test's own temporary folder.
struct Sandbox {
    QTemporaryDir Dir;
    QString Expand(const QString& text) const
    {
        return QString(text).replace(u"<t>"_s, Dir.path());
    }
    void MakeFile(const QString& path) const
    {
        QDir().mkpath(QFileInfo(Expand(path)).path());
        QFile file(Expand(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    FolderEnvironment Environment(const QString& zentilHome, const QString& cache,
        const QString& config, const QString& state) const
    {
        FolderEnvironment env;
        env.ZentilHome = Expand(zentilHome);
        env.ProgramFolder = Expand(u"<t>/bin"_s);
        env.UserHome = Expand(u"<t>/user"_s);
        env.XdgCacheHome = Expand(cache);
        env.XdgConfigHome = Expand(config);
        env.XdgStateHome = Expand(state);
        return env;
    }
};

bool RunsAsRoot()
{
    return geteuid() == 0;
}

} // namespace

class TestFolderRule : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void foldersFollowTheRule_data();
    void foldersFollowTheRule();
    void theRunningProgramReadsItsEnvironment();
    void unwritablePlacesGiveAClearMessage_data();
    void unwritablePlacesGiveAClearMessage();
    void describesTheFoldersInUse();
};

void TestFolderRule::foldersFollowTheRule_data()
{
    QTest::addColumn<QString>("zentilHome");
    QTest::addColumn<QString>("marker"); // what lies at <t>/bin/portable: "", "file" or "folder"
    QTest::addColumn<QString>("cache");
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("state");
    QTest::addColumn<FolderLayoutKind>("layout");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("quitPoints");
    QTest::addColumn<QString>("proxyFile");

    const QString x = u"<t>/x"_s;
    QTest::newRow("ZENTIL_HOME: one folder there")
        << u"<t>/zh/"_s << u""_s << x << x << x << FolderLayoutKind::ZentilHome << u"<t>/zh"_s
        << u"<t>/zh/quitpoints/"_s << u"<t>/zh/proxyserver.txt"_s;
    QTest::newRow("ZENTIL_HOME wins over the portable marker")
        << u"<t>/zh"_s << u"file"_s << u""_s << u""_s << u""_s << FolderLayoutKind::ZentilHome
        << u"<t>/zh"_s << u"<t>/zh/quitpoints/"_s << u"<t>/zh/proxyserver.txt"_s;
    QTest::newRow("portable marker: one folder beside the program")
        << u""_s << u"file"_s << x << x << x << FolderLayoutKind::Portable << u"<t>/bin"_s
        << u"<t>/bin/quitpoints/"_s << u"<t>/bin/proxyserver.txt"_s;
    QTest::newRow("a folder named portable is no marker")
        << u""_s << u"folder"_s << u""_s << u""_s << u""_s << FolderLayoutKind::Freedesktop
        << u"<t>/user/.cache/zentil"_s << u"<t>/user/.local/state/zentil/quitpoints/"_s
        << u"<t>/user/.config/zentil/proxyserver.txt"_s;
    QTest::newRow("XDG variables unset: the defaults under the home folder")
        << u""_s << u""_s << u""_s << u""_s << u""_s << FolderLayoutKind::Freedesktop
        << u"<t>/user/.cache/zentil"_s << u"<t>/user/.local/state/zentil/quitpoints/"_s
        << u"<t>/user/.config/zentil/proxyserver.txt"_s;
    QTest::newRow("XDG variables set")
        << u""_s << u""_s << u"<t>/c"_s << u"<t>/g/"_s << u"<t>/s"_s
        << FolderLayoutKind::Freedesktop << u"<t>/c/zentil"_s << u"<t>/s/zentil/quitpoints/"_s
        << u"<t>/g/zentil/proxyserver.txt"_s;
    QTest::newRow("only XDG_STATE_HOME set")
        << u""_s << u""_s << u""_s << u""_s << u"<t>/s"_s << FolderLayoutKind::Freedesktop
        << u"<t>/user/.cache/zentil"_s << u"<t>/s/zentil/quitpoints/"_s
        << u"<t>/user/.config/zentil/proxyserver.txt"_s;
    QTest::newRow("relative XDG values are ignored")
        << u""_s << u""_s << u"rel/cache"_s << u"rel/config"_s << u"rel/state"_s
        << FolderLayoutKind::Freedesktop << u"<t>/user/.cache/zentil"_s
        << u"<t>/user/.local/state/zentil/quitpoints/"_s
        << u"<t>/user/.config/zentil/proxyserver.txt"_s;
}

void TestFolderRule::foldersFollowTheRule()
{
    QFETCH(QString, zentilHome);
    QFETCH(QString, marker);
    QFETCH(QString, cache);
    QFETCH(QString, config);
    QFETCH(QString, state);
    Sandbox box;
    QDir().mkpath(box.Expand(u"<t>/bin"_s));
    // An old one-folder layout beside a writable program folder is not taken up.
    QDir().mkpath(box.Expand(u"<t>/bin/cache"_s));
    QDir().mkpath(box.Expand(u"<t>/bin/quitpoints"_s));
    if (marker == u"file")
        box.MakeFile(u"<t>/bin/portable"_s);
    else if (marker == u"folder")
        QDir().mkpath(box.Expand(u"<t>/bin/portable"_s));

    const ZentilFolders f = FindZentilFolders(box.Environment(zentilHome, cache, config, state));

    QTEST(f.Layout, "layout");
    QFETCH(QString, home);
    const QString h = box.Expand(home);
    QCOMPARE(f.HomePath, h);
    // Cache, temporary files and fonts always stay together.
    QCOMPARE(f.ZentilCachePath, h + u"/cache/"_s);
    QCOMPARE(f.ZTTempPath, h + u"/temp"_s);
    QCOMPARE(f.SysFontFolderPath, h + u"/fonts"_s);
    QFETCH(QString, quitPoints);
    QCOMPARE(f.QuitPointPath, box.Expand(quitPoints));
    QFETCH(QString, proxyFile);
    QCOMPARE(f.ProxyServerFile, box.Expand(proxyFile));
    // Finding the folders creates nothing.
    QVERIFY(!QFileInfo::exists(h) || h == box.Expand(u"<t>/bin"_s));
}

void TestFolderRule::theRunningProgramReadsItsEnvironment()
{
    Sandbox box;
    qunsetenv("ZENTIL_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(box.Expand(u"<t>/c"_s)));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(box.Expand(u"<t>/g"_s)));
    qputenv("XDG_STATE_HOME", QFile::encodeName(box.Expand(u"<t>/s"_s)));
    ZentilFolders f = FindZentilFolders();
    QCOMPARE(f.Layout, FolderLayoutKind::Freedesktop);
    QCOMPARE(f.ZentilCachePath, box.Expand(u"<t>/c/zentil/cache/"_s));
    QCOMPARE(f.QuitPointPath, box.Expand(u"<t>/s/zentil/quitpoints/"_s));
    QCOMPARE(f.ProxyServerFile, box.Expand(u"<t>/g/zentil/proxyserver.txt"_s));

    qputenv("ZENTIL_HOME", QFile::encodeName(box.Expand(u"<t>/zh"_s)));
    f = FindZentilFolders();
    QCOMPARE(f.Layout, FolderLayoutKind::ZentilHome);
    QCOMPARE(f.HomePath, box.Expand(u"<t>/zh"_s));
    qunsetenv("ZENTIL_HOME");
}

void TestFolderRule::unwritablePlacesGiveAClearMessage_data()
{
    QTest::addColumn<QString>("zentilHome");
    QTest::addColumn<QString>("cache");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("blocker"); // a file made first: "" none, "ro:" + folder read-only
    QTest::addColumn<QStringList>("messageParts"); // empty: the folders are usable

    const QString c = u"<t>/c"_s;
    const QString s = u"<t>/s"_s;
    QTest::newRow("all writable") << u""_s << c << s << u""_s << QStringList {};
    QTest::newRow("config unwritable does not stop the player")
        << u""_s << c << s << u"<t>/g"_s << QStringList {};
    QTest::newRow("XDG_CACHE_HOME runs through a file")
        << u""_s << u"<t>/c/file/deeper"_s << s << u"<t>/c/file"_s
        << QStringList { u"folder for its files"_s, u"<t>/c/file/deeper/zentil"_s,
               u"\"<t>/c/file\" is a file, not a folder"_s, u"XDG_CACHE_HOME"_s, u"ZENTIL_HOME"_s };
    QTest::newRow("temporary folder is a file")
        << u""_s << c << s << u"<t>/c/zentil/temp"_s
        << QStringList { u"temporary files"_s, u"<t>/c/zentil/temp"_s,
               u"a file of that name is in the way"_s, u"XDG_CACHE_HOME"_s };
    QTest::newRow("XDG_STATE_HOME runs through a file")
        << u""_s << c << u"<t>/s/file"_s << u"<t>/s/file"_s
        << QStringList { u"quit points"_s, u"<t>/s/file/zentil/quitpoints"_s, u"XDG_STATE_HOME"_s };
    QTest::newRow("ZENTIL_HOME is a file")
        << u"<t>/zh"_s << c << s << u"<t>/zh"_s
        << QStringList { u"\"<t>/zh\""_s, u"a file of that name is in the way"_s,
               u"That folder comes from ZENTIL_HOME"_s };
    QTest::newRow("read-only cache folder")
        << u""_s << c << s << u"ro:<t>/c"_s
        << QStringList { u"<t>/c/zentil"_s, u"it cannot be created in \"<t>/c\""_s,
               u"XDG_CACHE_HOME"_s };
    QTest::newRow("ZENTIL_HOME of blanks")
        << u"  "_s << c << s << u""_s
        << QStringList { u"ZENTIL_HOME is set but names no folder"_s };
    QTest::newRow("read-only ZENTIL_HOME")
        << u"<t>/zh"_s << c << s << u"ro:<t>/zh"_s
        << QStringList { u"\"<t>/zh\""_s, u"it is not writable"_s, u"ZENTIL_HOME"_s };
}

void TestFolderRule::unwritablePlacesGiveAClearMessage()
{
    QFETCH(QString, zentilHome);
    QFETCH(QString, cache);
    QFETCH(QString, state);
    QFETCH(QString, blocker);
    QFETCH(QStringList, messageParts);
    Sandbox box;
    const bool readOnly = blocker.startsWith(u"ro:"_s);
    if (readOnly && RunsAsRoot())
        QSKIP("permissions do not bind the superuser");
    if (readOnly) {
        const QString folder = box.Expand(blocker.mid(3));
        QDir().mkpath(folder);
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    } else if (!blocker.isEmpty()) {
        box.MakeFile(blocker);
    }

    const ZentilFolders f
        = FindZentilFolders(box.Environment(zentilHome, cache, u"<t>/g"_s, state));
    const QString message = MakeZentilFolders(f);

    if (readOnly)
        QFile::setPermissions(box.Expand(blocker.mid(3)),
            QFile::ReadOwner | QFile::WriteOwner
                | QFile::ExeOwner); // so the sandbox can be removed
    if (messageParts.isEmpty()) {
        QVERIFY2(message.isEmpty(), qPrintable(message));
        for (const QString& folder :
            { f.HomePath, f.ZentilCachePath, f.ZTTempPath, f.SysFontFolderPath, f.QuitPointPath })
            QVERIFY2(QFileInfo(folder).isDir(), qPrintable(folder));
        return;
    }
    for (const QString& part : messageParts)
        QVERIFY2(message.contains(box.Expand(part)),
            qPrintable(u"'"_s + box.Expand(part) + u"' not in: "_s + message));
    if (zentilHome.trimmed().isEmpty())
        QVERIFY2(!QFileInfo::exists(zentilHome), "no folder of blanks in the working folder");
}

void TestFolderRule::describesTheFoldersInUse()
{
    Sandbox box;
    const ZentilFolders f
        = FindZentilFolders(box.Environment(u""_s, u"<t>/c"_s, u"<t>/g"_s, u"<t>/s"_s));
    const QString text = DescribeZentilFolders(f);
    QVERIFY2(text.startsWith(u"Folders in use (the freedesktop places):\n"_s), qPrintable(text));
    for (const QString& path : { f.ZentilCachePath, f.ZTTempPath, f.SysFontFolderPath,
             f.QuitPointPath, f.ProxyServerFile })
        QVERIFY2(text.contains(path), qPrintable(path));
    QVERIFY(DescribeZentilFolders(OneFolderLayout(box.Dir.path(), FolderLayoutKind::Portable))
                .contains(u"portable"_s));
}

QTEST_GUILESS_MAIN(TestFolderRule)
#include "tst_folderrule.moc"
