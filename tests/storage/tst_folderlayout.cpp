#include "support/StorageTestHome.h"

#include "storage/FolderLayout.h"

#include <QObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using namespace zentil::test;

class TestFolderLayout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QTest::failOnWarning(QRegularExpression(u".+"_s)); }
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void buildsTheFolderTree();
    void tempCleanUpKeepsOnlyDebugFiles();
    void cachedPresentationIsDeleted();
    void onlyRealFoldersInsideTheCacheAreDeleted();
};

void TestFolderLayout::buildsTheFolderTree()
{
    StorageTestHome home;
    for (const QString& folder : { home.Folders.ZentilCachePath, home.Folders.ZTTempPath,
             home.Folders.QuitPointPath, home.Folders.SysFontFolderPath })
        QVERIFY2(QFileInfo(folder).isDir(), qPrintable(folder));
    // The real file-system queries answer for the new tree.
    const CacheQueries real;
    QVERIFY(real.FreeBytes(home.Folders.ZentilCachePath).value_or(0) > 0);
    QVERIFY(real.FolderTime(home.Folders.ZentilCachePath).isValid());
    // Nothing remembered yet: the user's home folder, written down for next time.
    QCOMPARE(home.Folders.ZentilSavePath, QDir::homePath());
    QCOMPARE(ReadAll(home.Cache(u"lastopenfolder.txt"_s)), QDir::homePath().toUtf8() + "\r\n");
}

void TestFolderLayout::tempCleanUpKeepsOnlyDebugFiles()
{
    StorageTestHome home;
    const QDir temp(home.Folders.ZTTempPath);
    const QStringList kept = { u"ztdebug.txt"_s, u"old-ztdebug.txt.bak"_s, u"slidestructure.txt"_s,
        u"timevalues.txt"_s };
    const QStringList removed
        = { u"download.tmp"_s, u".hidden-copy.ogg"_s, u"narration.wav"_s, u"readonly.png"_s };
    for (const QString& name : kept + removed) {
        if (name != u"ztdebug.txt")
            WriteFile(temp.filePath(name), "x");
    }
    QFile::setPermissions(temp.filePath(u"readonly.png"_s), QFile::ReadOwner);
    QVERIFY(QFile::link(temp.filePath(u"gone-target"_s), temp.filePath(u"broken-link"_s)));
    WriteFile(temp.filePath(u"sub/inside.txt"_s), "x");

    DeleteTempResourceFiles(home.Folders, home.Log);

    for (const QString& name : kept)
        QVERIFY2(QFile::exists(temp.filePath(name)), qPrintable(name));
    for (const QString& name : removed + QStringList { u"broken-link"_s })
        QVERIFY2(
            !QFileInfo(temp.filePath(name)).exists() && !QFileInfo(temp.filePath(name)).isSymLink(),
            qPrintable(name));
    QVERIFY2(
        QFile::exists(temp.filePath(u"sub/inside.txt"_s)), "subfolders are not the clean-up's");
    // The trace stays open and usable.
    ZT_DEBUG(home.Log, TraceProcedures, "status", u"still writing"_s);
    QVERIFY(
        home.Trace().contains(u"Exit:   DeleteTempResourceFiles\r\nStatus: still writing\r\n"_s));
}

void TestFolderLayout::cachedPresentationIsDeleted()
{
    StorageTestHome home;
    const QString show = home.Cache(u"lecture"_s);
    BuildPresentationFolder(home.Folders, show, home.Log);
    WriteFile(show + u"/lecture.zentil"_s, "script");
    WriteFile(home.Folders.ResourcePath + u"/a.png"_s, "png");
    WriteFile(home.Folders.ThumbnailPath + u"/thumbnail001.jpg"_s, "jpg");
    QFile::setPermissions(home.Folders.ResourcePath + u"/a.png"_s, QFile::ReadOwner);

    QVERIFY(DeleteCachedPresentation(home.Folders, show, home.Log));
    QVERIFY(!QFileInfo::exists(show));
    QVERIFY(home.Folders.ResourcePath.isEmpty());
    QVERIFY(home.Folders.ThumbnailPath.isEmpty());
    QVERIFY(QFileInfo(home.Folders.ZentilCachePath).isDir());
}

void TestFolderLayout::onlyRealFoldersInsideTheCacheAreDeleted()
{
    StorageTestHome home;
    const QString outside = home.Dir.filePath(u"disc/lecture"_s);
    WriteFile(outside + u"/resources/a.png"_s, "png");

    QVERIFY(!DeleteCachedPresentation(home.Folders, outside, home.Log));
    QVERIFY(!DeleteCachedPresentation(home.Folders, home.Folders.ZentilCachePath, home.Log));
    QVERIFY(!DeleteCachedPresentation(home.Folders, home.Cache(u"."_s), home.Log));
    QVERIFY(!DeleteCachedPresentation(home.Folders, home.Cache(u"../temp"_s), home.Log));
    QVERIFY(!DeleteCachedPresentation(home.Folders, QString(), home.Log));
    QVERIFY(QFile::link(outside, home.Cache(u"linked"_s)));
    QVERIFY(!DeleteCachedPresentation(home.Folders, home.Cache(u"linked"_s), home.Log));

    QCOMPARE(ReadAll(outside + u"/resources/a.png"_s), QByteArray("png"));
    QVERIFY(QFileInfo(home.Folders.ZentilCachePath).isDir());
    QVERIFY(QFileInfo(home.Folders.ZTTempPath).isDir());
    QVERIFY(QFileInfo(home.Cache(u"linked"_s)).isSymLink());
}

QTEST_GUILESS_MAIN(TestFolderLayout)
#include "tst_folderlayout.moc"
