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
// ours (deleting one lets events run). A pause stops the sink and a resume starts a new one at the
// place where the sound stopped: the sink's own suspend can be undone by a buffer underflow
// reported at the same moment, which leaves the sound paused for good.
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

    bool OpenSink();
    void CloseSink();
    void OnStateChanged();
    void OnSourceRanOut();
    qint64 FedUs() const;

    QAudioSink* sink_ = nullptr;
    std::unique_ptr<PaddedSource> padded_; // what the sink reads: the source, then silence
    QIODevice* source_ = nullptr;
    QAudioFormat format_;
    qint64 startBytePos_ = 0;
    qint64 sinkStartUs_ = 0; // sound played before the running sink started (earlier sinks)
    // Once the sink has pulled the last sample its buffer still plays out; from then on the
    // played time is extrapolated with a clock up to what was fed.
    QElapsedTimer tail_;
    qint64 tailStartUs_ = 0;
    QTimer tailTimer_;
    bool drained_ = false;
    bool suspended_ = false;
    qint64 heldAtUs_ = 0; // PlayedUs while suspended or stopped: where the sound stopped
};

} // namespace zentil
