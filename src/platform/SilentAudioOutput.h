#pragma once

#include "platform/AudioOutput.h"

#include <QElapsedTimer>
#include <QTimer>

namespace zentil {

// An output for machines without a sound device: it plays nothing and reads nothing, but keeps
// time against the monotonic clock as if it played the rest of the source, so positions advance
// and the end arrives when the sound would have ended.
class SilentAudioOutput : public AudioOutput {
    Q_OBJECT

public:
    explicit SilentAudioOutput(QObject* parent = nullptr);

    bool Start(QIODevice* source, const QAudioFormat& format) override;
    void Suspend() override;
    void Resume() override;
    void Stop() override;
    qint64 PlayedUs() const override;
    bool IsAudible() const override { return false; }

private:
    void ArmEndTimer();

    QElapsedTimer running_; // valid while playing (not suspended)
    QTimer endTimer_;
    qint64 durationUs_ = 0; // sound left in the source at Start
    qint64 playedBeforeUs_ = 0; // played before the last Resume
};

} // namespace zentil
