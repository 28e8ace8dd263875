#pragma once
// The converter's side menu (unit OEConv_Frm): destination and wavelength, the dark-level page, the
// wavelength-gain page of the chosen calibration point and the (hidden) frequency correction; and
// the converter as a feature of the program, whose calibration dialog is a view of the run.
#include <QPointer>
#include <array>

#include "acq/OEConv.h"
#include "acq/OEConvCalibration.h"
#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;
class TRC_ListBoxSwitcher;
class TRC_RadioSwitcher;
class TfrmCalibrOEConverter;

class TOEConv_Form : public TSideMenuForm {
public:
    TOEConv_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, TOEConv& converter);

    // The lists take the points' and the factory wavelengths' texts.
    void UpdateMenu() override;
    // 1 .. 4; 0 or above 4 selects page 1.
    void SetTopPanel(int page) override;

    TRC_RightMenuPanel* Page(int page) const {
        return Pages_[static_cast<std::size_t>(page < 1 || page > 4 ? 0 : page - 1)];
    }
    TRC_ListBoxSwitcher* UserWavelength() const { return UserWaveLen_; }
    TRC_ListBoxSwitcher* CalibrationPoint() const { return Point_; }
    TRC_RadioSwitcher* WaveLength() const { return WaveLen_; }

private:
    void FollowPoint();

    TShell& Shell_;
    TOEConv& Converter_;
    std::array<TRC_RightMenuPanel*, 4> Pages_{};
    TRC_RadioSwitcher* WaveLen_ = nullptr;
    TRC_ListBoxSwitcher* UserWaveLen_ = nullptr;
    TRC_ListBoxSwitcher* Point_ = nullptr;
};

// The converter with its face: settings, side menu (kind 1) and the calibration dialog.
class TOEConvMenuFeature : public TUiFeature, public TOEConvCalibrationView {
public:
    TOEConvMenuFeature(TShell& shell, TCalibrAdjust* calibration);
    ~TOEConvMenuFeature() override;

    void FillRows(TShell& shell) override { Converter_.FillRows(shell); }
    int CheckDeadlines(TShell& shell) override { return Converter_.CheckDeadlines(shell); }
    void StopRunning() override { Converter_.StopRunning(); }
    void RegisterForms(TSideMenus& menus) override;
    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;

    void ShowModal(TOEConvCalibration& run) override;
    void EndModal() override;
    void RunAside(TOEConvCalibration& run) override;
    void AsideEnded() override;
    void Changed(TOEConvCalibration& run) override;

    TOEConv& Converter() { return Converter_; }

private:
    TShell& Shell_;
    TOEConv Converter_;
    QPointer<QWidget> Window_;
    QPointer<TOEConv_Form> Form_;
    QPointer<TfrmCalibrOEConverter> Dialog_;
    // The box of a script's run: modeless, shown only where someone sees it.
    QPointer<TfrmCalibrOEConverter> Aside_;
};

}  // namespace vt
