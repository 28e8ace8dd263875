#pragma once
// The limit test's side menu: the parameter under test with its switch, the test, the run-until
// count, the actions and the verdict rule ("Limit Test"); the chosen parameter's bounds ("Conditions").
#include <QPushButton>
#include <array>
#include <string>

#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;
class TMeasurements;
class TRC_EditSwitcher;
class TRC_OnOffSwitch;
class TRC_RadioSwitcher;

class TLimt_Form : public TSideMenuForm {
public:
    static constexpr int PageCount = 2;

    TLimt_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, TMeasurements& measurements);

    // Binds the switch and the conditions page to the chosen parameter and the fields to the modes.
    void UpdateMenu() override;
    // Pages 1 and 2; any other number opens page 1.
    void SetTopPanel(int page) override;

    TRC_RightMenuPanel* Page(int page) const;
    TRC_OnOffSwitch* ActivSwitch() const { return Activ_; }
    QPushButton* ConditionsButton() const { return Conditions_; }
    TRC_EditSwitcher* RunUntilEdit() const { return RunUntil_; }
    TRC_EditSwitcher* ValueEdit(int which) const { return Values_.at(static_cast<std::size_t>(which)); }

private:
    int ChosenSlot() const;

    TShell& Shell_;
    TMeasurements& Meas_;
    std::array<TRC_RightMenuPanel*, PageCount> Pages_{};
    TRC_OnOffSwitch* Activ_ = nullptr;
    QPushButton* Conditions_ = nullptr;
    TRC_EditSwitcher* RunUntil_ = nullptr;
    std::array<TRC_EditSwitcher*, 2> Values_{};
    int ShownSlot_ = -1;
    bool Updating_ = false;
};

// The limit test's menu as a feature of the program: its form.
class TLimitMenuFeature : public TUiFeature {
public:
    TLimitMenuFeature(TShell& shell, TMeasurements& measurements) : Shell_(shell), Meas_(measurements) {}
    void RegisterForms(TSideMenus& menus) override;

private:
    TShell& Shell_;
    TMeasurements& Meas_;
};

}  // namespace vt
