#include "platform/SinkAudioOutput.h"
#include "playback/WavePlayer.h"
#include "support/SilentWave.h"
#include "support/TestFiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <utility>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using namespace zentil::test;

Q_DECLARE_METATYPE(zentil::WaveOutputChoice)

namespace {

QString SpeechFixture()
{
    return QStringLiteral(ZENTIL_FIXTURES_DIR "/audio/speech.wav");
}

// Waits for the first Done notification with the given code; other codes are collected too.
bool WaitForDone(QSignalSpy& spy, int code, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        for (const auto& args : std::as_const(spy))
            if (args.at(1).toInt() == code)
                return true;
        QTest::qWait(10);
    }
    return false;
}

WaveCommand CommandNamed(const QString& name)
{
    if (name == u"Stop")
        return WaveCommand::Stop;
    return name == u"Pause" ? WaveCommand::Pause : WaveCommand::Play;
}

QList<int> Codes(const QSignalSpy& spy)
{
    QList<int> codes;
    for (const auto& args : spy)
        codes << args.at(1).toInt();
    return codes;
}

} // namespace

class tst_WavePlayer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void lengthMatchesFile_data();
    void lengthMatchesFile();
    void playRunsToItsNaturalEnd_data();
    void playRunsToItsNaturalEnd();
    void fromRestartsAndSupersedes();
    void naturalEndIsDroppedOnceAnotherFileIsOpen();
    void openErrors_data();
    void openErrors();
    void commandsOnClosedPlayerFail();

private:
    QTemporaryDir dir_;
};

void tst_WavePlayer::initTestCase()
{
    QVERIFY(dir_.isValid());
    // A CTest entry runs this test with the sound server pointed nowhere; there the fallback to
    // the silent clock must be what is exercised.
    if (qEnvironmentVariableIsSet("ZENTIL_EXPECT_NO_SOUND_DEVICE"))
        QVERIFY2(!SinkAudioOutput::DeviceAvailable(), "a sound device was found after all");
    qInfo("sound device: %s", SinkAudioOutput::DeviceAvailable() ? "yes" : "none (silent)");
}

void tst_WavePlayer::lengthMatchesFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<qint64>("expectedMs");
    const QString stereo = dir_.filePath(u"stereo44k.wav"_s);
    QVERIFY(WriteTone(stereo, 44100, 2, 30870, SampleKind::Pcm16)); // 699.99 ms
    QTest::newRow("16-bit stereo 44.1 kHz") << stereo << qint64(700);
    const QString floats = dir_.filePath(u"float8k.wav"_s);
    QVERIFY(WriteTone(floats, 8000, 1, 2004, SampleKind::Float32)); // 250.5 ms
    QTest::newRow("float mono 8 kHz, half rounds to even") << floats << qint64(250);
    // Ogg Vorbis is decoded while it plays; its length comes from the stream itself.
    QTest::newRow("Ogg Vorbis mono 8 kHz")
        << QStringLiteral(ZENTIL_FIXTURES_DIR "/script/sound/tone.ogg") << qint64(500);
}

void tst_WavePlayer::lengthMatchesFile()
{
    QFETCH(QString, path);
    QFETCH(qint64, expectedMs);
    QVERIFY(expectedMs > 0);
    WavePlayer player(1, WaveOutputChoice::Silent);
    player.SetFileName(path);
    player.Command(WaveCommand::Open);
    QCOMPARE(player.Error(), 0);
    QCOMPARE(player.Mode(), WaveMode::Stopped);
    QCOMPARE(player.Length(), expectedMs);
    QCOMPARE(player.Position(), qint64(0));
}

void tst_WavePlayer::playRunsToItsNaturalEnd_data()
{
    QTest::addColumn<WaveOutputChoice>("output");
    QTest::addColumn<QString>("interrupt"); // empty: the play is not interrupted
    QTest::addColumn<QString>("resume");
    QTest::addColumn<int>("heldMode");
    const std::pair<const char*, WaveOutputChoice> outputs[]
        = { { "default device", WaveOutputChoice::DefaultDevice },
              { "silent", WaveOutputChoice::Silent } };
    for (const auto& [name, output] : outputs) {
        const auto row = [&](const char* what) {
            return &QTest::newRow(
                qPrintable(QString::fromLatin1(name) + u": "_s + QString::fromLatin1(what)));
        };
        *row("uninterrupted") << output << QString() << QString() << int(WaveMode::Stopped);
        *row("Stop, then Play") << output << u"Stop"_s << u"Play"_s << int(WaveMode::Stopped);
        *row("Pause, then Pause") << output << u"Pause"_s << u"Pause"_s << int(WaveMode::Paused);
        *row("Pause, then Play") << output << u"Pause"_s << u"Play"_s << int(WaveMode::Paused);
    }
}

// A play reports its natural end (code 1) once, when the sound has ended; stopped or paused it
// holds its place, reports only code 4 (no slide change), and goes on from there when resumed.
void tst_WavePlayer::playRunsToItsNaturalEnd()
{
    QFETCH(WaveOutputChoice, output);
    QFETCH(QString, interrupt);
    QFETCH(QString, resume);
    QFETCH(int, heldMode);
    WavePlayer player(2, output);
    QSignalSpy done(&player, &WavePlayer::Done);
    player.SetFileName(SpeechFixture());
    player.Command(WaveCommand::Open);
    QCOMPARE(player.Error(), 0);
    player.SetFrom(0);
    QElapsedTimer clock;
    clock.start();
    player.Command(WaveCommand::Play);
    QCOMPARE(player.Error(), 0);
    QCOMPARE(player.Mode(), WaveMode::Playing);
    const bool expectSound
        = output == WaveOutputChoice::DefaultDevice && SinkAudioOutput::DeviceAvailable();
    QVERIFY2(player.Audible() == expectSound, "the real sink was not used where one exists");
    QTRY_VERIFY_WITH_TIMEOUT(player.Position() >= 400, 3000);
    QCOMPARE(player.Mode(), WaveMode::Playing);
    QVERIFY(player.Position() < player.Length());

    QList<int> codes { 1 };
    if (!interrupt.isEmpty()) {
        player.Command(CommandNamed(interrupt));
        QCOMPARE(int(player.Mode()), heldMode);
        const qint64 heldAt = player.Position();
        QVERIFY(heldAt >= 400 && heldAt < player.Length());
        // Past the time the narration would have ended.
        QTest::qWait(static_cast<int>(player.Length() - heldAt) + 300);
        QVERIFY2(qAbs(player.Position() - heldAt) <= 20, "the position moved while held");
        QCOMPARE(Codes(done), QList<int> { 4 });
        player.Command(CommandNamed(resume));
        QCOMPARE(player.Mode(), WaveMode::Playing);
        QVERIFY2(player.Position() >= heldAt, "resuming started the narration again");
        codes = { 4, 1 };
    }
    QVERIFY2(WaitForDone(done, 1, 5000), "no natural-end notification");
    // The end is the end of the sound, not of handing the samples to the device.
    QVERIFY2(clock.elapsed() >= player.Length() - 60,
        qPrintable(u"ended after %1 ms"_s.arg(clock.elapsed())));
    QCOMPARE(Codes(done), codes);
    QCOMPARE(done.last().at(0).toInt(), 2); // the player's own index
    QCOMPARE(player.Mode(), WaveMode::Stopped);
    QCOMPARE(player.Position(), player.Length());
}

void tst_WavePlayer::fromRestartsAndSupersedes()
{
    WavePlayer player(1, WaveOutputChoice::Silent);
    QSignalSpy done(&player, &WavePlayer::Done);
    player.SetFileName(SpeechFixture());
    player.Open();
    player.SetFrom(1000);
    player.Play();
    QVERIFY(player.Position() >= 1000);
    player.SetFrom(0);
    player.Play();
    QVERIFY(player.Position() < 100);
    QTRY_COMPARE(Codes(done), QList<int> { 2 });

    // From applies to one command only, and one past the end completes at once.
    player.Stop();
    player.SetFrom(player.Length() + 5000);
    player.Play();
    QCOMPARE(player.Mode(), WaveMode::Stopped);
    QCOMPARE(player.Position(), player.Length());
    QTRY_COMPARE(Codes(done), (QList<int> { 2, 4, 1 }));
}

void tst_WavePlayer::naturalEndIsDroppedOnceAnotherFileIsOpen()
{
    WavePlayer player(1, WaveOutputChoice::Silent);
    QSignalSpy done(&player, &WavePlayer::Done);
    player.SetFileName(SpeechFixture());
    player.Open();
    player.SetFrom(player.Length());
    player.Play(); // ends at once; its notification waits in the event queue
    player.Stop();
    player.Close();
    player.Open();
    player.Play();
    QTest::qWait(200);
    QVERIFY2(!Codes(done).contains(1), "a stale natural end would change the slide");
    player.Close();
}

void tst_WavePlayer::openErrors_data()
{
    QTest::addColumn<QByteArray>("contents"); // empty: the file does not exist
    QTest::addColumn<int>("error");
    QTest::newRow("missing") << QByteArray() << 275;
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 7919) ^ (i >> 3));
    QTest::newRow("garbage") << garbage << 296;
    QTest::newRow("text") << QByteArray("This is not a narration.\r\n") << 296;
    QByteArray headerOnly("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x22\x56\0\0\x44\xac\0\0"
                          "\x02\0\x10\0data\0\0\0\0",
        44);
    QTest::newRow("no samples") << headerOnly << 296;
    QFile speech(SpeechFixture());
    QVERIFY(speech.open(QIODevice::ReadOnly));
    QTest::newRow("still being written") << speech.read(speech.size() / 2) << 296;
}

void tst_WavePlayer::openErrors()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, error);
    const QString path = dir_.filePath(QString::fromLatin1(QTest::currentDataTag()) + u".wav"_s);
    if (!contents.isEmpty())
        WriteFile(path, contents);
    WavePlayer player(1);
    player.SetFileName(path);
    player.Command(WaveCommand::Open);
    QCOMPARE(player.Error(), error);
    QVERIFY(!player.ErrorMessage().isEmpty());
    QCOMPARE(player.Mode(), WaveMode::NotOpen);
    QCOMPARE(player.Length(), qint64(0));
    player.ClearError();
    QCOMPARE(player.Error(), 0);
    QVERIFY(player.ErrorMessage().isEmpty());
}

void tst_WavePlayer::commandsOnClosedPlayerFail()
{
    WavePlayer player(1);
    QSignalSpy done(&player, &WavePlayer::Done);
    for (const WaveCommand command : { WaveCommand::Play, WaveCommand::Pause, WaveCommand::Stop }) {
        player.Command(command);
        QCOMPARE(player.Error(), 257);
        QCOMPARE(player.Mode(), WaveMode::NotOpen);
    }
    player.Command(WaveCommand::Close); // closing a closed player is fine
    QCOMPARE(player.Error(), 0);
    QTest::qWait(50);
    QVERIFY(done.isEmpty());
}

QTEST_MAIN(tst_WavePlayer)
#include "tst_waveplayer.moc"
