#pragma once
// The acquisition side menu: the channels' acquisition settings on the first page, run-until and its
// reaction on the second. The first page shows the settings of both channels when they are shared,
// else those of the channel the menu chose; its parameter field follows the channel's mode.
#include <QPushButton>

#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;
class TRC_EditSwitcher;
class TRC_RadioSwitcher;

class TAcq_Form : public TSideMenuForm {
public:
    static constexpr int AverageHelpContext = 117;
    static constexpr int EnvelopeHelpContext = 119;
    static constexpr int IntervalHelpContext = 121;
    // The parameter is drawn grey while the peak-detect interval is below this.
    static constexpr double PeakIntervalGreyBelow = 2.2;
    static constexpr std::uint32_t GreyColor = 8421504;

    TAcq_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell);

    void UpdateMenu() override;
    // Page 2 is the second page; any other number the first.
    void SetTopPanel(int page) override;

    TRC_RightMenuPanel* Page(int page) const { return page == 2 ? Page2_ : Page1_; }
    TRC_RadioSwitcher* ModeSwitcher() const { return Mode_; }
    TRC_EditSwitcher* ParameterSwitcher() const { return Parameter_; }
    TRC_EditSwitcher* RecordLengthSwitcher() const { return RecLen_; }
    QPushButton* MoreButton() const { return More_; }
    QPushButton* BackButton() const { return Back_; }

private:
    // The caption, group and bindings that follow the settings; a change of a setting shown on the
    // page may call it again while it runs, which it ignores.
    void FollowSettings();

    TShell& Shell_;
    TRC_RightMenuPanel* Page1_ = nullptr;
    TRC_RightMenuPanel* Page2_ = nullptr;
    TRC_RadioSwitcher* Mode_ = nullptr;
    TRC_EditSwitcher* Parameter_ = nullptr;
    TRC_EditSwitcher* RecLen_ = nullptr;
    QPushButton* More_ = nullptr;
    QPushButton* Back_ = nullptr;
    bool Following_ = false;
};

// The acquisition menu as a feature of the program: its form.
class TAcqMenuFeature : public TUiFeature {
public:
    explicit TAcqMenuFeature(TShell& shell) : Shell_(shell) {}
    void RegisterForms(TSideMenus& menus) override;

private:
    TShell& Shell_;
};

}  // namespace vt
