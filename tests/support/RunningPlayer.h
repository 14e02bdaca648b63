#pragma once

// A running player for tests that drive the real application object: a show written into a
// temporary folder (silent narrations, one coloured box per slide), the options of a test run,
// starting it, and feeding it events the way the window does.
#include "app/ZentilApp.h"
#include "playback/FullScreenWindow.h"
#include "playback/PreviewOverlay.h"
#include "playback/ShowController.h"
#include "playback/WavePlayer.h"
#include "support/SilentWave.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace zentil::test {

// A script of slides 1..slides, each narrated by n<i>.wav and showing one coloured box; the
// header goes before the slides. The narrations, of narrationMs, go into resources when given.
inline void WriteScript(const QString& path, int slides, int narrationMs,
    const QString& header = {}, const QString& resources = {})
{
    QDir().mkpath(QFileInfo(path).path());
    QString text = header + QStringLiteral("%resource\r\n/resource {");
    for (int i = 1; i <= slides; ++i) {
        if (!resources.isEmpty()) {
            QDir().mkpath(resources);
            QVERIFY(WriteSilentWave(resources + QStringLiteral("/n%1.wav").arg(i), narrationMs));
        }
        text += QStringLiteral("n%1.wav ").arg(i);
    }
    text += QStringLiteral("}\r\n");
    for (int i = 1; i <= slides; ++i)
        text += QStringLiteral("%slide\r\n/play {n%1.wav}\r\n/box {0 0 800 600 fill #%2 "
                               "penwidth 0}\r\n%endslide\r\n")
                    .arg(i)
                    .arg(0x101010 * i, 6, 16, QChar(u'0'));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

// A presentation folder with its resources and a home folder of its own beside it.
// The options of a test run: its own home folder, silent narration, no dialogs.
inline PlayerOptions TestPlayerOptions(const QString& home)
{
    PlayerOptions options;
    options.HomeFolder = home;
    options.SilentAudio = true;
    options.ShowDialogs = false;
    return options;
}

struct Show {
    QTemporaryDir root { QStringLiteral(ZENTIL_BINARY_DIR "/running-player-XXXXXX") };
    QString folder = root.filePath(QStringLiteral("show"));
    QString home = root.filePath(QStringLiteral("home"));
    QString script = QDir(folder).filePath(QStringLiteral("control.zentil"));

    // Slides 1..slides, each with a narration of narrationMs; extra lines go before the slides.
    void Write(int slides, int narrationMs, const QString& header = {})
    {
        WriteScript(script, slides, narrationMs,
            QStringLiteral("/name {control.zentil}\r\n") + header,
            folder + QStringLiteral("/resources"));
    }
    void WriteText(const QString& text)
    {
        QDir().mkpath(folder + QStringLiteral("/resources"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }
    PlayerOptions Options() const { return TestPlayerOptions(home); }
};

inline WavePlayer& CurrentPlayer(ZentilApp& app)
{
    return app.WaveControl(app.Model().CurrentSlide.ResourceSet);
}

// Starts the show and waits until slide 1 plays.
inline bool StartPlaying(ZentilApp& app, const Show& show)
{
    if (!app.Start(show.script))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000
        && !(app.Model().CurrentSlide.Index == 1 && CurrentPlayer(app).Mode() == WaveMode::Playing))
        QTest::qWait(20);
    return app.Model().CurrentSlide.Index == 1;
}

inline void Press(ZentilApp& app, Qt::Key key)
{
    QTest::keyPress(&app.Window(), key);
    QTest::keyRelease(&app.Window(), key);
}

// One heartbeat after the navigation's quiet period, without waiting for it.
inline void QuietPeriodPasses(ZentilApp& app)
{
    app.Playback().LastNavigationKeyTime -= ShowController::kNavigationQuietSeconds + 0.1;
    app.Control().Dispatch(ShowEvent::Of(ShowEvent::Kind::Heartbeat));
}

inline PreviewOverlay::Content Overlay(ZentilApp& app)
{
    return app.Window().Preview().Shown();
}

// Thumbnails of the first `count` slides, as the thumbnail maker leaves them. The player's own
// maker is stopped and what it made so far removed, so the test decides which slides have one.
inline void MakeThumbnails(ZentilApp& app, int count)
{
    app.CreateThumbnailTimer().stop();
    for (const QString& path : app.Model().ThumbnailImage)
        QFile::remove(path);
    for (int n = 1; n <= count; ++n) {
        const QString path = app.Model().ThumbnailImage.at(static_cast<size_t>(n - 1));
        QDir().mkpath(QFileInfo(path).absolutePath());
        QImage picture(160, 120, QImage::Format_RGB32);
        picture.fill(QColor(40 * n, 200, 40));
        QVERIFY(picture.save(path, "JPG", 95));
    }
}

} // namespace zentil::test
