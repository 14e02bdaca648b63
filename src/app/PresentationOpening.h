#pragma once

#include <QString>

namespace zentil {

class DebugLog;
class ErrorReporter;
struct ScriptStatements;
struct SlideShowModel;
struct ZentilFolders;

// Why a presentation named at start-up cannot be played; an empty Text means it can.
struct OpeningRefusal {
    QString Title;
    QString Text;
    bool Refused() const { return !Text.isEmpty(); }
};

// Opening the presentation named on the command line: reads its script and decides where it
// lives. Beside the script when it is local (a disc, or a folder the user may not write to, is
// copied into the cache first); a downloaded script gets a cache folder of its own, and a
// browser's copy is deleted once the cache holds it. The model's script name and folder are set.
class PresentationOpening {
public:
    PresentationOpening(ZentilFolders& folders, SlideShowModel& model, ScriptStatements& script,
        ErrorReporter& reporter, DebugLog& log);

    OpeningRefusal Open(const QString& scriptPath);

private:
    OpeningRefusal OpenLocal(
        const QString& scriptPath, const QString& nameFromScript, float version, bool copyFirst);
    OpeningRefusal OpenDownloaded(const QString& scriptPath, const QString& nameFromScript,
        float version, bool leftByBrowser);

    ZentilFolders& folders_;
    SlideShowModel& model_;
    ScriptStatements& script_;
    ErrorReporter& reporter_;
    DebugLog& log_;
};

} // namespace zentil
