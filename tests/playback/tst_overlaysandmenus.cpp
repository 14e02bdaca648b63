// The pieces the viewer sees when taking control: the pause symbol and the thumbnail preview
// frame pixel by pixel in picture coordinates (and scaled with the picture), the popup menus'
// names, captions and enabling, and the help window's texts.
#include "playback/FullScreenWindow.h"
#include "playback/HelpWindow.h"
#include "playback/PlaybackState.h"
#include "playback/PopupMenus.h"
#include "playback/PreviewOverlay.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {
const QRgb kBack = qRgb(128, 128, 255);
const QRgb kLight = qRgb(180, 180, 255);
const QRgb kDark = qRgb(0, 0, 80);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kGreen = qRgb(0, 160, 0);

QString Rgb(QRgb value)
{
    return u"(%1,%2,%3)"_s.arg(qRed(value)).arg(qGreen(value)).arg(qBlue(value));
}
} // namespace

class TestOverlaysAndMenus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pauseSymbolPixels_data();
    void pauseSymbolPixels();
    void thumbnailFramePixels_data();
    void thumbnailFramePixels();
    void thumbnailCaptionIsDrawnUnderThePicture();
    void overlayScalesWithThePicture();
    void menusCarryTheirNamesCaptionsAndEnabling_data();
    void menusCarryTheirNamesCaptionsAndEnabling();
    void pauseItemsFollowThePauseState();
    void helpTextsAndVersionLines();
};

void TestOverlaysAndMenus::pauseSymbolPixels_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QRgb>("expected");
    // The box covers x 707..764, y 276..322 (57.6 × 47.2 at 707.2, 276.4).
    QTest::newRow("outside left") << QPoint(706, 300) << kBlack;
    QTest::newRow("outside below") << QPoint(730, 323) << kBlack;
    QTest::newRow("top-left corner") << QPoint(707, 276) << kLight;
    QTest::newRow("second bevel line") << QPoint(708, 300) << kLight;
    QTest::newRow("inside the bevel") << QPoint(709, 300) << kBack;
    QTest::newRow("bottom-right corner") << QPoint(764, 322) << kDark;
    QTest::newRow("second bottom line") << QPoint(730, 321) << kDark;
    QTest::newRow("above the bottom bevel") << QPoint(730, 320) << kBack;
    QTest::newRow("right edge") << QPoint(763, 300) << kDark;
    // Bars 3 wide from y 12 to 35 of the box, at x 21 (57.6 / 2.75) and 33 (57.6 / 1.75).
    QTest::newRow("first bar top-left") << QPoint(707 + 21, 276 + 12) << kWhite;
    QTest::newRow("first bar right column") << QPoint(707 + 23, 276 + 20) << kWhite;
    QTest::newRow("first bar bottom") << QPoint(707 + 21, 276 + 34) << kWhite;
    QTest::newRow("left of first bar") << QPoint(707 + 20, 276 + 20) << kBack;
    QTest::newRow("right of first bar") << QPoint(707 + 24, 276 + 20) << kBack;
    QTest::newRow("above first bar") << QPoint(707 + 21, 276 + 11) << kBack;
    QTest::newRow("below first bar") << QPoint(707 + 21, 276 + 35) << kBack;
    QTest::newRow("second bar") << QPoint(707 + 33, 276 + 12) << kWhite;
    QTest::newRow("second bar right column") << QPoint(707 + 35, 276 + 34) << kWhite;
    QTest::newRow("right of second bar") << QPoint(707 + 36, 276 + 20) << kBack;
}

void TestOverlaysAndMenus::pauseSymbolPixels()
{
    QFETCH(QPoint, at);
    QFETCH(QRgb, expected);
    FullScreenWindow window;
    window.Preview().ShowPause();
    QCOMPARE(window.Preview().FrameRect(), QRect(707, 276, 58, 47));
    const QImage scene = window.RenderScene();
    const QRgb actual = scene.pixel(at) & 0xFFFFFF;
    QVERIFY2(actual == (expected & 0xFFFFFF),
        qPrintable(u"pixel %1,%2 is %3, expected %4"_s.arg(at.x()).arg(at.y()).arg(
            Rgb(actual), Rgb(expected))));
}

void TestOverlaysAndMenus::thumbnailFramePixels_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QRgb>("expected");
    // Frame 176 × 153 at 589, 224; the picture at 8, 8 inside it, framed in black.
    QTest::newRow("outside") << QPoint(588, 300) << kBlack;
    QTest::newRow("frame top-left") << QPoint(589, 224) << kLight;
    QTest::newRow("frame bottom-right") << QPoint(589 + 175, 224 + 152) << kDark;
    QTest::newRow("frame background") << QPoint(589 + 4, 224 + 60) << kBack;
    QTest::newRow("picture frame top-left") << QPoint(597, 232) << kBlack;
    QTest::newRow("picture frame bottom-right") << QPoint(597 + 159, 232 + 119) << kBlack;
    QTest::newRow("picture inside") << QPoint(598, 233) << kGreen;
    QTest::newRow("picture inside far corner") << QPoint(597 + 158, 232 + 118) << kGreen;
    QTest::newRow("right of the picture") << QPoint(597 + 160, 232 + 60) << kBack;
}

void TestOverlaysAndMenus::thumbnailFramePixels()
{
    QFETCH(QPoint, at);
    QFETCH(QRgb, expected);
    FullScreenWindow window;
    QImage thumbnail(160, 120, QImage::Format_RGB32);
    thumbnail.fill(kGreen);
    window.Preview().ShowThumbnail(thumbnail, u"7 of 20"_s);
    QCOMPARE(window.Preview().FrameRect(), QRect(589, 224, 176, 153));
    QCOMPARE(window.Preview().Caption(), u"7 of 20"_s);
    const QRgb actual = window.RenderScene().pixel(at) & 0xFFFFFF;
    QVERIFY2(actual == (expected & 0xFFFFFF),
        qPrintable(u"pixel %1,%2 is %3, expected %4"_s.arg(at.x()).arg(at.y()).arg(
            Rgb(actual), Rgb(expected))));
}

void TestOverlaysAndMenus::thumbnailCaptionIsDrawnUnderThePicture()
{
    FullScreenWindow window;
    QImage thumbnail(320, 240, QImage::Format_RGB32);
    thumbnail.fill(kGreen);
    window.Preview().ShowThumbnail(thumbnail, u"7 of 20"_s);
    const QImage scene = window.RenderScene();
    // A larger picture is brought to thumbnail size.
    QCOMPARE(scene.pixel(597 + 158, 232 + 118) & 0xFFFFFF, kGreen & 0xFFFFFF);
    int dark = 0;
    int darkOffCentre = 0;
    for (int y = 224 + 132; y < 224 + 149; ++y)
        for (int x = 589 + 2; x < 589 + 174; ++x)
            if (qGray(scene.pixel(x, y)) < 60) {
                ++dark;
                if (std::abs(x - (589 + 88)) > 40)
                    ++darkOffCentre;
            }
    QVERIFY2(dark > 20, "the caption is drawn in the label's row");
    QCOMPARE(darkOffCentre, 0);
}

void TestOverlaysAndMenus::overlayScalesWithThePicture()
{
    FullScreenWindow window;
    window.resize(1600, 1200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.Preview().ShowPause();
    QTest::qWait(50);
    const QImage shot = window.viewport()->grab().toImage();
    QCOMPARE(shot.size(), QSize(1600, 1200));
    // Twice the picture's size: the first bar's middle at 2 × (729, 300).
    QCOMPARE(shot.pixel(2 * 729, 2 * 300) & 0xFFFFFF, kWhite & 0xFFFFFF);
    QCOMPARE(shot.pixel(2 * 715, 2 * 300) & 0xFFFFFF, kBack & 0xFFFFFF);
    QCOMPARE(shot.pixel(2 * 700, 2 * 300) & 0xFFFFFF, kBlack & 0xFFFFFF);
    window.Preview().HideFrame();
    QCOMPARE(window.Preview().Shown(), PreviewOverlay::Content::Nothing);
}

void TestOverlaysAndMenus::menusCarryTheirNamesCaptionsAndEnabling_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");
    // Only Load, Help, Exit and the pause toggle are given actions here; the rest are disabled.
    QTest::newRow("FileOpen") << u"FileOptions"_s << u"FileOpen"_s << u"&Load New Show"_s << true;
    QTest::newRow("FileSave") << u"FileOptions"_s << u"FileSave"_s << u"&Save Current Show"_s
                              << false;
    QTest::newRow("FilePrint") << u"FileOptions"_s << u"FilePrint"_s << u"&Print Slides"_s << false;
    QTest::newRow("FileProxy") << u"FileOptions"_s << u"FileProxy"_s << u"Set P&roxy Server"_s
                               << false;
    QTest::newRow("FileHelp") << u"FileOptions"_s << u"FileHelp"_s << u"&Help"_s << true;
    QTest::newRow("FileExit") << u"FileOptions"_s << u"FileExit"_s << u"&Exit Zentil"_s << true;
    QTest::newRow("PausePlay") << u"SlideOptions"_s << u"PausePlay"_s << u"&Pause Play"_s << true;
    QTest::newRow("ResumePlay") << u"SlideOptions"_s << u"ResumePlay"_s << u"&Resume Play"_s
                                << false;
    QTest::newRow("SlideVolume") << u"SlideOptions"_s << u"SlideVolume"_s << u"Adjust &Volume"_s
                                 << false;
    QTest::newRow("SlideSave") << u"SlideOptions"_s << u"SlideSave"_s << u"&Save Current Show"_s
                               << false;
    QTest::newRow("SlideProxy") << u"SlideOptions"_s << u"SlideProxy"_s << u"Set P&roxy Server"_s
                                << false;
    QTest::newRow("SlideHelp") << u"SlideOptions"_s << u"SlideHelp"_s << u"&Help"_s << true;
    QTest::newRow("SlidePrintSlides")
        << u"SlideOptions"_s << u"SlidePrintSlides"_s << u"&Print Slides"_s << false;
    QTest::newRow("SlideExit") << u"SlideOptions"_s << u"SlideExit"_s << u"&Exit Zentil"_s << true;
}

void TestOverlaysAndMenus::menusCarryTheirNamesCaptionsAndEnabling()
{
    QFETCH(QString, menu);
    QFETCH(QString, item);
    QFETCH(QString, caption);
    QFETCH(bool, enabled);
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

    QCOMPARE(menus.FileOptions().title(), u"&File"_s);
    QCOMPARE(menus.SlideOptions().title(), u"&Slides"_s);
    auto* found = parent.findChild<QMenu*>(menu);
    QVERIFY(found);
    auto* action = found->findChild<QAction*>(item);
    QVERIFY2(action, qPrintable(item));
    QCOMPARE(action->text(), caption);
    QCOMPARE(action->isEnabled(), enabled);
    if (item.endsWith(u"Help"_s)) {
        state.PopupMenuOpen = true;
        action->trigger();
        QCOMPARE(helpCount, 1);
        QVERIFY2(!state.PopupMenuOpen, "Help clears PopupMenuOpen");
    }
}

// The pause items are offered by the state of the show, however it was paused.
void TestOverlaysAndMenus::pauseItemsFollowThePauseState()
{
    QWidget parent;
    PlaybackState state;
    PopupMenus menus(state, &parent);
    int toggles = 0;
    int parks = 0;
    MenuActions actions;
    actions.PauseToggle = [&] {
        ++toggles;
        state.PreviewPauseActive = !state.PreviewPauseActive;
    };
    actions.ParkCursor = [&parks] { ++parks; };
    menus.SetActions(actions);
    auto* pause = menus.SlideOptions().findChild<QAction*>(u"PausePlay"_s);
    auto* resume = menus.SlideOptions().findChild<QAction*>(u"ResumePlay"_s);
    pause->trigger();
    QCOMPARE(toggles, 1);
    QCOMPARE(parks, 1);
    QVERIFY(!pause->isEnabled());
    QVERIFY(resume->isEnabled());

    // Resumed with a key meanwhile: the next pop-up offers Pause again.
    state.PreviewPauseActive = false;
    menus.PopUp(false, QPoint(10, 10));
    QVERIFY(pause->isEnabled());
    QVERIFY(!resume->isEnabled());
    QVERIFY(menus.SlideOptions().isVisible());
    state.PopupMenuOpen = true;
    menus.SlideOptions().hide();
    QVERIFY2(!state.PopupMenuOpen, "a menu closed without a choice is no longer open");
}

void TestOverlaysAndMenus::helpTextsAndVersionLines()
{
    const QStringList commands = HelpWindow::CommandText().split(u"\r\n"_s);
    const QStringList descriptions = HelpWindow::DescriptionText().split(u"\r\n"_s);
    QCOMPARE(commands.size(), 26);
    QCOMPARE(descriptions.size(), 26);
    QCOMPARE(commands.at(0), u"Right arrow"_s);
    QCOMPARE(commands.at(19), u"'I'"_s);
    QCOMPARE(commands.at(20), u"'B' or '.'"_s);
    QCOMPARE(commands.at(25), u"Right mouse click"_s);
    QCOMPARE(descriptions.at(4), u"Return to previous slide"_s);
    QCOMPARE(commands.at(4), u"Left arrow"_s);
    QCOMPARE(descriptions.at(9), u"Go to last slide"_s);
    QCOMPARE(descriptions.at(11), u"Toggle a pause in play"_s);
    QCOMPARE(descriptions.at(24), u"Exit player"_s);
    QVERIFY(descriptions.at(12).isEmpty());
    QCOMPARE(HelpWindow::VersionLine(0), u"Language Version: 1.20"_s);
    QCOMPARE(HelpWindow::VersionLine(1), u"Zentil Player 1.40:  December 27, 2005"_s);

    HelpWindow help;
    QCOMPARE(help.windowTitle(), u" Zentil Player Help"_s);
    QVERIFY(!help.isModal());
    QCOMPARE(
        help.findChild<QPlainTextEdit*>(u"CommandList"_s)->toPlainText(), commands.join(u'\n'));
}

QTEST_MAIN(TestOverlaysAndMenus)
#include "tst_overlaysandmenus.moc"
