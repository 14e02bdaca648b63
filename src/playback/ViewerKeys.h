#pragma once

#include <QColor>
#include <QString>

#include <functional>

namespace zentil {

// What the viewer keys ask of the player around them.
struct ViewerKeyHooks {
    std::function<void()> ToggleFullScreen; // F, F11
    std::function<void()> ShowHelp; // F1, ?, H
    std::function<void()> Leave; // Q, as Escape
    // One step as the arrow keys make it (the same preview and quiet period): Right or Left.
    std::function<void(bool forward)> Step;
    std::function<void(int slideNumber)> GoToSlide; // digits, then Enter
    // Blanking pauses the narration while the screen is blank and resumes it afterwards.
    std::function<bool()> NarrationPlaying;
    std::function<void()> PauseToggle;
    // Covers the screen in the colour; an invalid colour uncovers it.
    std::function<void(const QColor&)> Blank;
};

// The keys and mouse actions people expect of a presentation viewer, on top of the show's own
// keys: full screen or a window, help, Q to leave, the wheel and a left click to step, B/W to
// blank the screen, a slide number typed and Enter. Held keys repeat only where stepping
// through slides: a held key never toggles pause, blanking or a panel over and over.
class ViewerKeys {
public:
    void SetHooks(ViewerKeyHooks hooks) { hooks_ = std::move(hooks); }

    // A key press; true when it has been handled here (or dropped as a repeat), false when it
    // belongs to the show's own keys.
    bool KeyDown(int key, bool autoRepeat);
    // A key release; true when the show's own keys must not see it.
    bool KeyUp(int key, bool autoRepeat);
    // The wheel turned by whole notches: away from the user (positive) steps back.
    void Wheel(int notches);
    // A left click on the slide (not one that closed a panel): steps forward.
    void LeftClick();

    bool Blanked() const { return blank_.isValid(); }
    const QString& TypedNumber() const { return typed_; }

    // The keys that step through slides, which may repeat while held.
    static bool IsStepKey(int key);

private:
    void ToggleBlank(const QColor& colour);

    ViewerKeyHooks hooks_;
    QColor blank_;
    bool pausedForBlank_ = false;
    QString typed_;
};

} // namespace zentil
