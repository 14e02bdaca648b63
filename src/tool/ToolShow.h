#pragma once

#include <QImage>
#include <QString>
#include <QTextStream>

#include <memory>

namespace zentil {

struct SlideShowModel;

// A script loaded as the player loads it (its folder the presentation folder, its resources/
// beside it, working copies in a temporary folder of its own) with its fonts registered, ready
// to draw any slide. For the tool commands that draw whole shows.
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
    // Slide n (1-based) with its subslides up to lastSubslide, 800×600.
    QImage DrawSlide(int slide, int lastSubslide);
    // The narration file of slide n in resources/, "" when there is none.
    QString NarrationFile(int slide) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace zentil
