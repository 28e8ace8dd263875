#pragma once
// The targets that need the program's full command tree run inside the program itself: started
// offscreen on "Absent" with a data root of its own, and once its start-up is done the fuzzer's loop
// runs within the program's event loop, each input followed by the events it posted.
#include <functional>
#include <string_view>

namespace vt {
class TProgramFeatures;
class TShell;
}  // namespace vt

namespace vt::fuzz {

using TProgramInput = std::function<void(TShell& shell, TProgramFeatures& features, std::string_view input)>;

// The target's main: answers the fuzzer's exit code.
int RunProgramFuzzer(int argc, char** argv, const TProgramInput& input);

}  // namespace vt::fuzz
