#pragma once

#include <QRectF>
#include <QString>

#include <functional>

class QPagedPaintDevice;
class QPainter;

namespace zentil {

// A printed handout of a show: the slides in order, slidesPerPage (1, 2, 4 or 6) to a page, each
// with its number, the show's title and the page number on every page.
struct HandoutRequest {
    QString Title;
    int SlideCount = 0;
    int SlidesPerPage = 1;
    // Paints slide n (1-based) as the player shows it once all its subslides are in, fitted
    // into frame (see PaintComposedSlide): its words are text the reader can find and copy.
    std::function<void(QPainter& p, const QRectF& frame, int slide)> PaintSlide;
};

// Whether the handout takes this many slides a page.
bool IsHandoutLayout(int slidesPerPage);

// Sets the page orientation for the layout, then draws every page on the device (a
// QPdfWriter or a QPrinter). Returns the number of pages.
int PrintHandout(QPagedPaintDevice& device, const HandoutRequest& request);

} // namespace zentil
