#pragma once

#include "base/TraceClock.h"

#include <QElapsedTimer>

namespace zentil {

// The player's one time source. Interaction times are "seconds since midnight", but they are
// derived from a monotonic timer started at construction, so differences never jump when the
// wall clock is set or midnight passes (the value simply keeps growing past 86400).
class MonotonicClock : public TraceClock {
public:
    MonotonicClock();

    // Seconds since the start of the day the clock was created, monotonic.
    double SecondsSinceMidnight() const override;
    // Milliseconds since the clock was created, monotonic.
    virtual qint64 ElapsedMs() const;

private:
    QElapsedTimer timer_;
    double startSeconds_ = 0.0;
};

} // namespace zentil
