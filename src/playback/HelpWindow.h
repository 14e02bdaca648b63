#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace zentil {

// The help form (`HelpDisplay`): the slide show's keys and mouse actions beside what they do,
// and the version lines. It grows with its texts, so no column is cut at any font size. It is not
// modal: the show goes on while it is open, and opening it again shows the same window.
class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // The two columns, lines joined by CR LF; a blank line keeps each effect beside the first
    // key it belongs to.
    static QString CommandText();
    static QString DescriptionText();
    // VersionLabel(0..kVersionLines - 1): the script language's version, then the player's.
    static constexpr int kVersionLines = 2;
    static QString VersionLine(int index);

    // Shows the window (or brings the open one to the front).
    void ShowHelp();

    // Runs after OK has hidden the window.
    std::function<void()> OnClosed;
};

} // namespace zentil
