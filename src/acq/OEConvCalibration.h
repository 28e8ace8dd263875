#pragma once
// The converter's dark-level and wavelength-gain calibrations as one state machine, stepped once per
// completed acquisition by the end-of-cycle hook with the record of the channel the converter feeds.
// Its dialog is a view; without one (no window, tests) the run is stepped from outside. A run a
// script started nests no loop and closes itself; its command's reply waits for its end.
#include <cstdint>
#include <functional>
#include <string>

#include "core/Color.h"
#include "core/PreparedSetupStep.h"
#include "core/RunningStat.h"

namespace vt {

class TShell;
class TOEConv;
class TOEConvCalibration;

enum TOECalStep : int {
    ocsIdle = 0,
    ocsDarkSearch = 1,
    ocsZeroPower = 2,
    ocsGain = 3,
    ocsFinished = 4,
    ocsCancelled = 5,
};

class TOEConvCalibrationView {
public:
    virtual ~TOEConvCalibrationView() = default;
    // Shows the dialog modally; returns once the run called EndModal.
    virtual void ShowModal(TOEConvCalibration& run) = 0;
    virtual void EndModal() = 0;
    // A script's run: a box that waits for nobody, whose Cancel ends the run; AsideEnded follows
    // the run's end.
    virtual void RunAside(TOEConvCalibration& run) { (void)run; }
    virtual void AsideEnded() {}
    // The run changed what it shows.
    virtual void Changed(TOEConvCalibration& run) { (void)run; }
};

class TOEConvCalibration {
public:
    static constexpr int ZeroPowerReadings = 300;
    static constexpr int DarkSearchCount = 2000;
    static constexpr std::int64_t GainCount = 11999;
    // A script's run that gets no acquisition for this long ends as failed.
    static constexpr int StallSeconds = 10;
    // The reply of a run that cannot start: the converter feeds no channel.
    static constexpr const char* NotConnectedText =
        "ELECTRICAL OUTPUT of the O/E CONVERTER\r\nis not connected to any of the CHANNEL INPUT.";

    TOEConvCalibration(TShell& shell, TOEConv& converter) : Shell_(shell), Converter_(converter) {}

    // `FLASH:OECalibr:AutoCalGain` (gain) or `AutoDarkLvl`; fromControl: a control pressed it, so the
    // user is asked and closes the result.
    void Start(bool gain, bool fromControl);
    // The end-of-cycle hook: one step of the current state on the converter channel's record.
    void AcquisitionStep();
    // The dialog's OK (true) or Cancel.
    void Close(bool ok);
    // A script's run that got no acquisition for StallSeconds on the link clock ends (as failed,
    // unless its result had come).
    // Answers the milliseconds until the stall would be due, -1 when no such run goes on.
    int StallCheck();

    // --- what the dialog shows ---
    TOECalStep Step() const { return Step_; }
    bool GainMode() const { return GainMode_; }
    int ChannelNumber() const { return Channel_ - 1; }
    double SearchStep() const { return SearchStep_; }
    int Progress() const { return Progress_; }
    bool ProgressVisible() const { return ProgressVisible_; }
    bool OkEnabled() const { return OkEnabled_; }
    const std::string& ZeroErrorText() const { return ZeroErrorText_; }
    const std::string& DarkLevelText() const { return DarkLevelText_; }
    const std::string& AvgPowerText() const { return AvgPowerText_; }
    const std::string& GainText() const { return GainText_; }
    const std::string& ResultText() const { return ResultText_; }
    TColor ResultColor() const { return ResultColor_; }
    double MeasuredGain() const { return Gain_; }
    double MeasuredZeroPower() const { return ZeroPower_; }
    bool Running() const { return Step_ != ocsIdle; }

    TOEConvCalibrationView* View = nullptr;

private:
    void Prepare();
    void SetupLine(const std::string& header, const std::string& value);
    void FirstItem(const std::string& header);
    void DarkSearchStep();
    void ZeroPowerStep();
    void GainStep();
    void Complete(bool ok);
    void Finish(bool ok);
    void SetDarkLevel(double value);
    void Changed();
    void Break();
    std::int64_t NowMs();

    TShell& Shell_;
    TOEConv& Converter_;
    TOECalStep Step_ = ocsIdle;
    bool GainMode_ = false;
    bool FromControl_ = false;
    bool Modal_ = false;
    bool CloseOk_ = false;
    bool Aside_ = false;  // a script's run: no modal dialog, closes itself
    std::function<void(const std::string&)> Later_;  // the held reply of the script's command
    std::string Failure_;
    std::int64_t LastStepMs_ = 0;
    int Channel_ = 2;
    int Point_ = 0;
    double SearchStep_ = 2;
    int LastSign_ = 0;
    TStat Stat_;
    double Gain_ = 0;
    double ZeroPower_ = 0;
    double RememberedDark_ = 50;
    int Progress_ = 0;
    bool ProgressVisible_ = true;
    bool OkEnabled_ = false;
    std::string ZeroErrorText_;
    std::string DarkLevelText_;
    std::string AvgPowerText_;
    std::string GainText_;
    std::string ResultText_;
    TColor ResultColor_{};
    // The state the run restores. A remote command or a recall may push undo steps after the
    // preparation's before the end.
    TPreparedSetupStep Setup_;
    bool RunOn_ = false;
    bool SingleOn_ = false;
    bool FlagReading_ = false;
    bool AutoCalTimer_ = false;
};

}  // namespace vt
