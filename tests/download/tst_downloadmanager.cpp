// The download manager's ticks against a real (fault-injecting) HTTP server: queue order, the
// start marker and the rate probe, retries, the connection-failure answers, fatal and skipped
// files, the busy flag and the interrupt hand-shake.
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

namespace {

QByteArray Body(const QByteArray& name, qsizetype size = 3000)
{
    QByteArray body;
    while (body.size() < size)
        body += name + ' ';
    return body.left(size);
}

// One download manager with every hook recorded.
struct Fixture {
    FaultServer server;
    QTemporaryDir dir;
    MonotonicClock clock;
    DebugLog log { clock, false };
    SlideShowModel model;
    ZentilFolders folders;
    ProxySettings proxy;
    DownloadManager manager { model, folders, proxy, log };

    bool panelVisible = false;
    bool exiting = false;
    QStringList texts;
    QStringList bytes;
    QStringList arrived;
    QList<int> restarts;
    int started = 0;
    int requestsAtStart = -1;
    int asks = 0;
    int proxyDialogs = 0;
    int beeps = 0;
    QString reply = u"tryagain"_s;
    QString fatal;
    std::function<void()> onBytes;

    Fixture()
    {
        folders.ResourcePath = dir.path();
        model.Connection.ServerAddress = server.BaseUrl() + u"show/"_s;
        model.Connection.Port = 80;
        DownloadManager::Hooks hooks;
        hooks.StartNewSlideShow = [this] {
            ++started;
            requestsAtStart = int(server.Requests().size());
        };
        hooks.ShowResourcePanel = [this] { panelVisible = true; };
        hooks.HideResourcePanel = [this] { panelVisible = false; };
        hooks.ResourcePanelVisible = [this] { return panelVisible; };
        hooks.SetPanelText = [this](const QString& text) { texts << text; };
        hooks.SetPanelBytes = [this](const QString& text) {
            bytes << text;
            if (onBytes)
                onBytes();
        };
        hooks.RestartTimer = [this](int ms) { restarts << ms; };
        hooks.ExitInProgress = [this] { return exiting; };
        hooks.Beep = [this] { ++beeps; };
        hooks.AskConnectFailure = [this] {
            ++asks;
            return reply;
        };
        hooks.SetProxyServer = [this] { ++proxyDialogs; };
        hooks.ExitZentil = [this] { exiting = true; };
        hooks.ResourceFatalError = [this](const QString& name) { fatal = name; };
        hooks.FileArrived = [this](const QString& name) { arrived << name; };
        hooks.WaitLettingEventsRun = [](int) { QCoreApplication::processEvents(); };
        manager.SetHooks(std::move(hooks));
        manager.SetMessagePause(0);
        manager.Transfer().SetStallTimeout(500);
    }
    void Serve(const QStringList& names)
    {
        for (const QString& name : names)
            server.Serve("/show/" + name.toUtf8(), Body(name.toUtf8()));
    }
    void Load(const QString& queue)
    {
        model.DownloadList = queue;
        const qsizetype marker = queue.indexOf(u'|');
        const QString before = marker < 0 ? queue : queue.left(marker);
        model.PreStartFileCount = int(before.split(u' ', Qt::SkipEmptyParts).size());
        model.PostStartFileCount
            = marker < 0 ? 0 : int(queue.mid(marker + 1).split(u' ', Qt::SkipEmptyParts).size());
        manager.Reset();
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
    void probesTheRateAndPlansTheStart_data();
    void probesTheRateAndPlansTheStart();
    void retriesADroppedFileAtTheHeadOfTheQueue();
    void connectionFailureAnswers_data();
    void connectionFailureAnswers();
    void inTheBackgroundAFailedConnectionSkipsTheFile();
    void aFileMissingOnTheServerIsFatal();
    void otherErrorsAreShownAndSkipped();
    void aNestedTickReturnsAtOnce();
    void anInterruptStopsAStalledTransferAndKeepsNothing();
    void aServerThatIsNotOnTheWebStopsDownloading();
};

void TestDownloadManager::preloadsUpToTheMarkerThenStartsAndFetchesTheRest()
{
    Fixture f;
    f.Serve({ u"a.ogg"_s, u"b.jpg"_s, u"c.ogg"_s, u"d.jpg"_s });
    f.Load(u"a.ogg b.jpg | c.ogg d.jpg"_s);
    QVERIFY(f.manager.State().StartMarkerPlaced);

    f.manager.DownloadTimerTick();
    QVERIFY(f.texts.contains(u"Establishing connection to host computer..."_s));
    QVERIFY(f.texts.contains(u"File: b.jpg"_s));
    QCOMPARE(f.started, 1);
    QCOMPARE(f.requestsAtStart, 2);
    QCOMPARE(f.manager.State().PreStartFilesDone, 2);
    QVERIFY(!f.panelVisible);
    QCOMPARE(f.restarts, QList<int> { DownloadManager::kFastIntervalMs });
    QCOMPARE(f.model.DownloadList, u"c.ogg d.jpg"_s);

    f.manager.DownloadTimerTick();
    QVERIFY(f.manager.State().DownloadComplete);
    QCOMPARE(f.manager.State().PostStartFilesDone, 2);
    QCOMPARE(f.started, 1);
    QCOMPARE(f.server.Paths(),
        (QList<QByteArray> { "/show/a.ogg", "/show/b.jpg", "/show/c.ogg", "/show/d.jpg" }));
    QCOMPARE(f.arrived, (QStringList { u"a.ogg"_s, u"b.jpg"_s, u"c.ogg"_s, u"d.jpg"_s }));
    QCOMPARE(f.Stored(u"d.jpg"_s), Body("d.jpg"));
    QCOMPARE(f.server.Connections(), 1);
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

    f.manager.DownloadTimerTick();
    QCOMPARE(f.Stored(u"a.ogg"_s), slow.Body);
    QVERIFY(f.model.DownloadRate > 0);
    const QRegularExpression caption(u"^caching (\\d+) of 20000 bytes at \\d+(\\.\\d)? Kbps$"_s);
    QVERIFY2(f.bytes.filter(caption).size() >= 5, qPrintable(f.bytes.join(u" / "_s)));
    QCOMPARE(f.started, 1);
    QCOMPARE(f.requestsAtStart, requestsBeforeStart);
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
    f.manager.DownloadTimerTick(); // the marker: the show starts
    QCOMPARE(f.started, 1);

    f.manager.DownloadTimerTick();
    QCOMPARE(f.model.DownloadList, u"b.jpg c.ogg"_s);
    QCOMPARE(f.restarts.last(), DownloadManager::kRetryIntervalMs);
    QVERIFY(
        f.bytes.contains(u"An overrun occurred while downloading the requested file, b.jpg."_s));
    QCOMPARE(f.Stored(u"b.jpg"_s), QByteArray("<none>"));
    QCOMPARE(f.manager.State().PostStartFilesDone, 1);

    f.manager.DownloadTimerTick();
    QVERIFY(f.manager.State().DownloadComplete);
    QCOMPARE(f.Stored(u"b.jpg"_s), dropped.Body);
    QCOMPARE(f.manager.State().PostStartFilesDone, 3);
    QCOMPARE(f.FilesLeft(), (QStringList { u"a.ogg"_s, u"b.jpg"_s, u"c.ogg"_s }));
}

void TestDownloadManager::connectionFailureAnswers_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("proxyDialogs");
    QTest::addColumn<bool>("exits");
    QTest::newRow("try again") << u"tryagain"_s << 0 << false;
    QTest::newRow("set proxy server") << u"setproxyserver"_s << 1 << false;
    QTest::newRow("exit") << u"exitzentil"_s << 0 << true;
}

void TestDownloadManager::connectionFailureAnswers()
{
    QFETCH(QString, reply);
    QFETCH(int, proxyDialogs);
    QFETCH(bool, exits);
    Fixture f;
    f.reply = reply;
    f.model.Connection.ServerAddress = u"http://127.0.0.1:%1/show/"_s.arg(ClosedPort());
    f.Load(u"a.ogg | b.ogg"_s);
    f.manager.DownloadTimerTick();
    QCOMPARE(f.beeps, 1);
    QCOMPARE(f.asks, 1);
    QCOMPARE(f.proxyDialogs, proxyDialogs);
    QCOMPARE(f.exiting, exits);
    QCOMPARE(f.started, 0);
    QVERIFY(f.bytes.contains(
        u"The host computer could not be contacted or would not allow a connection."_s));
    if (exits) {
        QVERIFY(f.manager.State().DownloadComplete);
    } else {
        QCOMPARE(f.model.DownloadList, u"a.ogg | b.ogg"_s);
        QCOMPARE(f.restarts.last(), DownloadManager::kRetryIntervalMs);
        QCOMPARE(f.manager.State().PreStartFilesDone, 0);
    }
}

void TestDownloadManager::inTheBackgroundAFailedConnectionSkipsTheFile()
{
    Fixture f;
    f.model.Connection.ServerAddress = u"http://127.0.0.1:%1/show/"_s.arg(ClosedPort());
    f.Load(u"| a.ogg b.ogg"_s);
    f.manager.DownloadTimerTick();
    f.manager.DownloadTimerTick();
    QCOMPARE(f.asks, 0);
    QCOMPARE(f.beeps, 2);
    QVERIFY(f.manager.State().DownloadComplete);
    QCOMPARE(f.manager.State().PostStartFilesDone, 2);
}

void TestDownloadManager::aFileMissingOnTheServerIsFatal()
{
    Fixture f;
    f.Serve({ u"b.ogg"_s });
    f.Load(u"a.ogg | b.ogg"_s);
    f.manager.DownloadTimerTick();
    QCOMPARE(f.fatal, u"a.ogg"_s);
    QCOMPARE(f.started, 0);
    QCOMPARE(f.server.Paths(), QList<QByteArray> { "/show/a.ogg" });
    QVERIFY(f.FilesLeft().isEmpty());
}

void TestDownloadManager::otherErrorsAreShownAndSkipped()
{
    Fixture f;
    FaultServer::Route broken;
    broken.Status = 500;
    broken.Body = "<html>no</html>";
    f.server.On("/show/a.ogg", broken);
    f.Serve({ u"b.ogg"_s });
    f.Load(u"a.ogg ../b.ogg b.ogg | c.ogg"_s);
    f.manager.DownloadTimerTick();
    QVERIFY(f.bytes.contains(u"Error [500]:Internal Server Error."_s));
    QVERIFY(f.bytes.contains(u"Error [27001]:The name ../b.ogg is not a plain file name."_s));
    QCOMPARE(f.manager.State().PreStartFilesDone, 3);
    QCOMPARE(f.started, 1);
    QCOMPARE(f.FilesLeft(), QStringList { u"b.ogg"_s });
    QVERIFY(!QFileInfo::exists(f.dir.filePath(u"../b.ogg"_s)));
}

void TestDownloadManager::aNestedTickReturnsAtOnce()
{
    Fixture f;
    FaultServer::Route slow;
    slow.Body = Body("a.ogg", 10000);
    slow.Kind = FaultServer::Fault::Trickle;
    slow.ChunkBytes = 2000;
    f.server.On("/show/a.ogg", slow);
    f.Serve({ u"b.ogg"_s });
    f.Load(u"| a.ogg b.ogg"_s);
    f.manager.DownloadTimerTick();
    int nested = 0;
    f.onBytes = [&] {
        if (!f.manager.State().DownloadTimerBusy)
            return;
        const QString before = f.model.DownloadList;
        const qsizetype requests = f.server.Requests().size();
        f.manager.DownloadTimerTick();
        QCOMPARE(f.model.DownloadList, before);
        QCOMPARE(f.server.Requests().size(), requests);
        ++nested;
    };
    f.manager.DownloadTimerTick();
    QVERIFY(nested >= 2);
    QVERIFY(f.manager.State().DownloadComplete);
    QVERIFY(!f.manager.State().DownloadTimerBusy);
    QCOMPARE(f.FilesLeft(), (QStringList { u"a.ogg"_s, u"b.ogg"_s }));
}

void TestDownloadManager::anInterruptStopsAStalledTransferAndKeepsNothing()
{
    Fixture f;
    f.manager.Transfer().SetStallTimeout(HttpTransfer::kDefaultStallMs);
    FaultServer::Route stalled;
    stalled.Body = Body("a.ogg", 100000);
    stalled.Kind = FaultServer::Fault::StallAfter;
    stalled.Cut = 5000;
    f.server.On("/show/a.ogg", stalled);
    f.Load(u"| a.ogg b.ogg"_s);
    f.manager.DownloadTimerTick();
    qint64 interruptMs = -1;
    // Opening another show while the transfer waits: interrupt, then the new show's state.
    QTimer::singleShot(300, [&] {
        QElapsedTimer waited;
        waited.start();
        f.manager.InterruptDownload([] { QCoreApplication::processEvents(); });
        interruptMs = waited.elapsed();
        f.model.DownloadList = u"| x.ogg"_s;
        f.manager.Reset();
    });
    QElapsedTimer tick;
    tick.start();
    f.manager.DownloadTimerTick();
    QVERIFY2(interruptMs >= 0 && interruptMs < 2000, qPrintable(QString::number(interruptMs)));
    QVERIFY(tick.elapsed() < 5000);
    QCOMPARE(f.model.DownloadList, u"| x.ogg"_s);
    QVERIFY(!f.manager.State().DownloadTimerBusy);
    QVERIFY(!f.manager.State().StopDownloads);
    QVERIFY2(f.FilesLeft().isEmpty(), qPrintable(f.FilesLeft().join(u", "_s)));
}

void TestDownloadManager::aServerThatIsNotOnTheWebStopsDownloading()
{
    Fixture f;
    f.model.Connection.ServerAddress = u"ftp://127.0.0.1/show/"_s;
    f.Load(u"| a.ogg b.ogg"_s);
    f.manager.DownloadTimerTick();
    f.manager.DownloadTimerTick();
    QVERIFY(f.manager.State().DownloadComplete);
    QVERIFY(f.manager.State().StopDownloads);
    QVERIFY(f.server.Requests().isEmpty());
    QVERIFY(f.bytes.filter(u"Error"_s).isEmpty());
}

QTEST_GUILESS_MAIN(TestDownloadManager)
#include "tst_downloadmanager.moc"
