// Taking control of a running show through the real window, event by event: key navigation with
// its preview and its commit once the quiet period is over, the edge rules, pause and resume, the
// end slide, modal commands, the information and volume panels, and the popup menus. Narration
// is silent; thumbnails are made by the test. The quiet period is passed without waiting.
#include "app/ZentilApp.h"
#include "playback/FullScreenWindow.h"
#include "playback/HelpWindow.h"
#include "playback/PopupMenus.h"
#include "playback/PreviewOverlay.h"
#include "playback/ShowController.h"
#include "playback/ShowPanels.h"
#include "playback/VolumePanel.h"
#include "playback/WavePlayer.h"
#include "support/RunningPlayer.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGraphicsScene>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using namespace zentil::test;

namespace {

QMenu* VisibleMenu(ZentilApp& app, const QString& name)
{
    auto* menu = app.Window().findChild<QMenu*>(name);
    return menu && menu->isVisible() ? menu : nullptr;
}

void RightClick(ZentilApp& app)
{
    QTest::mouseClick(app.Window().viewport(), Qt::RightButton, {}, QPoint(100, 100));
}

void LeftClick(ZentilApp& app)
{
    QTest::mouseClick(app.Window().viewport(), Qt::LeftButton, {}, QPoint(10, 10));
}

ShowState State(ZentilApp& app)
{
    return app.Control().State();
}

} // namespace

class TestUserControl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void navigationCommitsAfterTheQuietPeriod_data();
    void navigationCommitsAfterTheQuietPeriod();
    void pauseAndChoice_data();
    void pauseAndChoice();
    void nothingIsChosenBeforeTheShowStarts();
    void savingWhilePausedKeepsThePause_data();
    void savingWhilePausedKeepsThePause();
    void theVolumePanelKeepsNeitherKeysNorTheNextClick();
    void infoPanelOpensClosesAndIsRedrawnEverySecond();
    void endSlideRules();
    void fileMenuBeforeAShowAndHelpWindow();
    void slidesMenuPausesResumesAndExits();
    void mouseMovesStampEveryTenth();
    void wheelAndTypedNumberChooseThroughThePreview();
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
    // Choosing: the narration waits and the preview shows the choice.
    QCOMPARE(State(app), ShowState::ChoosingSlide);
    QCOMPARE(CurrentPlayer(app).Mode(), WaveMode::Paused);
    const qint64 pausedAt = CurrentPlayer(app).Position();
    QVERIFY(pausedAt >= 250);
    QCOMPARE(Overlay(app),
        caption.isEmpty() ? PreviewOverlay::Content::Nothing : PreviewOverlay::Content::Thumbnail);
    if (!caption.isEmpty())
        QCOMPARE(app.Window().Preview().Caption(), caption);
    // A heartbeat within the quiet period commits nothing.
    app.Control().Dispatch(ShowEvent::Of(ShowEvent::Kind::Heartbeat));
    QCOMPARE(State(app), ShowState::ChoosingSlide);

    QuietPeriodPasses(app);
    QCOMPARE(State(app), ShowState::Playing);
    QCOMPARE(app.Model().CurrentSlide.Index, played);
    QCOMPARE(app.Playback().ChosenSlide, 0);
    QCOMPARE(Overlay(app), PreviewOverlay::Content::Nothing);
    QCOMPARE(CurrentPlayer(app).Mode(), WaveMode::Playing);
    if (restarted)
        QVERIFY2(
            CurrentPlayer(app).Position() < 1000, "the chosen slide starts from its beginning");
    else
        QVERIFY2(CurrentPlayer(app).Position() >= pausedAt, "the narration goes on where it was");
    app.ExecuteExitZentil();
}

// Each row: keys pressed on slide 1 of 3 (0: the quiet period passes), and where the show ends up.
void TestUserControl::pauseAndChoice_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<ShowState>("state");
    QTest::addColumn<int>("slide");
    using Overlay = PreviewOverlay::Content;
    QTest::addColumn<Overlay>("overlay");
    const ShowState paused = ShowState::Paused;
    const ShowState playing = ShowState::Playing;
    QTest::newRow("space pauses") << QList<int> { Qt::Key_Space } << paused << 1 << Overlay::Pause;
    QTest::newRow("space, enter") << QList<int> { Qt::Key_Space, Qt::Key_Return } << playing << 1
                                  << Overlay::Nothing;
    QTest::newRow("pause, space") << QList<int> { Qt::Key_Pause, Qt::Key_Space } << playing << 1
                                  << Overlay::Nothing;
    QTest::newRow("keypad enter, pause")
        << QList<int> { Qt::Key_Enter, Qt::Key_Pause } << playing << 1 << Overlay::Nothing;
    QTest::newRow("a pause cancels the choice")
        << QList<int> { Qt::Key_Right, Qt::Key_Space, 0 } << paused << 1 << Overlay::Pause;
    QTest::newRow("and resumes after it") << QList<int> { Qt::Key_Right, Qt::Key_Space, 0,
        Qt::Key_Space } << playing << 1 << Overlay::Nothing;
    QTest::newRow("back to the paused slide stays paused") << QList<int> { Qt::Key_Space,
        Qt::Key_Right, Qt::Key_Left, 0 } << paused << 1 << Overlay::Pause;
    QTest::newRow("another slide chosen in a pause plays")
        << QList<int> { Qt::Key_Space, Qt::Key_Right, 0 } << playing << 2 << Overlay::Nothing;
}

void TestUserControl::pauseAndChoice()
{
    QFETCH(QList<int>, keys);
    QFETCH(ShowState, state);
    QFETCH(int, slide);
    QFETCH(PreviewOverlay::Content, overlay);
    Show show;
    show.Write(3, 30000);
    ZentilApp app(show.Options());
    QVERIFY(StartPlaying(app, show));
    MakeThumbnails(app, 3);
    for (int key : keys) {
        if (key == 0)
            QuietPeriodPasses(app);
        else
            Press(app, static_cast<Qt::Key>(key));
    }
    QCOMPARE(State(app), state);
    QCOMPARE(app.Model().CurrentSlide.Index, slide);
    QCOMPARE(CurrentPlayer(app).Mode(),
        state == ShowState::Paused ? WaveMode::Paused : WaveMode::Playing);
    QCOMPARE(Overlay(app), overlay);
    QCOMPARE(app.Playback().ChosenSlide, 0);
    app.ExecuteExitZentil();
}

// While the files needed first still arrive, keys choose nothing: the show starts once, at its
// start slide, when they are there.
void TestUserControl::nothingIsChosenBeforeTheShowStarts()
{
    Show show;
    show.Write(3, 30000);
    ZentilApp app(show.Options());
    QVERIFY(app.Start(show.script));
    QCOMPARE(State(app), ShowState::WaitingForStart);
    MakeThumbnails(app, 3);
    for (Qt::Key key : { Qt::Key_Home, Qt::Key_End, Qt::Key_Right, Qt::Key_Space })
        Press(app, key);
    QCOMPARE(State(app), ShowState::WaitingForStart);
    QCOMPARE(app.Playback().ChosenSlide, 0);
    QCOMPARE(Overlay(app), PreviewOverlay::Content::Nothing);
    QuietPeriodPasses(app);
    QCOMPARE(app.Model().CurrentSlide.Index, 0);

    app.Control().Dispatch(ShowEvent::Of(ShowEvent::Kind::ShowReady));
    QCOMPARE(State(app), ShowState::Playing);
    QCOMPARE(app.Model().CurrentSlide.Index, 1);
    // The download manager's own start finds the show started and starts nothing again.
    Press(app, Qt::Key_Space);
    QTest::qWait(300);
    QCOMPARE(State(app), ShowState::Paused);
    QCOMPARE(CurrentPlayer(app).Mode(), WaveMode::Paused);
    app.ExecuteExitZentil();
}

void TestUserControl::savingWhilePausedKeepsThePause_data()
{
    QTest::addColumn<bool>("paused");
    QTest::newRow("paused") << true;
    QTest::newRow("playing") << false;
}

// A modal command returns the show to the state it found: paused stays paused with its symbol,
// playing plays on and its subslide clock keeps running.
void TestUserControl::savingWhilePausedKeepsThePause()
{
    QFETCH(bool, paused);
    Show show;
    show.Write(2, 30000);
    ZentilApp app(show.Options());
    QVERIFY(StartPlaying(app, show));
    if (paused)
        Press(app, Qt::Key_Space);
    app.SaveCurrentShow(); // no dialogs: the narration waits, nothing is chosen or saved
    QCOMPARE(State(app), paused ? ShowState::Paused : ShowState::Playing);
    QCOMPARE(CurrentPlayer(app).Mode(), paused ? WaveMode::Paused : WaveMode::Playing);
    QCOMPARE(
        Overlay(app), paused ? PreviewOverlay::Content::Pause : PreviewOverlay::Content::Nothing);
    QVERIFY(app.Playback().SubslideClockRunning);
    Press(app, Qt::Key_Space);
    QCOMPARE(State(app), paused ? ShowState::Playing : ShowState::Paused);
    app.ExecuteExitZentil();
}

// A click on the volume slider leaves the keys with the show, and the first click on the slide
// after Adjust Volume closes the panel.
void TestUserControl::theVolumePanelKeepsNeitherKeysNorTheNextClick()
{
    Show show;
    show.Write(3, 30000);
    ZentilApp app(show.Options());
    QVERIFY(StartPlaying(app, show));
    MakeThumbnails(app, 3);
    QAction* adjust = app.Menus().SlideOptions().findChild<QAction*>(u"SlideVolume"_s);
    adjust->trigger();
    QVERIFY(app.Panels().VolumePanelVisible());
    // As a click on the slider does, without moving the system's volume.
    QSlider& slider = app.Panels().Volume().Slider();
    const int volume = slider.value();
    slider.setFocus(Qt::MouseFocusReason);
    QVERIFY(app.Window().scene()->focusItem());
    Press(app, Qt::Key_Right);
    QCOMPARE(State(app), ShowState::ChoosingSlide);
    QCOMPARE(slider.value(), volume);
    Press(app, Qt::Key_Space);
    QCOMPARE(State(app), ShowState::Paused);
    LeftClick(app);
    QVERIFY2(!app.Panels().VolumePanelVisible(), "the first click on the slide closes the panel");
    adjust->trigger();
    app.Playback().VolumePanelTime -= 5.0; // as if left alone for five seconds
    QTRY_VERIFY_WITH_TIMEOUT(!app.Panels().VolumePanelVisible(), 1000);
    Press(app, Qt::Key_Escape);
    QVERIFY(app.Finished());
}

// I opens and closes the information panel; another key or a click closes it and still acts.
void TestUserControl::infoPanelOpensClosesAndIsRedrawnEverySecond()
{
    Show show;
    show.Write(2, 30000, u"%info\r\n/title {Harbour Walks}\r\n%endinfo\r\n"_s);
    ZentilApp app(show.Options());
    QVERIFY(StartPlaying(app, show));
    Press(app, Qt::Key_I);
    QVERIFY(app.Panels().InfoPanelVisible());
    QVERIFY(!app.Window().RenderScene().isNull());
    const double drawn = app.Playback().InfoPanelTime;
    QTRY_VERIFY_WITH_TIMEOUT(app.Playback().InfoPanelTime > drawn + 0.9, 3000);
    Press(app, Qt::Key_I);
    QVERIFY(!app.Panels().InfoPanelVisible());
    QCOMPARE(app.Playback().InfoPanelTime, 0.0);
    Press(app, Qt::Key_I);
    LeftClick(app);
    QTRY_VERIFY(!app.Panels().InfoPanelVisible());
    Press(app, Qt::Key_I);
    Press(app, Qt::Key_Space);
    QVERIFY(!app.Panels().InfoPanelVisible());
    QCOMPARE(State(app), ShowState::Paused);
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
    QTRY_COMPARE_WITH_TIMEOUT(State(app), ShowState::EndSlide, 15000);
    QCOMPARE(app.Playback().DefaultSlideShown, DefaultSlide::EndOfShow);
    Press(app, Qt::Key_Space);
    QCOMPARE(State(app), ShowState::EndSlide);

    RightClick(app);
    QVERIFY2(VisibleMenu(app, u"SlideOptions"_s), "the end slide offers the Slides menu");
    VisibleMenu(app, u"SlideOptions"_s)->hide();

    Press(app, Qt::Key_Left);
    QCOMPARE(app.Window().Preview().Caption(), u"2 of 2"_s);
    QCOMPARE(app.Playback().ChosenSlide, 2);
    QuietPeriodPasses(app);
    QCOMPARE(State(app), ShowState::Playing);
    QCOMPARE(app.Playback().DefaultSlideShown, DefaultSlide::NotShown);
    QCOMPARE(app.Model().CurrentSlide.Index, 2);
    QTRY_COMPARE_WITH_TIMEOUT(State(app), ShowState::EndSlide, 15000);

    Press(app, Qt::Key_Home);
    QCOMPARE(app.Window().Preview().Caption(), u"1 of 2"_s);
    QuietPeriodPasses(app);
    QCOMPARE(app.Model().CurrentSlide.Index, 1);
    QCOMPARE(app.Playback().DefaultSlideShown, DefaultSlide::NotShown);
    app.ExecuteExitZentil();
}

void TestUserControl::fileMenuBeforeAShowAndHelpWindow()
{
    Show show;
    ZentilApp app(show.Options());
    QVERIFY(app.Start(show.root.filePath(u"missing.zentil"_s)));
    QCOMPARE(State(app), ShowState::NoShow);
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
    QCOMPARE(app.Playback().DefaultSlideShown, DefaultSlide::NoPresentation);
    QCOMPARE(State(app), ShowState::NoShow);
    QVERIFY(!app.Finished());

    file->findChild<QAction*>(u"FileHelp"_s)->trigger();
    QTRY_VERIFY(app.Help().isVisible());
    QVERIFY(!app.Help().isModal());
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
    QVERIFY2(!app.Playback().PopupMenuOpen, "a menu closed without a choice is no longer open");
    resume->trigger();
    QCOMPARE(CurrentPlayer(app).Mode(), WaveMode::Playing);
    QCOMPARE(Overlay(app), PreviewOverlay::Content::Nothing);
    // Paused and resumed by key meanwhile: the next pop-up offers Pause again.
    Press(app, Qt::Key_Space);
    Press(app, Qt::Key_Space);
    RightClick(app);
    QVERIFY(pause->isEnabled() && !resume->isEnabled());
    slides->hide();
    // Save Show without dialogs asks, chooses nothing and leaves the show playing.
    QAction* save = slides->findChild<QAction*>(u"SlideSave"_s);
    QVERIFY(save->isEnabled());
    save->trigger();
    QCOMPARE(State(app), ShowState::Playing);

    // Exit from the menu on slide 2 remembers the place.
    Press(app, Qt::Key_Right);
    MakeThumbnails(app, 3);
    Press(app, Qt::Key_Right);
    QuietPeriodPasses(app);
    QCOMPARE(app.Model().CurrentSlide.Index, 2);
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
        app.Control().Dispatch(ShowEvent::Of(ShowEvent::Kind::MouseMove));
    QCOMPARE(app.Playback().MouseMoveTime, 0.0);
    app.Control().Dispatch(ShowEvent::Of(ShowEvent::Kind::MouseMove));
    QVERIFY(app.Playback().MouseMoveTime > 0);
    app.Playback().PopupMenuOpen = true;
    LeftClick(app);
    QVERIFY2(!app.Playback().PopupMenuOpen, "a left click on the slide ends the menu's time");
    app.ExecuteExitZentil();
}

// The viewer's own ways of choosing go through the same choice as the arrows: the wheel steps
// with the preview and the quiet period; a typed number and Enter plays at the next heartbeat.
// A held key that is not a step does not toggle the pause over and over.
void TestUserControl::wheelAndTypedNumberChooseThroughThePreview()
{
    Show show;
    show.Write(5, 30000);
    ZentilApp app(show.Options());
    QVERIFY(StartPlaying(app, show));
    MakeThumbnails(app, 5);

    app.Control().Dispatch(ShowEvent::Wheel(-2)); // turned towards the user: forward
    QCOMPARE(State(app), ShowState::ChoosingSlide);
    QCOMPARE(app.Window().Preview().Caption(), u"3 of 5"_s);
    QuietPeriodPasses(app);
    QCOMPARE(app.Model().CurrentSlide.Index, 3);

    Press(app, Qt::Key_5);
    Press(app, Qt::Key_Return);
    QCOMPARE(app.Window().Preview().Caption(), u"5 of 5"_s);
    app.Control().Dispatch(ShowEvent::Of(ShowEvent::Kind::Heartbeat));
    QCOMPARE(app.Model().CurrentSlide.Index, 5);
    QCOMPARE(State(app), ShowState::Playing);

    app.Control().Dispatch(ShowEvent::KeyDown(Qt::Key_Space, true));
    QCOMPARE(State(app), ShowState::Playing);
    app.ExecuteExitZentil();
}

QTEST_MAIN(TestUserControl)
#include "tst_usercontrol.moc"
