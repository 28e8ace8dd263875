#pragma once
// Scopes that keep a piece of state right also when they are left by an exception.
#include <functional>

namespace vt {

// Sets a flag for the lifetime of a scope.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : Flag_(flag) { Flag_ = true; }
    ~TFlagScope() { Flag_ = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& Flag_;
};

// Counts scopes that nest; the end of the outermost one is reported when outermostEnded is given.
class TDepthScope {
public:
    explicit TDepthScope(int& depth, const std::function<void()>* outermostEnded = nullptr)
        : Depth_(depth), Ended_(outermostEnded) {
        ++Depth_;
    }
    ~TDepthScope() {
        if (--Depth_ == 0 && Ended_ && *Ended_) (*Ended_)();
    }
    TDepthScope(const TDepthScope&) = delete;
    TDepthScope& operator=(const TDepthScope&) = delete;

private:
    int& Depth_;
    const std::function<void()>* Ended_;
};

}  // namespace vt
