#pragma once
// The mask side menu (kind 15): the test ("Mask Test"), its run limit and actions ("Run Until/Action"),
// the ways to make a mask ("Create Mask"), the automask ("Automask") and the mask editor ("Edit Mask");
// and the menu as the mask feature's view: which page shows, and a refresh when the mask changes.
#include <QPointer>
#include <array>
#include <functional>

#include "serial/MaskTest.h"
#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

class QPushButton;

namespace vt {

class TShell;
class TRC_EditSwitcher;
class TRC_RadioSwitcher;
class TRC_RightPassiveCommandSwitcher;
class TMaskMenuFeature;

class TMask_Form : public TSideMenuForm {
public:
    TMask_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, TMaskMenuFeature& feature);

    // The enabling of the create and edit pages, and "# OF" bound to the chosen run limit.
    void UpdateMenu() override;
    // Pages 1, 3, 4, 5 and 6; any other number page 1.
    void SetTopPanel(int page) override;
    // The editor's "Back": editing ends and the "Create Mask" page shows.
    void LeaveEditorPage() override { MaskEditBackClick(); }
    void MaskEditBackClick();

    TRC_RightMenuPanel* Page(int page) const;
    TRC_EditSwitcher* CountEditor() const { return Count_; }
    // The buttons by caption's name: "Create Mask...", "Edit Mask...", "Add Polygon" and the like.
    TRC_RightPassiveCommandSwitcher* Button(const char* name) const;

private:
    TMaskTest* Mask() const;
    void SaveUserMaskClick();
    void RecallUserMaskClick();

    TShell& Shell_;
    TMaskMenuFeature& Feature_;
    bool Updating_ = false;
    bool Leaving_ = false;
    std::array<TRC_RightMenuPanel*, 6> Pages_{};  // page 2 is none
    TRC_EditSwitcher* Count_ = nullptr;
};

class TMaskMenuFeature : public TUiFeature, public TMaskTestView {
public:
    explicit TMaskMenuFeature(TShell& shell) : Shell_(shell) {}
    ~TMaskMenuFeature() override;

    void RegisterForms(TSideMenus& menus) override;
    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;

    bool IsMenuPageOnSide0(int kind, int page) const override;
    void RefreshMaskMenu() override;

    // The standard-mask picker and the store-as-standard dialog, opened by the "Create Mask" page;
    // until they are given the buttons do nothing.
    std::function<void(QWidget* owner)> StandardMaskPicker;
    std::function<void(QWidget* owner)> StoreAsStandard;
    // The picker is open: the menu keeps its page.
    std::function<bool()> PickerOpen;

    TSideMenus* Menus() const { return Menus_; }

private:
    void Attach(TSideMenus* menus);
    TShell& Shell_;
    TSideMenus* Menus_ = nullptr;
};

}  // namespace vt
