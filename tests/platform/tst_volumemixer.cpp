#include "platform/VolumeMixer.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace zentil;
using namespace Qt::Literals::StringLiterals;

namespace {

// Asks the sound server itself, so the test sees what every other program on the desktop sees.
QString Pactl(const QStringList& arguments)
{
    QProcess pactl;
    pactl.start(u"pactl"_s, arguments);
    if (!pactl.waitForFinished(5000) || pactl.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(pactl.readAllStandardOutput());
}

int ServerVolumePercent()
{
    const QString text = Pactl({ u"get-sink-volume"_s, u"@DEFAULT_SINK@"_s });
    const QRegularExpressionMatch match = QRegularExpression(u"(\\d+)%"_s).match(text);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

bool ServerMuted()
{
    return Pactl({ u"get-sink-mute"_s, u"@DEFAULT_SINK@"_s }).contains(u"yes"_s);
}

} // namespace

class VolumeMixerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (Pactl({ u"info"_s }).isEmpty())
            QSKIP("no sound server: run the suite under scripts/with-test-session");
    }

    void cleanup()
    {
        VolumeMixer mixer;
        mixer.SetMute(0);
        mixer.SetVolume(100);
    }

    void volumeReachesTheSoundServer_data()
    {
        QTest::addColumn<int>("percent");
        QTest::newRow("silent") << 0;
        QTest::newRow("quiet") << 17;
        QTest::newRow("middle") << 50;
        QTest::newRow("full") << 100;
    }
    void volumeReachesTheSoundServer()
    {
        QFETCH(int, percent);
        VolumeMixer mixer;
        mixer.SetVolume(percent);
        QCOMPARE(mixer.GetVolume(), percent);
        QCOMPARE(ServerVolumePercent(), percent);
    }

    void outOfRangeVolumesAreIgnored()
    {
        VolumeMixer mixer;
        mixer.SetVolume(40);
        mixer.SetVolume(101);
        mixer.SetVolume(-1);
        QCOMPARE(mixer.GetVolume(), 40);
    }

    void muteIsItsOwnSwitch()
    {
        VolumeMixer mixer;
        mixer.SetVolume(0);
        QCOMPARE(mixer.GetMute(), std::optional<int>(0));
        QVERIFY2(!ServerMuted(), "a volume of 0 % must not switch mute on");
        mixer.SetVolume(60);
        mixer.SetMute(1);
        QCOMPARE(mixer.GetMute(), std::optional<int>(1));
        QVERIFY(ServerMuted());
        QCOMPARE(mixer.GetVolume(), 60);
        mixer.SetMute(0);
        QVERIFY(!ServerMuted());
    }

    void missingMixerGivesFailureValues()
    {
        const VolumeMixer noDevice(u"zentil_no_such_device"_s);
        const VolumeMixer noElement(u"default"_s, u"Zentil No Such Element"_s);
        for (const VolumeMixer* mixer : { &noDevice, &noElement }) {
            QCOMPARE(mixer->GetVolume(), -1);
            QCOMPARE(mixer->GetMute(), std::nullopt);
            mixer->SetVolume(30); // must do nothing, not crash
            mixer->SetMute(1);
        }
        QVERIFY(!ServerMuted());
    }
};

QTEST_GUILESS_MAIN(VolumeMixerTest)
#include "tst_volumemixer.moc"
