#include "ui/TdrChannelCalibrationFeature.h"

#include "core/Shell.h"
#include "serial/ScopeSerialServices.h"
#include "ui/MainWindow.h"
#include "ui/UserDialogs.h"
#include "ui/dialogs/TdrChannelCalibrationForm.h"

namespace vt {

TTdrChannelCalibration* TTdrChannelCalibrationFeature::Run() const {
    auto* serial = dynamic_cast<TScopeSerialServices*>(&Shell_.Serial());
    return serial ? &serial->TdrChannelCalibration() : nullptr;
}

TTdrChannelCalibrationFeature::TTdrChannelCalibrationFeature(TShell& shell) : Shell_(shell) {}

TTdrChannelCalibrationFeature::~TTdrChannelCalibrationFeature() { Release(); }

void TTdrChannelCalibrationFeature::Release() {
    if (TTdrChannelCalibration* run = Run(); run && run->View == this) run->View = nullptr;
    delete Dialog_.data();
}

void TTdrChannelCalibrationFeature::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) {
    Window_ = &window;
    if (TTdrChannelCalibration* run = Run()) run->View = this;
}

void TTdrChannelCalibrationFeature::WindowGone() {
    // A run still open ends as cancelled: nobody can answer its dialog any more.
    if (TTdrChannelCalibration* run = Run(); run && run->Open()) run->Close(false);
    Release();
    Window_ = nullptr;
}

void TTdrChannelCalibrationFeature::Opened(TTdrChannelCalibration& run) {
    delete Dialog_.data();
    Dialog_ = new TfrmTDR_CalibrChannel(Window_, run);
    Dialog_->show();
}

void TTdrChannelCalibrationFeature::Changed(TTdrChannelCalibration&) {
    if (auto* dialog = static_cast<TfrmTDR_CalibrChannel*>(Dialog_.data())) dialog->Refresh();
}

void TTdrChannelCalibrationFeature::Closed(TTdrChannelCalibration&) {
    // Called from the dialog's own buttons: it goes once their signal has returned.
    DismissLater(Dialog_);
}

}  // namespace vt
