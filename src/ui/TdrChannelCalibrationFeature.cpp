#include "ui/TdrChannelCalibrationFeature.h"

#include <QElapsedTimer>
#include <QTimer>

#include "core/Shell.h"
#include "serial/ScopeSerialServices.h"
#include "ui/MainWindow.h"
#include "ui/dialogs/TdrChannelCalibrationForm.h"

namespace vt {

TTdrChannelCalibration* TTdrChannelCalibrationFeature::Run() const {
    auto* serial = dynamic_cast<TScopeSerialServices*>(&Shell_.Serial());
    return serial ? &serial->TdrChannelCalibration() : nullptr;
}

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

void TTdrChannelCalibrationFeature::HoldUntilClosed(TTdrChannelCalibration& run) {
    if (!run.Open() || Hold_) return;
    QEventLoop loop;
    Hold_ = &loop;
    // Acquisitions that stop coming (a stopped link, a Stop typed in the console) end the run.
    int seen = -1;
    QElapsedTimer quiet;
    quiet.start();
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (!run.Open()) {
            loop.quit();
            return;
        }
        const int mark = run.Count() + (run.SecondPhase() ? 1000 : 0);
        if (mark != seen) {
            seen = mark;
            quiet.restart();
        } else if (quiet.elapsed() >= StallSeconds * 1000) {
            run.Stalled(StallSeconds);
        }
    });
    watch.start(100);
    loop.exec();
    Hold_ = nullptr;
}

void TTdrChannelCalibrationFeature::Closed(TTdrChannelCalibration&) {
    if (Hold_) Hold_->quit();
    // Called from the dialog's own buttons: it goes once their signal has returned.
    if (Dialog_) {
        Dialog_->hide();
        Dialog_->deleteLater();
        Dialog_ = nullptr;
    }
}

}  // namespace vt
