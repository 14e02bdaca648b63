#pragma once

#include "tool/ScriptCheck.h"

#include <QFileSystemWatcher>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <memory>

class QLabel;
class QSlider;

namespace zentil {

class ToolShow;

// An author's live view of one slide: keys step through the slides, the slider through the
// slide's subslides, and the picture is drawn again shortly after the script or a resource is
// saved (editors that save by writing a new file and renaming it included). The checker's
// errors are drawn over the slide with their line numbers.
class PreviewWindow : public QWidget {
    Q_OBJECT

public:
    explicit PreviewWindow(const QString& scriptPath, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    int SlideNumber() const { return slide_; }
    int SlideCount() const { return slideCount_; }
    // The slide as drawn last, without the problem list.
    const QImage& Picture() const { return picture_; }
    // The lines drawn over the slide: "line L:C: error: text".
    const QStringList& ProblemLines() const { return problemLines_; }
    void ShowSlide(int slide, int subslide = 0);

Q_SIGNALS:
    // The picture and the problem list were made again.
    void Redrawn();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Reload();
    void Redraw();
    void WatchFiles();

    QString scriptPath_;
    std::unique_ptr<ToolShow> show_; // the show as last read; none when it cannot be read
    QFileSystemWatcher watcher_;
    QTimer settle_; // a save often touches a file several times: draw once it is quiet
    QSlider* timeline_ = nullptr;
    QLabel* caption_ = nullptr;
    int slide_ = 1;
    int slideCount_ = 0;
    QImage picture_;
    QStringList problemLines_;
    QString loadFailure_;
};

// zentil-tool preview SCRIPT [--slide N]: opens the window and runs until it is closed.
int RunPreviewCommand(const QStringList& args);

inline constexpr const char* PreviewCommandSynopsis
    = "preview SCRIPT [--slide N]       a window that redraws the slide whenever it is saved";

} // namespace zentil
