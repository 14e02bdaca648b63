#include "playback/ResourcePanel.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {
constexpr int kBarSteps = 1000;

QProgressBar* MakeBar(QWidget* parent, const QString& name)
{
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(name);
    bar->setRange(0, kBarSteps);
    bar->setTextVisible(false);
    bar->setFixedHeight(12);
    return bar;
}
} // namespace

ResourcePanel::ResourcePanel(QWidget* parent)
    : QFrame(parent)
    , caption_(new QLabel(this))
    , text_(new QLabel(this))
    , bytes_(new QLabel(this))
    , fileBar_(MakeBar(this, u"ProgressBar"_s))
    , filesBar_(MakeBar(this, u"FilesBar"_s))
    , timeLeft_(new QLabel(this))
{
    setObjectName(u"ResourcePanel"_s);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);
    caption_->setObjectName(u"Caption"_s);
    text_->setObjectName(u"Text"_s);
    bytes_->setObjectName(u"Bytes"_s);
    QFont bold = caption_->font();
    bold.setBold(true);
    caption_->setFont(bold);
    caption_->setAlignment(Qt::AlignCenter);

    timeLeft_->setObjectName(u"TimeLeft"_s);
    timeLeft_->setAlignment(Qt::AlignRight);

    auto* layout = new QGridLayout(this);
    layout->addWidget(caption_, 0, 0, 1, 2);
    layout->addWidget(text_, 1, 0, 1, 2);
    layout->addWidget(bytes_, 2, 0, 1, 2);
    layout->addWidget(new QLabel(u"This file"_s, this), 3, 0);
    layout->addWidget(fileBar_, 3, 1);
    layout->addWidget(new QLabel(u"Whole show"_s, this), 4, 0);
    layout->addWidget(filesBar_, 4, 1);
    layout->addWidget(timeLeft_, 5, 0, 1, 2);
    setFixedSize(420, 170);
}

void ResourcePanel::setVisible(bool visible)
{
    if (visible && BeforeFirstShow)
        std::exchange(BeforeFirstShow, {})(*this);
    QFrame::setVisible(visible);
}

void ResourcePanel::SetCaption(const QString& caption)
{
    caption_->setText(caption);
}

void ResourcePanel::SetText(const QString& text)
{
    text_->setText(text);
}

void ResourcePanel::SetBytes(const QString& bytes)
{
    bytes_->setText(bytes);
}

void ResourcePanel::SetFileProgress(double share)
{
    fileBar_->setValue(static_cast<int>(std::nearbyint(std::clamp(share, 0.0, 1.0) * kBarSteps)));
}

void ResourcePanel::SetFilesProgress(double share)
{
    share = std::clamp(share, 0.0, 1.0);
    // The clock starts with the first progress report of a download.
    if (!sinceStart_.isValid() || share <= 0.0)
        sinceStart_.start();
    filesBar_->setValue(static_cast<int>(std::nearbyint(share * kBarSteps)));
    timeLeft_->setText(EstimateTimeLeft(sinceStart_.elapsed(), share));
}

QString ResourcePanel::EstimateTimeLeft(qint64 elapsedMs, double shareDone)
{
    if (shareDone < 0.02 || shareDone >= 1.0 || elapsedMs < 1000)
        return QString();
    const double seconds = elapsedMs / 1000.0 * (1.0 - shareDone) / shareDone;
    if (seconds < 60)
        return u"About %1 seconds left"_s.arg(std::max(1, int(std::ceil(seconds / 5) * 5)));
    const int minutes = int(std::ceil(seconds / 60));
    return minutes == 1 ? u"About a minute left"_s : u"About %1 minutes left"_s.arg(minutes);
}

} // namespace zentil
