#pragma once

#include <QString>

#include <cstdint>

namespace zentil {

struct SlideShowModel;

// Share of the measured rate assumed usable, and the narration decoding speed in bytes of
// compressed input per second.
inline constexpr double kUsableRateShare = 0.828;
inline constexpr double kDecodeBytesPerSecond = 50000.0;

// Place start marker: from the measured rate (bytes per second) and the first slide to be
// played, finds the earliest slide after which the show can start and every later slide's files
// still arrive (and decode) before its turn, and places the queue's start marker behind that
// slide's queued files. Updates PreStartFileCount (names before the marker plus the probe
// file already fetched) and PostStartFileCount (names after it). A rate of 0 (the probe file
// reported no progress) cannot be planned with: every file then comes first, so that the show
// still starts once they are all present.
void PlaceStartMarker(SlideShowModel& model, double downloadRate, int32_t firstSlide);

// The planning rule alone: the slide k (firstSlide .. SlideCount) up to which files must be
// present before the show starts.
int32_t PlannedStartSlide(const SlideShowModel& model, double downloadRate, int32_t firstSlide);

// The byte caption of the progress panel: "caching 1234 of 5678 bytes at 41.2 Kbps".
QString CachingCaption(qint64 bytes, qint64 remoteSize, double downloadRate);

} // namespace zentil
