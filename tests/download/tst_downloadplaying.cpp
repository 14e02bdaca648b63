// The player in one process with a show on a web server (the fault-injecting server on
// 127.0.0.1): a script a browser left, a script named by its address, a second playing that
// fetches nothing again, and a server that cannot be reached when nobody can answer.
#include "FaultServer.h"
#include "app/ZentilApp.h"
#include "playback/FullScreenWindow.h"
#include "storage/FolderRule.h"
#include "storage/QuitPoints.h"
#include "support/RunningPlayer.h"
#include "support/SilentWave.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using zentil::test::ClosedPort;
using zentil::test::FaultServer;
using zentil::test::ReadAll;
using zentil::test::WriteFile;
using zentil::test::WriteSilentWave;

namespace {

// A two-slide show whose narrations live on the server under folder, and a home folder.
struct WebShow {
    FaultServer server;
    QTemporaryDir root { QStringLiteral(ZENTIL_BINARY_DIR "/tst_downloadplaying-XXXXXX") };
    QString home = root.filePath(u"home"_s);
    QHash<QString, QByteArray> narration;
    // A slide whose narration lasts long enough that nothing a test does waits for its end.
    int longSlide = 0;

    // The script text; an empty server leaves the script without "/resourceserver".
    QByteArray Script(const QByteArray& folder, const QString& serverText, int slides = 2)
    {
        QString text = u"/name {webshow.zentil}\r\n%resource\r\n"_s;
        if (!serverText.isEmpty())
            text += u"/resourceserver {"_s + serverText + u"}\r\n"_s;
        text += u"/resource {"_s;
        for (int i = 1; i <= slides; ++i) {
            const QString name = u"n%1.wav"_s.arg(i);
            const QString file = root.filePath(name);
            WriteSilentWave(file, i == longSlide ? 20000 : 300);
            narration[name] = ReadAll(file);
            server.Serve(folder + name.toUtf8(), narration[name]);
            text += name + u" ["_s + QString::number(narration[name].size()) + u"] "_s;
        }
        text += u"}\r\n"_s;
        for (int i = 1; i <= slides; ++i)
            text
                += u"%slide\r\n/play {n%1.wav}\r\n/box {0 0 800 600 fill #00A000 penwidth 0}\r\n%endslide\r\n"_s
                       .arg(i);
        return text.toUtf8();
    }
    PlayerOptions Options() const { return test::TestPlayerOptions(home); }
    QString Cached(const QString& name) const
    {
        return home + u"/cache/webshow/resources/"_s + name;
    }
    QList<QByteArray> ResourceRequests() const
    {
        QList<QByteArray> paths;
        for (const QByteArray& path : server.Paths())
            if (path.endsWith(".wav"))
                paths << path;
        return paths;
    }
};

// A folder where a browser leaves its downloads.
struct BrowserFolder {
    QTemporaryDir dir { QDir::tempPath() + u"/mozilla_zentiltest-XXXXXX"_s };
    QString Put(const QByteArray& script)
    {
        const QString name = dir.filePath(u"webshow.zentil"_s);
        QFile file(name);
        file.open(QIODevice::WriteOnly);
        file.write(script);
        return name;
    }
};

void PlayToTheEnd(ZentilApp& app)
{
    QTRY_COMPARE_WITH_TIMEOUT(app.Playback().DefaultSlideShown, DefaultSlide::EndOfShow, 20000);
    app.ExecuteExitZentil();
    QCOMPARE(app.ExitCode(), 0);
}

} // namespace

class TestDownloadPlaying : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aBrowsersScriptFetchesItsResourcesAndPlays();
    void aScriptByItsAddressPlaysAndIsNotFetchedTwice();
    void noConnectionWithoutDialogsEndsThePlayer();
    void anUnreachableScriptServerAsksAndEnds();
    void aServerGoneMidShowAsksAndKeepsThePlace();
    void escapeWhilePreloadingStopsAtOnceAndKeepsNothing();
    void openingAnotherShowStopsTheTransferAndKeepsNothing();
};

void TestDownloadPlaying::aBrowsersScriptFetchesItsResourcesAndPlays()
{
    WebShow show;
    BrowserFolder browser;
    const QString script = browser.Put(show.Script("/show/", show.server.BaseUrl() + u"show/"_s));
    ZentilApp app(show.Options());
    QVERIFY(app.Start(script));
    PlayToTheEnd(app);
    for (const QString& name : { u"n1.wav"_s, u"n2.wav"_s })
        QVERIFY2(ReadAll(show.Cached(name)) == show.narration[name], qPrintable(name));
    QCOMPARE(show.ResourceRequests(), (QList<QByteArray> { "/show/n1.wav", "/show/n2.wav" }));
    QVERIFY2(!QFile::exists(script), "the browser's copy is removed once cached");
    QVERIFY(app.Downloads().State().DownloadComplete);
}

void TestDownloadPlaying::aScriptByItsAddressPlaysAndIsNotFetchedTwice()
{
    WebShow show;
    show.server.Serve("/talks/webshow.zentil", show.Script("/talks/resources/", QString()));
    const QString address = show.server.BaseUrl() + u"talks/webshow.zentil"_s;
    {
        ZentilApp app(show.Options());
        QVERIFY(app.Start(address));
        PlayToTheEnd(app);
    }
    QCOMPARE(show.ResourceRequests().size(), 2);
    QVERIFY(ReadAll(show.Cached(u"n2.wav"_s)) == show.narration[u"n2.wav"_s]);
    {
        ZentilApp app(show.Options());
        QVERIFY(app.Start(address));
        PlayToTheEnd(app);
    }
    QCOMPARE(show.ResourceRequests().size(), 2);
    QCOMPARE(show.server.Paths().count("/talks/webshow.zentil"), 2);
    QVERIFY2(!QFile::exists(QDir::tempPath() + u"/webshow.zentil"_s),
        "the fetched script does not stay in the temporary folder");
}

void TestDownloadPlaying::noConnectionWithoutDialogsEndsThePlayer()
{
    WebShow show;
    BrowserFolder browser;
    const QString script
        = browser.Put(show.Script("/show/", u"http://127.0.0.1:%1/show/"_s.arg(ClosedPort())));
    ZentilApp app(show.Options());
    QVERIFY(app.Start(script));
    QTRY_VERIFY_WITH_TIMEOUT(app.Finished(), 10000);
    QVERIFY(QDir(show.home + u"/cache/webshow/resources"_s).isEmpty());
}

// A script address whose server cannot be reached gets the connection dialog (which ends the
// player when nobody can answer), not an error box followed by an empty player.
void TestDownloadPlaying::anUnreachableScriptServerAsksAndEnds()
{
    WebShow show;
    ZentilApp app(show.Options());
    QVERIFY(app.Start(u"http://127.0.0.1:%1/talks/webshow.zentil"_s.arg(ClosedPort())));
    QTRY_VERIFY_WITH_TIMEOUT(app.Finished(), 10000);
    QCOMPARE(app.ExitCode(), 1);
}

// The server goes away while slide 2 plays and slide 3's file is still coming: the player asks
// (nobody answers here, so it ends) and keeps the place instead of reporting a missing file.
void TestDownloadPlaying::aServerGoneMidShowAsksAndKeepsThePlace()
{
    WebShow show;
    BrowserFolder browser;
    show.longSlide = 2; // the place stays slide 2 however long the server's absence takes to tell
    const QString script
        = browser.Put(show.Script("/show/", show.server.BaseUrl() + u"show/"_s, 3));
    FaultServer::Route slow;
    slow.Body = show.narration[u"n3.wav"_s];
    slow.Kind = FaultServer::Fault::Trickle;
    // About 64 bytes a second: slide 3 cannot become playable before the server goes, however
    // fast the machine plays slides 1 and 2.
    slow.ChunkBytes = 16;
    slow.IntervalMs = 250;
    show.server.On("/show/n3.wav", slow);
    ZentilApp app(show.Options());
    QVERIFY(app.Start(script));
    QTRY_COMPARE_WITH_TIMEOUT(app.Model().CurrentSlide.Index, 2, 10000);
    show.server.Close();
    QTRY_VERIFY_WITH_TIMEOUT(app.Finished(), 10000);
    QCOMPARE(app.ExitCode(), 0); // not the fatal "missing file" end
    const std::optional<QuitPoint> point = ReadQuitPoint(
        OneFolderLayout(show.home, FolderLayoutKind::ZentilHome), u"webshow.zentil"_s);
    QVERIFY(point.has_value());
    QCOMPARE(point->SlideIndex, 2);
    QVERIFY(!QFile::exists(show.Cached(u"n3.wav"_s)));
}

// The first narration trickles in slowly, so the show is still preloading when the user acts.
static void MakeFirstFileSlow(WebShow& show, const QByteArray& path)
{
    FaultServer::Route slow;
    slow.Body = show.narration[u"n1.wav"_s];
    slow.Kind = FaultServer::Fault::Trickle;
    slow.ChunkBytes = 256;
    slow.IntervalMs = 50;
    show.server.On(path, slow);
}

void TestDownloadPlaying::escapeWhilePreloadingStopsAtOnceAndKeepsNothing()
{
    WebShow show;
    BrowserFolder browser;
    const QString script = browser.Put(show.Script("/show/", show.server.BaseUrl() + u"show/"_s));
    MakeFirstFileSlow(show, "/show/n1.wav");
    ZentilApp app(show.Options());
    QElapsedTimer clock;
    qint64 pressedAt = -1;
    QTimer::singleShot(800, &app, [&] {
        QVERIFY(app.Downloads().Busy());
        pressedAt = clock.elapsed();
        QTest::keyClick(&app.Window(), Qt::Key_Escape);
    });
    clock.start();
    QVERIFY(app.Start(script));
    QTRY_VERIFY_WITH_TIMEOUT(app.Finished() && !app.Downloads().Busy(), 10000);
    QVERIFY(pressedAt > 0);
    QVERIFY2(clock.elapsed() - pressedAt < 3000, qPrintable(QString::number(clock.elapsed())));
    const QStringList left
        = QDir(show.home + u"/cache/webshow/resources"_s).entryList(QDir::Files | QDir::Hidden);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u", "_s)));
}

void TestDownloadPlaying::openingAnotherShowStopsTheTransferAndKeepsNothing()
{
    WebShow show;
    BrowserFolder browser;
    const QString script = browser.Put(show.Script("/show/", show.server.BaseUrl() + u"show/"_s));
    MakeFirstFileSlow(show, "/show/n1.wav");
    // The other show is local: its narration lies beside it.
    const QString local = show.root.filePath(u"local"_s);
    QDir().mkpath(local + u"/resources"_s);
    QVERIFY(WriteSilentWave(local + u"/resources/l1.wav"_s, 300));
    WriteFile(local + u"/local.zentil"_s,
        "%resource\r\n/resource {l1.wav}\r\n%slide\r\n/play {l1.wav}\r\n%endslide\r\n");
    ZentilApp app(show.Options());
    QElapsedTimer clock;
    qint64 openedIn = -1;
    QTimer::singleShot(800, &app, [&] {
        QVERIFY(app.Downloads().Busy());
        clock.start();
        app.OpenPresentation(local + u"/local.zentil"_s);
        openedIn = clock.elapsed();
    });
    QVERIFY(app.Start(script));
    QTRY_COMPARE_WITH_TIMEOUT(app.Model().Defn.ScriptShortName, u"local.zentil"_s, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(app.Playback().DefaultSlideShown, DefaultSlide::EndOfShow, 20000);
    QVERIFY2(openedIn >= 0 && openedIn < 3000, qPrintable(QString::number(openedIn)));
    QVERIFY(!app.Downloads().Busy());
    const QStringList left
        = QDir(show.home + u"/cache/webshow/resources"_s).entryList(QDir::Files | QDir::Hidden);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u", "_s)));
    app.ExecuteExitZentil();
}

QTEST_MAIN(TestDownloadPlaying)
#include "tst_downloadplaying.moc"
