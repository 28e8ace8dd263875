#pragma once
// The timebase and the channels with their face: the settings feature and its two side menus.
#include <memory>

#include "acq/TimebaseChannels.h"
#include "ui/UiFeature.h"

namespace vt {

class TTimebaseChannelsMenus : public TUiFeature {
public:
    explicit TTimebaseChannelsMenus(TShell& shell);

    void FillRows(TShell& shell) override { Settings_.FillRows(shell); }
    void AttachToProgram(TShell& shell) override { Settings_.AttachToProgram(shell); }
    // The channels menu (kind 0) and the timebase menu (kind 2).
    void RegisterForms(TSideMenus& menus) override;

    TTimebaseChannelsFeature& Settings() { return Settings_; }

private:
    TShell& Shell_;
    TTimebaseChannelsFeature Settings_;
};

}  // namespace vt
