#include "download/DownloadPlanning.h"

#include "script/PresentationModel.h"

#include <QStringList>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

double At(const std::vector<int32_t>& table, int32_t slide)
{
    const auto i = static_cast<size_t>(slide - 1);
    return i < table.size() ? table[i] : 0.0;
}

double At(const std::vector<float>& table, int32_t slide)
{
    const auto i = static_cast<size_t>(slide - 1);
    return i < table.size() ? static_cast<double>(table[i]) : 0.0;
}

// True when, with slides first..k present, every later slide's files and decoding fit into
// the narration time played before it.
bool LaterSlidesFit(const SlideShowModel& model, double bitsPerSecond, int32_t first, int32_t k)
{
    double budget = 0;
    for (int32_t j = first; j <= k; ++j)
        budget += At(model.SlideOggFileTime, j);
    for (int32_t j = k + 1; j <= model.SlideCount(); ++j) {
        budget -= At(model.SlideDownLoadSize, j) * 8.0 / bitsPerSecond
            + At(model.SlideOggFileSize, j) / kDecodeBytesPerSecond;
        if (budget < 0)
            return false;
        budget += At(model.SlideOggFileTime, j);
    }
    return true;
}

// The number of queued names up to and including slide k's last one, taking the highest slide
// at or below k that has anything to download and whose names are queued; 0 when none is.
// Names match whole, ignoring case.
qsizetype InsertionPoint(const SlideShowModel& model, const QStringList& queue, int32_t k)
{
    for (int32_t j = std::min(k, model.SlideCount()); j >= 1; --j) {
        if (At(model.SlideDownLoadSize, j) <= 0)
            continue;
        qsizetype p = 0;
        for (const QString& name : model.SlideAt(j).ResourceName) {
            for (qsizetype at = 0; at < queue.size(); ++at) {
                if (queue[at].compare(name, Qt::CaseInsensitive) == 0) {
                    p = std::max(p, at + 1);
                    break;
                }
            }
        }
        if (p > 0)
            return p;
    }
    return 0;
}

} // namespace

int32_t PlannedStartSlide(const SlideShowModel& model, double downloadRate, int32_t firstSlide)
{
    const double bitsPerSecond = downloadRate * 8.0 * kUsableRateShare;
    int32_t k = std::max(firstSlide, 1);
    while (k < model.SlideCount() && !LaterSlidesFit(model, bitsPerSecond, firstSlide, k))
        ++k;
    return k;
}

void PlaceStartMarker(SlideShowModel& model, double downloadRate, int32_t firstSlide)
{
    DownloadQueue& queue = model.Queue;
    QStringList names = queue.BeforeStart + queue.AfterStart;
    const int32_t k = downloadRate > 0 ? PlannedStartSlide(model, downloadRate, firstSlide)
                                       : model.SlideCount();
    const qsizetype p = k >= model.SlideCount() ? names.size() : InsertionPoint(model, names, k);
    queue.BeforeStart = names.mid(0, p);
    queue.AfterStart = names.mid(p);
    queue.MarkerPlaced = true;
    queue.Probe = false;
    model.PreStartFileCount = static_cast<int32_t>(queue.BeforeStart.size()) + 1;
    model.PostStartFileCount = static_cast<int32_t>(queue.AfterStart.size());
}

QString CachingCaption(qint64 bytes, qint64 remoteSize, double downloadRate)
{
    const double kbps = std::nearbyint(downloadRate * 8.0 / 100.0) / 10.0;
    // Whole numbers without a decimal point, others with their one decimal.
    const QString rate = kbps == std::floor(kbps) ? QString::number(static_cast<qint64>(kbps))
                                                  : QString::number(kbps, 'f', 1);
    return u"caching %1 of %2 bytes at %3 Kbps"_s.arg(bytes).arg(remoteSize).arg(rate);
}

} // namespace zentil
