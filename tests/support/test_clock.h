#pragma once

#include "core/util/clock.h"
#include "core/util/date_time.h"

namespace quorvel::test {

// A clock that stands still until the test sets or moves it.
class TestClock final : public Clock {
public:
    TestClock() = default;
    explicit TestClock(DateTime start) : value(start) {}
    DateTime now() const override { return value; }
    void advance(int seconds) { value = addSeconds(value, seconds); }

    DateTime value{2026, 3, 14, 10, 0, 0};
};

} // namespace quorvel::test
