// The player's application object end to end in one process: start-up, playing a local
// presentation to its end slide, Escape with its quit point, and the refusals at start-up.
#include "app/ZentilApp.h"
#include "playback/FullScreenWindow.h"
#include "playback/WavePlayer.h"
#include "support/SilentWave.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
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
    void WriteScript(const QString& text)
    {
        QDir().mkpath(folder + u"/resources"_s);
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
        options.EndEventLoopAtExit = false;
        return options;
    }
};

// Closes every modal window that appears and counts it, so that a test which meets one fails
// instead of waiting for a user until its time runs out.
class ModalWatch {
public:
    ModalWatch()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ++Seen;
                dialog->reject();
            }
        });
        timer_.start(20);
    }
    int Seen = 0;

private:
    QTimer timer_;
};

} // namespace

class TestZentilApp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void playsALocalPresentationToItsEndSlideAndCleansUp();
    void escapeOnALaterSlideLeavesAQuitPoint();
    void withoutAScriptTheNoneSlideIsShown();
    void aScriptForANewerPlayerIsRefused();
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

void TestZentilApp::aCorruptNarrationLeavesItsSlideSilentAndTheShowGoesOn()
{
    Show show;
    show.Write(3, 1000);
    QFile corrupt(show.folder + u"/resources/n2.wav"_s);
    QVERIFY(corrupt.open(QIODevice::WriteOnly));
    QRandomGenerator random(8);
    QByteArray noise(3000, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    corrupt.write(noise);
    corrupt.close();

    PlayerOptions options = show.Options();
    options.NarrationOpenRetryLimit = 2500ms; // slide 1's narration ends while slide 2's is retried
    ZentilApp app(options);
    QVERIFY(app.Start(show.script));
    SlidePlay& current = app.Model().CurrentSlide;
    SlidePlay& next = app.Model().NextSlide;
    QTRY_COMPARE_WITH_TIMEOUT(current.Index, 2, 10000);

    // Once every open of slide 2's narration has given up, slide 2 stays on screen without sound
    // while slide 3 waits on the other player, its narration open.
    QTest::qWait(3500);
    QCOMPARE(current.Index, 2);
    QVERIFY(!current.SoundLoaded);
    QVERIFY(app.Playback().DefaultSlideShown.isEmpty());
    QCOMPARE(app.Playback().NextSlideWaitingRsrcs, 0);
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
    QTRY_COMPARE_WITH_TIMEOUT(app.Playback().DefaultSlideShown, u"end"_s, 10000);
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
        show.WriteScript(script);
    ModalWatch modals;
    ZentilApp app(show.Options());
    const bool started = app.Start(show.script);
    QCOMPARE(started, script.isEmpty());
    if (started) {
        QTRY_COMPARE_WITH_TIMEOUT(app.Model().CurrentSlide.Index, 1, 5000);
        app.Playback().MissingFileName = u"n1.wav"_s;
        app.DisplayResourceFatalError();
    }
    QCOMPARE(modals.Seen, 0);
    QVERIFY(app.Finished());
    QCOMPARE(app.ExitCode(), 1);
}

QTEST_MAIN(TestZentilApp)
#include "tst_zentilapp.moc"
