#include "tool/PreviewWindow.h"

#include "script/PresentationModel.h"
#include "tool/ToolShow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QSlider>
#include <QTextStream>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr int kSettleMs = 60;
constexpr int kMostProblemLines = 12;

} // namespace

PreviewWindow::PreviewWindow(const QString& scriptPath, QWidget* parent)
    : QWidget(parent)
    , scriptPath_(QFileInfo(scriptPath).absoluteFilePath())
{
    setWindowTitle(QFileInfo(scriptPath).fileName() + u" - Zentil preview"_s);
    setMinimumSize(400, 340);
    resize(800, 640);
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    caption_ = new QLabel(this);
    timeline_ = new QSlider(Qt::Horizontal, this);
    timeline_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(caption_);
    layout->addWidget(timeline_);
    connect(timeline_, &QSlider::valueChanged, this, [this] { Redraw(); });
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &PreviewWindow::Reload);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, &settle_, qOverload<>(&QTimer::start));
    connect(
        &watcher_, &QFileSystemWatcher::directoryChanged, &settle_, qOverload<>(&QTimer::start));
    Reload();
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::WatchFiles()
{
    // A file saved by rename is a new file: the old one leaves the watch list, and the folder's
    // change says so. Everything is watched again after each load.
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    const QDir folder = QFileInfo(scriptPath_).absoluteDir();
    QStringList paths { folder.path() };
    if (QFileInfo::exists(scriptPath_))
        paths << scriptPath_;
    const QDir resources(folder.filePath(u"resources"_s));
    if (resources.exists()) {
        paths << resources.path();
        for (const QFileInfo& f : resources.entryInfoList(QDir::Files))
            paths << f.absoluteFilePath();
    }
    watcher_.addPaths(paths);
}

void PreviewWindow::Reload()
{
    WatchFiles();
    problemLines_.clear();
    for (const CheckProblem& p : CheckScriptFile(scriptPath_)) {
        if (problemLines_.size() == kMostProblemLines) {
            problemLines_ << u"..."_s;
            break;
        }
        problemLines_ << u"line "_s + FormatProblem(QString(), p).mid(1);
    }
    // The show is read again only when a file changed; stepping through it reuses it.
    QString failure;
    QTextStream err(&failure);
    show_ = std::make_unique<ToolShow>();
    if (show_->Load(scriptPath_, u"preview"_s, err)) {
        loadFailure_.clear();
    } else {
        err.flush();
        loadFailure_ = failure.trimmed();
        show_.reset();
    }
    Redraw();
}

void PreviewWindow::ShowSlide(int slide, int subslide)
{
    slide_ = std::max(1, slide);
    const QSignalBlocker quiet(timeline_);
    timeline_->setValue(subslide);
    Redraw();
}

void PreviewWindow::Redraw()
{
    if (show_) {
        const SlideShowModel& model = show_->Model();
        slideCount_ = model.SlideCount();
        slide_ = std::clamp(slide_, 1, std::max(1, slideCount_));
        const Slide& slide = model.SlideAt(slide_);
        const QSignalBlocker quiet(timeline_);
        timeline_->setRange(0, slide.SubslideCount());
        const int k = timeline_->value();
        picture_ = show_->DrawSlide(slide_, k);
        const double at = k == 0 ? 0.0 : slide.SubSlide[size_t(k - 1)].StartTime / 1000.0;
        caption_->setText(
            u"Slide %1 of %2 - subslide %3 of %4 (%5 s)   PgUp/PgDn: slide"_s.arg(slide_)
                .arg(slideCount_)
                .arg(k)
                .arg(slide.SubslideCount())
                .arg(at, 0, 'f', 1));
    } else {
        picture_ = QImage();
    }
    update();
    Q_EMIT Redrawn();
}

void PreviewWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_PageDown:
    case Qt::Key_Space:
        ShowSlide(std::min(slide_ + 1, std::max(1, slideCount_)));
        break;
    case Qt::Key_Left:
    case Qt::Key_PageUp:
        ShowSlide(slide_ - 1);
        break;
    case Qt::Key_Home:
        ShowSlide(1);
        break;
    case Qt::Key_End:
        ShowSlide(slideCount_);
        break;
    case Qt::Key_Up:
        timeline_->setValue(timeline_->value() + 1);
        break;
    case Qt::Key_Down:
        timeline_->setValue(timeline_->value() - 1);
        break;
    case Qt::Key_Escape:
        close();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void PreviewWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect room(0, 0, width(), caption_->geometry().top() - 4);
    p.fillRect(room, Qt::black);
    const QSize fitted = QSize(800, 600).scaled(room.size(), Qt::KeepAspectRatio);
    const QRect slide(room.center() - QPoint(fitted.width() / 2, fitted.height() / 2), fitted);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!picture_.isNull())
        p.drawImage(slide, picture_);
    QStringList lines = problemLines_;
    if (!loadFailure_.isEmpty())
        lines.prepend(loadFailure_);
    if (lines.isEmpty())
        return;
    const QFontMetrics metrics(font());
    const int height = metrics.height() * static_cast<int>(lines.size()) + 8;
    const QRect box(slide.left(), slide.bottom() - height, slide.width(), height);
    p.fillRect(box, QColor(0, 0, 0, 200));
    p.setPen(QColor(255, 120, 100));
    int y = box.top() + 4 + metrics.ascent();
    for (const QString& line : std::as_const(lines)) {
        p.drawText(box.left() + 6, y, metrics.elidedText(line, Qt::ElideRight, box.width() - 12));
        y += metrics.height();
    }
}

int RunPreviewCommand(const QStringList& args)
{
    QTextStream err(stderr);
    QStringList files;
    int slide = 1;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--slide" && i + 1 < args.size())
            slide = args[++i].toInt();
        else
            files << args[i];
    }
    if (files.size() != 1 || files.front().startsWith(u"--") || slide < 1) {
        err << u"Usage: zentil-tool "_s << QString::fromLatin1(PreviewCommandSynopsis) << u"\n"_s;
        return 2;
    }
    if (!QFileInfo(files.front()).isFile()) {
        err << u"zentil-tool preview: no such script: "_s << files.front() << u"\n"_s;
        return 1;
    }
    PreviewWindow window(files.front());
    window.ShowSlide(slide);
    window.show();
    return QApplication::exec();
}

} // namespace zentil
