#include "platform/SilentAudioOutput.h"

#include <QIODevice>

#include <algorithm>

namespace zentil {

SilentAudioOutput::SilentAudioOutput(QObject* parent)
    : AudioOutput(parent)
{
    endTimer_.setSingleShot(true);
    endTimer_.setTimerType(Qt::PreciseTimer);
    connect(&endTimer_, &QTimer::timeout, this, [this] {
        if (PlayedUs() < durationUs_) {
            ArmEndTimer(); // woke a little early
            return;
        }
        playedBeforeUs_ = durationUs_;
        running_.invalidate();
        Q_EMIT Drained();
    });
}

bool SilentAudioOutput::Start(QIODevice* source, const QAudioFormat& format)
{
    Stop();
    const qint64 bytesLeft = std::max<qint64>(0, source->size() - source->pos());
    const qint64 frames = bytesLeft / std::max(1, format.bytesPerFrame());
    durationUs_ = frames * 1000000 / std::max(1, format.sampleRate());
    playedBeforeUs_ = 0;
    running_.start();
    ArmEndTimer();
    return true;
}

void SilentAudioOutput::Suspend()
{
    if (!running_.isValid())
        return;
    playedBeforeUs_ = PlayedUs();
    running_.invalidate();
    endTimer_.stop();
}

void SilentAudioOutput::Resume()
{
    if (running_.isValid() || playedBeforeUs_ >= durationUs_)
        return;
    running_.start();
    ArmEndTimer();
}

void SilentAudioOutput::Stop()
{
    endTimer_.stop();
    running_.invalidate();
}

qint64 SilentAudioOutput::PlayedUs() const
{
    qint64 played = playedBeforeUs_;
    if (running_.isValid())
        played += running_.nsecsElapsed() / 1000;
    return std::min(played, durationUs_);
}

void SilentAudioOutput::ArmEndTimer()
{
    const qint64 leftUs = durationUs_ - PlayedUs();
    endTimer_.start(static_cast<int>(std::min<qint64>((leftUs + 999) / 1000, INT32_MAX)));
}

} // namespace zentil
