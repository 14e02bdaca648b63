#include "platform/PictureMemory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>

namespace zentil {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
// Below half a huge page the rounding would waste more than it saves.
constexpr std::size_t kSmallestPooled = kHugePage / 2;
// Enough for the layers of a slide change and the window's picture; more is given back.
constexpr std::size_t kSpareBlocks = 4;

// Whole huge pages for that many bytes.
std::size_t HugePagesFor(std::size_t bytes)
{
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

struct Block {
    void* Start = nullptr;
    std::size_t Bytes = 0;
};

// A mapping of whole huge pages starting on a huge-page boundary, marked for huge pages.
Block MapBlock(std::size_t bytes)
{
    const std::size_t length = HugePagesFor(bytes);
    void* raw = mmap(
        nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return {};
    const auto first = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t start = HugePagesFor(first);
    if (start > first)
        munmap(raw, start - first);
    const std::uintptr_t end = first + length + kHugePage;
    if (end > start + length)
        munmap(reinterpret_cast<void*>(start + length), end - (start + length));
    // Without huge pages on offer the advice fails and the block is ordinary memory.
    madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
    return Block { reinterpret_cast<void*>(start), length };
}

void UnmapBlock(const Block& block)
{
    munmap(block.Start, block.Bytes);
}

qsizetype BytesPerLine(QSize size, QImage::Format format)
{
    const int bits = QImage::toPixelFormat(format).bitsPerPixel();
    return (qsizetype(size.width()) * bits + 31) / 32 * 4;
}

// The bytes of a picture kept in pooled memory; 0 for one too small to gain from huge pages.
std::size_t PooledBytes(QSize size, QImage::Format format)
{
    if (size.isEmpty() || format == QImage::Format_Invalid)
        return 0;
    const auto bytes = std::size_t(BytesPerLine(size, format)) * std::size_t(size.height());
    return bytes < kSmallestPooled ? 0 : bytes;
}

} // namespace

struct PicturePool {
    std::mutex Lock;
    std::deque<Block> Spare; // oldest first

    ~PicturePool()
    {
        for (const Block& block : Spare)
            UnmapBlock(block);
    }

    // A spare block of the right size, else a new one. Spare blocks of other sizes stay: layers
    // and enlarged pictures ask for different sizes, and Give keeps the spares few.
    Block Take(std::size_t bytes)
    {
        const std::size_t length = HugePagesFor(bytes);
        {
            std::lock_guard<std::mutex> hold(Lock);
            const auto it = std::find_if(Spare.begin(), Spare.end(),
                [length](const Block& block) { return block.Bytes == length; });
            if (it != Spare.end()) {
                const Block block = *it;
                Spare.erase(it);
                return block;
            }
        }
        return MapBlock(bytes);
    }

    std::size_t SpareCount()
    {
        std::lock_guard<std::mutex> hold(Lock);
        return Spare.size();
    }

    void Give(const Block& block)
    {
        std::lock_guard<std::mutex> hold(Lock);
        Spare.push_back(block);
        if (Spare.size() > kSpareBlocks) {
            UnmapBlock(Spare.front());
            Spare.pop_front();
        }
    }
};

namespace {

// What a picture's cleanup needs: its block and the pool to give it back to (kept alive by it).
struct Lease {
    std::shared_ptr<PicturePool> Pool;
    Block Memory;
};

void ReturnBlock(void* info)
{
    auto* lease = static_cast<Lease*>(info);
    lease->Pool->Give(lease->Memory);
    delete lease;
}

} // namespace

PictureMemory::PictureMemory()
    : pool_(std::make_shared<PicturePool>())
{ }

QImage PictureMemory::NewPicture(QSize size, QImage::Format format) const
{
    const std::size_t bytes = PooledBytes(size, format);
    if (bytes == 0)
        return QImage(size, format);
    const Block block = pool_->Take(bytes);
    if (!block.Start)
        return QImage(size, format);
    auto* lease = new Lease { pool_, block };
    return QImage(static_cast<uchar*>(block.Start), size.width(), size.height(),
        BytesPerLine(size, format), format, ReturnBlock, lease);
}

void PictureMemory::Prepare(QSize size, QImage::Format format, int count) const
{
    const std::size_t bytes = PooledBytes(size, format);
    for (int i = 0; bytes != 0 && i < count && pool_->SpareCount() < kSpareBlocks; ++i) {
        const Block block = MapBlock(bytes);
        if (!block.Start)
            return;
        // One write per small page faults in the whole block (a huge page per 2 MiB).
        auto* bytesOf = static_cast<volatile unsigned char*>(block.Start);
        for (std::size_t at = 0; at < block.Bytes; at += 4096)
            bytesOf[at] = 0;
        pool_->Give(block);
    }
}

QImage PictureMemory::CopyOf(const QImage& picture) const
{
    if (picture.isNull())
        return picture;
    QImage copy = NewPicture(picture.size(), picture.format());
    if (copy.isNull())
        return picture.copy();
    if (copy.bytesPerLine() == picture.bytesPerLine()) {
        std::memcpy(copy.bits(), picture.constBits(), std::size_t(picture.sizeInBytes()));
    } else {
        const auto row = std::size_t(std::min(copy.bytesPerLine(), picture.bytesPerLine()));
        for (int y = 0; y < picture.height(); ++y)
            std::memcpy(copy.scanLine(y), picture.constScanLine(y), row);
    }
    copy.setColorTable(picture.colorTable());
    copy.setDevicePixelRatio(picture.devicePixelRatio());
    return copy;
}

} // namespace zentil
