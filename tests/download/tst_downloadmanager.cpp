// The download manager against a real (fault-injecting) HTTP server: queue order and the
// transfers in flight, the start marker and the rate probe, retries, the connection-failure
// answers, fatal and skipped files, and interrupting.
#include "FaultServer.h"
#include "base/DebugLog.h"
#include "download/DownloadManager.h"
#include "download/ProxySettings.h"
#include "platform/MonotonicClock.h"
#include "script/PresentationModel.h"
#include "storage/ZentilFolders.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using zentil::test::ClosedPort;
using zentil::test::FaultServer;

Q_DECLARE_METATYPE(QList<zentil::ConnectFailureReply>)

namespace {

QByteArray Body(const QByteArray& name, qsizetype size = 3000)
{
    QByteArray body;
    while (body.size() < size)
        body += name + ' ';
    return body.left(size);
}

// One download manager with every hook recorded; its timer is a real one, as in the player.
struct Fixture {
    FaultServer server;
    QTemporaryDir dir;
    MonotonicClock clock;
    DebugLog log { clock, false };
    SlideShowModel model;
    ZentilFolders folders;
    ProxySettings proxy;
    DownloadManager manager { model, folders, proxy, log };
    QTimer timer;

    bool panelVisible = false;
    bool exiting = false;
    QStringList texts;
    QStringList bytes;
    QStringList arrived;
    QList<int> restarts;
    int started = 0;
    QStringList presentAtStart;
    int asks = 0;
    int maxRunning = 0;
    int proxyDialogs = 0;
    int beeps = 0;
    QList<ConnectFailureReply> replies; // answered in turn, then ExitZentil
    QString fatal;

    Fixture()
    {
        folders.ResourcePath = dir.path();
        model.Connection.ServerAddress = server.BaseUrl() + u"show/"_s;
        model.Connection.Port = 80;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [this] { manager.DownloadTimerTick(); });
        DownloadManager::Hooks hooks;
        hooks.StartNewSlideShow = [this] {
            ++started;
            presentAtStart = QDir(dir.path()).entryList(QDir::Files); // complete files only
        };
        hooks.ShowResourcePanel = [this] { panelVisible = true; };
        hooks.HideResourcePanel = [this] { panelVisible = false; };
        hooks.ResourcePanelVisible = [this] { return panelVisible; };
        hooks.SetPanelText = [this](const QString& text) { texts << text; };
        hooks.SetPanelBytes = [this](const QString& text) {
            bytes << text;
            maxRunning = std::max(maxRunning, manager.Client().Running());
        };
        hooks.RestartTimer = [this](int ms) {
            restarts << ms;
            timer.start(ms);
        };
        hooks.StopTimer = [this] { timer.stop(); };
        hooks.ExitInProgress = [this] { return exiting; };
        hooks.Beep = [this] { ++beeps; };
        hooks.AskConnectFailure = [this] {
            ++asks;
            return replies.isEmpty() ? ConnectFailureReply::ExitZentil : replies.takeFirst();
        };
        hooks.SetProxyServer = [this] { ++proxyDialogs; };
        hooks.ExitZentil = [this] { exiting = true; };
        hooks.ResourceFatalError = [this](const QString& name) { fatal = name; };
        hooks.FileArrived = [this](const QString& name) { arrived << name; };
        manager.SetHooks(std::move(hooks));
        manager.SetMessagePause(0);
        manager.Client().SetStallTimeout(500);
    }
    void Serve(const QStringList& names)
    {
        for (const QString& name : names)
            server.Serve("/show/" + name.toUtf8(), Body(name.toUtf8()));
    }
    // "a b | c d" as the loader leaves it; "a ??? b c" for a probe.
    void Load(const QString& queue)
    {
        QStringList names = queue.split(u' ', Qt::SkipEmptyParts);
        model.Queue = {};
        model.Queue.Probe = names.removeAll(u"???"_s) > 0;
        const qsizetype marker = names.indexOf(u"|"_s);
        model.Queue.MarkerPlaced = marker >= 0;
        model.Queue.BeforeStart = marker < 0 ? names : names.mid(0, marker);
        model.Queue.AfterStart = marker < 0 ? QStringList() : names.mid(marker + 1);
        model.PreStartFileCount = int(model.Queue.BeforeStart.size());
        model.PostStartFileCount = int(model.Queue.AfterStart.size());
        manager.Reset();
    }
    // Runs the manager from its first tick until it is done or has stopped.
    void Run(int timeoutMs = 20000)
    {
        manager.DownloadTimerTick();
        (void)QTest::qWaitFor(
            [this] { return manager.State().DownloadComplete && !manager.Busy(); }, timeoutMs);
    }
    QByteArray Stored(const QString& name) const
    {
        QFile file(QDir(dir.path()).filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    QStringList FilesLeft() const
    {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

} // namespace

class TestDownloadManager : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void preloadsUpToTheMarkerThenStartsAndFetchesTheRest();
    void fetchesAFewAtATimeInTheOrderOfNeed();
    void probesTheRateAndPlansTheStart_data();
    void probesTheRateAndPlansTheStart();
    void retriesADroppedFileAtTheHeadOfTheQueue();
    void connectionFailureAnswers_data();
    void connectionFailureAnswers();
    void midShowAFailedConnectionAsksAndKeepsTheFile();
    void aFileMissingOnTheServerIsFatal();
    void otherErrorsAreShownAndSkipped();
    void anInterruptStopsAStalledTransferAndKeepsNothing();
    void aServerThatIsNotOnTheWebStopsDownloading();
};

void TestDownloadManager::preloadsUpToTheMarkerThenStartsAndFetchesTheRest()
{
    Fixture f;
    f.Serve({ u"a.ogg"_s, u"b.jpg"_s, u"c.ogg"_s, u"d.jpg"_s });
    f.Load(u"a.ogg b.jpg | c.ogg d.jpg"_s);
    QVERIFY(f.manager.State().StartMarkerPlaced);
    f.Run();
    QVERIFY(f.texts.contains(u"Establishing connection to host computer..."_s));
    QCOMPARE(f.started, 1);
    QVERIFY2(f.presentAtStart.contains(u"a.ogg"_s) && f.presentAtStart.contains(u"b.jpg"_s),
        qPrintable(f.presentAtStart.join(u", "_s)));
    QCOMPARE(f.manager.State().PreStartFilesDone, 2);
    QCOMPARE(f.manager.State().PostStartFilesDone, 2);
    QVERIFY(!f.panelVisible);
    QVERIFY(f.model.Queue.Empty());
    QCOMPARE(f.arrived.size(), 4);
    QCOMPARE(f.Stored(u"d.jpg"_s), Body("d.jpg"));
    QCOMPARE(f.FilesLeft(), (QStringList { u"a.ogg"_s, u"b.jpg"_s, u"c.ogg"_s, u"d.jpg"_s }));
}

// Slow files: never more than four run, and each starts only after every file before it.
void TestDownloadManager::fetchesAFewAtATimeInTheOrderOfNeed()
{
    Fixture f;
    QStringList names;
    for (char c = 'a'; c <= 'h'; ++c) {
        const QString name = QString(QLatin1Char(c)) + u".jpg"_s;
        names << name;
        FaultServer::Route slow;
        slow.Body = Body(name.toUtf8(), 6000);
        slow.Kind = FaultServer::Fault::Trickle;
        slow.ChunkBytes = 2000;
        slow.IntervalMs = 30;
        f.server.On("/show/" + name.toUtf8(), slow);
    }
    f.Load(names.mid(0, 2).join(u' ') + u" | "_s + names.mid(2).join(u' '));
    f.Run();
    QStringList expected;
    for (const QString& name : names)
        expected << u"File: "_s + name;
    QCOMPARE(f.texts.filter(u"File: "_s), expected);
    QCOMPARE(f.maxRunning, DownloadManager::kDefaultMaxTransfers);
    QCOMPARE(f.FilesLeft(), names);
    QCOMPARE(f.started, 1);
}

void TestDownloadManager::probesTheRateAndPlansTheStart_data()
{
    QTest::addColumn<int>("laterSlideBytes");
    QTest::addColumn<int>("requestsBeforeStart");
    // About 100 KB/s: 100 bytes arrive at once, 100 MB would take far longer than 10 s.
    QTest::newRow("fast enough: start after the probe") << 100 << 1;
    QTest::newRow("too slow: every file first") << 100000000 << 3;
}

void TestDownloadManager::probesTheRateAndPlansTheStart()
{
    QFETCH(int, laterSlideBytes);
    QFETCH(int, requestsBeforeStart);
    Fixture f;
    for (const char* name : { "a.ogg", "b.ogg", "c.ogg" }) {
        Slide slide;
        slide.ResourceName.push_back(QString::fromLatin1(name));
        f.model.Slides.push_back(slide);
        f.model.SlideOggFileSize.push_back(0);
        f.model.SlideOggFileTime.push_back(10.0F);
    }
    f.model.SlideDownLoadSize = { 20000, laterSlideBytes, laterSlideBytes };
    FaultServer::Route slow;
    slow.Body = Body("a.ogg", 20000);
    slow.Kind = FaultServer::Fault::Trickle;
    slow.ChunkBytes = 2000;
    slow.IntervalMs = 20;
    f.server.On("/show/a.ogg", slow);
    f.Serve({ u"b.ogg"_s, u"c.ogg"_s });
    f.Load(u"a.ogg ??? b.ogg c.ogg"_s);
    QVERIFY(!f.manager.State().StartMarkerPlaced);

    f.Run();
    QCOMPARE(f.Stored(u"a.ogg"_s), slow.Body);
    QVERIFY(f.model.DownloadRate > 0);
    const QRegularExpression caption(u"^caching (\\d+) of 20000 bytes at \\d+(\\.\\d)? Kbps$"_s);
    QVERIFY2(f.bytes.filter(caption).size() >= 5, qPrintable(f.bytes.join(u" / "_s)));
    QCOMPARE(f.started, 1);
    QCOMPARE(f.presentAtStart.size(), requestsBeforeStart);
    QCOMPARE(f.model.PreStartFileCount, requestsBeforeStart);
    QVERIFY(f.texts.contains(u"Establishing connection to host computer..."_s));
}

void TestDownloadManager::retriesADroppedFileAtTheHeadOfTheQueue()
{
    Fixture f;
    f.Serve({ u"a.ogg"_s, u"c.ogg"_s });
    FaultServer::Route dropped;
    dropped.Body = Body("b.jpg", 100000);
    dropped.Kind = FaultServer::Fault::ResetAfter;
    dropped.Cut = 20000;
    dropped.FaultyTimes = 1;
    f.server.On("/show/b.jpg", dropped);
    f.Load(u"| a.ogg b.jpg c.ogg"_s);
    f.Run();
    QCOMPARE(f.started, 1);
    QVERIFY(f.restarts.contains(DownloadManager::kRetryIntervalMs));
    QVERIFY(
        f.bytes.contains(u"An overrun occurred while downloading the requested file, b.jpg."_s));
    QCOMPARE(f.Stored(u"b.jpg"_s), dropped.Body);
    QCOMPARE(f.manager.State().PostStartFilesDone, 3);
    QCOMPARE(f.FilesLeft(), (QStringList { u"a.ogg"_s, u"b.jpg"_s, u"c.ogg"_s }));
}

void TestDownloadManager::connectionFailureAnswers_data()
{
    QTest::addColumn<QList<ConnectFailureReply>>("replies");
    QTest::addColumn<int>("asks");
    QTest::addColumn<int>("proxyDialogs");
    QTest::newRow("try again, then exit")
        << QList<ConnectFailureReply> { ConnectFailureReply::TryAgain } << 2 << 0;
    QTest::newRow("set proxy server, then exit")
        << QList<ConnectFailureReply> { ConnectFailureReply::SetProxyServer } << 2 << 1;
    QTest::newRow("exit") << QList<ConnectFailureReply> {} << 1 << 0;
}

// Every answer keeps the file queued; leaving is the user's choice, never a skipped file.
void TestDownloadManager::connectionFailureAnswers()
{
    QFETCH(QList<ConnectFailureReply>, replies);
    QFETCH(int, asks);
    QFETCH(int, proxyDialogs);
    Fixture f;
    f.replies = replies;
    f.model.Connection.ServerAddress = u"http://127.0.0.1:%1/show/"_s.arg(ClosedPort());
    f.Load(u"a.ogg | b.ogg"_s);
    f.Run();
    QCOMPARE(f.asks, asks);
    QCOMPARE(f.beeps, asks);
    QCOMPARE(f.proxyDialogs, proxyDialogs);
    QVERIFY(f.exiting);
    QCOMPARE(f.started, 0);
    QVERIFY(f.bytes.contains(
        u"The host computer could not be contacted or would not allow a connection."_s));
    QCOMPARE(f.model.Queue.Text(), u"a.ogg | b.ogg"_s);
    QCOMPARE(f.manager.State().PreStartFilesDone, 0);
}

// A server gone while the show plays: the user is asked (the show plays on meanwhile) and the
// file stays queued instead of being skipped into a fatal "missing file" later.
void TestDownloadManager::midShowAFailedConnectionAsksAndKeepsTheFile()
{
    Fixture f;
    f.model.Connection.ServerAddress = u"http://127.0.0.1:%1/show/"_s.arg(ClosedPort());
    f.Load(u"| a.ogg b.ogg"_s);
    f.Run();
    QCOMPARE(f.started, 1);
    QCOMPARE(f.asks, 1);
    QVERIFY(f.fatal.isEmpty());
    QCOMPARE(f.manager.State().PostStartFilesDone, 0);
    QCOMPARE(f.model.Queue.Text(), u"a.ogg b.ogg"_s);
}

void TestDownloadManager::aFileMissingOnTheServerIsFatal()
{
    Fixture f;
    f.Serve({ u"b.ogg"_s });
    f.Load(u"a.ogg | b.ogg"_s);
    f.Run();
    QCOMPARE(f.fatal, u"a.ogg"_s);
    QCOMPARE(f.started, 0);
    QVERIFY(!f.FilesLeft().contains(u"a.ogg"_s));
}

void TestDownloadManager::otherErrorsAreShownAndSkipped()
{
    Fixture f;
    FaultServer::Route broken;
    broken.Status = 500;
    broken.Body = "<html>no</html>";
    f.server.On("/show/a.ogg", broken);
    f.Serve({ u"b.ogg"_s, u"c.ogg"_s });
    f.Load(u"a.ogg ../b.ogg b.ogg | c.ogg"_s);
    f.Run();
    QVERIFY(f.bytes.contains(u"Error [500]:Internal Server Error."_s));
    QVERIFY(f.bytes.contains(u"Error [27001]:The name ../b.ogg is not a plain file name."_s));
    QCOMPARE(f.manager.State().PreStartFilesDone, 3);
    QCOMPARE(f.started, 1);
    QCOMPARE(f.FilesLeft(), (QStringList { u"b.ogg"_s, u"c.ogg"_s }));
    QVERIFY(!QFileInfo::exists(f.dir.filePath(u"../b.ogg"_s)));
}

void TestDownloadManager::anInterruptStopsAStalledTransferAndKeepsNothing()
{
    Fixture f;
    f.manager.Client().SetStallTimeout(HttpClient::kDefaultStallMs);
    FaultServer::Route stalled;
    stalled.Body = Body("a.ogg", 100000);
    stalled.Kind = FaultServer::Fault::StallAfter;
    stalled.Cut = 5000;
    f.server.On("/show/a.ogg", stalled);
    f.Load(u"| a.ogg"_s);
    f.manager.DownloadTimerTick();
    QTRY_VERIFY(f.manager.Busy());
    QTest::qWait(200);
    f.manager.InterruptDownload();
    QVERIFY(!f.manager.Busy());
    QVERIFY(f.manager.State().DownloadComplete);
    QTest::qWait(100);
    QVERIFY2(f.FilesLeft().isEmpty(), qPrintable(f.FilesLeft().join(u", "_s)));
}

void TestDownloadManager::aServerThatIsNotOnTheWebStopsDownloading()
{
    Fixture f;
    f.model.Connection.ServerAddress = u"ftp://127.0.0.1/show/"_s;
    f.Load(u"| a.ogg b.ogg"_s);
    f.Run();
    QVERIFY(f.manager.State().DownloadComplete);
    QVERIFY(f.manager.State().StopDownloads);
    QVERIFY(f.server.Requests().isEmpty());
    QVERIFY(f.bytes.filter(u"Error"_s).isEmpty());
}

QTEST_GUILESS_MAIN(TestDownloadManager)
#include "tst_downloadmanager.moc"
