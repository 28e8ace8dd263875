#pragma once
// The zoom side menu (unit Zoom_Frm): the chosen derived source with its spectrum view and
// suppression, and its vertical and horizontal scaling; and the zoom views as a feature of the program.
#include <QPushButton>

#include "acq/ZoomViews.h"
#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;
class TRC_EditSwitcher;
class TRC_SignalSourceSwitcher;
class TRC_RightPassiveCommandSwitcher;

class TZoom_Form : public TSideMenuForm {
public:
    TZoom_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, const TZoomViews& zoom);

    // Rebinds the vertical edits to the chosen source's view.
    void UpdateMenu() override;
    // Page 2 only while the chosen source is on; any other number page 1.
    void SetTopPanel(int page) override;

    TRC_RightMenuPanel* Page(int page) const { return page == 2 ? Scaling_ : Zoom_; }
    TRC_EditSwitcher* VerticalScale() const { return VertScale_; }
    TRC_EditSwitcher* VerticalPosition() const { return VertPosition_; }
    QPushButton* ScalingButton() const { return ScalingButton_; }

private:
    void FollowSource();

    TShell& Shell_;
    const TZoomViews& ZoomViews_;
    TRC_RightMenuPanel* Zoom_ = nullptr;
    TRC_RightMenuPanel* Scaling_ = nullptr;
    TRC_SignalSourceSwitcher* Source_ = nullptr;
    QPushButton* ScalingButton_ = nullptr;
    TRC_EditSwitcher* VertScale_ = nullptr;
    TRC_EditSwitcher* VertPosition_ = nullptr;
    bool Following_ = false;
};

// The zoom views with their face: the settings feature and its side menu (kind 12).
class TZoomMenuFeature : public TUiFeature {
public:
    explicit TZoomMenuFeature(TShell& shell) : Shell_(shell), Zoom_(shell) {}

    void FillRows(TShell& shell) override { Zoom_.FillRows(shell); }
    void RegisterForms(TSideMenus& menus) override;

    TZoomViews& Zoom() { return Zoom_; }

private:
    TShell& Shell_;
    TZoomViews Zoom_;
};

}  // namespace vt
