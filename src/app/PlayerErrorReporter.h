#pragma once

#include "app/ErrorTexts.h"
#include "base/ErrorReporting.h"

#include <QPointer>
#include <QWidget>

#include <functional>

namespace zentil {

class DebugLog;

// What error reporting needs from the rest of the player, supplied by the application object.
struct ErrorReportingHooks {
    // Sends "Stop" to wave player 1 or 2; a fatal resource error stops both before its message.
    std::function<void(int32_t player)> StopWavePlayer;
    // The shut-down sequence that ends the program; runs after a fatal message is closed.
    std::function<void()> ShutDown;
};

// Error reporting of the player: fatal errors in a modal message box followed by the shut-down,
// script problems kept as the pending ErrorDescriptionText, and the ErrorDisplay dialog. Every
// message box and dialog of the player goes through here, so one switch decides whether they
// appear: with dialogs off (tests, the benchmark) their text goes to standard error instead and
// nothing waits for a user.
class PlayerErrorReporter : public ErrorReporter {
public:
    PlayerErrorReporter(ErrorReportingState& state, DebugLog& log, ErrorReportingHooks hooks);

    // Parent of the message boxes and the dialog (the slide window once it exists).
    void SetDialogParent(QWidget* parent) { dialogParent_ = parent; }
    void SetShowDialogs(bool show) { showDialogs_ = show; }

    // Shows the message of the error (OK only, the error's title), then runs ShutDown.
    void ExecuteFatalError(const FatalError& error) override;
    // Keeps the text as the pending ErrorDescriptionText and traces it; shows nothing.
    void ScriptProblem(int32_t statementNumber, const QString& text) override;

    // Reports MissingFileName, or lookingFor (the slide resource playback was looking for) when
    // MissingFileName is empty: stops both narration players, shows "Zentil Fatal Error", then
    // runs ShutDown.
    void DisplayResourceFatalError(const QString& lookingFor = QString());

    // Shows ErrorDisplay with ErrorDescriptionText and ErrorDetailsText; returns once the user
    // has closed it. The program keeps running.
    void ShowErrorDisplay();
    // A plain message box with an OK button; returns once it is closed.
    void ShowMessage(const QString& title, const QString& text);

    // True once a fatal error has been shown: the program is on its way out, and a second
    // fatal report (a timer firing under the message box) is ignored.
    bool FatalErrorReported() const { return fatalErrorReported_; }

private:
    // Returns false when a fatal error is already being reported.
    bool BeginFatalError();
    // Traces and shows the fatal error; false when one is already being reported.
    bool ReportFatalError(const FatalError& error);
    void ShowBox(const QString& title, const QString& text, bool critical);

    ErrorReportingState& state_;
    DebugLog& log_;
    ErrorReportingHooks hooks_;
    QPointer<QWidget> dialogParent_;
    bool fatalErrorReported_ = false;
    bool showDialogs_ = true;
};

} // namespace zentil
