#pragma once
// Mouse actions that act on nothing: for a panel whose presses and drags are looked at, not followed.
#include <vector>

#include "display/ScreenMouse.h"

namespace vt::test {

struct TNoMouseActions : TScreenMouseActions {
    void StartFlagRegisterReading() override {}
    void StopFlagRegisterReading() override {}
    void MoveSignalByDivisions(int, double, double) override {}
    void ShiftTimebaseDelay(int, double) override {}
    void DragSignalOnScreen(const std::vector<int>&, double, double, double, double) override {}
    bool IsTimebaseModeAB() const override { return false; }
    bool IsTimebaseModeB() const override { return false; }
    double SourceZoom(int) const override { return 1; }
    bool SourceIsSpectrum(int) const override { return false; }
};

}  // namespace vt::test
