#pragma once

#include <QImage>
#include <QString>

#include <functional>

class QPagedPaintDevice;
class QPainter;

namespace zentil {

struct SlideShowModel;

// A printed handout of a show: the slides in order, slidesPerPage (1, 2, 4 or 6) to a page, each
// with its number, the show's title and the page number on every page.
struct HandoutRequest {
    QString Title;
    int SlideCount = 0;
    int SlidesPerPage = 1;
    // Slide n (1-based) as the player shows it once all its subslides are in.
    std::function<QImage(int slide)> DrawSlide;
    // The texts slide n writes, so that they can be found and copied in the document.
    std::function<QStringList(int slide)> SlideTexts;
};

// Whether the handout takes this many slides a page.
bool IsHandoutLayout(int slidesPerPage);

// Sets the page orientation for the layout, then draws every page on the device (a
// QPdfWriter or a QPrinter). Returns the number of pages.
int PrintHandout(QPagedPaintDevice& device, const HandoutRequest& request);

// The texts of every /text statement of slide n and its subslides, in script order.
QStringList SlideTextLines(const SlideShowModel& model, int slide);

} // namespace zentil
