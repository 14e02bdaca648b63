#include "app/PlayerErrorReporter.h"

#include "app/ErrorDisplay.h"
#include "base/DebugLog.h"

#include <QCoreApplication>
#include <QMessageBox>

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
    ZT_DEBUG(log_, TraceProcedures, "enter",
        u"ExecuteFatalError - ErrorType = "_s + FatalErrorKindName(error.Kind));
    if (!BeginFatalError())
        return;
    if (error.CorruptFileFound)
        state_.CorruptFileFound = true;
    ZT_DEBUG(log_, TraceProcedures, "error", error.Text);
    ShowFatalMessage(error.Title, error.Text);
    ZT_DEBUG(log_, TraceProcedures, "exit", u"ExecuteFatalError"_s);
    if (hooks_.ShutDown)
        hooks_.ShutDown();
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
    for (int32_t player : { 1, 2 }) {
        if (hooks_.StopWavePlayer)
            hooks_.StopWavePlayer(player);
        QCoreApplication::processEvents();
    }
    const QString name = state_.MissingFileName.isEmpty() ? lookingFor : state_.MissingFileName;
    ShowFatalMessage(ResourceFatalErrorTitle(), ResourceFatalErrorText(name));
    if (hooks_.ShutDown)
        hooks_.ShutDown();
}

void PlayerErrorReporter::ShowErrorDisplay()
{
    ZT_DEBUG(log_, TraceProcedures, "status",
        u"ErrorDisplay - ErrorDescriptionText = "_s + state_.ErrorDescriptionText);
    ErrorDisplay dialog(state_.ErrorDescriptionText, state_.ErrorDetailsText, dialogParent_);
    dialog.exec();
}

bool PlayerErrorReporter::BeginFatalError()
{
    if (fatalErrorReported_)
        return false;
    fatalErrorReported_ = true;
    return true;
}

void PlayerErrorReporter::ShowFatalMessage(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, title, QString(), QMessageBox::Ok, dialogParent_);
    box.setObjectName(u"FatalErrorBox"_s);
    box.setTextFormat(Qt::PlainText);
    // Lines of a message are joined by carriage returns; the label breaks lines at line feeds.
    box.setText(QString(text).replace(u'\r', u'\n'));
    box.exec();
}

} // namespace zentil
