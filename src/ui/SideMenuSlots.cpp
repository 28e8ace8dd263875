#include "ui/SideMenuSlots.h"

#include <string>

#include "core/InternalError.h"

namespace vt {

namespace {
constexpr std::string_view Unit = "SideMenu";

void Check(int side, int kind) {
    if (!ValidMenuSide(side)) VT_INTERNAL_ERROR(Unit, "Side menu side " + std::to_string(side) + " out of range");
    if (!ValidMenuKind(kind)) VT_INTERNAL_ERROR(Unit, "Side menu kind " + std::to_string(kind) + " out of range");
}
}  // namespace

bool ValidMenuKind(int kind) { return kind >= 0 && kind < MenuKindCount; }
bool ValidMenuSide(int side) { return side >= 0 && side < SideMenuSideCount; }

TSideMenuSlots::TSideMenuSlots() = default;

int TSideMenuSlots::Kind(int side) const {
    Check(side, 0);
    return Slots_[static_cast<std::size_t>(side)].Kind;
}

void TSideMenuSlots::SetKind(int side, int kind) {
    Check(side, kind);
    Slots_[static_cast<std::size_t>(side)].Kind = static_cast<std::uint8_t>(kind);
}

int TSideMenuSlots::RememberedPage(int side, int kind) const {
    Check(side, kind);
    return Slots_[static_cast<std::size_t>(side)].Pages[static_cast<std::size_t>(kind)];
}

void TSideMenuSlots::SetRememberedPage(int side, int kind, int page) {
    Check(side, kind);
    if (page < 0 || page > 255) VT_INTERNAL_ERROR(Unit, "Side menu page " + std::to_string(page) + " out of range");
    Slots_[static_cast<std::size_t>(side)].Pages[static_cast<std::size_t>(kind)] = static_cast<std::uint8_t>(page);
}

}  // namespace vt
