// Taking control of a running show through the real window: key navigation with its preview and
// its commit after the quiet period, the edge rules, pause and resume, the end slide, the popup
// menus and the help window. Narration is silent; thumbnails are made by the test.
#include "app/ZentilApp.h"
#include "playback/FullScreenWindow.h"
#include "playback/HelpWindow.h"
#include "playback/PopupMenus.h"
#include "playback/PreviewOverlay.h"
#include "playback/UserControl.h"
#include "playback/WavePlayer.h"
#include "support/SilentWave.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using zentil::test::WriteSilentWave;

namespace {

struct Show {
    QTemporaryDir root { QStringLiteral(ZENTIL_BINARY_DIR "/tst_usercontrol-XXXXXX") };
    QString folder = root.filePath(u"show"_s);
    QString home = root.filePath(u"home"_s);
    QString script = QDir(folder).filePath(u"control.zentil"_s);

    void Write(int slides, int narrationMs)
    {
        QDir().mkpath(folder + u"/resources"_s);
        QString text = u"/name {control.zentil}\r\n%resource\r\n/resource {"_s;
        for (int i = 1; i <= slides; ++i) {
            QVERIFY(WriteSilentWave(folder + u"/resources/n%1.wav"_s.arg(i), narrationMs));
            text += u"n%1.wav "_s.arg(i);
        }
        text += u"}\r\n"_s;
        for (int i = 1; i <= slides; ++i)
            text
                += u"%slide\r\n/play {n%1.wav}\r\n/box {0 0 800 600 fill #%2 penwidth 0}\r\n%endslide\r\n"_s
                       .arg(i)
                       .arg(0x101010 * i, 6, 16, QChar(u'0'));
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

// Thumbnails of the first `count` slides, as the thumbnail maker leaves them. The player's own
// maker is stopped and what it made so far removed, so the test decides which slides have one.
void MakeThumbnails(ZentilApp& app, int count)
{
    app.CreateThumbnailTimer().stop();
    for (const QString& path : app.Model().ThumbnailImage)
        QFile::remove(path);
    for (int n = 1; n <= count; ++n) {
        const QString path = app.Model().ThumbnailImage.at(static_cast<size_t>(n - 1));
        QDir().mkpath(QFileInfo(path).absolutePath());
        QImage picture(160, 120, QImage::Format_RGB32);
        picture.fill(QColor(40 * n, 200, 40));
        QVERIFY(picture.save(path, "JPG", 95));
    }
}

void Press(ZentilApp& app, Qt::Key key)
{
    QTest::keyPress(&app.Window(), key);
    QTest::keyRelease(&app.Window(), key);
}

WavePlayer& CurrentPlayer(ZentilApp& app)
{
    return app.WaveControl(app.Model().CurrentSlide.ResourceSet);
}

// Starts a show of long narrations and waits until slide 1 plays.
bool StartPlaying(ZentilApp& app, const Show& show)
{
    if (!app.Start(show.script))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000
        && !(app.Model().CurrentSlide.Index == 1 && CurrentPlayer(app).Mode() == WaveMode::Playing))
        QTest::qWait(20);
    return app.Model().CurrentSlide.Index == 1;
}

PreviewOverlay::Content Overlay(ZentilApp& app)
{
    return app.Window().Preview().Shown();
}

QMenu* VisibleMenu(ZentilApp& app, const QString& name)
{
    auto* menu = app.Window().findChild<QMenu*>(name);
    return menu && menu->isVisible() ? menu : nullptr;
}

void RightClick(ZentilApp& app)
{
    QTest::mouseClick(app.Window().viewport(), Qt::RightButton, {}, QPoint(100, 100));
}

} // namespace

class TestUserControl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void navigationCommitsAfterTheQuietPeriod_data();
    void navigationCommitsAfterTheQuietPeriod();
    void aKeyDownWhileAnotherIsHandledIsDropped();
    void pauseKeysToggle_data();
    void pauseKeysToggle();
    void pauseDuringNavigationCancelsIt();
    void comingBackToThePausedSlideStaysPaused();
    void endSlideRules();
    void fileMenuBeforeAShowAndHelpWindow();
    void slidesMenuPausesResumesAndExits();
    void mouseMovesStampEveryTenth();
};

void TestUserControl::navigationCommitsAfterTheQuietPeriod_data()
{
    QTest::addColumn<int>("thumbnails");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("caption"); // empty: no preview appears
    QTest::addColumn<int>("played");
    QTest::addColumn<bool>("restarted"); // the chosen slide was started anew

    QTest::newRow("right twice") << 5 << QList<int> { Qt::Key_Right, Qt::Key_Right } << u"3 of 5"_s
                                 << 3 << true;
    QTest::newRow("down and page down step too")
        << 5 << QList<int> { Qt::Key_Down, Qt::Key_PageDown } << u"3 of 5"_s << 3 << true;
    QTest::newRow("forward stops before a missing thumbnail")
        << 2 << QList<int> { Qt::Key_Right, Qt::Key_Right, Qt::Key_Right } << u"2 of 5"_s << 2
        << true;
    QTest::newRow("end goes to the last thumbnail there is")
        << 4 << QList<int> { Qt::Key_End } << u"4 of 5"_s << 4 << true;
    QTest::newRow("end then right stays at the last slide")
        << 5 << QList<int> { Qt::Key_End, Qt::Key_Right } << u"5 of 5"_s << 5 << true;
    QTest::newRow("end then home")
        << 5 << QList<int> { Qt::Key_End, Qt::Key_Home } << u"1 of 5"_s << 1 << false;
    QTest::newRow("left at the first slide does nothing")
        << 5 << QList<int> { Qt::Key_Left, Qt::Key_Up, Qt::Key_PageUp } << QString() << 1 << false;
    QTest::newRow("there and back resumes the slide on screen")
        << 5 << QList<int> { Qt::Key_Right, Qt::Key_Left } << u"1 of 5"_s << 1 << false;
    QTest::newRow("no thumbnails: no step, no preview")
        << 0 << QList<int> { Qt::Key_Right, Qt::Key_End } << QString() << 1 << false;
}

void TestUserControl::navigationCommitsAfterTheQuietPeriod()
{
    QFETCH(int, thumbnails);
    QFETCH(QList<int>, keys);
    QFETCH(QString, caption);
    QFETCH(int, played);
    QFETCH(bool, restarted);
    Show show;
    show.Write(5, 30000);
    ZentilApp app(show.Options());
    QVERIFY(StartPlaying(app, show));
    MakeThumbnails(app, thumbnails);
    QTest::qWait(300);

    for (int key : keys)
        Press(app, static_cast<Qt::Key>(key));
    // Navigating: the narration waits and the preview shows the choice.
    QVERIFY(app.Playback().PreviewThumbnailActive);
    QCOMPARE(CurrentPlayer(app).Mode(), WaveMode::Paused);
    const qint64 pausedAt = CurrentPlayer(app).Position();
    QVERIFY(pausedAt >= 250);
    if (caption.isEmpty()) {
        QCOMPARE(Overlay(app), PreviewOverlay::Content::Nothing);
    } else {
        QCOMPARE(Overlay(app), PreviewOverlay::Content::Thumbnail);
        QCOMPARE(app.Window().Preview().Caption(), caption);
        QVERIFY(app.Playback().PreviewThumbnailVisible);
    }
    QCOMPARE(app.Model().CurrentSlide.Index, 1);

    QTRY_VERIFY_WITH_TIMEOUT(!app.Playback().PreviewThumbnailActive, 3000);
    QCOMPARE(app.Model().CurrentSlide.Index, played);
    QCOMPARE(app.Playback().NewSlideNumber, 0);
    QCOMPARE(Overlay(app), PreviewOverlay::Content::Nothing);
    QTRY_COMPARE_WITH_TIMEOUT(CurrentPlayer(app).Mode(), WaveMode::Playing, 2000);
    if (restarted)
        QVERIFY2(
            CurrentPlayer(app).Position() < 1000, "the chosen slide starts from its beginning");
    else
        QVERIFY2(CurrentPlayer(app).Position() >= pausedAt, "the narration goes on where it was");
    app.ExecuteExitZentil();
}

// Showing the preview lets events run; a key-down that arrives then is dropped.
void TestUserControl::aKeyDownWhileAnotherIsHandledIsDropped()
{
    Show show;
    show.Write(5, 30000);
    ZentilApp app(show.Options());
    QVERIFY(StartPlaying(app, show));
    MakeThumbnails(app, 5);
    QTest::keyPress(&app.Window(), Qt::Key_Right);
    QCOMPARE(app.Playback().NewSlideNumber, 2);
    QCoreApplication::postEvent(
        &app.Window(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier));
    QTest::keyPress(&app.Window(), Qt::Key_Right);
    QCOMPARE(app.Playback().NewSlideNumber, 3);
    QCoreApplication::processEvents();
    QCOMPARE(app.Playback().NewSlideNumber, 3);
    QTest::keyPress(&app.Window(), Qt::Key_Right);
    QCOMPARE(app.Playback().NewSlideNumber, 4);
    QVERIFY(!app.Control().KeyDownBusy());
    app.ExecuteExitZentil();
}

void TestUserControl::pauseKeysToggle_data()
{
    QTest::addColumn<int>("pauseKey");
    QTest::addColumn<int>("resumeKey");
    QTest::newRow("space, enter") << int(Qt::Key_Space) << int(Qt::Key_Return);
    QTest::newRow("pause, space") << int(Qt::Key_Pause) << int(Qt::Key_Space);
    QTest::newRow("keypad enter, pause") << int(Qt::Key_Enter) << int(Qt::Key_Pause);
}

void TestUserControl::pauseKeysToggle()
{
    QFETCH(int, pauseKey);
    QFETCH(int, resumeKey);
    Show show;
    show.Write(2, 30000);
    ZentilApp app(show.Options());
    QVERIFY(StartPlaying(app, show));

    Press(app, static_cast<Qt::Key>(pauseKey));
    QCOMPARE(CurrentPlayer(app).Mode(), WaveMode::Paused);
    QVERIFY(app.Playback().PreviewPauseActive);
    QVERIFY(app.Playback().PreviewPauseVisible);
    QVERIFY(!app.Playback().CheckWavePosition);
    QCOMPARE(Overlay(app), PreviewOverlay::Content::Pause);
    const qint64 at = CurrentPlayer(app).Position();
    QTest::qWait(400);
    QCOMPARE(CurrentPlayer(app).Position(), at);

    Press(app, static_cast<Qt::Key>(resumeKey));
    QCOMPARE(CurrentPlayer(app).Mode(), WaveMode::Playing);
    QVERIFY(!app.Playback().PreviewPauseActive);
    QVERIFY(!app.Playback().PreviewPauseVisible);
    QVERIFY(app.Playback().CheckWavePosition);
    QCOMPARE(Overlay(app), PreviewOverlay::Content::Nothing);
    QCOMPARE(app.Model().CurrentSlide.Index, 1);
    app.ExecuteExitZentil();
}

void TestUserControl::pauseDuringNavigationCancelsIt()
{
    Show show;
    show.Write(3, 30000);
    ZentilApp app(show.Options());
    QVERIFY(StartPlaying(app, show));
    MakeThumbnails(app, 3);
    Press(app, Qt::Key_Right);
    QCOMPARE(Overlay(app), PreviewOverlay::Content::Thumbnail);
    Press(app, Qt::Key_Space);
    QCOMPARE(Overlay(app), PreviewOverlay::Content::Pause);
    QCOMPARE(app.Playback().NewSlideNumber, 0);
    QVERIFY(!app.Playback().PreviewThumbnailActive);
    QTest::qWait(1200);
    QCOMPARE(app.Model().CurrentSlide.Index, 1);
    QCOMPARE(CurrentPlayer(app).Mode(), WaveMode::Paused);

    Press(app, Qt::Key_Space);
    QCOMPARE(CurrentPlayer(app).Mode(), WaveMode::Playing);
    QCOMPARE(Overlay(app), PreviewOverlay::Content::Nothing);
    QVERIFY(!app.Playback().PreviewPauseActive);
    QVERIFY(!app.Playback().PreviewThumbnailActive);
    app.ExecuteExitZentil();
}

// From a pause, choosing another slide plays it; coming back to the paused slide stays paused.
void TestUserControl::comingBackToThePausedSlideStaysPaused()
{
    Show show;
    show.Write(3, 30000);
    ZentilApp app(show.Options());
    QVERIFY(StartPlaying(app, show));
    MakeThumbnails(app, 3);
    Press(app, Qt::Key_Space);
    Press(app, Qt::Key_Right);
    Press(app, Qt::Key_Left);
    QTRY_VERIFY_WITH_TIMEOUT(!app.Playback().PreviewThumbnailActive, 3000);
    QCOMPARE(app.Model().CurrentSlide.Index, 1);
    QCOMPARE(CurrentPlayer(app).Mode(), WaveMode::Paused);
    QCOMPARE(Overlay(app), PreviewOverlay::Content::Pause);
    QVERIFY(app.Playback().PreviewPauseActive);

    Press(app, Qt::Key_Right);
    QTRY_COMPARE_WITH_TIMEOUT(app.Model().CurrentSlide.Index, 2, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(CurrentPlayer(app).Mode(), WaveMode::Playing, 2000);
    QCOMPARE(Overlay(app), PreviewOverlay::Content::Nothing);
    QVERIFY(!app.Playback().PreviewPauseActive);
    app.ExecuteExitZentil();
}

// At the end slide every arrow and page key acts as End, and the chosen slide plays again.
void TestUserControl::endSlideRules()
{
    Show show;
    show.Write(2, 300);
    ZentilApp app(show.Options());
    QVERIFY(app.Start(show.script));
    MakeThumbnails(app, 2);
    QTRY_COMPARE_WITH_TIMEOUT(app.Playback().DefaultSlideShown, u"end"_s, 15000);

    RightClick(app);
    QVERIFY2(VisibleMenu(app, u"SlideOptions"_s), "the end slide offers the Slides menu");
    VisibleMenu(app, u"SlideOptions"_s)->hide();

    Press(app, Qt::Key_Left);
    QCOMPARE(app.Window().Preview().Caption(), u"2 of 2"_s);
    QCOMPARE(app.Playback().NewSlideNumber, 2);
    QTRY_VERIFY_WITH_TIMEOUT(app.Playback().DefaultSlideShown.isEmpty(), 3000);
    QCOMPARE(app.Model().CurrentSlide.Index, 2);
    QVERIFY2(app.Playback().ShowPlaying, "the show plays again, so a right click offers Slides");
    QTRY_COMPARE_WITH_TIMEOUT(app.Playback().DefaultSlideShown, u"end"_s, 15000);

    Press(app, Qt::Key_Home);
    QCOMPARE(app.Window().Preview().Caption(), u"1 of 2"_s);
    QTRY_COMPARE_WITH_TIMEOUT(app.Model().CurrentSlide.Index, 1, 3000);
    QVERIFY(app.Playback().DefaultSlideShown.isEmpty());
    app.ExecuteExitZentil();
}

void TestUserControl::fileMenuBeforeAShowAndHelpWindow()
{
    Show show;
    ZentilApp app(show.Options());
    QVERIFY(app.Start(show.root.filePath(u"missing.zentil"_s)));
    RightClick(app);
    QVERIFY(app.Playback().PopupMenuOpen);
    QMenu* file = VisibleMenu(app, u"FileOptions"_s);
    QVERIFY2(file, "before a show the File menu pops up");
    QVERIFY2(!file->findChild<QAction*>(u"FileSave"_s)->isEnabled(), "no show, nothing to save");

    // Set Proxy Server with dialogs off is a cancelled dialog: nothing changes, nothing waits.
    QAction* proxy = file->findChild<QAction*>(u"FileProxy"_s);
    QVERIFY(proxy->isEnabled());
    proxy->trigger();
    QVERIFY(!app.Finished());

    // Load New Show with dialogs off asks nothing and leaves the player as it was.
    file->findChild<QAction*>(u"FileOpen"_s)->trigger();
    QCOMPARE(app.Playback().DefaultSlideShown, u"none"_s);
    QVERIFY(!app.Finished());

    file->findChild<QAction*>(u"FileHelp"_s)->trigger();
    QTRY_VERIFY(app.Help().isVisible());
    QVERIFY(!app.Help().isModal());
    QCOMPARE(app.Help().windowTitle(), u" Zentil Player Help"_s);
    file->findChild<QAction*>(u"FileHelp"_s)->trigger();
    QCOMPARE(app.Window().findChildren<HelpWindow*>().size(), 1);
    QTest::mouseClick(app.Help().findChild<QPushButton*>(u"HelpOK"_s), Qt::LeftButton);
    QVERIFY(!app.Help().isVisible());

    file->findChild<QAction*>(u"FileExit"_s)->trigger();
    QVERIFY(app.Finished());
}

void TestUserControl::slidesMenuPausesResumesAndExits()
{
    Show show;
    show.Write(3, 30000);
    ZentilApp app(show.Options());
    QVERIFY(StartPlaying(app, show));
    MakeThumbnails(app, 0);
    QTest::qWait(200);

    RightClick(app);
    QMenu* slides = VisibleMenu(app, u"SlideOptions"_s);
    QVERIFY2(slides, "while a show plays the Slides menu pops up");
    auto* pause = slides->findChild<QAction*>(u"PausePlay"_s);
    auto* resume = slides->findChild<QAction*>(u"ResumePlay"_s);
    QVERIFY(pause->isEnabled());
    QVERIFY(!resume->isEnabled());
    QVERIFY(slides->findChild<QAction*>(u"SlideVolume"_s)->isEnabled());
    slides->hide();
    pause->trigger();
    QCOMPARE(CurrentPlayer(app).Mode(), WaveMode::Paused);
    QCOMPARE(Overlay(app), PreviewOverlay::Content::Pause);

    // Help does not pause or resume the show.
    slides->findChild<QAction*>(u"SlideHelp"_s)->trigger();
    QTRY_VERIFY(app.Help().isVisible());
    QCOMPARE(CurrentPlayer(app).Mode(), WaveMode::Paused);

    RightClick(app);
    QVERIFY(resume->isEnabled());
    slides->hide();
    resume->trigger();
    QCOMPARE(CurrentPlayer(app).Mode(), WaveMode::Playing);
    QCOMPARE(Overlay(app), PreviewOverlay::Content::Nothing);

    // Exit from the menu on slide 2 remembers the place.
    Press(app, Qt::Key_Right);
    MakeThumbnails(app, 3);
    Press(app, Qt::Key_Right);
    QTRY_COMPARE_WITH_TIMEOUT(app.Model().CurrentSlide.Index, 2, 3000);
    slides->findChild<QAction*>(u"SlideExit"_s)->trigger();
    QVERIFY(app.Finished());
    QFile quitPoint(show.home + u"/quitpoints/control.txt"_s);
    QVERIFY(quitPoint.open(QIODevice::ReadOnly));
    QVERIFY(quitPoint.readAll().startsWith("2 "));
}

void TestUserControl::mouseMovesStampEveryTenth()
{
    Show show;
    ZentilApp app(show.Options());
    QVERIFY(app.Start(show.root.filePath(u"missing.zentil"_s)));
    for (int i = 0; i < 9; ++i)
        app.Control().MouseMove();
    QCOMPARE(app.Playback().MouseMoveTime, 0.0);
    app.Control().MouseMove();
    QVERIFY(app.Playback().MouseMoveTime > 0);
    app.Playback().PopupMenuOpen = true;
    QTest::mouseClick(app.Window().viewport(), Qt::LeftButton, {}, QPoint(50, 50));
    QVERIFY2(!app.Playback().PopupMenuOpen, "a left click on the slide ends the menu's time");
    app.ExecuteExitZentil();
}

QTEST_MAIN(TestUserControl)
#include "tst_usercontrol.moc"
