#include "link/LinkClock.h"

#include <chrono>
#include <thread>

namespace vt {

std::int64_t TSteadyLinkClock::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void TSteadyLinkClock::SleepMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace vt
