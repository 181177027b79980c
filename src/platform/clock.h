#pragma once

#include <QDateTime>

namespace glasspane {

// The time of day as the program sees it. Tests use a settable clock so that days of running
// take milliseconds.
class Clock
{
public:
    virtual ~Clock() = default;
    // Local time.
    virtual QDateTime now() const = 0;
};

} // namespace glasspane
