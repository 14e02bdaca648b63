#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QFile>
#include <QString>

namespace zentil::test {

// Writes a mono 16-bit PCM wave file of silence lasting the given milliseconds; false when the
// file cannot be written.
inline bool WriteSilentWave(const QString& path, int milliseconds)
{
    constexpr int rate = 8000;
    const auto dataBytes = static_cast<quint32>(rate * milliseconds / 1000 * 2);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(rate) << quint32(rate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << dataBytes;
    return file.write(QByteArray(static_cast<int>(dataBytes), '\0')) == dataBytes;
}

} // namespace zentil::test
