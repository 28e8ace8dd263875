#pragma once
// Calibration and adjustment as a feature of the window: the calibration (kind 21) and adjustment
// (kind 22) side menus, the run dialogs as views of the auto-calibration, and the calibration status
// dialog.
#include <QPointer>

#include "acq/AutoCalibration.h"
#include "ui/UiFeature.h"

class QWidget;

namespace vt {

class TCalibrAdjust;
class TCalibrationRunDialog;
class TShell;

class TCalibrationFeature : public TUiFeature, public TCalibrationView {
public:
    TCalibrationFeature(TShell& shell, TCalibrAdjust& values, TAutoCalibration& run)
        : Shell_(shell), Values_(values), Run_(run) {}
    ~TCalibrationFeature() override;

    void RegisterForms(TSideMenus& menus) override;
    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;

    // A part's dialog, modal until the part has been closed.
    void ShowPart(TAutoCalibration& run, TCalPart part) override;
    void RunAside(TAutoCalibration& run, TCalPart part) override;
    void AsideEnded() override;
    // The shown part's dialog follows the run.
    void PartChanged(TAutoCalibration& run) override;
    // The schedule dialog, with the due check's timer stopped meanwhile.
    void ShowCalibrationStatus();

private:
    TShell& Shell_;
    TCalibrAdjust& Values_;
    TAutoCalibration& Run_;
    QPointer<QWidget> Window_;
    // The modal dialog of the part the user runs, while it is open.
    TCalibrationRunDialog* Modal_ = nullptr;
    // The part's box of a script's run: modeless, shown only where someone sees it.
    QPointer<TCalibrationRunDialog> Aside_;
};

}  // namespace vt
