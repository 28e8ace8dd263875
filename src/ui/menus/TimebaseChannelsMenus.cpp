#include "ui/menus/TimebaseChannelsMenus.h"

#include "ui/SideMenu.h"
#include "ui/menus/ChannelsMenu.h"
#include "ui/menus/TimebaseMenu.h"

namespace vt {

TTimebaseChannelsMenus::TTimebaseChannelsMenus(TShell& shell) : Shell_(shell), Settings_(shell) {}

void TTimebaseChannelsMenus::RegisterForms(TSideMenus& menus) {
    menus.RegisterForm(mkChannels, [this](TSideMenus& m, QWidget* window, bool left) -> TSideMenuForm* {
        return new TUsil_Form(m, window, left, Shell_, Settings_.Channels());
    });
    menus.RegisterForm(mkTimebase, [this](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        return new TTB_Form(m, window, Settings_.Timebase());
    });
}

}  // namespace vt
