#include "playback/SaveCommand.h"

#include "base/DebugLog.h"
#include "playback/WavePlayer.h"
#include "script/PresentationModel.h"
#include "storage/PresentationSaving.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

const QString kSaveTitle = u"Zentil Save Presentation"_s;

QString BoxText(const QString& text)
{
    return QString(text).replace(u'\r', u'\n');
}

QStringList SetFileNames(const SlideShowModel& model)
{
    QStringList names;
    for (const int32_t set : { model.Defn.PreloadSet, model.Defn.DownloadSet }) {
        if (set <= 0 || set > model.ResourceCount())
            continue;
        for (const ResourceFile& file : model.ResourceSetAt(set).Files)
            names << file.ResourceName;
    }
    return names;
}

// Saves into the judged target, asking before a replace; a refused or failed save is told to the
// user. True when saved.
bool SaveInto(const SaveTarget& target, SaveCommandContext& context, const SaveQuestions& ask)
{
    switch (target.Verdict) {
    case SaveTargetVerdict::Nothing:
        return false;
    case SaveTargetVerdict::InCache:
        ask.Inform(InCacheSaveText());
        return false;
    case SaveTargetVerdict::AskReplace:
        if (!ask.Confirm(ReplaceSaveText(target.Folder)))
            return false;
        break;
    case SaveTargetVerdict::Save:
        break;
    }
    const SlideShowDefn& defn = context.Model.Defn;
    const QString script = QDir(defn.ScriptParentFolder).filePath(defn.ScriptShortName);
    const SaveOutcome outcome
        = SavePresentation(target.Folder, script, context.Folders, context.Log);
    if (!outcome.Saved)
        ask.Inform(u"The slide presentation was not saved.\r"_s + outcome.FailureText);
    return outcome.Saved;
}

} // namespace

SaveQuestions DialogSaveQuestions(QWidget* parent)
{
    SaveQuestions questions;
    questions.ChooseFolder = [parent](const QString& startFolder, const QString& proposedName) {
        return QFileDialog::getSaveFileName(parent, u"Save Zentil Slide Show"_s,
            QDir(startFolder).filePath(proposedName), u"Zentil Presentation Folder (*)"_s, nullptr,
            QFileDialog::DontConfirmOverwrite);
    };
    questions.Inform = [parent](const QString& text) {
        QMessageBox::information(parent, kSaveTitle, BoxText(text));
    };
    questions.Confirm = [parent](const QString& text) {
        return QMessageBox::question(parent, kSaveTitle, BoxText(text),
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            == QMessageBox::Yes;
    };
    return questions;
}

SaveQuestions NoDialogSaveQuestions()
{
    SaveQuestions questions;
    questions.ChooseFolder = [](const QString&, const QString&) { return QString(); };
    questions.Inform = [](const QString& text) {
        QTextStream(stderr) << kSaveTitle << u": "_s << BoxText(text) << u'\n';
    };
    questions.Confirm = [](const QString&) { return false; };
    return questions;
}

bool ExecuteFileSave1(SaveCommandContext& context, const SaveQuestions& questions)
{
    ZT_DEBUG(context.Log, TraceProcedures, "enter", u"ExecuteFileSave1"_s);
    const SlideShowModel& model = context.Model;
    const MissingShowFiles missing = CheckSlideShowRsrcs(
        SetFileNames(model), model.SlideCount(), context.Folders, context.Log);
    bool saved = false;
    if (!missing.None()) {
        questions.Inform(SaveRefusalText(missing));
    } else {
        WavePlayer* narration = context.Narration;
        if (narration && narration->Mode() == WaveMode::Playing) {
            narration->Command(WaveCommand::Pause);
            if (context.LetEventsRun)
                context.LetEventsRun();
        }
        const QString proposed = QFileInfo(model.Defn.ScriptShortName).completeBaseName();
        const QString chosen = questions.ChooseFolder(context.Folders.ZentilSavePath, proposed);
        const SaveTarget target = ResolveSaveTarget(
            chosen, model.Defn.ScriptParentFolder, model.Defn.ScriptShortName, context.Folders);
        saved = SaveInto(target, context, questions);
        if (narration && narration->Mode() == WaveMode::Paused)
            narration->Command(WaveCommand::Pause);
    }
    ZT_DEBUG(context.Log, TraceProcedures, "exit", u"ExecuteFileSave1"_s);
    return saved;
}

} // namespace zentil
