// The pieces the viewer meets when taking control: the viewer's keys, the pause symbol and the
// thumbnail preview, the popup menus' enabling, the help window, the information panel and the
// waiting panel's estimate.
#include "playback/FullScreenWindow.h"
#include "playback/HelpWindow.h"
#include "playback/InfoPanel.h"
#include "playback/PlaybackState.h"
#include "playback/PopupMenus.h"
#include "playback/PreviewOverlay.h"
#include "playback/ResourcePanel.h"
#include "playback/ViewerKeys.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

Q_DECLARE_METATYPE(QList<int>)

namespace {

QStringList Texts(const std::vector<InfoPanelLine>& lines)
{
    QStringList texts;
    for (const InfoPanelLine& line : lines)
        texts << line.Text;
    return texts;
}

PresentationInfo SampleInfo()
{
    PresentationInfo info;
    info.TitleText = u"Harbour Walks\r"_s;
    info.AuthorText = u"A. Author\r  B. Author\r"_s;
    info.CommentsText = u"\r"_s; // a directive without text takes no room
    info.DataKbps = 32;
    info.DataLength = 125;
    return info;
}

const QDateTime kMoment(QDate(2026, 3, 4), QTime(15, 7));

} // namespace

class TestOverlaysAndMenus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keys_data();
    void keys();
    void timeLeft_data();
    void timeLeft();
    void overlayDrawsWhatItShows();
    void itemsWithoutAnActionAreDisabled();
    void helpWindowListsEveryCommandBesideItsDescription();
    void windowHandsOnWhatTheViewerDoes();
    void windowKeepsToItsScreen_data();
    void windowKeepsToItsScreen();

    void showLengthIsFormatted_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << 0 << u" 0:00"_s;
        QTest::newRow("minutes") << 125 << u" 2:05"_s;
        QTest::newRow("just below an hour") << 3599 << u"59:59"_s;
        QTest::newRow("an hour") << 3600 << u" 1:00:00"_s;
        QTest::newRow("hours") << 3725 << u" 1:02:05"_s;
        QTest::newRow("ten hours") << 36061 << u"10:01:01"_s;
    }
    void showLengthIsFormatted()
    {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QCOMPARE(FormatShowLength(seconds), text);
    }

    void linesLeaveOutWhatIsEmpty()
    {
        const PresentationInfo info = SampleInfo();
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        QCOMPARE(Texts(InfoPanelLines({ &info, 2, 7, kMoment, us })),
            QStringList(
                { u"Harbour Walks"_s, u"A. Author"_s, u"B. Author"_s, u"March 04, 2026   3:07 PM"_s,
                    u"Slide 2 of 7"_s, u"Encoded: 32 kbps"_s, u"Length:  2:05"_s }));
        const QStringList noSlides = Texts(InfoPanelLines({ &info, 0, 0, kMoment, us }));
        QVERIFY(noSlides.filter(u"Slide"_s).isEmpty());
        const std::vector<InfoPanelLine> lines = InfoPanelLines({ &info, 2, 7, kMoment, us });
        QVERIFY(lines[0].Font.pixelSize() > lines[1].Font.pixelSize());
        QVERIFY(lines[1].Font.bold() && !lines[3].Font.bold());
    }

    void panelFitsThePicture_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("comments");
        QTest::newRow("sample") << SampleInfo().TitleText << SampleInfo().CommentsText;
        // Whatever the texts, the panel fits the picture and keeps the facts below them.
        QTest::newRow("a 200,000-character title") << QString(200000, u'W') << QString();
        QTest::newRow("thousands of lines")
            << u"long line \r"_s.repeated(800) << u"A comment line\r"_s.repeated(5000);
    }
    void panelFitsThePicture()
    {
        QFETCH(QString, title);
        QFETCH(QString, comments);
        PresentationInfo info = SampleInfo();
        info.TitleText = title;
        info.CommentsText = comments;
        const InfoPanelContent content { &info, 2, 7, kMoment, QLocale(QLocale::C) };
        const InfoPanelPicture panel = DrawInfoPanel(content);
        const QRect placed(panel.TopLeft, panel.Image.size());
        QVERIFY2(QRect(0, 0, 800, 600).contains(placed),
            qPrintable(u"%1x%2"_s.arg(placed.width()).arg(placed.height())));
        QCOMPARE(Texts(InfoPanelLines(content)).last(), u"Length:  2:05"_s);
    }
};

// Each row: the keys pressed (negative: held, repeating) and what the player was asked to do.
void TestOverlaysAndMenus::keys_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<bool>("playing");
    QTest::addColumn<QString>("asked");
    QTest::newRow("F and F11 toggle full screen")
        << QList<int> { Qt::Key_F, Qt::Key_F11 } << true << u"full full "_s;
    QTest::newRow("F1, ? and H open help")
        << QList<int> { Qt::Key_F1, Qt::Key_Question, Qt::Key_H } << true << u"help help help "_s;
    QTest::newRow("Q leaves") << QList<int> { Qt::Key_Q } << true << u"leave "_s;
    QTest::newRow("B blanks black and pauses, B returns and resumes") << QList<int> { Qt::Key_B,
        Qt::Key_Right, Qt::Key_Period } << true << u"pause blank:#000000 blank:- pause "_s;
    QTest::newRow("W blanks white; paused stays paused")
        << QList<int> { Qt::Key_W, Qt::Key_Comma } << false << u"blank:#ffffff blank:- "_s;
    QTest::newRow("B then W changes the colour") << QList<int> { Qt::Key_B, Qt::Key_W,
        Qt::Key_W } << true << u"pause blank:#000000 blank:#ffffff blank:- pause "_s;
    QTest::newRow("held B blanks once")
        << QList<int> { Qt::Key_B, -Qt::Key_B, -Qt::Key_B } << true << u"pause blank:#000000 "_s;
    QTest::newRow("digits then Enter go to the slide")
        << QList<int> { Qt::Key_1, Qt::Key_2, Qt::Key_Return } << true << u"go:12 "_s;
    QTest::newRow("Enter alone is the show's") << QList<int> { Qt::Key_Return } << true << u""_s;
    QTest::newRow("another key drops the number")
        << QList<int> { Qt::Key_4, Qt::Key_Space, Qt::Key_Enter } << true << u""_s;
}

void TestOverlaysAndMenus::keys()
{
    QFETCH(QList<int>, keys);
    QFETCH(bool, playing);
    QString asked;
    bool paused = !playing;
    ViewerKeys viewer;
    ViewerKeyHooks hooks;
    hooks.ToggleFullScreen = [&] { asked += u"full "_s; };
    hooks.ShowHelp = [&] { asked += u"help "_s; };
    hooks.Leave = [&] { asked += u"leave "_s; };
    hooks.Step = [&](bool forward) { asked += forward ? u"next "_s : u"back "_s; };
    hooks.GoToSlide = [&](int n) { asked += u"go:%1 "_s.arg(n); };
    hooks.NarrationPlaying = [&] { return !paused; };
    hooks.PauseToggle = [&] {
        paused = !paused;
        asked += u"pause "_s;
    };
    hooks.Blank
        = [&](const QColor& c) { asked += u"blank:"_s + (c.isValid() ? c.name() : u"-"_s) + u' '; };
    viewer.SetHooks(hooks);
    for (int key : keys) {
        viewer.KeyDown(std::abs(key), key < 0);
        viewer.KeyUp(std::abs(key), key < 0);
    }
    QTEST(asked, "asked");
    // A held arrow steps on; a held toggle (Space, I) is dropped.
    ViewerKeys fresh;
    QVERIFY(!fresh.KeyDown(Qt::Key_Right, true) && !fresh.KeyUp(Qt::Key_Right, true));
    QVERIFY(fresh.KeyDown(Qt::Key_Space, true) && fresh.KeyUp(Qt::Key_I, true));
    QVERIFY(!fresh.KeyDown(Qt::Key_Space, false) && !fresh.KeyUp(Qt::Key_I, false));
}

void TestOverlaysAndMenus::timeLeft_data()
{
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<double>("done");
    QTest::addColumn<QString>("text");
    QTest::newRow("too early") << qint64(500) << 0.5 << QString();
    QTest::newRow("too little done") << qint64(5000) << 0.01 << QString();
    QTest::newRow("half in 10 s") << qint64(10000) << 0.5 << u"About 10 seconds left"_s;
    QTest::newRow("a tenth in 20 s") << qint64(20000) << 0.1 << u"About 3 minutes left"_s;
    QTest::newRow("done") << qint64(20000) << 1.0 << QString();
}

void TestOverlaysAndMenus::timeLeft()
{
    QFETCH(qint64, elapsedMs);
    QFETCH(double, done);
    QTEST(ResourcePanel::EstimateTimeLeft(elapsedMs, done), "text");
}

// Each content draws something of its own over the slide; hiding the frame restores the slide.
void TestOverlaysAndMenus::overlayDrawsWhatItShows()
{
    FullScreenWindow window;
    const QImage plain = window.RenderScene();
    QImage thumbnail(320, 240, QImage::Format_RGB32);
    thumbnail.fill(Qt::green);
    window.Preview().ShowThumbnail(thumbnail, u"7 of 20"_s);
    const QImage withThumbnail = window.RenderScene();
    window.Preview().ShowPause();
    const QImage withPause = window.RenderScene();
    QVERIFY(withThumbnail != plain && withPause != plain && withPause != withThumbnail);
    window.Preview().HideFrame();
    QCOMPARE(window.Preview().Shown(), PreviewOverlay::Content::Nothing);
    QCOMPARE(window.RenderScene(), plain);
}

void TestOverlaysAndMenus::itemsWithoutAnActionAreDisabled()
{
    QWidget parent;
    PlaybackState state;
    PopupMenus menus(state, &parent);
    int helpCount = 0;
    MenuActions actions;
    actions.LoadNewShow = [] {};
    actions.Help = [&helpCount] { ++helpCount; };
    actions.ExitZentil = [] {};
    actions.PauseToggle = [] {};
    menus.SetActions(actions);
    const QStringList enabled { u"FileOpen"_s, u"FileHelp"_s, u"FileExit"_s, u"PausePlay"_s,
        u"SlideHelp"_s, u"SlideExit"_s };
    for (QMenu* menu : { &menus.FileOptions(), &menus.SlideOptions() }) {
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            QVERIFY2(action->isEnabled() == enabled.contains(action->objectName()),
                qPrintable(action->objectName()));
        }
    }
    state.PopupMenuOpen = true;
    menus.SlideOptions().findChild<QAction*>(u"SlideHelp"_s)->trigger();
    QCOMPARE(helpCount, 1);
    QVERIFY2(!state.PopupMenuOpen, "Help clears PopupMenuOpen");
}

void TestOverlaysAndMenus::helpWindowListsEveryCommandBesideItsDescription()
{
    const QStringList commands = HelpWindow::CommandText().split(u"\r\n"_s);
    const QStringList descriptions = HelpWindow::DescriptionText().split(u"\r\n"_s);
    QCOMPARE(commands.size(), descriptions.size());

    // Whatever the font size, the window grows until every line of both columns is whole.
    for (const int pixels : { 9, 40 }) {
        HelpWindow help;
        QVERIFY(!help.isModal());
        QFont font = help.font();
        font.setPixelSize(pixels);
        help.setFont(font);
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        auto* column = help.findChild<QLabel*>(u"DescriptionList"_s);
        QVERIFY(column);
        const QFontMetrics metrics(font);
        int widest = 0;
        for (const QString& line : descriptions)
            widest = std::max(widest, metrics.horizontalAdvance(line));
        QVERIFY2(column->width() >= widest
                && column->height() >= int(descriptions.size()) * metrics.height(),
            qPrintable(u"%1 px"_s.arg(pixels)));
    }
}

// What the viewer does to the window is handed on: wheel turns as whole notches (a touchpad's
// small steps add up), pointer moves and clicks; closing is the player's to do, and a blank
// covers the picture until it is taken away.
void TestOverlaysAndMenus::windowHandsOnWhatTheViewerDoes()
{
    FullScreenWindow window;
    QList<int> notches;
    int moves = 0, clicks = 0, closes = 0;
    window.OnWheel = [&notches](int n) { notches << n; };
    window.OnMouseMove = [&moves](QMouseEvent*) { ++moves; };
    window.OnMouseRelease = [&clicks](QMouseEvent*) { ++clicks; };
    window.OnCloseRequest = [&closes] { ++closes; };
    window.resize(800, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const int step : { 60, 30, 30, -300, 60 }) {
        QWheelEvent wheel(QPointF(400, 300), QPointF(400, 300), {}, QPoint(0, step), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(window.viewport(), &wheel);
    }
    QCOMPARE(notches, QList<int>({ 1, -2 }));
    QTest::mouseMove(window.viewport(), QPoint(30, 30));
    QTest::mouseClick(window.viewport(), Qt::LeftButton, {}, QPoint(30, 30));
    QVERIFY(moves > 0);
    QCOMPARE(clicks, 1);
    QVERIFY(!window.close());
    QCOMPARE(closes, 1);
    window.ShowBlank(Qt::white);
    QCOMPARE(window.grab().toImage().pixelColor(5, 5), QColor(Qt::white));
    window.HideBlank();
    QCOMPARE(window.grab().toImage().pixelColor(5, 5), QColor(Qt::black));
    // The waiting panel takes its texts before it is shown, and joins the scene only when it is.
    const qsizetype items = window.scene()->items().size();
    window.Resources().SetText(u"File: a.jpg"_s);
    QCOMPARE(window.scene()->items().size(), items);
    QVERIFY(!window.ResourcesVisible());
    window.Resources().show();
    QVERIFY(window.ResourcesVisible());
    QVERIFY(window.scene()->items().size() > items);
    const QList<QLabel*> labels = window.Resources().findChildren<QLabel*>();
    QVERIFY(std::any_of(labels.begin(), labels.end(),
        [](const QLabel* label) { return label->text() == u"File: a.jpg"_s; }));
    window.HideResources();
    QVERIFY(!window.ResourcesVisible());
    FullScreenWindow other; // a panel never shown goes with its window (the sanitizer run checks)
    other.Resources().SetText(u"File: b.jpg"_s);
}

// With two virtual screens (tst_overlaysandmenus_screens): the window covers the screen it is
// given, else the pointer's, else the first; as a window it sits in that screen's middle, and
// the slide is drawn at the size it has there.
void TestOverlaysAndMenus::windowKeepsToItsScreen_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("pointer"); // the screen the pointer is on, -1 none
    QTest::addColumn<int>("screen");
    QTest::addColumn<QSize>("slide");
    QTest::newRow("first") << 0 << 1 << 0 << QSize(1024, 768);
    QTest::newRow("second") << 1 << 0 << 1 << QSize(1440, 1080);
    QTest::newRow("none such: the pointer's") << 5 << 1 << 1 << QSize(1440, 1080);
    QTest::newRow("pointer off every screen") << -1 << -1 << 0 << QSize(1024, 768);
}

void TestOverlaysAndMenus::windowKeepsToItsScreen()
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() != 2)
        QSKIP("needs the two virtual screens of tst_overlaysandmenus_screens");
    QFETCH(int, choice);
    QFETCH(int, pointer);
    QFETCH(int, screen);
    QFETCH(QSize, slide);
    QCursor::setPos(pointer < 0 ? QPoint(-500, -500) : screens[pointer]->geometry().center());
    FullScreenWindow window;
    QSize drawn;
    window.OnSlideSizeChanged = [&drawn](QSize size) { drawn = size; };
    window.SetScreenChoice(choice);
    window.ShowFullScreen();
    const QScreen* target = screens[screen];
    QCOMPARE(window.TargetScreen(), target);
    QTRY_COMPARE(window.geometry(), target->geometry());
    QTRY_COMPARE(drawn, slide);
    window.ToggleFullScreen();
    QTRY_COMPARE(window.geometry().center(), target->availableGeometry().center());
    QCOMPARE(window.geometry().height(), target->availableGeometry().height() * 2 / 3);
    window.ToggleFullScreen();
    QTRY_COMPARE(window.geometry(), target->geometry());
}

QTEST_MAIN(TestOverlaysAndMenus)
#include "tst_overlaysandmenus.moc"
