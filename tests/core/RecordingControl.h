#pragma once
// A bound control for tests: counts and logs what its handler tells it.
#include <string>
#include <vector>

#include "core/Handlers.h"

namespace vt::test {

class TRecordingControl : public IHandlerControl {
public:
    explicit TRecordingControl(std::vector<std::string>* log = nullptr) : Log(log) {}
    void HandlerValueChanged(THandler&) override {
        ++Changes;
        if (Log) Log->push_back("notify");
    }
    void HandlerEnabledChanged(THandler&, bool disabled) override {
        LastDisabled = disabled;
        ++EnableChanges;
    }
    void HandlerUnbound(THandler&) override { ++Unbinds; }

    std::vector<std::string>* Log;
    int Changes = 0;
    int EnableChanges = 0;
    int Unbinds = 0;
    bool LastDisabled = false;
};

}  // namespace vt::test
