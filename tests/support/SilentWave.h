#pragma once

#include <QDataStream>
#include <QFile>
#include <QString>

#include <cmath>

namespace zentil::test {

enum class SampleKind { Pcm16, Float32 };

// Writes a RIFF WAVE file holding a 440 Hz tone (silence at amplitude 0) of exactly the given
// number of frames; false when the file cannot be written.
inline bool WriteTone(const QString& path, int rate, int channels, qint64 frames,
    SampleKind kind = SampleKind::Pcm16, double amplitude = 0.3)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const int bytesPerSample = kind == SampleKind::Pcm16 ? 2 : 4;
    const quint32 dataSize = static_cast<quint32>(frames * channels * bytesPerSample);
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.setFloatingPointPrecision(QDataStream::SinglePrecision);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataSize);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(kind == SampleKind::Pcm16 ? 1 : 3) << quint16(channels)
        << quint32(rate) << quint32(rate * channels * bytesPerSample)
        << quint16(channels * bytesPerSample) << quint16(bytesPerSample * 8);
    out.writeRawData("data", 4);
    out << dataSize;
    for (qint64 i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2.0 * M_PI * 440.0 * static_cast<double>(i) / rate);
        for (int c = 0; c < channels; ++c) {
            if (kind == SampleKind::Pcm16)
                out << qint16(std::lround(v * 32767.0));
            else
                out << float(v);
        }
    }
    return out.status() == QDataStream::Ok;
}

// A mono 16-bit wave file of silence lasting the given milliseconds.
inline bool WriteSilentWave(const QString& path, int milliseconds)
{
    return WriteTone(path, 8000, 1, 8 * qint64(milliseconds), SampleKind::Pcm16, 0.0);
}

} // namespace zentil::test
