#pragma once

#include "script/PresentationModel.h"

#include <QString>

#include <functional>

namespace zentil {

class DebugLog;
class ErrorReporter;
struct ZentilFolders;

// What LoadSlideShow needs besides the script and the model.
struct LoadContext {
    const ZentilFolders& Folders; // ResourcePath, ThumbnailPath, ZTTempPath, QuitPointPath, cache
    ErrorReporter& Reporter; // fatal errors and statement problems
    DebugLog& Log;
    // Delete resources older than their "/purge" time stamps; only ever in a presentation folder
    // inside the cache. zentil-tool leaves all files alone.
    bool ApplyPurge = true;
    // FindFontFile: whether a font resource is already registered (then it is not queued).
    // Empty means none is.
    std::function<bool(const QString&)> FindFontFile;
};

// The result of LoadSlideShow.
enum class LoadOutcome {
    Loaded, // the model is complete; the caller sets SlideShowLoaded and starts downloading
    FatalError, // a fatal error was reported through the ErrorReporter; the show cannot play
};

// LoadSlideShow: empties the model (keeping ScriptShortName and ScriptParentFolder), parses the
// statements into it and completes it: narration first in every slide, the preload and download
// sets, thumbnail tables, ResourceMap, the download queue, planning tables, connection settings and
// the start slide. With the trace on it also writes slidestructure.txt. Reading the proxy
// settings, setting SlideShowLoaded and CheckWavePosition and starting the download timer are
// the caller's.
LoadOutcome LoadSlideShow(
    const ScriptStatements& script, SlideShowModel& model, const LoadContext& context);

// The connection settings of a "/resourceserver" text: the first word is the address (a "/"
// appended when missing); port 80 for addresses starting with "http" (any case), else 21; then
// the options PORT n, USER name and PASSWORD word in any letter case (PASSIVE, for FTP, is
// passed over).
ConnectionSettings ParseConnectionSettings(const QString& resourceServer);

} // namespace zentil
