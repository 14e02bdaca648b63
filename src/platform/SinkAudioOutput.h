#pragma once

#include "platform/AudioOutput.h"

#include <QElapsedTimer>
#include <QTimer>

class QAudioSink;

namespace zentil {

// Sound through Qt Multimedia's QAudioSink on the desktop's default output device (PulseAudio or
// PipeWire). Start fails when the machine has no output device or the sink cannot be started.
class SinkAudioOutput : public AudioOutput {
    Q_OBJECT

public:
    explicit SinkAudioOutput(QObject* parent = nullptr);
    ~SinkAudioOutput() override;

    // True when the desktop offers an output device at all.
    static bool DeviceAvailable();

    bool Start(QIODevice* source, const QAudioFormat& format) override;
    void Suspend() override;
    void Resume() override;
    void Stop() override;
    qint64 PlayedUs() const override;
    bool IsAudible() const override { return true; }

private:
    void OnStateChanged();
    qint64 FedUs() const;

    QAudioSink* sink_ = nullptr;
    QIODevice* source_ = nullptr;
    QAudioFormat format_;
    qint64 startBytePos_ = 0;
    // Once the sink has pulled the last sample it goes idle while its buffer still plays out;
    // from then on the played time is extrapolated with a clock up to what was fed.
    QElapsedTimer tail_;
    qint64 tailStartUs_ = 0;
    qint64 tailElapsedBeforeUs_ = 0; // tail time before a suspend
    QTimer tailTimer_;
    bool drained_ = false;
    qint64 stoppedAtUs_ = 0; // PlayedUs after Stop: where the sound stopped
};

} // namespace zentil
