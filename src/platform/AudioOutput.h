#pragma once

#include <QAudioFormat>
#include <QObject>

class QIODevice;

namespace zentil {

// Where a wave player's samples go. An output pulls interleaved PCM from a random-access source,
// starting at the source's current position, until the source is at its end; it reports how much
// sound has actually been heard. Implementations wrap one system service each.
class AudioOutput : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Starts playing; false when the output cannot play (no device, the device refused).
    virtual bool Start(QIODevice* source, const QAudioFormat& format) = 0;
    virtual void Suspend() = 0;
    virtual void Resume() = 0;
    // Stops at once; the output does not touch the source afterwards.
    virtual void Stop() = 0;
    // Microseconds of sound played since Start, not counting suspended time.
    virtual qint64 PlayedUs() const = 0;
    // True for an output that really makes sound.
    virtual bool IsAudible() const = 0;

Q_SIGNALS:
    // Every sample up to the end of the source has been played.
    void Drained();
    // The output broke down while playing (the sound server went away); it is stopped.
    void Failed();
};

} // namespace zentil
