#include "platform/WaveFileSource.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <sndfile.h>

#include <algorithm>
#include <cstring>

namespace zentil {

namespace {
constexpr int kMaxChannels = 8;
constexpr int kMaxSampleRate = 384000;

// Narration comes as wave files or as Ogg Vorbis, which is decoded here while it plays.
bool IsNarrationFormat(int format)
{
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
    case SF_FORMAT_W64:
        return true;
    case SF_FORMAT_OGG:
        return (format & SF_FORMAT_SUBMASK) == SF_FORMAT_VORBIS;
    default:
        return false;
    }
}
// True when a RIFF wave file's data chunk claims more bytes than the file holds: a file that is
// still being written (a decoder fills in the samples after the header) or was cut short.
// libsndfile would open it and quietly report only the samples present so far.
bool DataChunkIncomplete(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return false;
    const qint64 fileSize = file.size();
    qint64 at = 12;
    while (at + 8 <= fileSize && file.seek(at)) {
        const QByteArray chunk = file.read(8);
        if (chunk.size() < 8)
            return false;
        const quint32 size = qFromLittleEndian<quint32>(chunk.constData() + 4);
        if (chunk.startsWith("data"))
            return size != 0xFFFFFFFFU && at + 8 + static_cast<qint64>(size) > fileSize;
        at += 8 + static_cast<qint64>(size) + (size & 1U);
    }
    return false;
}
} // namespace

struct WaveFileSource::SndFile {
    SNDFILE* handle = nullptr;
    ~SndFile()
    {
        if (handle != nullptr)
            sf_close(handle);
    }
};

WaveFileSource::WaveFileSource(QObject* parent)
    : QIODevice(parent)
{ }

WaveFileSource::~WaveFileSource() = default;

WaveFileSource::OpenResult WaveFileSource::OpenFile(const QString& path)
{
    close();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isReadable())
        return OpenResult::FileNotFound;

    if (DataChunkIncomplete(path))
        return OpenResult::InvalidFile;

    SF_INFO sfInfo {};
    auto file = std::make_unique<SndFile>();
    file->handle = sf_open(QFile::encodeName(path).constData(), SFM_READ, &sfInfo);
    if (file->handle == nullptr || !IsNarrationFormat(sfInfo.format) || sfInfo.frames <= 0
        || sfInfo.channels < 1 || sfInfo.channels > kMaxChannels || sfInfo.samplerate < 1
        || sfInfo.samplerate > kMaxSampleRate || sfInfo.seekable == 0)
        return OpenResult::InvalidFile;

    file_ = std::move(file);
    frames_ = sfInfo.frames;
    exhausted_ = false;
    format_ = QAudioFormat();
    format_.setSampleRate(sfInfo.samplerate);
    format_.setChannelCount(sfInfo.channels);
    format_.setSampleFormat(QAudioFormat::Int16);
    format_.setChannelConfig(QAudioFormat::defaultChannelConfigForChannelCount(sfInfo.channels));
    QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    return OpenResult::Opened;
}

qint64 WaveFileSource::BytePosForMs(qint64 ms) const
{
    const qint64 frame = std::clamp<qint64>(ms * SampleRate() / 1000, 0, frames_);
    return frame * BytesPerFrame();
}

qint64 WaveFileSource::size() const
{
    return frames_ * BytesPerFrame();
}

bool WaveFileSource::seek(qint64 pos)
{
    if (!file_ || pos < 0 || pos > size())
        return false;
    const qint64 frame = pos / BytesPerFrame();
    if (sf_seek(file_->handle, frame, SEEK_SET) < 0)
        return false;
    exhausted_ = false;
    return QIODevice::seek(frame * BytesPerFrame());
}

bool WaveFileSource::atEnd() const
{
    return !file_ || exhausted_ || pos() >= size();
}

void WaveFileSource::close()
{
    if (isOpen())
        QIODevice::close();
    file_.reset();
    frames_ = 0;
    exhausted_ = false;
    format_ = QAudioFormat();
}

qint64 WaveFileSource::readData(char* data, qint64 maxSize)
{
    if (!file_ || exhausted_)
        return 0;
    const int bytesPerFrame = BytesPerFrame();
    const qint64 wanted = std::min(maxSize, size() - pos()) / bytesPerFrame;
    if (wanted <= 0)
        return 0;
    // Read into an aligned buffer: the caller's buffer need not be aligned for shorts.
    buffer_.resize(static_cast<size_t>(wanted * format_.channelCount()));
    const sf_count_t got = sf_readf_short(file_->handle, buffer_.data(), wanted);
    if (got <= 0) {
        exhausted_ = true; // a short or damaged file: treat what was read as the whole sound
        return 0;
    }
    std::memcpy(data, buffer_.data(), static_cast<size_t>(got * bytesPerFrame));
    return got * bytesPerFrame;
}

qint64 WaveFileSource::writeData(const char* /*data*/, qint64 /*maxSize*/)
{
    return -1;
}

} // namespace zentil
