#pragma once

#include <QString>

#include <chrono>
#include <functional>

namespace zentil {

class DebugLog;
class ResourceMap;
class WavePlayer;
struct SlideShowModel;

// What opening a narration needs from the rest of the player.
struct NarrationServices {
    DebugLog& Log;
    // Read again at every step: a shut-down may begin while events run during the retries.
    const bool& ExitInProgress;
    // The playable file of a resource (its working copy, or the decoded ".wav" of an ".ogg");
    // "" when none can be made.
    std::function<QString(const QString& resourceName)> DecompressFile;
    // How long an open that fails with "file not found" or "invalid file" is retried: the
    // decoder may still be writing the file.
    std::chrono::milliseconds OpenRetryLimit { 60000 };
    // Pause between two attempts, during which events run.
    std::chrono::milliseconds OpenRetryInterval { 100 };
};

// Opens the narration named waveFileName (a resource name, matched ignoring case) in the player.
// Makes the playable file when the map entry has none (or it was deleted) and records it in the
// entry. True when the player holds the file open; the player's error state is cleared.
// False at once, leaving the player alone, while another call's open is still being retried on
// the same player; a retried open that someone else ends by closing the player returns false
// without touching the player again.
bool LoadWavePlayer(const QString& waveFileName, WavePlayer& player, ResourceMap& map,
    const NarrationServices& services);

// Deletes the playable files of every narration except the current slide's and the next
// slide's, and forgets them in the resource map so that a later use makes them again. The
// downloaded resources themselves are not touched. Events run after each map entry.
void TrimWavefiles(SlideShowModel& model, DebugLog& log);

} // namespace zentil
