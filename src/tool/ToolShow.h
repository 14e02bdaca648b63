#pragma once

#include <QImage>
#include <QRectF>
#include <QString>
#include <QTextStream>

#include <memory>

class QPainter;

namespace zentil {

struct SlideShowModel;

// A script loaded as the player loads it (its folder the presentation folder, its resources/
// beside it, working copies in a temporary folder of its own) with its fonts registered, ready
// to draw any slide. The one way the tool commands load a show.
class ToolShow {
public:
    ToolShow();
    ~ToolShow();
    ToolShow(const ToolShow&) = delete;
    ToolShow& operator=(const ToolShow&) = delete;

    // Loads the script; on failure writes why to err (prefixed by "zentil-tool COMMAND: ").
    bool Load(const QString& scriptPath, const QString& command, QTextStream& err);

    const SlideShowModel& Model() const;
    // The show's title as the player shows it (the script's name without a title).
    QString Title() const;
    // Slide n (1-based) with its subslides up to lastSubslide, drawn at the size it has in a
    // picture of the given size (aspect kept, centred, black bars around).
    QImage DrawSlide(int slide, int lastSubslide, QSize size = QSize(800, 600));
    // Slide n with all its subslides painted into frame: shapes and text as vectors and text,
    // pictures as pictures (for print).
    void PaintSlide(QPainter& p, const QRectF& frame, int slide);
    // The narration file of slide n in resources/, "" when there is none.
    QString NarrationFile(int slide) const;
    // Writes what went wrong while drawing since the last call (a missing or unreadable picture,
    // each once; a working copy that could not be made) and returns false when the drawing
    // could not be completed.
    bool ReportProblems(QTextStream& err);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The picture centred in one of the given size, black around (the picture itself when it has
// that size).
QImage Letterboxed(const QImage& picture, QSize size);

} // namespace zentil
