#include "storage/DownloadedScripts.h"

#include <QObject>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

Q_DECLARE_METATYPE(zentil::ScriptOrigin)

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
    void originFollowsTheFolder_data();
    void originFollowsTheFolder();
    void installedFoldersAreNotThePlayers();
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

void TestDownloadedScripts::installedFoldersAreNotThePlayers()
{
    const QTemporaryDir mine;
    QVERIFY(IsPlayersOwnFolder(mine.path()));
    QVERIFY2(!IsPlayersOwnFolder(u"/usr/share"_s), "not even for the superuser");
}

QTEST_GUILESS_MAIN(TestDownloadedScripts)
#include "tst_downloadedscripts.moc"
