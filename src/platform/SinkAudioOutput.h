#pragma once

#include "platform/AudioOutput.h"

#include <QElapsedTimer>
#include <QTimer>

#include <memory>

class QAudioSink;

namespace zentil {

// Sound through Qt Multimedia's QAudioSink on the desktop's default output device (PulseAudio or
// PipeWire). Start fails when the machine has no output device or the sink cannot be started.
//
// The sink's lifetime is this class's to manage. The sink is fed silence after the last sample,
// so it never sees its source at the end: a sink that does asks the sound server to drain and
// keeps a pointer to itself in that request, which the server may answer after the sink is gone.
// A stopped sink has no parent and is deleted from the event loop, never from inside a call of
// ours (deleting one lets events run).
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
    class PaddedSource;

    void OnStateChanged();
    void OnSourceRanOut();
    qint64 FedUs() const;

    QAudioSink* sink_ = nullptr;
    std::unique_ptr<PaddedSource> padded_; // what the sink reads: the source, then silence
    QIODevice* source_ = nullptr;
    QAudioFormat format_;
    qint64 startBytePos_ = 0;
    // Once the sink has pulled the last sample its buffer still plays out; from then on the
    // played time is extrapolated with a clock up to what was fed.
    QElapsedTimer tail_;
    qint64 tailStartUs_ = 0;
    qint64 tailElapsedBeforeUs_ = 0; // tail time before a suspend
    QTimer tailTimer_;
    bool drained_ = false;
    qint64 stoppedAtUs_ = 0; // PlayedUs after Stop: where the sound stopped
};

} // namespace zentil
