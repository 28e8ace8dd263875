#pragma once
// The calibration and adjustment values as settings ("FLASH:Calibr:", "Flash:Calibr:Strobe:"): their
// registration, the sending of each change to the instrument with the take-back of what it accepted,
// the reading and storing of whole sets (instrument or CalibrImit.ini), the recall, store and reset
// commands, the commands that start auto-calibration, and the close's questions about unstored sets.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/Feature.h"
#include "link/AdjustmentValues.h"
#include "link/TimebaseCalCurve.h"

namespace vt {

class TEditHandler;
class THandler;
class TShell;

// What the auto-calibration answers for the commands registered here; it attaches itself.
class TAutoCalibrationCalls {
public:
    virtual ~TAutoCalibrationCalls() = default;
    // kind 1 channels, 2 timebase, 5 both; reason 0 none.
    virtual void RunCalibration(int kind, int reason, bool confirm) { (void)kind, (void)reason, (void)confirm; }
    // The demo's simulated temperature, not moved by the asking.
    virtual double SimulatedTemperature() const { return 20; }
};

class TCalibrAdjust : public TFeature {
public:
    explicit TCalibrAdjust(TShell& shell) : Shell_(shell) {}

    void FillRows(TShell& shell) override;
    void AddUnstoredValues(TUnstoredValues& values) const override;
    void StoreValues(bool adjustment) override;

    void RegisterAdjustCommands();
    void SetModelAdjustLimits();
    void ClearTimebaseCalMode() { SetTimebaseCalMode(false); }
    void SetTimebaseCalMode(bool on);
    // Second model line: resends the fine timebase.
    void UpdateFineTB();
    // The channel group (0 Ch1Full, 1 Ch2Full, 2 Ch1Narrow, 3 Ch2Narrow) of a channel setting; -1 with
    // an internal-error message for any other.
    int DeterminateChannelAndBW(const THandler& handler);

    // source 0 re-reads the calibration set, 1 recalls the adjustment set, 2 sets the initial values.
    // remote: a command from outside; it asks no question and shows no dialog.
    void ReadAdjustmentValues(int source, bool remote = false);
    // The re-read of the calibration set that the program does by itself (an instrument start): the
    // values as the instrument holds them are read at once; where it holds none, the question about
    // the initial values waits aside and sets them once it is answered with OK.
    void ReadAdjustmentValuesByItself();
    // set 0 the calibration set, 1 the adjustment set.
    void StoreAdjustmentValues(int set, bool remote = false);
    // After a channel calibration: SRD1, SRD2 and the bridges of the four channel groups.
    void ReadSamplerCalibration();

    TFlashChange& FlashChange() { return Flash_; }
    bool Reading() const { return Reading_; }
    void SetTimebaseCalCurveAccess(TTimebaseCalCurveAccess* access) { CalCurve_ = access; }
    void SetAutoCalibration(TAutoCalibrationCalls* calls) { AutoCal_ = calls; }
    // Messages of remote commands and replies worth keeping go to the log (newest last).
    const std::vector<std::string>& Log() const { return Log_; }
    // The sampling-timebase interval as last read.
    std::int32_t CalInterval() const { return CalInterval_; }

private:
    struct TRaw {
        bool Valid = false;
        double Raw = 0;
        double Value = 0;  // the setting's value when the raw number was taken
        std::string Text;
    };
    bool Connected() const;
    bool SecondLine() const;
    std::uint8_t Options() const;
    const std::vector<TAdjustValue>& Table() const;
    THandler* SettingOf(const TAdjustValue& v) const;
    double ValueOf(const TAdjustValue& v) const;
    void ValueChanged(int row);
    void BridgeChanged(int group);
    void Mark(TAdjustSet set);
    void Message(const std::string& text, bool remote);
    bool Confirm(const std::string& text, bool remote);
    // The set's query to the instrument (source as ReadAdjustmentValues); false when it holds no values.
    bool QueryValuesPresent(int source, bool remote);
    void ReadValues(int source, bool remote);
    void SetInitialValues(bool remote);
    void PutRaw(int row, double raw, const std::string& text);
    int RowOf(std::string_view key, int group) const;
    bool ReadRowFromInstrument(int row, double& raw, std::string& text);
    void ReadRowFromIni(const TMyIniFile& ini, int row, double& raw, std::string& text, std::string& bad);
    void WriteRowToIni(TMyIniFile& ini, int row);
    std::int64_t RawForStore(int row) const;

    TShell& Shell_;
    TFlashChange Flash_;
    TTimebaseCalCurveAccess* CalCurve_ = nullptr;
    TAutoCalibrationCalls* AutoCal_ = nullptr;
    TAutoCalibrationCalls NoAutoCal_;
    std::map<const THandler*, int> Rows_;  // setting -> row of the first-line table (same layout)
    std::vector<TRaw> Raws_;
    std::vector<std::string> Log_;
    std::int32_t CalInterval_ = 68267;
    std::string CalCurveText_ = "2 0 65535";
    bool Reading_ = false;     // a read puts values: nothing is sent or marked
    bool TakingBack_ = false;  // the instrument's accepted values go in: nothing is sent again
    bool Registered_ = false;
    bool InitialValuesAsked_ = false;  // the question about initial values waits for its answer
};

}  // namespace vt
