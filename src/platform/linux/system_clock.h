#pragma once

#include "platform/clock.h"

namespace glasspane {

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace glasspane
