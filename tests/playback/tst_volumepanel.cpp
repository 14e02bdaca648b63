#include "playback/VolumePanel.h"

#include "platform/VolumeMixer.h"
#include "playback/PlaybackState.h"

#include <QCheckBox>
#include <QSlider>
#include <QTest>

using namespace zentil;
using namespace Qt::Literals::StringLiterals;

// The panel against the test session's sound server: what the user moves is what the mixer
// holds, and every use keeps the panel up for another 5 s.
class VolumePanelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        if (VolumeMixer().GetVolume() < 0)
            QSKIP("no mixer: run the suite under scripts/with-test-session");
        mixer_.SetMute(0);
        mixer_.SetVolume(30);
    }
    void cleanup()
    {
        mixer_.SetMute(0);
        mixer_.SetVolume(100);
    }

    void openingReadsTheMixer()
    {
        PlaybackState state;
        state.PopupMenuOpen = true;
        double now = 100;
        VolumePanel panel(mixer_, state, [&] { return now; });
        panel.Open();
        QCOMPARE(panel.Slider().value(), 30);
        QVERIFY(panel.MuteBox().isEnabled() && !panel.MuteBox().isChecked());
        QVERIFY(panel.isVisible());
        QCOMPARE(state.VolumePanelTime, 100.0);
        QCOMPARE(state.MouseMoveTime, 100.0);
        QVERIFY(!state.PopupMenuOpen);
        QCOMPARE(mixer_.GetVolume(), 30); // opening changes nothing
    }

    void usesSetTheMixerAndRenewTheTime()
    {
        PlaybackState state;
        double now = 100;
        int focusBack = 0;
        VolumePanel panel(mixer_, state, [&] { return now; });
        panel.OnFocusBack = [&] { ++focusBack; };
        panel.Open();
        now = 103;
        panel.Slider().setValue(panel.Slider().maximum());
        QCOMPARE(mixer_.GetVolume(), 100);
        QCOMPARE(state.VolumePanelTime, 103.0);
        now = 107;
        QVERIFY(!panel.QuietFor5Seconds());
        panel.MuteBox().click();
        QCOMPARE(mixer_.GetMute(), std::optional<int>(1));
        QCOMPARE(focusBack, 2);
        now = 112;
        QVERIFY(panel.QuietFor5Seconds());
        panel.Close();
        QVERIFY(!panel.isVisible() && state.VolumePanelTime == 0);
        QVERIFY(!panel.QuietFor5Seconds());
    }

    void mixerWithoutMuteDisablesTheBox()
    {
        PlaybackState state;
        const VolumeMixer missing(u"zentil_no_such_device"_s);
        VolumePanel panel(missing, state, [] { return 1.0; });
        panel.Open();
        QVERIFY(!panel.MuteBox().isEnabled());
        QCOMPARE(panel.Slider().value(), 0);
    }

private:
    VolumeMixer mixer_;
};

QTEST_MAIN(VolumePanelTest)
#include "tst_volumepanel.moc"
