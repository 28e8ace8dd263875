#pragma once
// The calibration side menu (kind 21: store, recall, the channel and timebase calibrations and their
// values) and the adjustment side menu (kind 22: the factory adjustment values on six pages; the
// converter's pages join with the converter). The channel pages follow "Shadow:Calibr:ChnlsBW".
#include <array>
#include <functional>
#include <vector>

#include "ui/SideMenu.h"

class QLabel;

namespace vt {

class TRC_RightPassiveCommandSwitcher;
class TShell;

// What both forms share: pages, page buttons and the channel page's rebinding.
class TCalibrationFormBase : public TSideMenuForm {
public:
    TRC_RightMenuPanel* Page(int page) const { return Pages_[static_cast<std::size_t>(page - 1)]; }
    int PageCount() const { return static_cast<int>(Pages_.size()); }
    TRC_Switcher* Control(const char* name) const { return findChild<TRC_Switcher*>(name); }
    void SetTopPanel(int page) override;

protected:
    TCalibrationFormBase(TSideMenus& menus, QWidget* mainWindow, TShell& shell, const char* name,
                         std::vector<const char*> captions);
    // The channel page shows the group "Shadow:Calibr:ChnlsBW" chooses.
    void FollowChannelGroup(int page, QLabel* label);
    virtual void ChannelGroupChanged(int group) { (void)group; }

    TShell& Shell_;
    std::vector<TRC_RightMenuPanel*> Pages_;
};

class TCalibr_Form : public TCalibrationFormBase {
public:
    // showStatus opens the calibration status dialog.
    TCalibr_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, std::function<void()> showStatus = {});
};

class TAdjust_Form : public TCalibrationFormBase {
public:
    TAdjust_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell);

private:
    void ChannelGroupChanged(int group) override;
};

}  // namespace vt
