#pragma once

#include <QAudioFormat>
#include <QIODevice>
#include <QString>

#include <memory>
#include <vector>

namespace zentil {

// A narration file read through libsndfile and offered as a random-access device of interleaved
// signed 16-bit samples, the format every sound output accepts: a wave file (PCM of any width,
// float, A-law, mu-law, WAVE_FORMAT_EXTENSIBLE, RF64, Wave64) or Ogg Vorbis, decoded as it is
// read, so no decoded copy is ever written. Positions are in bytes of that 16-bit stream.
class WaveFileSource : public QIODevice {
    Q_OBJECT

public:
    enum class OpenResult {
        Opened,
        FileNotFound, // no such file, or it cannot be read
        InvalidFile, // not a narration file, one without playable sound, or one cut short
    };

    explicit WaveFileSource(QObject* parent = nullptr);
    ~WaveFileSource() override;

    // Opens the file read-only; replaces a file opened before.
    OpenResult OpenFile(const QString& path);

    QAudioFormat Format() const { return format_; }
    qint64 FrameCount() const { return frames_; }
    int SampleRate() const { return format_.sampleRate(); }
    int BytesPerFrame() const { return format_.bytesPerFrame(); }
    // Byte offset of the first sample at or after the given millisecond.
    qint64 BytePosForMs(qint64 ms) const;

    bool isSequential() const override { return false; }
    qint64 size() const override;
    bool seek(qint64 pos) override;
    bool atEnd() const override;
    void close() override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    struct SndFile;
    std::unique_ptr<SndFile> file_;
    QAudioFormat format_;
    qint64 frames_ = 0;
    bool exhausted_ = false; // the file held fewer frames than its header claimed
    std::vector<short> buffer_;
};

} // namespace zentil
