#pragma once

#include "core/util/clock.h"

namespace quorvel::test {

class FixedClock final : public Clock {
public:
    explicit FixedClock(DateTime now) : m_now(now) {}
    DateTime now() const override { return m_now; }

private:
    DateTime m_now;
};

} // namespace quorvel::test
