#pragma once

#include <QString>

#include <functional>

namespace zentil {

class DebugLog;
class ResourceMap;
class WavePlayer;
struct SlideShowModel;

// What opening a narration needs from the rest of the player.
struct NarrationServices {
    DebugLog& Log;
    const bool& ExitInProgress;
    // The playable file of a resource: its unscrambled working copy; "" when none can be made.
    std::function<QString(const QString& resourceName)> MakeWorkingCopy;
};

// Opens the narration named waveFileName (a resource name, matched ignoring case) in the player.
// Makes the working copy when the map entry has none (or it was deleted) and records it in the
// entry. True when the player holds the file open; the player's error state is cleared. The
// working copy is complete when it is opened (an Ogg narration is decoded while it plays), so a
// failed open is final.
bool LoadWavePlayer(const QString& waveFileName, WavePlayer& player, ResourceMap& map,
    const NarrationServices& services);

// Deletes the working copies of every narration except the current slide's and the next
// slide's, and forgets them in the resource map so that a later use makes them again. The
// downloaded resources themselves are not touched.
void TrimWavefiles(SlideShowModel& model, DebugLog& log);

} // namespace zentil
