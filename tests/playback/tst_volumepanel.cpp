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

    void usesSetTheMixerAndRenewTheTime()
    {
        PlaybackState state;
        state.PopupMenuOpen = true;
        double now = 100;
        int focusBack = 0;
        VolumePanel panel(mixer_, state, [&] { return now; });
        panel.OnFocusBack = [&] { ++focusBack; };
        panel.Open();
        // Opening reads the mixer and changes nothing there.
        QCOMPARE(panel.Slider().value(), 30);
        QVERIFY(panel.MuteBox().isEnabled() && !panel.MuteBox().isChecked());
        QVERIFY(panel.isVisible() && !state.PopupMenuOpen);
        QCOMPARE(mixer_.GetVolume(), 30);
        now = 103;
        panel.Slider().setValue(panel.Slider().maximum());
        QCOMPARE(mixer_.GetVolume(), 100);
        QCOMPARE(state.VolumePanelTime, 103.0);
        now = 107;
        panel.MuteBox().click();
        QCOMPARE(mixer_.GetMute(), std::optional<int>(1));
        QCOMPARE(state.VolumePanelTime, 107.0);
        QCOMPARE(focusBack, 2);
        panel.Close();
        QVERIFY(!panel.isVisible() && state.VolumePanelTime == 0);
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
