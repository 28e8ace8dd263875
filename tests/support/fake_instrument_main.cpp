// The fake instrument as a program, so that the shell can be pointed at it by hand:
//   fake_instrument [--port N] [--chunk BYTES]
// It listens on 127.0.0.1, prints every command line it receives and ends on Ctrl+C.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "support/FakeInstrument.h"

namespace {
volatile std::sig_atomic_t Quit = 0;
void OnSignal(int) { Quit = 1; }
}  // namespace

int main(int argc, char** argv) {
    int port = 55555;
    std::size_t chunk = 1024;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--port") == 0) port = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--chunk") == 0) chunk = static_cast<std::size_t>(std::atol(argv[i + 1]));
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    vt::test::TFakeInstrument fake(port, chunk);
    std::printf("fake instrument on 127.0.0.1:%d\n", fake.Port());
    std::fflush(stdout);
    std::size_t shown = 0;
    while (!Quit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto lines = fake.Lines();
        for (; shown < lines.size(); ++shown) std::printf("%s\n", lines[shown].c_str());
        std::fflush(stdout);
    }
    return 0;
}
