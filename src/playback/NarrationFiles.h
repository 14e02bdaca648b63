#pragma once

#include <QString>

#include <functional>

namespace zentil {

class DebugLog;
class ResourceMap;
class WavePlayer;

// What opening a narration needs from the rest of the player.
struct NarrationContext {
    ResourceMap& Map;
    // Makes the playable file of a resource (a decoded ".wav" for ".ogg"); "" when it cannot.
    std::function<QString(const QString& resourceName)> DecompressFile;
    std::function<bool()> ExitInProgress;
    std::function<void()> LetEventsRun;
    DebugLog& Log;
};

// LoadWavePlayer: opens the narration named waveFileName (a resource name) in the player.
// Open errors that mean "the file is not there yet or not complete" (the decoder may still be
// writing it) are retried for up to a minute while events run.
bool LoadWavePlayer(
    const NarrationContext& context, WavePlayer& player, const QString& waveFileName);

// TrimWavefiles: deletes the decoded narrations of every slide but the current and the next
// one, so that at most two exist at a time; a deleted one is decoded again when it is needed.
struct TrimContext {
    ResourceMap& Map;
    QString CurrentWaveFileName; // "" when no slide is current
    QString NextWaveFileName; // "" when the current slide is the last
    std::function<void()> LetEventsRun;
    DebugLog& Log;
};
void TrimWavefiles(const TrimContext& context);

} // namespace zentil
