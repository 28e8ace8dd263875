#pragma once
// The acquisition engine: it attaches itself to the instrument link as the break that runs before
// every command that changes what the instrument acquires, and keeps the redraw flags of both
// channels' acquisition display. It registers the acquisition settings.
#include <array>

#include "core/Feature.h"
#include "link/LinkServices.h"

namespace vt {

class TSignalAcq : public TFeature, public TLinkAcquisition {
public:
    TSignalAcq() = default;
    ~TSignalAcq() override;
    TSignalAcq(const TSignalAcq&) = delete;
    TSignalAcq& operator=(const TSignalAcq&) = delete;

    void FillRows(TShell& shell) override;
    void AttachToProgram(TShell& shell) override;
    // The close and a new layout of the screens break off what is outstanding.
    void BreakAcquisition(bool closing) override;

    // Stops an outstanding acquisition and closes the cycle; afterBreak asks for the work that follows
    // a break (the accumulation starts anew).
    void BreakAcquisitionHook(bool afterBreak) override;
    // The link's re-check of the pattern lock before every 50th start: the trigger's answers.
    bool PatternLockActive() override;
    void RecheckPatternLock() override;

    // Both channels' acquisition display is to be drawn anew (settings changed).
    void SetRedrawFlags() { RedrawFlags_ = {true, true}; }
    // channel 2 or 3.
    bool RedrawFlag(int channel) const { return RedrawFlags_[channel == 3 ? 1 : 0]; }
    void ClearRedrawFlag(int channel) { RedrawFlags_[channel == 3 ? 1 : 0] = false; }

    bool CycleOpen() const { return CycleOpen_; }
    void SetCycleOpen(bool open) { CycleOpen_ = open; }

private:
    TShell* Shell_ = nullptr;
    std::array<bool, 2> RedrawFlags_{};
    bool CycleOpen_ = false;
};

}  // namespace vt
