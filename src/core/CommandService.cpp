#include "core/CommandService.h"

#include "core/CommandTree.h"

namespace vt {

namespace {
// Counts the running command strings; the end of the outermost one is reported, exception or not.
class TDepthScope {
public:
    TDepthScope(int& depth, const std::function<void()>& finished) : Depth_(depth), Finished_(finished) { ++Depth_; }
    ~TDepthScope() {
        if (--Depth_ == 0 && Finished_) Finished_();
    }
    TDepthScope(const TDepthScope&) = delete;
    TDepthScope& operator=(const TDepthScope&) = delete;

private:
    int& Depth_;
    const std::function<void()>& Finished_;
};
}  // namespace

bool TCOMRC::Execute(std::string_view command, std::string& respond) {
    respond.clear();
    TDepthScope scope(Depth_, OnFinished);
    try {
        TCommandTree* tree = Tree_ ? Tree_() : nullptr;
        // Before the settings exist no header is known.
        respond = tree ? tree->ExecuteCommandString(command, false) : std::string("ERROR");
        return true;
    } catch (const ECommandStringError& e) {
        respond = e.what();
        return false;
    }
}

bool TCOMRC::ExecCommand(std::string_view command, std::string& respond) {
    respond.clear();
    Log("Received --> " + std::string(command));
    const bool ok = Execute(command, respond);
    Log("    Returned --> " + respond);
    return ok;
}

}  // namespace vt
