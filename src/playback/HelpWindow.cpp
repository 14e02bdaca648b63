#include "playback/HelpWindow.h"

#include "base/TextLines.h"
#include "script/ScriptReader.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {
// One row per line: the key and, on the first key of a group, its effect.
struct HelpLine {
    const char16_t* Command;
    const char16_t* Description;
};

constexpr HelpLine kHelpLines[] = {
    { u"Right arrow", u"Advance to next slide" },
    { u"Down arrow", u"" },
    { u"Page down", u"" },
    { u"", u"" },
    { u"Left arrow", u"Return to previous slide" },
    { u"Up arrow", u"" },
    { u"Page up", u"" },
    { u"", u"" },
    { u"Home", u"Go to first slide" },
    { u"End", u"Go to last slide" },
    { u"", u"" },
    { u"Space bar", u"Toggle a pause in play" },
    { u"Enter", u"" },
    { u"Pause", u"" },
    { u"", u"" },
    { u"Number, Enter", u"Go to that slide" },
    { u"Mouse wheel", u"Next or previous slide" },
    { u"Left mouse click", u"Next slide" },
    { u"", u"" },
    { u"'I'", u"Toggle an informational display" },
    { u"'B' or '.'", u"Black screen (again to return)" },
    { u"'W' or ','", u"White screen (again to return)" },
    { u"'F' or F11", u"Full screen or a window" },
    { u"F1, '?' or 'H'", u"This help" },
    { u"Esc or 'Q'", u"Exit player" },
    { u"Right mouse click", u"Popup menu" },
};

QString JoinColumn(const char16_t* HelpLine::*column)
{
    QStringList lines;
    for (const HelpLine& line : kHelpLines)
        lines << QString::fromUtf16(line.*column);
    return lines.join(u"\r\n"_s);
}

// A column is as wide and as tall as its text in the window's font, whatever its size.
QLabel* MakeColumn(const QString& name, const QString& text)
{
    auto* column = new QLabel;
    column->setObjectName(name);
    column->setTextFormat(Qt::PlainText);
    column->setWordWrap(false);
    column->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    column->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->setText(WithNewlines(text));
    return column;
}

QFrame* MakeRule(QFrame::Shape shape)
{
    auto* rule = new QFrame;
    rule->setFrameShape(shape);
    rule->setFrameShadow(QFrame::Sunken);
    return rule;
}
} // namespace

QString HelpWindow::CommandText()
{
    return JoinColumn(&HelpLine::Command);
}

QString HelpWindow::DescriptionText()
{
    return JoinColumn(&HelpLine::Description);
}

QString HelpWindow::VersionLine(int index)
{
    if (index == 0)
        return u"Language Version: "_s + QString::number(PlayerScriptVersion, 'f', 2);
    return u"Zentil Player "_s + QStringLiteral(ZENTIL_VERSION_TEXT);
}

HelpWindow::HelpWindow(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(u"HelpDisplay"_s);
    setWindowTitle(u" Zentil Player Help"_s);
    setModal(false);

    auto* instruction = new QLabel(u"During the slide show:"_s);
    instruction->setObjectName(u"Instruction"_s);
    auto* columns = new QGridLayout;
    columns->addWidget(MakeColumn(u"CommandList"_s, CommandText()), 0, 0);
    columns->addWidget(MakeRule(QFrame::VLine), 0, 1);
    columns->addWidget(MakeColumn(u"DescriptionList"_s, DescriptionText()), 0, 2);
    columns->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(instruction);
    layout->addLayout(columns);
    layout->addWidget(MakeRule(QFrame::HLine));
    for (int index = 0; index < kVersionLines; ++index) {
        auto* label = new QLabel(VersionLine(index));
        label->setObjectName(u"VersionLabel%1"_s.arg(index));
        layout->addWidget(label);
    }
    auto* ok = new QPushButton(u"OK"_s);
    ok->setObjectName(u"HelpOK"_s);
    ok->setDefault(true);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    connect(ok, &QPushButton::clicked, this, [this] {
        hide();
        if (OnClosed)
            OnClosed();
    });
    // The layout keeps the window at least as large as its texts.
    adjustSize();
}

void HelpWindow::ShowHelp()
{
    show();
    raise();
    activateWindow();
}

} // namespace zentil
