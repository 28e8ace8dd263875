#pragma once
// The time source of the instrument link: its fixed waits and time limits go through this, so that a
// test can stand in a clock that never sleeps.
#include <cstdint>

namespace vt {

class TLinkClock {
public:
    virtual ~TLinkClock() = default;
    // Milliseconds on a monotonic scale.
    virtual std::int64_t NowMs() = 0;
    virtual void SleepMs(int ms) = 0;
};

// The real monotonic clock; SleepMs puts the thread to sleep.
class TSteadyLinkClock final : public TLinkClock {
public:
    std::int64_t NowMs() override;
    void SleepMs(int ms) override;
};

}  // namespace vt
