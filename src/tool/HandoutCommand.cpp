#include "tool/HandoutCommand.h"

#include "render/Handout.h"
#include "script/PresentationModel.h"
#include "tool/ToolShow.h"

#include <QPdfWriter>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr int kPrintDpi = 300;

} // namespace

int RunHandoutCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QStringList files;
    int perPage = 1;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--per-page" && i + 1 < args.size()) {
            perPage = args[++i].toInt(); // checked below
        } else {
            files << args[i];
        }
    }
    if (files.size() != 2 || files.front().startsWith(u"--") || !IsHandoutLayout(perPage)) {
        err << u"Usage: zentil-tool "_s << QString::fromLatin1(HandoutCommandSynopsis) << u"\n"_s;
        return 2;
    }
    ToolShow show;
    if (!show.Load(files[0], u"handout"_s, err))
        return 1;
    const SlideShowModel& model = show.Model();
    QPdfWriter writer(files[1]);
    writer.setResolution(kPrintDpi);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setTitle(show.Title());
    writer.setCreator(u"zentil-tool"_s);
    HandoutRequest request;
    request.Title = show.Title();
    request.SlideCount = model.SlideCount();
    request.SlidesPerPage = perPage;
    request.PaintSlide
        = [&show](QPainter& p, const QRectF& frame, int n) { show.PaintSlide(p, frame, n); };
    const int pages = PrintHandout(writer, request);
    show.ReportProblems(err);
    if (pages == 0) {
        err << u"zentil-tool handout: cannot write "_s << files[1] << u"\n"_s;
        return 1;
    }
    out << u"Wrote "_s << files[1] << u": "_s << model.SlideCount() << u" slides on "_s << pages
        << (pages == 1 ? u" page\n"_s : u" pages\n"_s);
    return 0;
}

} // namespace zentil
