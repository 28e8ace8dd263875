#pragma once
// The eye diagram's side menu: the mode, source and page buttons on the first page, the four
// parameter check lists, the statistics and the eye's definition (bounds and thresholds).
#include <QPushButton>
#include <array>

#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;
class TRC_EditSwitcher;

class TEye_Form : public TSideMenuForm {
public:
    static constexpr int PageCount = 7;
    static constexpr int StatisticsHelpContext = 493;

    TEye_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell);

    // Enables the parameter buttons by the mode and binds the statistics entry to the mode's length.
    void UpdateMenu() override;
    // Pages 1 to 7; any other number opens page 1.
    void SetTopPanel(int page) override;

    TRC_RightMenuPanel* Page(int page) const;
    QPushButton* XButton() const { return XButton_; }
    QPushButton* YButton() const { return YButton_; }
    QPushButton* StatisticsButton() const { return StatisticsButton_; }
    QPushButton* DefineButton() const { return DefineButton_; }
    // The "Back" button of pages 2 to 7.
    QPushButton* BackButton(int page) const { return Backs_.at(static_cast<std::size_t>(page - 2)); }
    TRC_EditSwitcher* StatEdit() const { return StatEdit_; }

private:
    int Measure() const;

    TShell& Shell_;
    std::array<TRC_RightMenuPanel*, PageCount> Pages_{};
    std::array<QPushButton*, PageCount - 1> Backs_{};
    QPushButton* XButton_ = nullptr;
    QPushButton* YButton_ = nullptr;
    QPushButton* StatisticsButton_ = nullptr;
    QPushButton* DefineButton_ = nullptr;
    TRC_EditSwitcher* StatEdit_ = nullptr;
    bool Updating_ = false;
};

// The eye menu as a feature of the program: its form.
class TEyeMenuFeature : public TUiFeature {
public:
    explicit TEyeMenuFeature(TShell& shell) : Shell_(shell) {}
    void RegisterForms(TSideMenus& menus) override;

private:
    TShell& Shell_;
};

}  // namespace vt
