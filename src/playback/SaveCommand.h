#pragma once

#include "storage/ZentilFolders.h"

#include <QString>

#include <functional>

class QWidget;

namespace zentil {

class DebugLog;
struct SlideShowModel;

// The questions the save command puts to the user. The player shows real dialogs; tests and the
// no-dialog mode answer them without waiting.
struct SaveQuestions {
    // The folder to save into, proposed as proposedName inside startFolder; "" when cancelled.
    std::function<QString(const QString& startFolder, const QString& proposedName)> ChooseFolder;
    // A message with an OK button (title "Zentil Save Presentation").
    std::function<void(const QString& text)> Inform;
    // A question with Yes and No; true for Yes.
    std::function<bool(const QString& text)> Confirm;
};

// The player's own dialogs, owned by parent.
SaveQuestions DialogSaveQuestions(QWidget* parent);
// Answers for a player without dialogs: nothing is chosen, messages go to standard error.
SaveQuestions NoDialogSaveQuestions();

struct SaveCommandContext {
    ZentilFolders& Folders;
    const SlideShowModel& Model;
    DebugLog& Log;
};

// The "Save Current Show" command (traced as ExecuteFileSave1): refuses while files or
// thumbnails are missing, asks for a folder, does nothing for the presentation's own folder,
// refuses a folder inside it or inside the cache, asks before saving into a folder that holds
// anything, and saves. Returns true when the show was saved (the caller then writes the quit
// point). A failed save is told to the user and leaves the target as it was. The caller runs it
// as a modal command, which keeps the narration waiting meanwhile.
bool ExecuteSaveCurrentShow(SaveCommandContext& context, const SaveQuestions& questions);

} // namespace zentil
