#include "app/ZentilApp.h"

#include "playback/FullScreenWindow.h"
#include "render/Handout.h"
#include "render/SlideComposition.h"

#include <QPrintDialog>
#include <QPrinter>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr int kSlidesPerPrintedPage = 2;

} // namespace

void ZentilApp::PrintSlides()
{
    if (model_.SlideCount() == 0)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(model_.Defn.ShowTitle);
    if (!options_.ShowDialogs) {
        reporter_->ShowMessage(
            u"Print Slides"_s, u"The slides were not printed: this run shows no print dialog."_s);
        return;
    }
    QPrintDialog dialog(&printer, window_.get());
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The slides are drawn on a drawing state of their own: the one on screen is left as it is.
    RenderState printing;
    const DrawingEnvironment env = MakeDrawingEnvironment();
    HandoutRequest request;
    request.Title = model_.Defn.ShowTitle;
    request.SlideCount = model_.SlideCount();
    request.SlidesPerPage = kSlidesPerPrintedPage;
    request.PaintSlide = [&](QPainter& p, const QRectF& frame, int n) {
        PaintComposedSlide(
            p, frame, printing, model_, env, log_, n, model_.SlideAt(n).SubslideCount());
    };
    PrintHandout(printer, request);
}

} // namespace zentil
