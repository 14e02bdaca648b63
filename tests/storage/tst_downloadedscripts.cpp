#include "StorageTestHome.h"

#include "storage/DownloadedScripts.h"

#include <QObject>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

Q_DECLARE_METATYPE(zentil::ScriptOrigin)
Q_DECLARE_METATYPE(zentil::ScriptCopyOutcome)

namespace {

// The places of a user "u" whose player lives in ~/.cache/zentil and ~/.local/share/zentil.
ScriptPlaces UserPlaces()
{
    ScriptPlaces places;
    places.TempFolder = u"/tmp"_s;
    places.XdgCacheFolder = u"/home/u/.cache"_s;
    places.PlayerFolders
        = { u"/home/u/.local/share/zentil"_s, u"/home/u/.cache/zentil"_s, u"/home/u/.cache/zt/"_s };
    return places;
}

} // namespace

class TestDownloadedScripts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QTest::failOnWarning(QRegularExpression(u".+"_s)); }
    void originFollowsTheFolder_data();
    void originFollowsTheFolder();
    void copyIntoTheCache_data();
    void copyIntoTheCache();
};

void TestDownloadedScripts::originFollowsTheFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("hasResources");
    QTest::addColumn<ScriptOrigin>("origin");

    const auto local = ScriptOrigin::Local;
    const auto download = ScriptOrigin::Downloaded;
    const auto browser = ScriptOrigin::LeftByBrowser;
    QTest::newRow("temp itself") << u"/tmp"_s << false << browser;
    QTest::newRow("temp itself, with resources") << u"/tmp/"_s << true << browser;
    QTest::newRow("browser folder in temp") << u"/tmp/mozilla_u0"_s << true << browser;
    QTest::newRow("below a browser folder") << u"/tmp/mozilla_u0/x"_s << true << local;
    QTest::newRow("presentation under temp") << u"/tmp/x/build/show"_s << true << local;
    QTest::newRow("folder under temp") << u"/tmp/x"_s << false << download;
    QTest::newRow("look-alike of temp") << u"/tmpx"_s << false << download;
    QTest::newRow("user cache") << u"/home/u/.cache"_s << false << browser;
    QTest::newRow("browser cache") << u"/home/u/.cache/chromium/dl"_s << true << browser;
    QTest::newRow("player's cache") << u"/home/u/.cache/zentil/talk"_s << true << local;
    QTest::newRow("player's cache, no resources")
        << u"/home/u/.cache/zentil/talk"_s << false << download;
    QTest::newRow("player folder with a slash") << u"/home/u/.cache/zt/a"_s << false << download;
    QTest::newRow("look-alike of the player's cache")
        << u"/home/u/.cache/zentil2/talk"_s << true << browser;
    QTest::newRow("player's data") << u"/home/u/.local/share/zentil/x"_s << true << local;
    QTest::newRow("downloads folder") << u"/home/u/Downloads"_s << false << download;
    QTest::newRow("local presentation") << u"/home/u/talks/cells"_s << true << local;
}

void TestDownloadedScripts::originFollowsTheFolder()
{
    QFETCH(QString, folder);
    QFETCH(bool, hasResources);
    QFETCH(ScriptOrigin, origin);
    QCOMPARE(ClassifyScriptFolder(folder, hasResources, UserPlaces()), origin);
}

void TestDownloadedScripts::copyIntoTheCache_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("removeSource");
    QTest::addColumn<ScriptCopyOutcome>("outcome");
    QTest::addColumn<bool>("sourceKept");

    QTest::newRow("browser's copy") << u"plain"_s << true << ScriptCopyOutcome::Copied << false;
    QTest::newRow("user's copy") << u"plain"_s << false << ScriptCopyOutcome::Copied << true;
    QTest::newRow("older copy replaced")
        << u"older"_s << true << ScriptCopyOutcome::Copied << false;
    QTest::newRow("folder in the way") << u"folder"_s << true << ScriptCopyOutcome::Failed << true;
    QTest::newRow("cache not there") << u"nocache"_s << true << ScriptCopyOutcome::Failed << true;
    QTest::newRow("same file through a link")
        << u"linked"_s << true << ScriptCopyOutcome::AlreadyThere << true;
}

void TestDownloadedScripts::copyIntoTheCache()
{
    QFETCH(QString, situation);
    QFETCH(bool, removeSource);
    QFETCH(ScriptCopyOutcome, outcome);
    QFETCH(bool, sourceKept);

    StorageTestHome home;
    QString source = home.Dir.filePath(u"dl/talk.zentil"_s);
    QString target = home.Cache(u"talk/talk.zentil"_s);
    WriteFile(source, "%slide\r\n/play {a.ogg}\r\n");
    if (situation == u"older")
        WriteFile(target, "old");
    else if (situation == u"folder")
        QVERIFY(QDir().mkpath(target));
    else if (situation == u"nocache")
        target = home.Cache(u"missing/talk.zentil"_s);
    else
        QVERIFY(QDir().mkpath(QFileInfo(target).path()));
    if (situation == u"linked") {
        // The player's home reached through a link: the cached script is the script opened.
        QVERIFY(QFile::link(home.Dir.filePath(u"home"_s), home.Dir.filePath(u"alias"_s)));
        WriteFile(target, "the only copy");
        source = home.Dir.filePath(u"alias/cache/talk/talk.zentil"_s);
    }
    const QByteArray content = ReadAll(source);

    QCOMPARE(CopyScriptIntoCache(source, target, removeSource, home.Log), outcome);
    QCOMPARE(QFileInfo(source).isFile(), sourceKept);
    if (sourceKept)
        QCOMPARE(ReadAll(source), content);
    if (outcome != ScriptCopyOutcome::Failed)
        QCOMPARE(ReadAll(target), content);
    QVERIFY2(!QFileInfo::exists(target + u".zentil-part"_s), "no partial copy is left");
}

QTEST_GUILESS_MAIN(TestDownloadedScripts)
#include "tst_downloadedscripts.moc"
