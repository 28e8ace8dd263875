#pragma once
// The measurements' side menu: ten pages, from the display and the definition source on the first to
// the check lists of each parameter group; the per-source pages follow "Meas:DisplSrc".
#include <QPushButton>
#include <array>

#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;
class TMeasurementSettings;
class TRC_EditSwitcher;

class TMeas_Form : public TSideMenuForm {
public:
    static constexpr int PageCount = 10;

    TMeas_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, const TMeasurementSettings& settings);

    // Binds the per-source pages to the definition source and enables the page buttons.
    void UpdateMenu() override;
    // Pages 1 to 10; any other number opens page 1.
    void SetTopPanel(int page) override;

    TRC_RightMenuPanel* Page(int page) const;
    // The page buttons of the first page: X, Y, Define, Statistics, Dual; the thresholds button of page 2.
    QPushButton* XButton() const { return XButton_; }
    QPushButton* YButton() const { return YButton_; }
    QPushButton* DefineButton() const { return DefineButton_; }
    QPushButton* StatisticsButton() const { return StatisticsButton_; }
    QPushButton* DualButton() const { return DualButton_; }
    QPushButton* ThresholdsButton() const { return ThresholdsButton_; }
    TRC_EditSwitcher* StatEdit() const { return StatEdit_; }
    TRC_EditSwitcher* Threshold(int i) const { return Thresholds_.at(static_cast<std::size_t>(i)); }
    TRC_EditSwitcher* Margin(int i) const { return Margins_.at(static_cast<std::size_t>(i)); }

private:
    bool Spectrum() const;
    int Display() const;

    TShell& Shell_;
    const TMeasurementSettings& Settings_;
    std::array<TRC_RightMenuPanel*, PageCount> Pages_{};
    QPushButton* XButton_ = nullptr;
    QPushButton* YButton_ = nullptr;
    QPushButton* DefineButton_ = nullptr;
    QPushButton* StatisticsButton_ = nullptr;
    QPushButton* DualButton_ = nullptr;
    QPushButton* ThresholdsButton_ = nullptr;
    TRC_EditSwitcher* StatEdit_ = nullptr;
    std::array<TRC_EditSwitcher*, 3> Thresholds_{};
    std::array<TRC_EditSwitcher*, 2> Margins_{};
    bool Updating_ = false;
};

// The measurement menu as a feature of the program: its form.
class TMeasMenuFeature : public TUiFeature {
public:
    TMeasMenuFeature(TShell& shell, const TMeasurementSettings& settings) : Shell_(shell), Settings_(settings) {}
    void RegisterForms(TSideMenus& menus) override;

private:
    TShell& Shell_;
    const TMeasurementSettings& Settings_;
};

}  // namespace vt
