#include "base/DebugLog.h"
#include "platform/MonotonicClock.h"
#include "playback/NarrationFiles.h"
#include "playback/WavePlayer.h"
#include "script/PresentationModel.h"
#include "support/TestFiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using namespace zentil::test;

namespace {

// Narration arrives as Ogg Vorbis and is played from its working copy.
const QString kTone = QStringLiteral(ZENTIL_FIXTURES_DIR "/script/sound/tone.ogg");

QString ReadTrace(const DebugLog& log)
{
    return QString::fromUtf8(ReadAll(log.DebugFilePath()));
}

// One test's player state: a trace in its own folder, a resource map, and a stand-in that makes
// working copies of the fixture the way the player's working-copy code does.
struct Bench {
    QTemporaryDir dir;
    MonotonicClock clock;
    DebugLog log { clock, true };
    bool exiting = false;
    int decompressCalls = 0;
    ResourceMap map;
    WavePlayer player { 2, WaveOutputChoice::Silent };
    NarrationServices services { log, exiting, {} };

    Bench()
    {
        log.OpenDebugFile(dir.path());
        services.MakeWorkingCopy = [this](const QString& name) {
            ++decompressCalls;
            const QString copy = dir.filePath(u"copy%1-"_s.arg(decompressCalls) + name);
            return QFile::copy(kTone, copy) ? copy : QString();
        };
    }
};

} // namespace

class tst_NarrationFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadsAndRemembersThePlayableFile();
    void nothingToOpen();
    void aFileThatCannotBeOpenedFailsAtOnce();
    void trimKeepsCurrentAndNextNarration_data();
    void trimKeepsCurrentAndNextNarration();
};

void tst_NarrationFiles::loadsAndRemembersThePlayableFile()
{
    Bench b;
    b.map.Append(u"title.jpg"_s);
    const int32_t index = b.map.Append(u"Intro.OGG"_s);
    QVERIFY(LoadWavePlayer(u"intro.ogg"_s, b.player, b.map, b.services)); // case ignored
    const QString copy = b.map.At(index).LocalFileName;
    QVERIFY(QFile::exists(copy));
    QCOMPARE(b.player.FileName(), copy);
    QCOMPARE(b.player.Mode(), WaveMode::Stopped);
    QCOMPARE(b.player.Length(), qint64(500));

    // The copy is reused while it exists and made again once it is gone.
    QVERIFY(LoadWavePlayer(u"INTRO.ogg"_s, b.player, b.map, b.services));
    QCOMPARE(b.decompressCalls, 1);
    QFile::remove(copy);
    QVERIFY(LoadWavePlayer(u"Intro.OGG"_s, b.player, b.map, b.services));
    QCOMPARE(b.decompressCalls, 2);
    QVERIFY(b.map.At(index).LocalFileName != copy);
    QVERIFY(ReadTrace(b.log).contains(u"Status: WavePlayerLoaded = True"_s));
}

void tst_NarrationFiles::nothingToOpen()
{
    Bench b;
    QVERIFY(!LoadWavePlayer(u"a.wav"_s, b.player, b.map, b.services)); // empty map
    b.map.Append(u"a.wav"_s);
    QVERIFY(!LoadWavePlayer(QString(), b.player, b.map, b.services));
    QVERIFY(!LoadWavePlayer(u"b.wav"_s, b.player, b.map, b.services)); // not in the map
    b.exiting = true;
    QVERIFY(!LoadWavePlayer(u"a.wav"_s, b.player, b.map, b.services));
    QCOMPARE(b.decompressCalls, 0);
    b.exiting = false;
    b.services.MakeWorkingCopy = [](const QString&) { return QString(); };
    QVERIFY(!LoadWavePlayer(u"a.wav"_s, b.player, b.map, b.services));
    QCOMPARE(b.player.Mode(), WaveMode::NotOpen);
    QVERIFY(ReadTrace(b.log).contains(u"Status: WavePlayerLoaded = False"_s));
}

// The working copy is complete when it is opened: an open that fails is not retried.
void tst_NarrationFiles::aFileThatCannotBeOpenedFailsAtOnce()
{
    Bench b;
    const QString noise = b.dir.filePath(u"noise.ogg"_s);
    WriteFile(noise, QByteArray(3000, 'x'));
    b.services.MakeWorkingCopy = [&](const QString&) { return noise; };
    b.map.Append(u"noise.ogg"_s);
    QElapsedTimer waited;
    waited.start();
    QVERIFY(!LoadWavePlayer(u"noise.ogg"_s, b.player, b.map, b.services));
    QVERIFY(waited.elapsed() < 1000);
    QCOMPARE(b.player.Error(), 0); // cleared before returning
    QCOMPARE(b.player.Mode(), WaveMode::NotOpen);
    const QString trace = ReadTrace(b.log);
    QVERIFY(trace.contains(u"Status: WaveControl(2) Open Error [296] "_s));
    QVERIFY(trace.contains(u"Error:  WaveControl(2) Open Error [296] "_s));
    QVERIFY(trace.contains(u"Status: WavePlayerLoaded = False"_s));
}

namespace {
// Three slides with narrations n1..n3 (named in mixed case), a picture, and working copies of all.
struct TrimBench {
    QTemporaryDir dir;
    MonotonicClock clock;
    DebugLog log { clock, true };
    SlideShowModel model;

    TrimBench()
    {
        log.OpenDebugFile(dir.path());
        for (const QString& name : { u"N1.ogg"_s, u"n2.WAV"_s, u"n3.ogg"_s }) {
            Slide slide;
            slide.WaveFileName = name.toUpper();
            model.Slides.push_back(slide);
        }
        for (const QString& name : { u"n1.ogg"_s, u"picture.jpg"_s, u"n2.wav"_s, u"n3.ogg"_s }) {
            const int32_t i = model.Map.Append(name);
            model.Map.At(i).LocalFileName = dir.filePath(u"copy-"_s + name);
            WriteFile(model.Map.At(i).LocalFileName, "x");
        }
        // A read-only copy goes as well.
        QFile::setPermissions(model.Map.At(4).LocalFileName, QFile::ReadOwner);
    }
    bool HasCopy(int32_t i) const
    {
        const QString& local = model.Map.At(i).LocalFileName;
        return !local.isEmpty() && QFile::exists(local);
    }
};
} // namespace

// Map entries: 1 n1.ogg, 2 picture.jpg, 3 n2.wav, 4 n3.ogg. Only the narrations of the current
// and the next slide keep their working copies; before the first slide, slide 1's is "next".
void tst_NarrationFiles::trimKeepsCurrentAndNextNarration_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<QList<bool>>("kept");
    QTest::newRow("first slide") << 1 << QList<bool> { true, true, true, false };
    QTest::newRow("last slide") << 3 << QList<bool> { false, true, false, true };
    QTest::newRow("before the first slide") << 0 << QList<bool> { true, true, false, false };
}

void tst_NarrationFiles::trimKeepsCurrentAndNextNarration()
{
    QFETCH(int, current);
    QFETCH(QList<bool>, kept);
    TrimBench t;
    t.model.CurrentSlide.Index = current;
    const QString n3 = t.model.Map.At(4).LocalFileName;
    TrimWavefiles(t.model, t.log);
    for (int32_t i = 1; i <= 4; ++i)
        QVERIFY2(t.HasCopy(i) == kept[i - 1], qPrintable(QString::number(i)));
    if (!kept[3]) { // made again on its next use
        QVERIFY(t.model.Map.At(4).LocalFileName.isEmpty());
        QVERIFY(ReadTrace(t.log).contains(u"Status: Deleting File "_s + n3));
    }
}

QTEST_MAIN(tst_NarrationFiles)
#include "tst_narrationfiles.moc"
