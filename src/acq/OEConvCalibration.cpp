#include "acq/OEConvCalibration.h"

#include <algorithm>
#include <cmath>

#include "acq/OEConv.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/DotNumberText.h"
#include "core/EditHandlers.h"
#include "core/EngineeringText.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "link/CommandSenders.h"
#include "link/InstrumentLink.h"
#include "core/ProgramLog.h"
#include "core/TextHelpers.h"

namespace vt {

namespace {

constexpr int ExponentMode = 3;
constexpr int FirstPoint = 2;
constexpr int LastPoint = 500;
constexpr double FirstSearchStep = 2;
constexpr double SearchEndStep = 0.002;
constexpr double DarkLevelLowest = 0.1;
constexpr double DarkLevelHighest = 99.9;
constexpr double LeastGoodGain = 20;
constexpr int HintMs = 5000;
constexpr TColor Green{0x008000};

std::string Eng(double v) { return FloatToEngStr(ExponentMode, 4, false, false, v); }

}  // namespace

void TOEConvCalibration::Changed() {
    if (View) View->Changed(*this);
}

void TOEConvCalibration::Break() {
    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(false);
}

std::int64_t TOEConvCalibration::NowMs() {
    TInstrumentLink* link = Shell_.Link();
    return link ? link->Clock().NowMs() : 0;
}

// ------------------------------------------------------------------------------------------ start

void TOEConvCalibration::Start(bool gain, bool fromControl) {
    // A script's run holds its command's reply until it ends; one that cannot start replies at once.
    std::function<void(const std::string&)> later =
        !fromControl && Shell_.DeferRemoteReply ? Shell_.DeferRemoteReply() : nullptr;
    if (Step_ != ocsIdle || Shell_.CalibrationRunning) {
        // Another calibration runs: this one starts nothing and never replies as one that ran.
        if (later) later("ERROR");
        return;
    }
    const int channel = Converter_.ConverterChannel();
    if (channel == 0) {
        if (fromControl) {
            Shell_.User().ShowErrorDlg(NotConnectedText);
        } else {
            // A command never waits on a dialog: a timed hint, a log line and the text as its reply.
            const std::string text = ReplyLine(NotConnectedText);
            Shell_.Display().PushHint(text, HintMs);
            LogProgramLine("O/E converter calibration: " + text);
            if (later) later(text);
        }
        return;
    }
    AutoCalTimer_ = Shell_.AutoCalTimerEnabled;
    Shell_.AutoCalTimerEnabled = false;
    Channel_ = channel;
    GainMode_ = gain;
    FromControl_ = fromControl;
    Point_ = Converter_.ChosenPoint();
    Later_ = std::move(later);
    Aside_ = !fromControl;
    Failure_.clear();
    if (fromControl &&
        !Shell_.User().ConfirmOkCancel(FormatDot(Shell_.LangStr(gain ? "OE_CalibrReady1" : "OE_CalibrReady2"),
                                                 ChannelNumber()))) {
        Shell_.AutoCalTimerEnabled = AutoCalTimer_;
        return;
    }
    if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
    RunOn_ = Shell_.RunOn;
    SingleOn_ = Shell_.SingleOn;
    FlagReading_ = Shell_.FlagRegisterReadingEnabled;
    Shell_.FlagRegisterReadingEnabled = false;
    Shell_.CalibrationRunning = true;
    Prepare();
    Setup_.Take(Shell_.UndoBuffer());
    Shell_.RunOn = true;
    Shell_.SingleOn = false;
    Shell_.Display().TopTextUpdateAll();
    Break();

    RememberedDark_ = ReadRealSetting(Shell_.CommandTree(), "FLASH:OECalibr:DarkLvl", 50);
    Stat_.Clear();
    Progress_ = 0;
    ProgressVisible_ = true;
    OkEnabled_ = false;
    ResultText_.clear();
    ZeroErrorText_.clear();
    DarkLevelText_ = Eng(RememberedDark_) + "%";
    GainText_.clear();
    LastSign_ = 0;
    if (gain) {
        Step_ = ocsGain;
        Gain_ = OEFallbackGain;
        AvgPowerText_ = Eng(Converter_.StoredZeroPower());
    } else {
        Step_ = ocsDarkSearch;
        SearchStep_ = FirstSearchStep;
        AvgPowerText_.clear();
    }
    LastStepMs_ = NowMs();
    if (Aside_) {
        // Stepped by the acquisitions as they come; every other client is served meanwhile.
        if (View) View->RunAside(*this);
        return;
    }
    if (View) {
        Modal_ = true;
        View->ShowModal(*this);
        Modal_ = false;
        Finish(CloseOk_);
    }
}

void TOEConvCalibration::SetupLine(const std::string& header, const std::string& value) {
    if (FindSetting<THandler>(Shell_.CommandTree(), header)) Shell_.ExecuteCommandString(header + " " + value);
}

void TOEConvCalibration::FirstItem(const std::string& header) {
    if (const auto* h = FindSetting<TRadioSwHandler>(Shell_.CommandTree(), header); h && !h->Items().empty())
        SetupLine(header, h->Items().front());
}

// Each setting through its handler, so that the run's undo step brings it back; settings of features
// that are not there are left out.
void TOEConvCalibration::Prepare() {
    // The mask goes for the calibration; the run's undo step brings it back.
    if (auto* mask = FindSetting<TComplexObjectHandler>(Shell_.CommandTree(), "NOGPIB:Mask")) mask->SaveStateForUndo(true);
    Shell_.Serial().ClearCurrentMask();
    const std::string own = Channel_ == 2 ? "Ch1:" : "Ch2:";
    SetupLine("Ch1:Display", "Off");
    SetupLine("Ch2:Display", "Off");
    SetupLine(own + "Display", "On");
    for (const char* ch : {"Ch1:", "Ch2:"}) FirstItem(std::string(ch) + "Atten:Unit");
    SetupLine("Acq:Ch1:Mode", "Sample");
    SetupLine("Acq:Ch2:Mode", "Sample");
    for (const char* display : {"Spectr1:Display", "Spectr2:Display", "F1:Display", "F2:Display", "F3:Display",
                                "F4:Display"})
        SetupLine(display, "Off");
    if (const auto* memo = FindSetting<TCheckSwHandler>(Shell_.CommandTree(), "Save:Memo:On"))
        for (std::size_t k = 0; k < memo->Items().size(); ++k)
            if ((memo->GetMask() >> k) & 1u) SetupLine("Save:Memo:On", memo->Items()[k] + " Off");
    for (const char* header : {"Displ:TraceMode", "Displ:Gratic", "Displ:Format", "Hist:Axis"}) FirstItem(header);
    SetupLine("Limit:TestOn", "Off");
    FirstItem("Meas:Display");
    FirstItem("Mark:Type");
    SetupLine("Mask:Test", "Off");
    FirstItem("Util:VCalMode");
    SetupLine("Trig:Source", "IntClock");
    SetupLine("Trig:IntRate", "1.012e-5");
    SetupLine("Trig:Holdoff", "5e-6");
    FirstItem("Acq:FitTo");
    SetupLine("Acq:Ch1:RecLen", "512");
    SetupLine("Acq:Ch2:RecLen", "512");
    // Run must go on until the run closes: a count of acquisitions would stop it half-way (a remote
    // run then never ends) and its saves would write every acquisition of the run to files.
    FirstItem("Acq:RunUntil");
}

// ------------------------------------------------------------------------------------------ steps

void TOEConvCalibration::AcquisitionStep() {
    if (Step_ != ocsIdle) LastStepMs_ = NowMs();
    switch (Step_) {
        case ocsDarkSearch: DarkSearchStep(); break;
        case ocsZeroPower: ZeroPowerStep(); break;
        case ocsGain: GainStep(); break;
        case ocsFinished:
            if (!FromControl_) Close(OkEnabled_);
            break;
        case ocsCancelled: Close(false); break;
        default: break;
    }
}

namespace {

void AddRecordPoints(TShell& shell, int channel, TStat& stat) {
    const TSignalRecords* records = shell.Records();
    if (!records) return;
    const TSignalObj& record = records->Record(ChannelSignalIndex(channel, 0));
    const int last = std::min(LastPoint, record.Length() - 1);
    for (int i = FirstPoint; i <= last; ++i) stat.Add(1, record.GetPoint(i));
}

}  // namespace

void TOEConvCalibration::DarkSearchStep() {
    AddRecordPoints(Shell_, Channel_, Stat_);
    const std::int64_t needed =
        SearchStep_ <= 0.02 ? RoundHalfEven(40 / SearchStep_) : static_cast<std::int64_t>(DarkSearchCount);
    if (Stat_.Count < needed) return;
    const double m = Stat_.Mean;
    Stat_.Clear();
    const int sign = m > 0 ? 1 : -1;
    ZeroErrorText_ = Eng(m) + "V";
    if (LastSign_ != 0 && sign != LastSign_) {
        SearchStep_ /= 2;
        Progress_ = static_cast<int>(RoundHalfEven(std::log(10 / SearchStep_) * 11));
        if (SearchStep_ < SearchEndStep) {
            Step_ = ocsZeroPower;
            Changed();
            return;
        }
    }
    LastSign_ = sign;
    const double dark = ReadRealSetting(Shell_.CommandTree(), "FLASH:OECalibr:DarkLvl", 50) + sign * SearchStep_;
    if (dark < DarkLevelLowest || dark > DarkLevelHighest) {
        Complete(false);
        return;
    }
    SetDarkLevel(dark);
    DarkLevelText_ = Eng(dark) + "%";
    Changed();
}

// The search's own levels stay out of the run's undo step, so that undoing it keeps the result.
void TOEConvCalibration::SetDarkLevel(double value) {
    TUndoBuffer* undo = Shell_.UndoBuffer();
    const bool enabled = undo && undo->Enabled();
    if (undo) undo->SetEnabled(false);
    WriteRealSetting(Shell_.CommandTree(), "FLASH:OECalibr:DarkLvl", value);
    if (undo) undo->SetEnabled(enabled);
}

void TOEConvCalibration::ZeroPowerStep() {
    TInstrumentSenders* senders = Shell_.Senders();
    for (int n = 1; n <= ZeroPowerReadings; ++n) {
        Stat_.Add(1, senders ? senders->RandomDemoValue() : 100);
        if (n % 30 == 0) {
            AvgPowerText_ = Eng(Stat_.Mean);
            Progress_ = static_cast<int>(RoundHalfEven(n / 6.0)) + 50;
            Changed();
        }
    }
    ZeroPower_ = Stat_.Mean;
    Stat_.Clear();
    Complete(true);
}

void TOEConvCalibration::GainStep() {
    AddRecordPoints(Shell_, Channel_, Stat_);
    const double power = ReadRealSetting(Shell_.CommandTree(), "FLASH:OECalibr:Power", 0.0003);
    Gain_ = Stat_.Mean / power;
    GainText_ = Eng(Gain_) + "V/ W";
    Progress_ = static_cast<int>(Stat_.Count / 120);
    Changed();
    if (Stat_.Count > GainCount) Complete(Gain_ > LeastGoodGain);
}

void TOEConvCalibration::Complete(bool ok) {
    ProgressVisible_ = false;
    ResultText_ = Shell_.LangStr(ok ? "CalibrationComplete" : "CalibrationFailed");
    ResultColor_ = ok ? Green : clRed;
    OkEnabled_ = ok;
    Step_ = ocsFinished;
    Changed();
}

int TOEConvCalibration::StallCheck() {
    if (!Aside_ || Step_ == ocsIdle) return -1;
    const std::int64_t left = LastStepMs_ + StallSeconds * 1000 - NowMs();
    if (left > 0) return static_cast<int>(left);
    // Run was stopped, or the instrument sends nothing: nobody would wait for the end otherwise.
    if (Step_ != ocsFinished) {
        Failure_ =
            Shell_.LangStr("CalibrationFailed") + ": no acquisition came for " + std::to_string(StallSeconds) + " s.";
        Complete(false);
    }
    Close(OkEnabled_);
    return -1;
}

// ------------------------------------------------------------------------------------------- end

void TOEConvCalibration::Close(bool ok) {
    if (Step_ == ocsIdle) return;
    if (Modal_) {
        CloseOk_ = ok;
        if (View) View->EndModal();
        return;
    }
    Finish(ok);
}

void TOEConvCalibration::Finish(bool ok) {
    if (Step_ == ocsIdle) return;
    const bool succeeded = ok && OkEnabled_;
    // A failed run replies its result; one ended before its result by Cancel, "ERROR".
    if (!succeeded && Failure_.empty()) Failure_ = Step_ == ocsFinished && !OkEnabled_ ? ResultText_ : "ERROR";
    if (succeeded) Failure_.clear();
    if (!GainMode_) {
        if (succeeded)
            Converter_.SetStoredZeroPower(ZeroPower_);
        else
            SetDarkLevel(RememberedDark_);
    }
    Break();
    // Every prepared setting returns.
    Setup_.Restore(Shell_.UndoBuffer(), Shell_.CommandTree());
    Shell_.RunOn = RunOn_;
    Shell_.SingleOn = SingleOn_;
    Shell_.FlagRegisterReadingEnabled = FlagReading_;
    Shell_.AutoCalTimerEnabled = AutoCalTimer_;
    Shell_.CalibrationRunning = false;
    if (GainMode_ && succeeded)
        if (TDoubleEditHandler* gain = Converter_.UserGainHandler(Point_)) gain->SetValue(Gain_);
    Step_ = ocsIdle;
    Changed();
    if (Aside_) {
        Aside_ = false;
        if (View) View->AsideEnded();
        const std::function<void(const std::string&)> later = std::move(Later_);
        Later_ = nullptr;
        if (later) later(Failure_);
    }
}

}  // namespace vt
