#pragma once
// The TDR/TDT channel calibration as a feature of the window: its dialog, shown beside the main
// window while the run lasts, without holding the command that started it.
#include <QPointer>

#include "serial/TdrChannelCalibration.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;
class TfrmTDR_CalibrChannel;

class TTdrChannelCalibrationFeature : public TUiFeature, public TTdrChannelCalibrationView {
public:
    explicit TTdrChannelCalibrationFeature(TShell& shell) : Shell_(shell) {}
    ~TTdrChannelCalibrationFeature() override;

    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;

    void Opened(TTdrChannelCalibration& run) override;
    void Changed(TTdrChannelCalibration& run) override;
    void Closed(TTdrChannelCalibration& run) override;

    TfrmTDR_CalibrChannel* Dialog() const { return Dialog_; }

private:
    TTdrChannelCalibration* Run() const;
    void Release();

    TShell& Shell_;
    QPointer<QWidget> Window_;
    QPointer<TfrmTDR_CalibrChannel> Dialog_;
};

}  // namespace vt
