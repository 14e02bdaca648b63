#include "app/PlayerErrorReporter.h"

#include "app/ErrorDisplay.h"
#include "base/DebugLog.h"
#include "base/TextLines.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

PlayerErrorReporter::PlayerErrorReporter(
    ErrorReportingState& state, DebugLog& log, ErrorReportingHooks hooks)
    : state_(state)
    , log_(log)
    , hooks_(std::move(hooks))
{ }

void PlayerErrorReporter::ExecuteFatalError(const FatalError& error)
{
    if (ReportFatalError(error) && hooks_.ShutDown)
        hooks_.ShutDown();
}

bool PlayerErrorReporter::ReportFatalError(const FatalError& error)
{
    ZT_TRACE_SCOPE_ARGS(
        log_, u"ExecuteFatalError"_s, u"ErrorType = "_s + FatalErrorKindName(error.Kind));
    if (!BeginFatalError())
        return false;
    if (error.CorruptFileFound)
        state_.CorruptFileFound = true;
    ZT_DEBUG(log_, TraceProcedures, "error", error.Text);
    ShowBox(error.Title, error.Text, true);
    return true;
}

void PlayerErrorReporter::ScriptProblem(int32_t statementNumber, const QString& text)
{
    state_.ErrorDescriptionText = text;
    ZT_DEBUG(log_, TraceProcedures, "error",
        text + u" (statement "_s + QString::number(statementNumber) + u")"_s);
}

void PlayerErrorReporter::DisplayResourceFatalError(const QString& lookingFor)
{
    ZT_DEBUG(log_, TraceProcedures, "status",
        u"Entered DisplayResourceFatalError because "_s + state_.MissingFileName
            + u" is missing."_s);
    if (!BeginFatalError())
        return;
    // The narration must not run on behind the message.
    for (int32_t player : { 1, 2 })
        if (hooks_.StopWavePlayer)
            hooks_.StopWavePlayer(player);
    const QString name = state_.MissingFileName.isEmpty() ? lookingFor : state_.MissingFileName;
    ShowBox(ResourceFatalErrorTitle(), ResourceFatalErrorText(name), true);
    if (hooks_.ShutDown)
        hooks_.ShutDown();
}

void PlayerErrorReporter::ShowErrorDisplay()
{
    ZT_DEBUG(log_, TraceProcedures, "status",
        u"ErrorDisplay - ErrorDescriptionText = "_s + state_.ErrorDescriptionText);
    if (!showDialogs_) {
        QTextStream err(stderr);
        err << state_.ErrorDescriptionText << u"\n"_s;
        if (!state_.ErrorDetailsText.isEmpty())
            err << state_.ErrorDetailsText << u"\n"_s;
        return;
    }
    ErrorDisplay dialog(state_.ErrorDescriptionText, state_.ErrorDetailsText, dialogParent_);
    dialog.exec();
}

void PlayerErrorReporter::ShowMessage(const QString& title, const QString& text)
{
    ShowBox(title, text, false);
}

bool PlayerErrorReporter::BeginFatalError()
{
    if (fatalErrorReported_)
        return false;
    fatalErrorReported_ = true;
    return true;
}

void PlayerErrorReporter::ShowBox(const QString& title, const QString& text, bool critical)
{
    // Lines of a message are joined by carriage returns; the label breaks lines at line feeds.
    const QString lines = WithNewlines(text);
    if (!showDialogs_) {
        QTextStream(stderr) << title << u": "_s << lines << u"\n"_s;
        return;
    }
    // Before the slide window is shown (start-up) a box stands on its own.
    QWidget* parent = dialogParent_ && dialogParent_->isVisible() ? dialogParent_.data() : nullptr;
    QMessageBox box(critical ? QMessageBox::Critical : QMessageBox::NoIcon, title, QString(),
        QMessageBox::Ok, parent);
    if (critical)
        box.setObjectName(u"FatalErrorBox"_s);
    box.setTextFormat(Qt::PlainText);
    box.setText(lines);
    box.exec();
}

} // namespace zentil
