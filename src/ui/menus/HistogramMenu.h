#pragma once
// The histogram's side menu: axis, source and accumulation ("Histogram"), the window ("Window"), the
// bar scale ("Scale") and the exponential mode ("Mode"); and the menu as a feature of the program.
#include <array>

#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

namespace vt {

class THistogramFeature;
class TRC_EditSwitcher;
class TRC_RadioSwitcher;
class TRC_RightPassiveCommandSwitcher;

class THist_Form : public TSideMenuForm {
public:
    THist_Form(TSideMenus& menus, QWidget* mainWindow, THistogramFeature& hist);
    ~THist_Form() override;

    // The editors follow the axis and the scale type; the page buttons need an axis.
    void UpdateMenu() override;
    // Pages 1 to 4; any other number opens page 1.
    void SetTopPanel(int page) override;

    TRC_RightMenuPanel* Page(int page) const;
    TRC_EditSwitcher* WindowEditor(int edge) const { return Window_.at(static_cast<std::size_t>(edge)); }
    TRC_EditSwitcher* ScaleEditor(int which) const { return which == 0 ? Scale_ : Offset_; }
    TRC_EditSwitcher* WaveformsEditor() const { return NWfm_; }
    TRC_EditSwitcher* SamplesEditor() const { return NSample_; }
    TRC_RightPassiveCommandSwitcher* PageOpener(int page) const { return Openers_.at(static_cast<std::size_t>(page - 2)); }

private:
    THistogramFeature& Hist_;
    bool Updating_ = false;
    std::array<TRC_RightMenuPanel*, 4> Pages_{};
    std::array<TRC_RightPassiveCommandSwitcher*, 3> Openers_{};
    std::array<TRC_EditSwitcher*, 4> Window_{};
    TRC_EditSwitcher* Scale_ = nullptr;
    TRC_EditSwitcher* Offset_ = nullptr;
    TRC_EditSwitcher* NWfm_ = nullptr;
    TRC_EditSwitcher* NSample_ = nullptr;
};

class THistMenuFeature : public TUiFeature {
public:
    explicit THistMenuFeature(THistogramFeature& hist) : Hist_(hist) {}
    void RegisterForms(TSideMenus& menus) override;

private:
    THistogramFeature& Hist_;
};

}  // namespace vt
