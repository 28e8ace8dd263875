#pragma once
// What the two side-menu slots remember: the kind each one shows and, per side and kind, the page
// the menu showed last, so that a menu reopens as it was left.
#include <array>
#include <cstdint>

namespace vt {

inline constexpr int SideMenuSideCount = 2;   // 0 right, 1 left
inline constexpr int SideMenuKindCount = 25;  // 0..23 menus, 24 closes the slot
inline constexpr int ChannelsMenuKind = 0;
inline constexpr int MaskMenuKind = 15;
inline constexpr int MaskEditorPage = 6;
inline constexpr int ServiceMenuKind = 19;  // reserved: never has a form
inline constexpr int NoMenuKind = 24;

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
        std::uint8_t Kind = NoMenuKind;
        std::array<std::uint8_t, SideMenuKindCount> Pages{};
    };
    std::array<TSlot, SideMenuSideCount> Slots_{};
};

}  // namespace vt
