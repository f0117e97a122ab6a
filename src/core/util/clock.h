#pragma once

#include "core/util/date_time.h"

namespace quorvel {

// The source of "now" for everything that stamps or compares times, so tests can fix it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual DateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    DateTime now() const override { return currentDateTime(); }
};

} // namespace quorvel
