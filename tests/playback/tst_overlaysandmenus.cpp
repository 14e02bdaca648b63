// The pieces the viewer sees when taking control: the pause symbol and the thumbnail preview,
// the popup menus' enabling and the help window.
#include "playback/FullScreenWindow.h"
#include "playback/HelpWindow.h"
#include "playback/PlaybackState.h"
#include "playback/PopupMenus.h"
#include "playback/PreviewOverlay.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

class TestOverlaysAndMenus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void overlayDrawsWhatItShows();
    void itemsWithoutAnActionAreDisabled();
    void helpWindowListsEveryCommandBesideItsDescription();
};

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

QTEST_MAIN(TestOverlaysAndMenus)
#include "tst_overlaysandmenus.moc"
