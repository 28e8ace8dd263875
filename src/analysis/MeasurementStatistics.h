#pragma once
// The statistics of the measurement slots 0..3 with their histicons, as the measurement list and its
// readouts use them. Until the histicons are built this is a stand-in with their interface: it keeps
// the statistics in their modes and draws no icon.
#include <cstdint>
#include <string>

#include "core/Color.h"
#include "core/RunningStat.h"

namespace vt {

class TShell;

class THisticon {
public:
    void SetDrawn(bool drawn) { Drawn_ = drawn; }
    void SetColor(TColor colour) { Color_ = colour; }

private:
    bool Drawn_ = false;
    TColor Color_;
};

// What the icon needs of the measurement list.
class THisticonOwner {
public:
    virtual ~THisticonOwner() = default;
    virtual TColor SourceRGB(int slot) const = 0;
    virtual std::string GetMeasLabel(int slot) const = 0;
};

class TStatH : public TModedStat {
public:
    TStatH(TShell&, THisticonOwner&) {}
    void SetStatMode(int mode, int count) {
        const int n = mode == 0 ? 128 : count;
        if (mode == Mode && n == N) return;
        SetMode(mode, count);
        Clear();
    }
    void PlaceHisticon(int row) { Row = static_cast<std::uint8_t>(row); }
    void SetHisticonShown(bool) {}
    void ShowHisticon() {}
    THisticon* Histicon() const { return nullptr; }
    std::uint8_t Row = 0;
};

}  // namespace vt
