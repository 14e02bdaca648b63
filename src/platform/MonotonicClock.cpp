#include "platform/MonotonicClock.h"

#include <QTime>

namespace zentil {

MonotonicClock::MonotonicClock()
{
    startSeconds_ = QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
    timer_.start();
}

double MonotonicClock::SecondsSinceMidnight() const
{
    return startSeconds_ + static_cast<double>(timer_.elapsed()) / 1000.0;
}

qint64 MonotonicClock::ElapsedMs() const
{
    return timer_.elapsed();
}

} // namespace zentil
