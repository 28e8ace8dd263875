#pragma once
// The analysis modes that exclude each other: they own the bottom strip and the shared hit map, so
// switching one on switches the others off.
#include <array>
#include <functional>
#include <string_view>

#include "core/MenuKinds.h"

namespace vt {

class TCommandTree;

// One switch-off per analysis mode, by the side-menu kind of its menu (markers, measurements,
// histogram, eye, mask, TDR/TDT, jitter). Each starts as the default: its mode setting goes to its first
// item (or off) by header, and a setting that does not exist is skipped. A feature that owns a mode
// may put its own switch-off in place when it is installed.
class TAnalysisModeSwitches {
public:
    using TSwitchOff = std::function<void()>;
    // tree: the command tree in use (null before it exists).
    explicit TAnalysisModeSwitches(std::function<TCommandTree*()> tree);

    // The kinds that own an analysis mode.
    static constexpr std::array<int, 7> ModeKinds = {mkMarkers, mkMeasurements, mkHistogram, mkEye,
                                                      mkMask,    mkTdr,          mkJitter};
    static bool IsModeKind(int menuKind);
    // The setting the default switch-off of the kind acts on ("" for a kind without a mode).
    static std::string_view ModeSetting(int menuKind);

    // Replaces the switch-off of the mode of menuKind; an empty one puts the default back. Raises an
    // internal error for a kind without a mode.
    void SetSwitchOff(int menuKind, TSwitchOff switchOff);
    // Switches off every analysis mode except the one of menuKind (any other kind switches off all).
    void SwitchOffOtherModes(int menuKind) const;
    // Switches the jitter analysis off (its own switch-off or the default).
    void SwitchOffJitter() const;

private:
    // The mode of menuKind off, for the mode of switchedOn (0 when no mode comes on).
    void DefaultSwitchOff(int menuKind, int switchedOn = 0) const;

    std::function<TCommandTree*()> Tree_;
    std::array<TSwitchOff, ModeKinds.size()> Own_{};
};

}  // namespace vt
