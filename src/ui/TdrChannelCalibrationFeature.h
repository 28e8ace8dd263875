#pragma once
// The TDR/TDT channel calibration as a feature of the window: its dialog, shown beside the main
// window while the run lasts. While a command-started run is open a timer checks its stall rule; the
// acquisition steps the run and its close gives the command's reply.
#include <QDialog>
#include <QPointer>

#include "serial/TdrChannelCalibration.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;

class TTdrChannelCalibrationFeature : public TUiFeature, public TTdrChannelCalibrationView {
public:
    explicit TTdrChannelCalibrationFeature(TShell& shell);
    ~TTdrChannelCalibrationFeature() override;

    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;

    void Opened(TTdrChannelCalibration& run) override;
    void Changed(TTdrChannelCalibration& run) override;
    void Closed(TTdrChannelCalibration& run) override;

private:
    TTdrChannelCalibration* Run() const;
    void Release();

    TShell& Shell_;
    QPointer<QWidget> Window_;
    QPointer<QDialog> Dialog_;
};

}  // namespace vt
