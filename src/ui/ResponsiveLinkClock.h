#pragma once
// The link's clock in the running program. While an instrument switch connects, the link's fixed waits
// before a connection attempt keep the window painting and its timers running: the wait is a deadline
// served by a local event loop. User input and sockets wait until the attempt is over, so nothing can
// start a second switch or a command inside the first; timers and the idle step still fire, and leave
// the link alone while it is busy. Outside a switch a wait sleeps, as before.
#include "link/LinkClock.h"

namespace vt {

class TResponsiveLinkClock final : public TLinkClock {
public:
    std::int64_t NowMs() override { return Steady_.NowMs(); }
    void SleepMs(int ms) override;
    void SetResponsive(bool on) { Responsive_ = on; }
    bool Responsive() const { return Responsive_; }

private:
    TSteadyLinkClock Steady_;
    bool Responsive_ = false;
};

}  // namespace vt
