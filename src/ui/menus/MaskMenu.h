#pragma once
// The mask side menu (kind 15): the test ("Mask Test"), its run limit and actions ("Run Until/Action"),
// the ways to make a mask ("Create Mask"), the automask ("Automask") and the mask editor ("Edit Mask");
// and the menu as the mask feature's view: which page shows, and a refresh when the mask changes.
#include <QPointer>
#include <array>
#include <functional>

#include <optional>
#include <string_view>

#include "serial/MaskTest.h"
#include "ui/SideMenu.h"
#include "ui/UiFeature.h"
#include "ui/dialogs/DialogRunner.h"

class QPushButton;

namespace vt {

class TShell;
class TRC_EditSwitcher;
class TRC_RadioSwitcher;
class TRC_RightPassiveCommandSwitcher;
class TMaskMenuFeature;
class TStdMaskFrm;

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
    explicit TMaskMenuFeature(TShell& shell);
    ~TMaskMenuFeature() override;

    void RegisterForms(TSideMenus& menus) override;
    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;

    bool IsMenuPageOnSide0(int kind, int page) const override;
    void RefreshMaskMenu() override;
    void StdMaskStandardChanged() override;
    void StdMaskSelectionChanged() override;

    // The standard-mask picker and the store-as-standard dialog, opened by the "Create Mask" page
    // (the feature's own dialogs unless replaced).
    std::function<void(QWidget* owner)> StandardMaskPicker;
    std::function<void(QWidget* owner)> StoreAsStandard;
    // The picker is open: the menu keeps its page.
    std::function<bool()> PickerOpen;

    TSideMenus* Menus() const { return Menus_; }

    // The picker, modal: the mask's state opens an undo step, which is undone when the picker changed
    // the mask and was not closed with OK.
    void OpenStandardMaskPicker(QWidget* owner);
    void OpenStoreAsStandard(QWidget* owner);
    TStdMaskFrm* Picker() const { return Picker_; }
    // Undoes the last undo step; none: the settings alone are put back.
    std::function<void()> UndoLastStep;
    // Shows a help topic for the picker's context help.
    std::function<void(int topic)> ShowHelp;
    // How the two dialogs are run; none: modally.
    TDialogRunner DialogRunner;
    // Hands over the picker and the store dialog, by class name, for the English language file.
    using TAddEnglishFileDialog =
        std::function<void(std::string_view className, std::function<QWidget*(QWidget* owner)> create)>;
    void AddDialogsToEnglishFile(const TAddEnglishFileDialog& add);

private:
    void Attach(TSideMenus* menus);
    TShell& Shell_;
    TSideMenus* Menus_ = nullptr;
    TKitContext* Kit_ = nullptr;
    TStdMaskFrm* Picker_ = nullptr;
    std::optional<QPoint> PickerPlace_;
};

}  // namespace vt
