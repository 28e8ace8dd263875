#pragma once
// The generators' side menu (unit Generator_Frm): mode, clock or period, delay, width or pattern
// length and the trigger on page 1, each output's deskew, offset and slope on page 2, the offset zero
// calibration of that output on page 3; and the generators as a feature of the program.
#include <QLabel>
#include <array>

#include "acq/Generator.h"
#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;
class TRC_EditSwitcher;
class TRC_RadioSwitcher;

class TGenerator_Form : public TSideMenuForm {
public:
    TGenerator_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell);

    // 1 .. 3; 0 or above 3 selects page 1.
    void SetTopPanel(int page) override;
    // Page 2 for output n (1 or 2), with page 3 following it.
    void OpenOutput(int n);

    TRC_RightMenuPanel* Page(int page) const { return Pages_[static_cast<std::size_t>(page < 1 || page > 3 ? 0 : page - 1)]; }
    TRC_EditSwitcher* ClockPeriod() const { return ClockPeriod_; }
    TRC_EditSwitcher* Delay() const { return Delay_; }
    TRC_EditSwitcher* Width() const { return Width_; }
    TRC_RadioSwitcher* Length() const { return Length_; }
    QLabel* OutputLabel(int page) const { return page == 3 ? ZeroLabel_ : OutputLabel_; }

private:
    void FollowMode();

    TShell& Shell_;
    std::array<TRC_RightMenuPanel*, 3> Pages_{};
    TRC_EditSwitcher* ClockPeriod_ = nullptr;
    TRC_EditSwitcher* Delay_ = nullptr;
    TRC_EditSwitcher* Width_ = nullptr;
    TRC_RadioSwitcher* Length_ = nullptr;
    QLabel* OutputLabel_ = nullptr;
    QLabel* ZeroLabel_ = nullptr;
};

// The generators with their face: the settings and their side menu (kind 16).
class TGeneratorMenuFeature : public TUiFeature {
public:
    TGeneratorMenuFeature(TShell& shell, TCalibrAdjust* calibration) : Shell_(shell), Generator_(shell, calibration) {}

    void FillRows(TShell& shell) override { Generator_.FillRows(shell); }
    void RegisterForms(TSideMenus& menus) override;

    TGenerator& Generator() { return Generator_; }

private:
    TShell& Shell_;
    TGenerator Generator_;
};

}  // namespace vt
