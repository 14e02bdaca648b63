// Wave opening: any bytes as a narration file, opened through libsndfile and read back as
// 16-bit samples from the start and from positions the file claims.
#include "FuzzSupport.h"

#include "platform/WaveFileSource.h"

#include <QDir>

#include <algorithm>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

constexpr qint64 kMostBytesRead = 1 << 20;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = QDir(fuzz::ScratchFolder()).filePath(u"input.wav"_s);
    if (!fuzz::WriteFile(path, fuzz::Bytes(data, size)))
        return 0;
    WaveFileSource source;
    if (source.OpenFile(path) != WaveFileSource::OpenResult::Opened)
        return 0;
    if (source.size() < 0 || source.BytesPerFrame() <= 0)
        std::abort();
    char buffer[4096];
    qint64 total = 0;
    qint64 n = 0;
    while (total < kMostBytesRead && (n = source.read(buffer, sizeof buffer)) > 0)
        total += n;
    if (n < 0)
        std::abort();
    const qint64 seconds = source.FrameCount() / source.SampleRate();
    const qint64 middle = source.BytePosForMs(std::min<qint64>(seconds, 1'000'000'000) * 500);
    if (middle < 0 || middle > source.size() || !source.seek(middle))
        std::abort();
    (void)source.read(buffer, sizeof buffer);
    source.close();
    return 0;
}
