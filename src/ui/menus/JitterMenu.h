#pragma once
// The jitter side menu (kind 18): the main page with the analyser's switch, the parameters page, the
// plot windows page and the set-up page with the sampling level; and the jitter feature's face: the
// plot window table, the windows' closing and the form.
#include <QPushButton>
#include <memory>

#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;
class TRC_EditSwitcher;
class TJitterPlotTable;

class TJitter_Form : public TSideMenuForm {
public:
    TJitter_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell);

    void UpdateMenu() override;
    // Pages 1..4; any other number page 1.
    void SetTopPanel(int page) override;

    TRC_RightMenuPanel* Page(int page) const;
    TRC_EditSwitcher* LevelEdit() const { return Level_; }

private:
    TShell& Shell_;
    std::array<TRC_RightMenuPanel*, 4> Pages_{};
    TRC_EditSwitcher* Level_ = nullptr;
};

class TJitterUiFeature : public TUiFeature {
public:
    explicit TJitterUiFeature(TShell& shell);
    ~TJitterUiFeature() override;

    void RegisterForms(TSideMenus& menus) override;
    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;
    void ClearJitterPlotBit(int plot) override;

    TJitterPlotTable* Table() const { return Table_.get(); }

private:
    TShell& Shell_;
    std::unique_ptr<TJitterPlotTable> Table_;
};

}  // namespace vt
