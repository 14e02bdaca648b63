#pragma once

#include <QImage>
#include <QSize>

#include <memory>

namespace zentil {

struct PicturePool;

// Pixel memory for pictures the size of the screen (the drawing layers). Fresh memory costs a
// page fault per 4 KiB the first time it is written: milliseconds for one full-screen picture,
// paid in the middle of a slide change. This memory is asked of the kernel in transparent huge
// pages where it offers them (a few faults per picture), and a block whose last picture is gone
// comes back here to be reused while it is still warm.
//
// The pictures are ordinary QImages: copies share them, and one that is drawn on while shared
// detaches into ordinary memory as Qt does it. A PictureMemory is a handle: copies use the same
// blocks. Pictures may outlive every handle; pictures may be released on any thread.
class PictureMemory {
public:
    PictureMemory();

    // A picture of the given size and format whose pixels are not set. Pictures too small to
    // gain from huge pages, or a failing mapping, give an ordinary QImage.
    QImage NewPicture(QSize size, QImage::Format format) const;

    // The picture's pixels in memory of their own, as NewPicture makes it.
    QImage CopyOf(const QImage& picture) const;

    // Makes memory for up to count pictures of that size and format ready for use (its pages
    // faulted in and cleared by the kernel), so the first pictures drawn need not wait for it.
    // Slow: meant for a worker thread while the show is being opened.
    void Prepare(QSize size, QImage::Format format, int count) const;

private:
    std::shared_ptr<PicturePool> pool_;
};

} // namespace zentil
