// The player's application object end to end in one process: start-up, playing a local
// presentation to its end slide, Escape with its quit point, where a script is played from, and
// the refusals at start-up.
#include "app/ZentilApp.h"
#include "platform/SingleInstance.h"
#include "playback/FullScreenWindow.h"
#include "playback/WavePlayer.h"
#include "storage/FileTree.h"
#include "support/RunningPlayer.h"
#include "support/StandardErrorCapture.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using namespace zentil;
using namespace zentil::test;

namespace {

// Sets an environment variable for one scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QString& value)
        : name_(name)
        , old_(qgetenv(name))
        , had_(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, QFile::encodeName(value));
    }
    ~ScopedEnvironment()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

} // namespace

class TestZentilApp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void playsALocalPresentationToItsEndSlideAndCleansUp();
    void openingAMissingFileKeepsTheShowPlaying();
    void aShowResumesWhereItWasLeft();
    void aLocalShowNamingNoServerStarts();
    void whereAScriptIsPlayedFrom_data();
    void whereAScriptIsPlayedFrom();
    void scriptsThatCannotBePlayedAreReported_data();
    void scriptsThatCannotBePlayedAreReported();
    void onlyARunningPlayerEndsStartUpSilently_data();
    void onlyARunningPlayerEndsStartUpSilently();
    void aCorruptNarrationLeavesItsSlideSilentAndTheShowGoesOn();
    void fatalErrorsWithoutDialogsEndThePlayerAtOnce_data();
    void fatalErrorsWithoutDialogsEndThePlayerAtOnce();
};

void TestZentilApp::playsALocalPresentationToItsEndSlideAndCleansUp()
{
    Show show;
    show.Write(2, 300);
    ZentilApp app(show.Options());
    QVERIFY(app.Start(show.script));
    QCOMPARE(app.Model().SlideCount(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(app.Model().CurrentSlide.Index, 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(app.Playback().DefaultSlideShown, DefaultSlide::EndOfShow, 15000);
    QCOMPARE(app.Playback().State, ShowState::EndSlide);
    // The slides are drawn from commands only; their thumbnails are drawn too, while the show
    // plays, and then the thumbnail timer stops.
    QTRY_VERIFY_WITH_TIMEOUT(app.Thumbnails().AllThumbnailsCreated, 5000);
    QVERIFY(!app.CreateThumbnailTimer().isActive());
    QCOMPARE(QDir(show.folder + u"/thumbnails"_s).entryList(QDir::Files),
        QStringList({ u"thumbnail001.jpg"_s, u"thumbnail002.jpg"_s }));
    QCOMPARE(QImage(show.folder + u"/thumbnails/thumbnail002.jpg"_s).size(), QSize(160, 120));

    app.ExecuteExitZentil();
    QVERIFY(app.Finished());
    QCOMPARE(app.ExitCode(), 0);
    // Only the debug files of a trace build may outlive the temporary folder's clean-up.
    const QStringList left = QDir(show.home + u"/temp"_s)
                                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const QStringList debugFiles { u"slidestructure.txt"_s, u"ztdebug.txt"_s };
    for (const QString& name : left)
        QVERIFY2(debugFiles.contains(name), qPrintable(u"left in temp: "_s + name));
    QVERIFY(QDir(show.home + u"/quitpoints"_s).isEmpty());
    QVERIFY2(QFile::exists(show.script), "a local presentation's script stays where it was");
}

void TestZentilApp::aShowResumesWhereItWasLeft()
{
    Show show;
    // Slide 2 has subslides at 0.5 s and 4 s; the show was left on slide 2 at 1.5 s.
    show.WriteText(u"/name {control.zentil}\r\n%resource\r\n/resource {n1.wav n2.wav}\r\n"
                   "%slide\r\n/play {n1.wav}\r\n/box {0 0 800 600 fill #C00000}\r\n%endslide\r\n"
                   "%slide\r\n/play {n2.wav}\r\n/box {0 0 800 600 fill #C00000}\r\n"
                   "%subslide 0.5\r\n/box {0 0 10 10 fill #00FF00}\r\n"
                   "%subslide 4\r\n/box {0 0 10 10 fill #0000FF}\r\n%endslide\r\n"_s);
    for (int i = 1; i <= 2; ++i)
        QVERIFY(WriteSilentWave(show.folder + u"/resources/n%1.wav"_s.arg(i), 6000));
    WriteFile(show.home + u"/quitpoints/control.txt"_s, "2 1500\r\n");

    ZentilApp app(show.Options());
    QVERIFY(app.Start(show.script));
    QTRY_COMPARE_WITH_TIMEOUT(app.Model().CurrentSlide.Index, 2, 10000);
    WavePlayer& player = app.WaveControl(app.Model().CurrentSlide.ResourceSet);
    QTRY_COMPARE_WITH_TIMEOUT(player.Mode(), WaveMode::Playing, 5000);
    QVERIFY2(player.Position() >= 1500, "the narration goes on from where it was left");
    // The subslide due before that point is drawn at once; the later one waits for its time.
    QTRY_COMPARE_WITH_TIMEOUT(app.Playback().CurrentSubslideIndex, 1, 500);
    QTest::qWait(300);
    QCOMPARE(app.Playback().CurrentSubslideIndex, 1);
}

void TestZentilApp::aLocalShowNamingNoServerStarts()
{
    // The bundled demo names no web server and lists its font among the files to fetch.
    Show show;
    const QDir demo(QStringLiteral(ZENTIL_FIXTURES_DIR "/../../examples/demo"));
    QDir().mkpath(show.folder + u"/resources"_s);
    QVERIFY(QFile::copy(demo.filePath(u"demo.zentil"_s), show.folder + u"/demo.zentil"_s));
    for (const QString& name : QDir(demo.filePath(u"resources"_s)).entryList(QDir::Files))
        QVERIFY(QFile::copy(
            demo.filePath(u"resources/"_s + name), show.folder + u"/resources/"_s + name));
    ZentilApp app(show.Options());
    QVERIFY(app.Start(show.folder + u"/demo.zentil"_s));
    QTRY_COMPARE_WITH_TIMEOUT(app.Model().CurrentSlide.Index, 1, 20000);
}

void TestZentilApp::openingAMissingFileKeepsTheShowPlaying()
{
    Show show;
    show.Write(2, 400);
    ZentilApp app(show.Options());
    QVERIFY(StartPlaying(app, show));
    const StandardErrorCapture err;
    app.OpenPresentation(show.root.filePath(u"gone.zentil"_s));
    QVERIFY(err.Text().contains(u"gone.zentil,does not exist."_s));
    app.PrintSlides(); // without dialogs the viewer is told nothing was printed
    QVERIFY(err.Text().contains(u"The slides were not printed"_s));
    QCOMPARE(app.Playback().State, ShowState::Playing);
    QCOMPARE(app.Model().SlideCount(), 2);
    QCOMPARE(CurrentPlayer(app).Mode(), WaveMode::Playing);
    QTRY_COMPARE_WITH_TIMEOUT(app.Playback().DefaultSlideShown, DefaultSlide::EndOfShow, 15000);
    app.ExecuteExitZentil();
}

void TestZentilApp::whereAScriptIsPlayedFrom_data()
{
    QTest::addColumn<QString>("script"); // below the test's root; "tmp" is the temporary folder
    QTest::addColumn<QString>("name"); // of "/name"
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("cached"); // the script's copy below the cache
    QTest::addColumn<bool>("scriptKept");

    const QString plain = u"apptest.zentil"_s;
    const QString copy = u"apptest/apptest.zentil"_s;
    QTest::newRow("browser's temporary folder")
        << u"tmp/apptest.zentil"_s << plain << QString() << copy << false;
    QTest::newRow("browser folder in temp") << u"tmp/mozilla_user0/talk[2].zentil"_s << QString()
                                            << QString() << u"talk/talk.zentil"_s << false;
    QTest::newRow("user's cache folder")
        << u"xdg/browser/apptest.zentil"_s << plain << QString() << copy << false;
    QTest::newRow("downloads folder")
        << u"Downloads/apptest.zentil"_s << plain << QString() << copy << true;
    QTest::newRow("cache copy cannot be made")
        << u"tmp/apptest.zentil"_s << plain << u"blocked"_s << copy << true;
    QTest::newRow("cached script through a linked home")
        << u"home/cache/apptest/apptest.zentil"_s << plain << u"linked"_s << copy << true;
    QTest::newRow("name without extension")
        << u"Downloads/talk.zentil"_s << u"noext"_s << QString() << u"talk/talk.zentil"_s << true;
    // Like an installed example: read-only for a user, another's (root's) for the superuser.
    QTest::newRow("presentation folder not the player's")
        << u"installed/apptest.zentil"_s << plain << u"foreign"_s << copy << true;
}

// A script without "resources" beside it is a download: it plays from a cache folder of its
// own, and only a browser's copy is deleted, once the cache holds it.
void TestZentilApp::whereAScriptIsPlayedFrom()
{
    QFETCH(QString, script);
    QFETCH(QString, name);
    QFETCH(QString, setup);
    QFETCH(QString, cached);
    QFETCH(bool, scriptKept);

    Show show;
    const ScopedEnvironment temp("TMPDIR", show.root.filePath(u"tmp"_s));
    const ScopedEnvironment cache("XDG_CACHE_HOME", show.root.filePath(u"xdg"_s));
    PlayerOptions options = show.Options();
    const QString path = show.root.filePath(script);
    const QString copy = show.home + u"/cache/"_s + cached;
    if (setup == u"blocked")
        QVERIFY(QDir().mkpath(copy));
    if (setup == u"linked") {
        QVERIFY(QFile::link(show.home, show.root.filePath(u"alias"_s)));
        options.HomeFolder = show.root.filePath(u"alias"_s);
    }
    const QString folder = QFileInfo(path).path();
    const bool foreign = setup == u"foreign";
    WriteScript(path, 1, 200, name.isEmpty() ? QString() : u"/name {"_s + name + u"}\r\n"_s,
        foreign ? folder + u"/resources"_s : QString());
    const QByteArray folderName = QFile::encodeName(folder);
    const bool superuser = geteuid() == 0;
    if (foreign) // permissions do not bind the superuser, so the folder becomes "nobody"'s
        QVERIFY(superuser ? chown(folderName.constData(), 65534, 65534) == 0
                          : QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const auto restore = qScopeGuard([&] {
        if (foreign && !superuser)
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    const QByteArray content = ReadAll(path);

    ZentilApp app(options);
    QVERIFY(app.Start(path));
    QCOMPARE(app.Model().Defn.ScriptParentFolder,
        CleanFolderPath(options.HomeFolder) + u"/cache/"_s + QFileInfo(cached).path());
    app.ExecuteExitZentil();

    QCOMPARE(QFile::exists(path), scriptKept);
    QCOMPARE(ReadAll(copy), setup == u"blocked" ? QByteArray() : content);
    QVERIFY2(!QFileInfo::exists(show.home + u"/cache/resources"_s),
        "the cache itself never becomes a presentation folder");
}

void TestZentilApp::scriptsThatCannotBePlayedAreReported_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("exitCode"); // -1: start-up goes on to the "none" slide
    QTest::addColumn<QString>("message");

    QTest::newRow("missing") << u"missing"_s << -1 << u"missing.zentil,does not exist."_s;
    QTest::newRow("a folder") << u"folder"_s << 1 << u"control.zentil is not a file."_s;
    QTest::newRow("too large") << u"large"_s << 1 << u"cannot be read."_s;
    QTest::newRow("newer, named") << u"named"_s << 1
                                  << u": named.zentil requires a later version"_s;
    QTest::newRow("newer, unnamed")
        << u"unnamed"_s << 1 << u": control.zentil requires a later version"_s;
    QTest::newRow("name gives no folder")
        << u"noext"_s << 1 << u"its name apptest gives it no folder in the cache."_s;
}

void TestZentilApp::scriptsThatCannotBePlayedAreReported()
{
    QFETCH(QString, situation);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    Show show;
    QString script = show.script;
    if (situation == u"missing") {
        script = show.root.filePath(u"missing.zentil"_s);
    } else if (situation == u"folder") {
        QVERIFY(QDir().mkpath(script));
    } else if (situation == u"large") {
        QDir().mkpath(show.folder);
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(200LL * 1024 * 1024)); // sparse: no disc space used
    } else if (situation == u"named" || situation == u"unnamed") {
        WriteScript(script, 1, 200,
            (situation == u"named" ? u"/name {named.zentil}\r\n"_s : QString())
                + u"/version {1.21}\r\n"_s,
            show.folder + u"/resources"_s);
    } else {
        script = show.root.filePath(u"Downloads/apptest"_s);
        WriteScript(script, 1, 200);
    }

    const StandardErrorCapture err;
    ZentilApp app(show.Options());
    QCOMPARE(app.Start(script), exitCode < 0);
    QVERIFY2(err.Text().contains(message), qPrintable(err.Text()));
    QVERIFY(QFileInfo::exists(script) || situation == u"missing");
    if (exitCode < 0) {
        QCOMPARE(app.Playback().DefaultSlideShown, DefaultSlide::NoPresentation);
        QCOMPARE(app.Playback().State, ShowState::NoShow);
        QVERIFY(app.HeartbeatTimer().isActive());
        QCOMPARE(app.Window().Picture().size(), QSize(800, 600));
        app.ExecuteExitZentil();
        QCOMPARE(app.ExitCode(), 0);
    } else {
        QVERIFY(app.Finished());
        QCOMPARE(app.ExitCode(), exitCode);
    }
}

void TestZentilApp::onlyARunningPlayerEndsStartUpSilently_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("another player runs") << u"running"_s << 0;
    QTest::newRow("lock cannot be taken") << u"lock"_s << 1;
    QTest::newRow("home folder cannot be made") << u"home"_s << 1;
}

void TestZentilApp::onlyARunningPlayerEndsStartUpSilently()
{
    QFETCH(QString, situation);
    QFETCH(int, exitCode);
    Show show;
    show.Write(1, 200);
    PlayerOptions options = show.Options();
    SingleInstance other(show.home);
    if (situation == u"running") {
        QVERIFY(other.TryAcquire());
        // The program itself ends at once too, whichever screen it was to play on.
        qputenv("ZENTIL_HOME", show.home.toLocal8Bit());
        QCOMPARE(RunProgram(QStringLiteral(ZENTIL_BINARY_DIR "/src/zentil"),
                     { u"--screen"_s, u"1"_s, show.script }),
            0);
        qunsetenv("ZENTIL_HOME");
    } else if (situation == u"lock")
        QVERIFY(QDir().mkpath(show.home + u"/zentil.lock"_s));
    else // a plain file where a folder should be
        WriteFile(options.HomeFolder = show.root.filePath(u"blocker"_s), "x");

    const StandardErrorCapture err;
    ZentilApp app(options);
    QVERIFY(!app.Start(show.script));
    QVERIFY(app.Finished());
    QCOMPARE(app.ExitCode(), exitCode);
    QVERIFY2(
        err.Text().contains(u"/zentil.lock"_s) == (situation == u"lock"), qPrintable(err.Text()));
}

void TestZentilApp::aCorruptNarrationLeavesItsSlideSilentAndTheShowGoesOn()
{
    Show show;
    show.Write(3, 1000);
    QByteArray noise(3000, Qt::Uninitialized);
    QRandomGenerator(8).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    WriteFile(show.folder + u"/resources/n2.wav"_s, noise);

    ZentilApp app(show.Options());
    QVERIFY(app.Start(show.script));
    SlidePlay& current = app.Model().CurrentSlide;
    SlidePlay& next = app.Model().NextSlide;
    QTRY_COMPARE_WITH_TIMEOUT(current.Index, 2, 10000);

    // Slide 2's narration cannot be opened: slide 2 stays on screen without sound while slide 3
    // waits on the other player, its narration open.
    QTest::qWait(1500);
    QCOMPARE(current.Index, 2);
    QVERIFY(!current.SoundLoaded);
    QCOMPARE(app.Playback().DefaultSlideShown, DefaultSlide::NotShown);
    QCOMPARE(app.Playback().NextSlideAwaitingFiles, 0);
    QCOMPARE(next.Index, 3);
    QVERIFY(next.SoundLoaded);
    QVERIFY(next.ResourceSet != current.ResourceSet);
    const WavePlayer& prepared = app.WaveControl(next.ResourceSet);
    QCOMPARE(prepared.Mode(), WaveMode::Stopped);
    QCOMPARE(prepared.Length(), qint64(1000));

    // Stepping on plays slide 3 with its narration, and the show ends as usual.
    app.Sequencer().PlayGivenSlide(3);
    QCOMPARE(current.Index, 3);
    QVERIFY(current.SoundLoaded);
    QCOMPARE(app.WaveControl(current.ResourceSet).Mode(), WaveMode::Playing);
    QTRY_COMPARE_WITH_TIMEOUT(app.Playback().DefaultSlideShown, DefaultSlide::EndOfShow, 10000);
    app.ExecuteExitZentil();
    QCOMPARE(app.ExitCode(), 0);
}

void TestZentilApp::fatalErrorsWithoutDialogsEndThePlayerAtOnce_data()
{
    QTest::addColumn<QString>("script"); // empty: a playable show whose file then goes missing
    QTest::newRow("no slides") << u"/name {apptest.zentil}\r\n%resource\r\n"_s;
    QTest::newRow("a slide without narration")
        << u"/name {apptest.zentil}\r\n%slide\r\n/box {0 0 10 10}\r\n%endslide\r\n"_s;
    QTest::newRow("a file missing while playing") << QString();
}

void TestZentilApp::fatalErrorsWithoutDialogsEndThePlayerAtOnce()
{
    QFETCH(QString, script);
    Show show;
    if (script.isEmpty())
        show.Write(1, 5000);
    else
        show.WriteText(script);
    ZentilApp app(show.Options()); // a dialog would wait here until the time limit
    const bool started = app.Start(show.script);
    QCOMPARE(started, script.isEmpty());
    if (started) {
        QTRY_COMPARE_WITH_TIMEOUT(app.Model().CurrentSlide.Index, 1, 5000);
        app.Playback().MissingFileName = u"n1.wav"_s;
        app.Host().DisplayResourceFatalError();
    }
    QVERIFY(app.Finished());
    QCOMPARE(app.ExitCode(), 1);
}

QTEST_MAIN(TestZentilApp)
#include "tst_zentilapp.moc"
