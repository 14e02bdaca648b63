#include "platform/SinkAudioOutput.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

namespace zentil {

// The source and then silence, for as long as the sink reads: never at its end.
class SinkAudioOutput::PaddedSource : public QIODevice {
public:
    PaddedSource(QIODevice* source, std::function<void()> ranOut)
        : source_(source)
        , ranOut_(std::move(ranOut))
    {
        QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }
    bool atEnd() const override { return false; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (!ranOut_) {
            std::memset(data, 0, static_cast<size_t>(maxSize));
            return maxSize;
        }
        const qint64 got = source_->read(data, maxSize);
        if (got > 0)
            return got;
        std::exchange(ranOut_, nullptr)();
        std::memset(data, 0, static_cast<size_t>(maxSize));
        return maxSize;
    }
    qint64 writeData(const char* /*data*/, qint64 /*maxSize*/) override { return -1; }

private:
    QIODevice* const source_;
    std::function<void()> ranOut_; // empty once the source has run out
};

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
    source_ = source;
    format_ = format;
    startBytePos_ = source->pos();
    sinkStartUs_ = 0;
    drained_ = false;
    heldAtUs_ = 0;
    return OpenSink();
}

bool SinkAudioOutput::OpenSink()
{
    tail_.invalidate();
    tailStartUs_ = 0;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    padded_ = std::make_unique<PaddedSource>(source_, [this] { OnSourceRanOut(); });
    sink_ = new QAudioSink(device, format_);
    connect(sink_, &QAudioSink::stateChanged, this, &SinkAudioOutput::OnStateChanged);
    sink_->start(padded_.get());
    if (sink_->error() != QAudio::NoError || sink_->state() == QAudio::StoppedState) {
        CloseSink();
        return false;
    }
    return true;
}

void SinkAudioOutput::CloseSink()
{
    tailTimer_.stop();
    tail_.invalidate();
    if (sink_ == nullptr)
        return;
    sink_->disconnect(this);
    sink_->stop(); // from here on the sink reads nothing
    // Deleted from the event loop: the sink may be delivering one of its own signals, and its
    // deletion lets events run.
    sink_->deleteLater();
    sink_ = nullptr;
    padded_.reset();
}

void SinkAudioOutput::Suspend()
{
    if (sink_ == nullptr)
        return;
    heldAtUs_ = PlayedUs();
    CloseSink();
    suspended_ = true;
}

void SinkAudioOutput::Resume()
{
    if (!suspended_)
        return;
    suspended_ = false;
    // The stopped sink had read ahead: the new one starts at the first sample not yet heard.
    const qint64 frames = (heldAtUs_ * format_.sampleRate() + 999999) / 1000000;
    source_->seek(
        std::min(startBytePos_ + frames * std::max(1, format_.bytesPerFrame()), source_->size()));
    sinkStartUs_ = heldAtUs_;
    if (source_->atEnd()) {
        drained_ = true;
        Q_EMIT Drained();
    } else if (!OpenSink()) {
        Q_EMIT Failed();
    }
}

void SinkAudioOutput::Stop()
{
    suspended_ = false;
    if (sink_ == nullptr) {
        tailTimer_.stop();
        return;
    }
    const qint64 played = drained_ ? FedUs() : PlayedUs();
    CloseSink();
    heldAtUs_ = played;
}

qint64 SinkAudioOutput::PlayedUs() const
{
    if (sink_ == nullptr)
        return heldAtUs_;
    qint64 played = sinkStartUs_ + sink_->processedUSecs();
    if (tail_.isValid())
        played = std::max(played, tailStartUs_ + tail_.nsecsElapsed() / 1000);
    return std::min(played, FedUs());
}

qint64 SinkAudioOutput::FedUs() const
{
    if (source_ == nullptr)
        return 0;
    const qint64 frames = (source_->pos() - startBytePos_) / std::max(1, format_.bytesPerFrame());
    return frames * 1000000 / std::max(1, format_.sampleRate());
}

void SinkAudioOutput::OnSourceRanOut()
{
    if (sink_ == nullptr || tail_.isValid())
        return;
    tailStartUs_ = sinkStartUs_ + sink_->processedUSecs();
    tail_.start();
    tailTimer_.start(0);
}

void SinkAudioOutput::OnStateChanged()
{
    if (sink_ == nullptr)
        return;
    if (sink_->state() == QAudio::StoppedState && sink_->error() != QAudio::NoError) {
        Stop();
        Q_EMIT Failed();
    }
}

} // namespace zentil
