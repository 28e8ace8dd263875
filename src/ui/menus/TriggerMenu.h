#pragma once
// The trigger's side menu (unit Trig_Frm): the main trigger settings, the attenuation scale with the
// low-jitter reference, and the pattern-sync trigger; and the trigger as a feature of the program.
#include <QPushButton>

#include "acq/Trigger.h"
#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;
class TRC_EditSwitcher;
class TRC_RadioSwitcher;

class TTrig_Form : public TSideMenuForm {
public:
    // openList: opens the pattern-length list dialog; until it exists (empty) the button stays disabled.
    TTrig_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, std::function<void()> openList = {});

    void UpdateMenu() override;
    // Pages 1 to 3; any other number shows page 1.
    void SetTopPanel(int page) override;

    TRC_RightMenuPanel* Page(int page) const;
    TRC_EditSwitcher* Attenuation() const { return Attenuation_; }
    QPushButton* PatternSyncButton() const { return PatternSync_; }
    QPushButton* PatternLengthListButton() const { return LengthList_; }
private:
    void FollowAttenuationUnit();

    TShell& Shell_;
    std::function<void()> OpenPatternLengthList_;
    TRC_RightMenuPanel* Main_ = nullptr;
    TRC_RightMenuPanel* Cont_ = nullptr;
    TRC_RightMenuPanel* PatternLock_ = nullptr;
    TRC_RadioSwitcher* AttenUnit_ = nullptr;
    TRC_EditSwitcher* Attenuation_ = nullptr;
    QPushButton* PatternSync_ = nullptr;
    QPushButton* LengthList_ = nullptr;
};

// The trigger settings with their face: the settings feature and its side menu (kind 3).
class TTrigMenuFeature : public TUiFeature {
public:
    TTrigMenuFeature(TShell& shell, TTimebase* timebase) : Shell_(shell), Trigger_(shell, timebase) {}

    void FillRows(TShell& shell) override { Trigger_.FillRows(shell); }
    void RecheckPatternLock(bool force) override { Trigger_.RecheckPatternLock(force); }
    void RefreshTrigIndicator(int queryKind) override { Trigger_.RefreshTrigIndicator(queryKind); }
    void RegisterForms(TSideMenus& menus) override;

    TTrigger& Trigger() { return Trigger_; }
    // What the menu's "Pattern Length List..." opens, once the list dialog exists.
    std::function<void()> OpenPatternLengthList;

private:
    TShell& Shell_;
    TTrigger Trigger_;
};

}  // namespace vt
