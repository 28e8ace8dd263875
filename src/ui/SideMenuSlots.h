#pragma once
// What the two side-menu slots remember: the kind each one shows and, per side and kind, the page
// the menu showed last, so that a menu reopens as it was left.
#include <array>
#include <cstdint>

#include "core/MenuKinds.h"

namespace vt {

inline constexpr int SideMenuSideCount = 2;  // 0 right, 1 left
inline constexpr int MaskEditorPage = 6;     // the "Edit Mask" page of the mask menu

// True for a kind and a side the slots know; anything else is a caller's fault.
bool ValidMenuKind(int kind);
bool ValidMenuSide(int side);

class TSideMenuSlots {
public:
    TSideMenuSlots();

    int Kind(int side) const;
    void SetKind(int side, int kind);
    int RememberedPage(int side, int kind) const;
    void SetRememberedPage(int side, int kind, int page);

    bool IsMenuKindOnSide(int kind, int side) const { return Kind(side) == kind; }
    bool IsMenuKindOnSide0(int kind) const { return IsMenuKindOnSide(kind, 0); }
    bool IsMenuKindOnSide1(int kind) const { return IsMenuKindOnSide(kind, 1); }
    bool IsMenuKindShown(int kind) const { return IsMenuKindOnSide0(kind) || IsMenuKindOnSide1(kind); }
    bool IsMenuPageOnSide(int kind, int page, int side) const {
        return IsMenuKindOnSide(kind, side) && RememberedPage(side, kind) == page;
    }
    bool IsMenuPageOnSide0(int kind, int page) const { return IsMenuPageOnSide(kind, page, 0); }
    bool IsMenuPageOnSide1(int kind, int page) const { return IsMenuPageOnSide(kind, page, 1); }

private:
    struct TSlot {
        std::uint8_t Kind = mkNone;
        std::array<std::uint8_t, MenuKindCount> Pages{};
    };
    std::array<TSlot, SideMenuSideCount> Slots_{};
};

}  // namespace vt
