#include "playback/ResourcePanel.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <cmath>

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

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addWidget(text_);
    layout->addWidget(bytes_);
    layout->addWidget(fileBar_);
    layout->addWidget(filesBar_);
    setFixedSize(420, 150);
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
    filesBar_->setValue(static_cast<int>(std::nearbyint(std::clamp(share, 0.0, 1.0) * kBarSteps)));
}

QString ResourcePanel::Caption() const
{
    return caption_->text();
}

QString ResourcePanel::Text() const
{
    return text_->text();
}

QString ResourcePanel::Bytes() const
{
    return bytes_->text();
}

} // namespace zentil
