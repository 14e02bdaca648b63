#include "platform/SinkAudioOutput.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>

namespace zentil {

SinkAudioOutput::SinkAudioOutput(QObject* parent)
    : AudioOutput(parent)
{
    tailTimer_.setSingleShot(true);
    tailTimer_.setTimerType(Qt::PreciseTimer);
    connect(&tailTimer_, &QTimer::timeout, this, [this] {
        const qint64 leftUs = FedUs() - PlayedUs();
        if (leftUs > 0) {
            tailTimer_.start(static_cast<int>((leftUs + 999) / 1000));
            return;
        }
        drained_ = true;
        Stop();
        Q_EMIT Drained();
    });
}

SinkAudioOutput::~SinkAudioOutput()
{
    Stop();
}

bool SinkAudioOutput::DeviceAvailable()
{
    return !QMediaDevices::defaultAudioOutput().isNull();
}

bool SinkAudioOutput::Start(QIODevice* source, const QAudioFormat& format)
{
    Stop();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    source_ = source;
    format_ = format;
    startBytePos_ = source->pos();
    drained_ = false;
    stoppedAtUs_ = 0;
    tail_.invalidate();
    tailStartUs_ = 0;
    tailElapsedBeforeUs_ = 0;
    sink_ = new QAudioSink(device, format, this);
    connect(sink_, &QAudioSink::stateChanged, this, &SinkAudioOutput::OnStateChanged);
    sink_->start(source);
    if (sink_->error() != QAudio::NoError || sink_->state() == QAudio::StoppedState) {
        Stop();
        return false;
    }
    return true;
}

void SinkAudioOutput::Suspend()
{
    if (sink_ == nullptr)
        return;
    if (tail_.isValid()) {
        tailElapsedBeforeUs_ += tail_.nsecsElapsed() / 1000;
        tail_.invalidate();
        tailTimer_.stop();
    }
    sink_->suspend();
}

void SinkAudioOutput::Resume()
{
    if (sink_ == nullptr)
        return;
    sink_->resume();
    if (tailStartUs_ > 0 && !tail_.isValid()) {
        tail_.start();
        tailTimer_.start(0);
    }
}

void SinkAudioOutput::Stop()
{
    tailTimer_.stop();
    if (sink_ == nullptr)
        return;
    const qint64 played = drained_ ? FedUs() : PlayedUs();
    sink_->disconnect(this);
    sink_->stop();
    // The sink may be in the middle of delivering one of its own signals.
    sink_->deleteLater();
    sink_ = nullptr;
    tail_.invalidate();
    stoppedAtUs_ = played;
}

qint64 SinkAudioOutput::PlayedUs() const
{
    if (sink_ == nullptr)
        return stoppedAtUs_;
    qint64 played = sink_->processedUSecs();
    if (tailStartUs_ > 0) {
        qint64 tailUs = tailElapsedBeforeUs_;
        if (tail_.isValid())
            tailUs += tail_.nsecsElapsed() / 1000;
        played = std::max(played, tailStartUs_ + tailUs);
    }
    return std::min(played, FedUs());
}

qint64 SinkAudioOutput::FedUs() const
{
    if (source_ == nullptr)
        return 0;
    const qint64 frames = (source_->pos() - startBytePos_) / std::max(1, format_.bytesPerFrame());
    return frames * 1000000 / std::max(1, format_.sampleRate());
}

void SinkAudioOutput::OnStateChanged()
{
    if (sink_ == nullptr)
        return;
    const QAudio::State state = sink_->state();
    if (state == QAudio::IdleState && source_->atEnd() && tailStartUs_ == 0) {
        tailStartUs_ = std::max<qint64>(1, sink_->processedUSecs());
        tail_.start();
        tailTimer_.start(0);
    } else if (state == QAudio::StoppedState && sink_->error() != QAudio::NoError) {
        Stop();
        Q_EMIT Failed();
    }
}

} // namespace zentil
