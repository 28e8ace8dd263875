#pragma once
// The TDR/TDT channel calibration as a feature of the window: its dialog, shown beside the main
// window while the run lasts. A command-started run holds its command in a local event loop until
// it has closed, so that the reply tells the result; the acquisition steps it meanwhile.
#include <QDialog>
#include <QEventLoop>
#include <QPointer>

#include "serial/TdrChannelCalibration.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;

class TTdrChannelCalibrationFeature : public TUiFeature, public TTdrChannelCalibrationView {
public:
    explicit TTdrChannelCalibrationFeature(TShell& shell) : Shell_(shell) {}
    ~TTdrChannelCalibrationFeature() override;

    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;

    void Opened(TTdrChannelCalibration& run) override;
    void Changed(TTdrChannelCalibration& run) override;
    void Closed(TTdrChannelCalibration& run) override;
    void HoldUntilClosed(TTdrChannelCalibration& run) override;

    // Without a completed acquisition for this long a held run ends as failed.
    static constexpr int StallSeconds = 10;

private:
    TTdrChannelCalibration* Run() const;
    void Release();

    TShell& Shell_;
    QPointer<QWidget> Window_;
    QPointer<QDialog> Dialog_;
    QEventLoop* Hold_ = nullptr;
};

}  // namespace vt
