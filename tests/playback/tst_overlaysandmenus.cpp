// The pieces the viewer sees when taking control: the pause symbol and the thumbnail preview
// (scaled with the picture), the popup menus' enabling and the help window.
#include "playback/FullScreenWindow.h"
#include "playback/HelpWindow.h"
#include "playback/PlaybackState.h"
#include "playback/PopupMenus.h"
#include "playback/PreviewOverlay.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {
const QRgb kBack = qRgb(128, 128, 255);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kGreen = qRgb(0, 160, 0);
} // namespace

class TestOverlaysAndMenus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void thumbnailCaptionIsDrawnUnderThePicture();
    void overlayScalesWithThePicture();
    void itemsWithoutAnActionAreDisabled();
    void pauseItemsFollowThePauseState();
    void helpWindowListsEveryCommandBesideItsDescription();
};

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
    int items = 0;
    for (QMenu* menu : { &menus.FileOptions(), &menus.SlideOptions() }) {
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            ++items;
            QVERIFY2(action->isEnabled() == enabled.contains(action->objectName()),
                qPrintable(action->objectName()));
        }
    }
    QCOMPARE(items, 14);
    state.PopupMenuOpen = true;
    menus.SlideOptions().findChild<QAction*>(u"SlideHelp"_s)->trigger();
    QCOMPARE(helpCount, 1);
    QVERIFY2(!state.PopupMenuOpen, "Help clears PopupMenuOpen");
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
        state.State = state.State == ShowState::Paused ? ShowState::Playing : ShowState::Paused;
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
    state.State = ShowState::Playing;
    menus.PopUp(false, QPoint(10, 10));
    QVERIFY(pause->isEnabled());
    QVERIFY(!resume->isEnabled());
    QVERIFY(menus.SlideOptions().isVisible());
    state.PopupMenuOpen = true;
    menus.SlideOptions().hide();
    QVERIFY2(!state.PopupMenuOpen, "a menu closed without a choice is no longer open");
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
        QVERIFY(column && column->text() == descriptions.join(u'\n'));
        const QFontMetrics metrics(font);
        int widest = 0;
        for (const QString& line : descriptions)
            widest = std::max(widest, metrics.horizontalAdvance(line));
        QVERIFY2(column->width() >= widest
                && column->height() >= int(descriptions.size()) * metrics.height(),
            qPrintable(u"%1 px"_s.arg(pixels)));
    }
}

QTEST_MAIN(TestOverlaysAndMenus)
#include "tst_overlaysandmenus.moc"
