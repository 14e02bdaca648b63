// The player's application object end to end in one process: start-up, playing a local
// presentation to its end slide, Escape with its quit point, and the refusals at start-up.
#include "app/ZentilApp.h"
#include "playback/FullScreenWindow.h"
#include "support/SilentWave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using zentil::test::WriteSilentWave;

namespace {

// A presentation folder outside the system temporary folder (a script found there counts as a
// browser download), with a home folder of its own beside it.
struct Show {
    QTemporaryDir root { QStringLiteral(ZENTIL_BINARY_DIR "/tst_zentilapp-XXXXXX") };
    QString folder = root.filePath(u"show"_s);
    QString home = root.filePath(u"home"_s);
    QString script = QDir(folder).filePath(u"apptest.zentil"_s);

    void Write(int slides, int narrationMs, const QString& extra = {})
    {
        QDir().mkpath(folder + u"/resources"_s);
        QString text = u"/name {apptest.zentil}\r\n"_s + extra + u"%resource\r\n/resource {"_s;
        for (int i = 1; i <= slides; ++i) {
            QVERIFY(WriteSilentWave(folder + u"/resources/n%1.wav"_s.arg(i), narrationMs));
            text += u"n%1.wav "_s.arg(i);
        }
        text += u"}\r\n"_s;
        for (int i = 1; i <= slides; ++i)
            text
                += u"%slide\r\n/play {n%1.wav}\r\n/box {0 0 800 600 fill #C00000 penwidth 0}\r\n%endslide\r\n"_s
                       .arg(i);
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }
    PlayerOptions Options() const
    {
        PlayerOptions options;
        options.HomeFolder = home;
        options.SilentAudio = true;
        options.ShowDialogs = false;
        return options;
    }
};

} // namespace

class TestZentilApp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void playsALocalPresentationToItsEndSlideAndCleansUp();
    void escapeOnALaterSlideLeavesAQuitPoint();
    void withoutAScriptTheNoneSlideIsShown();
    void aScriptForANewerPlayerIsRefused();
    void withoutAHomeFolderTheFreedesktopPlacesAreUsed();
    void foldersThatCannotBeWrittenEndTheStartWithAnError();
};

void TestZentilApp::playsALocalPresentationToItsEndSlideAndCleansUp()
{
    Show show;
    show.Write(2, 300);
    ZentilApp app(show.Options());
    QVERIFY(app.Start(show.script));
    QCOMPARE(app.Model().SlideCount(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(app.Model().CurrentSlide.Index, 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(app.Playback().DefaultSlideShown, u"end"_s, 15000);
    QVERIFY(!app.Playback().ShowPlaying);

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

void TestZentilApp::escapeOnALaterSlideLeavesAQuitPoint()
{
    Show show;
    show.Write(3, 400);
    ZentilApp app(show.Options());
    QVERIFY(app.Start(show.script));
    QTRY_COMPARE_WITH_TIMEOUT(app.Model().CurrentSlide.Index, 2, 10000);
    QTest::keyClick(&app.Window(), Qt::Key_Escape);
    QVERIFY(app.Finished());

    QFile quitPoint(show.home + u"/quitpoints/apptest.txt"_s);
    QVERIFY2(quitPoint.open(QIODevice::ReadOnly), "leaving on slide 2 remembers the place");
    QVERIFY(quitPoint.readAll().startsWith("2 "));
}

void TestZentilApp::withoutAScriptTheNoneSlideIsShown()
{
    Show show;
    ZentilApp app(show.Options());
    QVERIFY(app.Start(show.root.filePath(u"missing.zentil"_s)));
    QCOMPARE(app.Playback().DefaultSlideShown, u"none"_s);
    QVERIFY(!app.Playback().ShowPlaying);
    QVERIFY(app.HeartbeatTimer().isActive());
    const QImage picture = app.Window().Picture();
    QCOMPARE(picture.size(), QSize(800, 600));
    app.ExecuteExitZentil();
}

void TestZentilApp::aScriptForANewerPlayerIsRefused()
{
    Show show;
    show.Write(1, 200, u"/version {1.21}\r\n"_s);
    ZentilApp app(show.Options());
    QVERIFY(!app.Start(show.script));
    QVERIFY(app.Finished());
    QCOMPARE(app.ExitCode(), 1);
}

void TestZentilApp::withoutAHomeFolderTheFreedesktopPlacesAreUsed()
{
    Show show;
    show.Write(3, 400);
    const QString xdg = show.root.filePath(u"xdg"_s);
    qunsetenv("ZENTIL_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(xdg + u"/cache"_s));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdg + u"/config"_s));
    qputenv("XDG_STATE_HOME", QFile::encodeName(xdg + u"/state"_s));
    PlayerOptions options = show.Options();
    options.HomeFolder.clear();
    ZentilApp app(options);
    QVERIFY(app.Start(show.script));
    QVERIFY(QFileInfo::exists(xdg + u"/cache/zentil/zentil.lock"_s));
    for (const QString& folder : { u"/cache/zentil/cache"_s, u"/cache/zentil/temp"_s,
             u"/cache/zentil/fonts"_s, u"/config/zentil"_s })
        QVERIFY2(QFileInfo(xdg + folder).isDir(), qPrintable(folder));
    QTRY_COMPARE_WITH_TIMEOUT(app.Model().CurrentSlide.Index, 2, 10000);
    QTest::keyClick(&app.Window(), Qt::Key_Escape);
    QVERIFY(app.Finished());

    QVERIFY(QFile::exists(xdg + u"/state/zentil/quitpoints/apptest.txt"_s));
    QVERIFY2(!QFileInfo::exists(xdg + u"/cache/zentil/zentil.lock"_s), "the lock is released");
    QVERIFY(!QFileInfo::exists(show.home));
}

void TestZentilApp::foldersThatCannotBeWrittenEndTheStartWithAnError()
{
    Show show;
    show.Write(1, 200);
    QFile blocker(show.root.filePath(u"blocker"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    PlayerOptions options = show.Options();
    options.HomeFolder = blocker.fileName() + u"/home"_s;
    ZentilApp app(options);
    QVERIFY(!app.Start(show.script));
    QVERIFY(app.Finished());
    QCOMPARE(app.ExitCode(), 1);
}

QTEST_MAIN(TestZentilApp)
#include "tst_zentilapp.moc"
