#pragma once
// The channels' side menu (unit Chan_Frm): the selected channel's display, scale, offset, band, deskew
// and acquisition on its main page, its external attenuation on the continued page. Which channel it
// shows is the slot's own selection setting.
#include "ui/SideMenu.h"

namespace vt {

class TShell;
class TChannels;
class TRC_RadioSwitcher;
class TRC_EditSwitcher;

class TUsil_Form : public TSideMenuForm {
public:
    TUsil_Form(TSideMenus& menus, QWidget* mainWindow, bool leftSide, TShell& shell, const TChannels& channels);

    void SetTopPanel(int page) override;
    void UpdateMenu() override;

    TRC_RightMenuPanel* MainPage() const { return rmpChannelsMain_; }
    TRC_RightMenuPanel* ContinuePage() const { return rmpChannelsContinue_; }
    // 2 for Ch1, 3 for Ch2, as the selection shows.
    int SelectedChannel() const;

private:
    void SelectChannel();
    void BindAttenuation();

    TShell& Shell_;
    const TChannels& Channels_;
    TRC_RightMenuPanel* rmpChannelsMain_ = nullptr;
    TRC_RightMenuPanel* rmpChannelsContinue_ = nullptr;
    TRC_RadioSwitcher* Select_ = nullptr;
    TRC_EditSwitcher* Scale_ = nullptr;
    TRC_EditSwitcher* Offset_ = nullptr;
    TRC_RadioSwitcher* AttenUnit_ = nullptr;
    TRC_EditSwitcher* Attenuation_ = nullptr;
};

}  // namespace vt
