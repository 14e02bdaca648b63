#pragma once

#include <QImage>
#include <QString>

#include <memory>
#include <vector>

namespace zentil {

// Writes an MP4 file with one H.264 video stream and one AAC sound stream. Pictures and sound
// are handed over in presentation order; converting and encoding run on a thread of their own
// (and the H.264 encoder's threads), so the caller can draw the next picture meanwhile.
class VideoEncoder {
public:
    static constexpr int SampleRate = 48000;
    static constexpr int Channels = 2;

    VideoEncoder();
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Opens the file and the encoders; false with the reason in error.
    bool Open(const QString& path, int width, int height, int fps, QString* error);
    // The next `count` frames show the picture, scaled to fit the frame (black bars around).
    void AddFrames(const QImage& picture, int count);
    // The next sound: interleaved stereo samples at SampleRate, -1..1.
    void AddSound(std::vector<float> samples);
    // Encodes what is queued, finishes the file; false with the reason in error.
    bool Finish(QString* error);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Decodes a sound file (Ogg Vorbis, wave, ...) to interleaved stereo samples at the encoder's
// rate; false with the reason in error.
bool DecodeSoundFile(const QString& path, std::vector<float>& samples, QString* error);

} // namespace zentil
