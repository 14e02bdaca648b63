// The information and volume panels in the running player: the I key, closing by another key or
// a click, the menu's Adjust Volume, the 5-second auto-hide, the once-a-second refresh, and
// saving a show through the menu item.
#include "app/ZentilApp.h"
#include "platform/VolumeMixer.h"
#include "playback/FullScreenWindow.h"
#include "playback/PopupMenus.h"
#include "playback/ShowPanels.h"
#include "playback/VolumePanel.h"
#include "playback/WavePlayer.h"
#include "support/SilentWave.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using zentil::test::WriteSilentWave;

namespace {

struct Show {
    QTemporaryDir root { QStringLiteral(ZENTIL_BINARY_DIR "/tst_showpanels-XXXXXX") };
    QString folder = root.filePath(u"show"_s);
    QString script = QDir(folder).filePath(u"panels.zentil"_s);

    Show()
    {
        QDir().mkpath(folder + u"/resources"_s);
        QString text = u"/name {panels.zentil}\r\n%info\r\n/title {Harbour Walks}\r\n"
                       "/data {kbps 32 length 3725}\r\n%endinfo\r\n%resource\r\n"
                       "/resource {n1.wav n2.wav}\r\n"_s;
        for (int i = 1; i <= 2; ++i) {
            QVERIFY(WriteSilentWave(folder + u"/resources/n%1.wav"_s.arg(i), 30000));
            text += u"%slide\r\n/play {n%1.wav}\r\n/box {0 0 800 600 fill #303030 penwidth 0}\r\n"
                    "%endslide\r\n"_s.arg(i);
        }
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }
    PlayerOptions Options() const
    {
        PlayerOptions options;
        options.HomeFolder = root.filePath(u"home"_s);
        options.SilentAudio = true;
        options.ShowDialogs = false;
        return options;
    }
};

bool StartPlaying(ZentilApp& app, const Show& show)
{
    if (!app.Start(show.script))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000 && app.Model().CurrentSlide.Index != 1)
        QTest::qWait(20);
    QTest::qWait(200);
    return app.Model().CurrentSlide.Index == 1;
}

void Press(ZentilApp& app, Qt::Key key)
{
    QTest::keyPress(&app.Window(), key);
    QTest::keyRelease(&app.Window(), key);
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
        ZentilApp app(show.Options());
        QVERIFY(StartPlaying(app, show));
        Press(app, Qt::Key_I);
        QVERIFY(app.Panels().InfoPanelVisible());
        QVERIFY(app.Playback().InfoPanelTime != 0);
        // The panel's dark blue lies over the slide, 45 % down the free height.
        const QImage screen = app.Window().RenderScene();
        QCOMPARE(screen.pixelColor(400, 250), QColor(0, 0, 158));
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
