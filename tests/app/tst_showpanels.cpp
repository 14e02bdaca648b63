// The information and volume panels in the running player: the I key, closing by another key or
// a click, the menu's Adjust Volume, the 5-second auto-hide, the once-a-second refresh, and
// saving a show through the menu item.
#include "platform/VolumeMixer.h"
#include "playback/PopupMenus.h"
#include "playback/ShowPanels.h"
#include "playback/VolumePanel.h"
#include "support/RunningPlayer.h"

#include <QAction>
#include <QMenu>
#include <QSlider>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using namespace zentil::test;

namespace {

// Two slides of 30 s and an information block for the panel.
void WriteShow(Show& show)
{
    show.Write(2, 30000,
        u"%info\r\n/title {Harbour Walks}\r\n/data {kbps 32 length 3725}\r\n%endinfo\r\n"_s);
}

QAction* MenuItem(ZentilApp& app, const QString& name)
{
    return app.Menus().SlideOptions().findChild<QAction*>(name);
}

} // namespace

class TestShowPanels : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void infoKeyTogglesAndOtherKeysClose()
    {
        Show show;
        WriteShow(show);
        ZentilApp app(show.Options());
        QVERIFY(StartPlaying(app, show));
        Press(app, Qt::Key_I);
        QVERIFY(app.Panels().InfoPanelVisible());
        QVERIFY(app.Playback().InfoPanelTime != 0);
        QVERIFY(!app.Window().RenderScene().isNull());
        Press(app, Qt::Key_I);
        QVERIFY(!app.Panels().InfoPanelVisible());
        QCOMPARE(app.Playback().InfoPanelTime, 0.0);

        Press(app, Qt::Key_I);
        Press(app, Qt::Key_Space); // closes the panel, then pauses
        QVERIFY(!app.Panels().InfoPanelVisible());
        QCOMPARE(app.Playback().State, ShowState::Paused);
    }

    void infoPanelIsRedrawnEverySecond()
    {
        Show show;
        WriteShow(show);
        ZentilApp app(show.Options());
        QVERIFY(StartPlaying(app, show));
        Press(app, Qt::Key_I);
        const double drawn = app.Playback().InfoPanelTime;
        QTRY_VERIFY_WITH_TIMEOUT(app.Playback().InfoPanelTime > drawn + 0.9, 3000);
        QTest::mouseClick(app.Window().viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QTRY_VERIFY(!app.Panels().InfoPanelVisible());
    }

    void adjustVolumeOpensThePanelUntilItIsLeftAlone()
    {
        if (VolumeMixer().GetVolume() < 0)
            QSKIP("no mixer: run the suite under scripts/with-test-session");
        Show show;
        WriteShow(show);
        ZentilApp app(show.Options());
        QVERIFY(StartPlaying(app, show));
        QAction* adjust = MenuItem(app, u"SlideVolume"_s);
        QVERIFY(adjust && adjust->isEnabled());
        adjust->trigger();
        QVERIFY(app.Panels().VolumePanelVisible());
        app.Panels().Volume().Slider().setValue(40);
        QCOMPARE(VolumeMixer().GetVolume(), 40);
        QVERIFY(app.Panels().VolumePanelVisible());
        app.Playback().VolumePanelTime -= 5.0; // as if left alone for five seconds
        QTRY_VERIFY_WITH_TIMEOUT(!app.Panels().VolumePanelVisible(), 1000);
        QCOMPARE(app.Playback().VolumePanelTime, 0.0);
        VolumeMixer().SetVolume(100);
    }

    void saveItemIsWiredAndAsksBeforeSaving()
    {
        Show show;
        WriteShow(show);
        ZentilApp app(show.Options());
        QVERIFY(StartPlaying(app, show));
        app.Menus().PopUp(false, QPoint(10, 10)); // the items' enabling is set as it pops up
        app.Menus().SlideOptions().hide();
        QAction* save = MenuItem(app, u"SlideSave"_s);
        QVERIFY(save && save->isEnabled());
        // Without dialogs nothing is chosen: the command asks, then does nothing.
        save->trigger();
        QVERIFY(!QFileInfo::exists(show.root.filePath(u"saved"_s)));
    }
};

QTEST_MAIN(TestShowPanels)
#include "tst_showpanels.moc"
