// The playback state machine driven through its real narration players (silent output) and a
// host that records what would be drawn.
#include "base/DebugLog.h"
#include "platform/MonotonicClock.h"
#include "playback/PlaybackHost.h"
#include "playback/PlaybackState.h"
#include "playback/SlideSequencer.h"
#include "playback/WavePlayer.h"
#include "script/PresentationModel.h"
#include "support/SilentWave.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using zentil::test::WriteSilentWave;

namespace {

class RecordingHost : public PlaybackHost {
public:
    explicit RecordingHost(const QString& folder)
        : folder_(folder)
        , wave1_(1, WaveOutputChoice::Silent)
        , wave2_(2, WaveOutputChoice::Silent)
    { }

    QStringList calls;
    bool downloadsFinished = false;
    bool panelVisible = false;
    QString panelText;
    int fatalErrors = 0;

    void DrawNewBackground(int backgroundIndex, int) override
    {
        calls << u"background %1"_s.arg(backgroundIndex);
    }
    void ShowSlide(int n) override { calls << u"slide %1"_s.arg(n); }
    void ShowDefaultSlide(DefaultSlide slide) override
    {
        calls << u"default "_s + DefaultSlideName(slide);
    }
    void ShowSubslide(int n, int k) override { calls << u"subslide %1.%2"_s.arg(n).arg(k); }
    WavePlayer& WaveControl(int index) override { return index == 2 ? wave2_ : wave1_; }
    bool LoadWavePlayer(const QString& name, int set) override
    {
        const QString path = QDir(folder_).filePath(name);
        if (name.isEmpty() || !QFile::exists(path))
            return false;
        WavePlayer& player = WaveControl(set);
        player.Command(WaveCommand::Close);
        player.SetFileName(path);
        player.Command(WaveCommand::Open);
        return player.Error() == 0;
    }
    void TrimWavefiles() override { }
    void ShowWaitingPanel(const QString&, const QString& text) override
    {
        panelVisible = true;
        panelText = text;
    }
    void HideWaitingPanel() override { panelVisible = false; }
    bool WaitingPanelVisible() const override { return panelVisible; }
    void FocusSlideWindow() override { }
    void ParkCursor() override { }
    bool PlayerWindowActive() const override { return true; }
    bool ResourceFilePresent(const QString& name) const override
    {
        return QFile::exists(QDir(folder_).filePath(name));
    }
    bool DownloadListFinished() const override { return downloadsFinished; }
    void DisplayResourceFatalError() override { ++fatalErrors; }

private:
    QString folder_;
    WavePlayer wave1_;
    WavePlayer wave2_;
};

// A show of slides whose narrations are "n<i>.wav" in the folder.
void AddSlide(SlideShowModel& model, int number, std::vector<int32_t> subslideTimes = {})
{
    Slide slide;
    slide.WaveFileName = u"n%1.wav"_s.arg(number);
    slide.ResourceName.push_back(slide.WaveFileName);
    for (int32_t t : subslideTimes) {
        Subslide sub;
        sub.StartTime = t;
        slide.SubSlide.push_back(sub);
    }
    model.Slides.push_back(slide);
    model.Map.Append(slide.WaveFileName);
}

struct Player {
    QTemporaryDir dir;
    MonotonicClock clock;
    DebugLog log { clock, false };
    SlideShowModel model;
    PlaybackState state;
    RecordingHost host { dir.path() };
    SlideSequencer sequencer { model, state, host, clock, log };

    void Narration(int number, int milliseconds)
    {
        QVERIFY(WriteSilentWave(QDir(dir.path()).filePath(u"n%1.wav"_s.arg(number)), milliseconds));
    }
    // Runs heartbeat ticks until the condition holds or the time is up.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs = 5000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < timeoutMs) {
            QTest::qWait(SlideSequencer::kHeartbeatMs);
            sequencer.HeartbeatTick();
        }
        return done();
    }
};

} // namespace

class TestSlideSequencer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showPlaysEverySlideThenTheEndSlide();
    void oneSlideShowEndsWithoutBuildingANextSlide();
    void aSlideStartedBeforeTheEndSlideCancelsIt();
    void abortedPlaysDoNotAdvance();
    void subslidesAppearAtTheirTimesOnePerTick();
    void missingNarrationWaitsThenPlaysWhenItArrives();
    void missingFileThatCannotArriveIsFatal();
    void playGivenSlideIgnoresSlideZeroAndEmptyShows();
};

void TestSlideSequencer::showPlaysEverySlideThenTheEndSlide()
{
    Player p;
    for (int i = 1; i <= 3; ++i) {
        AddSlide(p.model, i);
        p.Narration(i, 200);
    }
    p.state.SlideShowLoaded = true;
    QObject::connect(&p.host.WaveControl(1), &WavePlayer::Done,
        [&](int i, int c) { p.sequencer.WaveControlDone(i, c); });
    QObject::connect(&p.host.WaveControl(2), &WavePlayer::Done,
        [&](int i, int c) { p.sequencer.WaveControlDone(i, c); });

    p.sequencer.PlayGivenSlide(1);
    QCOMPARE(p.model.CurrentSlide.Index, 1);
    QVERIFY2(p.model.NextSlide.Index == 2 && p.model.NextSlide.SoundLoaded,
        "the next slide is prepared on the other player while the first plays");
    QCOMPARE(p.model.Slides[0].WaveFileLength, 200);

    // The end slide is due three seconds after the last narration's end.
    QVERIFY(p.RunUntil([&] { return p.state.EndSlideDue != 0; }));
    const double pause = p.state.EndSlideDue - p.clock.SecondsSinceMidnight();
    QVERIFY(pause > 2.5 && pause <= SlideSequencer::kEndSlidePauseSeconds);
    int ended = 0;
    p.sequencer.EndSlideShown = [&ended] { ++ended; };
    p.sequencer.HeartbeatTick();
    QCOMPARE(ended, 0);
    p.state.EndSlideDue -= SlideSequencer::kEndSlidePauseSeconds;
    p.sequencer.HeartbeatTick();
    QCOMPARE(ended, 1);
    QCOMPARE(p.state.DefaultSlideShown, DefaultSlide::EndOfShow);
    const QStringList shown = p.host.calls.filter(QRegularExpression(u"^(slide|default)"_s));
    QCOMPARE(shown, (QStringList { u"slide 1"_s, u"slide 2"_s, u"slide 3"_s, u"default end"_s }));
    QCOMPARE(p.model.CurrentSlide.ResourceSet, 1); // slides 1 and 3 on player 1, slide 2 on 2
}

void TestSlideSequencer::oneSlideShowEndsWithoutBuildingANextSlide()
{
    Player p;
    AddSlide(p.model, 1);
    p.Narration(1, 100);
    p.state.SlideShowLoaded = true;
    QObject::connect(&p.host.WaveControl(1), &WavePlayer::Done,
        [&](int i, int c) { p.sequencer.WaveControlDone(i, c); });
    p.sequencer.PlayGivenSlide(1);
    QVERIFY(!p.state.BuildNextSlideFlag);
    QCOMPARE(p.model.NextSlide.Index, 0);
    QVERIFY(p.RunUntil([&] { return p.state.EndSlideDue != 0; }));
    QCOMPARE(p.host.calls.filter(u"slide"_s).size(), 1);
}

// A slide started during the pause before the end slide cancels it.
void TestSlideSequencer::aSlideStartedBeforeTheEndSlideCancelsIt()
{
    Player p;
    AddSlide(p.model, 1);
    p.Narration(1, 5000);
    p.state.SlideShowLoaded = true;
    p.sequencer.PlayGivenSlide(1);
    p.sequencer.WaveControlDone(1, 1);
    QVERIFY(p.state.EndSlideDue != 0);
    p.sequencer.PlayGivenSlide(1);
    QCOMPARE(p.state.EndSlideDue, 0.0);
    p.sequencer.HeartbeatTick();
    QVERIFY(!p.host.calls.contains(u"default end"_s));
}

void TestSlideSequencer::abortedPlaysDoNotAdvance()
{
    Player p;
    for (int i = 1; i <= 2; ++i) {
        AddSlide(p.model, i);
        p.Narration(i, 5000);
    }
    p.state.SlideShowLoaded = true;
    p.sequencer.PlayGivenSlide(1);
    for (int code : { 2, 4, 8 })
        p.sequencer.WaveControlDone(1, code);
    QCOMPARE(p.model.CurrentSlide.Index, 1);
}

void TestSlideSequencer::subslidesAppearAtTheirTimesOnePerTick()
{
    Player p;
    AddSlide(p.model, 1, { 100, 100, 90000 }); // two at once, one past the narration's end
    AddSlide(p.model, 2);
    p.Narration(1, 600);
    p.Narration(2, 5000);
    p.state.SlideShowLoaded = true;
    p.sequencer.PlayGivenSlide(1);
    QCOMPARE(p.state.SubslideTime, 100);
    QVERIFY2(p.model.NextSlide.Index == 0 && p.model.NextSlide.SoundLoaded,
        "with subslides only the next narration opens at slide start");

    QVERIFY(p.RunUntil([&] { return p.state.CurrentSubslideIndex == 1; }));
    QCOMPARE(p.host.calls.filter(u"subslide"_s).size(), 1);
    QCOMPARE(p.state.SubslideTime, 100);
    p.sequencer.HeartbeatTick();
    QCOMPARE(p.state.CurrentSubslideIndex, 2);
    QCOMPARE(p.state.SubslideTime, 550); // clamped to one heartbeat before the narration's end

    QVERIFY(p.RunUntil([&] { return p.state.CurrentSubslideIndex == 3; }));
    QVERIFY2(p.model.NextSlide.Index == 2, "the next background is drawn after the last subslide");
    QCOMPARE(p.host.calls.last(), u"background 1"_s);
}

void TestSlideSequencer::missingNarrationWaitsThenPlaysWhenItArrives()
{
    Player p;
    AddSlide(p.model, 1);
    AddSlide(p.model, 2);
    p.Narration(2, 5000);
    p.state.SlideShowLoaded = true;

    p.sequencer.PlayGivenSlide(1);
    QCOMPARE(p.state.SlideAwaitingFiles, 1);
    QVERIFY(p.host.panelVisible);
    QVERIFY2(p.host.panelText.contains(u"n1.wav"_s), "the panel names the missing file");
    QCOMPARE(p.host.fatalErrors, 0);
    QVERIFY(!p.host.calls.contains(u"slide 1"_s));

    p.Narration(1, 5000);
    p.sequencer.HeartbeatTick();
    QCOMPARE(p.state.SlideAwaitingFiles, 0);
    QVERIFY(!p.host.panelVisible);
    QVERIFY(p.host.calls.contains(u"slide 1"_s));
    QCOMPARE(p.host.WaveControl(1).Mode(), WaveMode::Playing);
}

void TestSlideSequencer::missingFileThatCannotArriveIsFatal()
{
    Player p;
    AddSlide(p.model, 1);
    p.state.SlideShowLoaded = true;
    p.host.downloadsFinished = true;
    p.sequencer.PlayGivenSlide(1);
    QVERIFY(p.host.fatalErrors >= 1);

    Player q; // a resource with no map entry can never be downloaded either
    AddSlide(q.model, 1);
    q.Narration(1, 1000);
    q.model.Slides[0].ResourceName.push_back(u"ghost.jpg"_s);
    QVERIFY(q.sequencer.SlideResourcesMissing(1));
    QCOMPARE(q.state.UnmappedResourceName, u"ghost.jpg"_s);
}

void TestSlideSequencer::playGivenSlideIgnoresSlideZeroAndEmptyShows()
{
    Player p;
    p.sequencer.PlayGivenSlide(1);
    AddSlide(p.model, 1);
    p.sequencer.PlayGivenSlide(0);
    QVERIFY(p.host.calls.isEmpty());
    QCOMPARE(p.model.CurrentSlide.Index, 0);
}

QTEST_MAIN(TestSlideSequencer)
#include "tst_slidesequencer.moc"
