#pragma once

namespace zentil {

// The time source the debug trace stamps its "time" and "deltatime" lines with. The platform's
// monotonic clock is the one the player uses; tests hand in a clock they set.
class TraceClock {
public:
    virtual ~TraceClock() = default;
    // Seconds since the start of the day, never going back.
    virtual double SecondsSinceMidnight() const = 0;
};

} // namespace zentil
