#pragma once

#include <Qt>
#include <QtGlobal>

namespace zentil {

// What the user asks for. Keys and menu items are bound to commands; what a command does depends
// on the state the show is in (ShowController::Dispatch).
enum class ShowCommand {
    None,
    TogglePause,
    Exit,
    FirstSlide,
    LastSlide,
    NextSlide,
    PreviousSlide,
    ToggleInfoPanel, // on the key's release
};

// Everything that can happen to a running player. Each one goes through
// ShowController::Dispatch, which decides by the show's state what it does.
struct ShowEvent {
    enum class Kind {
        KeyDown, // key, autoRepeat
        KeyUp, // key, autoRepeat
        Command, // command (a menu item, or a key already translated)
        LeftClick, // a left button released over the slide
        RightClick, // a right button released over the slide
        MouseMove,
        Wheel, // code: whole notches, away from the user positive
        Heartbeat, // the 50 ms tick
        NarrationDone, // player, code: a narration player's Done (code 1: its natural end)
        ShowReady, // the files the show needs first are present: it starts
    };
    Kind kind = Kind::Heartbeat;
    Qt::Key key = Qt::Key_unknown;
    bool autoRepeat = false;
    ShowCommand command = ShowCommand::None;
    int player = 0;
    int code = 0;

    static ShowEvent KeyDown(Qt::Key key, bool autoRepeat = false)
    {
        return { Kind::KeyDown, key, autoRepeat, ShowCommand::None, 0, 0 };
    }
    static ShowEvent KeyUp(Qt::Key key, bool autoRepeat = false)
    {
        return { Kind::KeyUp, key, autoRepeat, ShowCommand::None, 0, 0 };
    }
    static ShowEvent Run(ShowCommand command)
    {
        return { Kind::Command, Qt::Key_unknown, false, command, 0, 0 };
    }
    static ShowEvent Of(Kind kind)
    {
        return { kind, Qt::Key_unknown, false, ShowCommand::None, 0, 0 };
    }
    static ShowEvent Wheel(int notches)
    {
        return { Kind::Wheel, Qt::Key_unknown, false, ShowCommand::None, 0, notches };
    }
    static ShowEvent NarrationDone(int player, int code)
    {
        return { Kind::NarrationDone, Qt::Key_unknown, false, ShowCommand::None, player, code };
    }
};

// The key bindings: the command a key stands for on its press. One entry per key.
ShowCommand CommandForKey(Qt::Key key);

// True for the keys that choose a slide (their release restarts the quiet period).
bool IsNavigationCommand(ShowCommand command);

} // namespace zentil
