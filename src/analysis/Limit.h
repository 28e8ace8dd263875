#pragma once
// The limit test: after each measured acquisition the first four listed measurements are checked
// against their limits; tested and failed waveforms are counted, a verdict beeps or stops the run, and
// the test ends after a number of waveforms or failures.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "acq/WaveformSaves.h"
#include "analysis/MeasurementList.h"

namespace vt {

class TShell;
class TMeasCalc;
class TMeasReadouts;
class TCommandTree;
class THandler;
class TOnOffHandler;
class TRadioSwHandler;
class TCheckSwHandler;
class TIntEditHandler;
class TDoubleEditHandler;
class TGpibStringHandler;

// "Limit:If".
enum TLimitIf : int { liAnyFail = 0, liAllPass = 1, liAllFail = 2, liAnyPass = 3 };

class TLimitTest : public TMeasLimitTest {
public:
    TLimitTest(TShell& shell, TMeasCalc& calc, TMeasList& list, TMeasReadouts& readouts);
    TLimitTest(const TLimitTest&) = delete;
    TLimitTest& operator=(const TLimitTest&) = delete;

    void CreateLimitHandlers(TCommandTree& tree);
    void RefreshLimitHandlers() { RefreshLimitParameters(); }
    // One test pass, at the end of a measured acquisition.
    void LimitTestAcquisition();
    // The parameter slot 0..3 whose setting the handler is; any other handler is an internal error.
    int LimitParameterOfHandler(const THandler* handler) const;

    // Writes the source's record into the next free file of the limit-test name.
    void SaveLimitWaveform(int source);
    // The saved files' name without counter and extension: the limit-test folder and "Noname" until
    // a name is given.
    std::string LimitFileBase() const;

    std::uint32_t TestedWaveforms() const { return Tested_; }
    std::uint32_t Failures() const { return Failures_; }

    // TMeasLimitTest
    void ResetLimitSlot(int slot) override;
    void CopyLimitParameter(int to, int from) override;
    void RefreshLimitParameters() override;
    bool TestOn() const override;
    void SwitchTestOff() override;
    bool Activ(int slot) const override;
    bool CentreFollowsMean(int slot) const override;
    void SetCenterVal(int slot, double value) override;
    std::string LimitSlotsText() const override;
    void RestoreLimitSlots(std::string_view text) override;

private:
    // The four values seeding may write; each is kept once something other than seeding set it.
    enum TSeeded : int { svUpLimit = 0, svLowLimit, svCenterVal, svUserDef, svCount };
    struct TParam {
        TOnOffHandler* Activ = nullptr;
        TRadioSwHandler* Mode = nullptr;
        TDoubleEditHandler* UpLimit = nullptr;
        TDoubleEditHandler* LowLimit = nullptr;
        TRadioSwHandler* CenterMode = nullptr;
        TDoubleEditHandler* CenterVal = nullptr;
        TRadioSwHandler* Delta = nullptr;
        TDoubleEditHandler* StdDev = nullptr;
        TDoubleEditHandler* UserDef = nullptr;
        TDoubleEditHandler* UserPerc = nullptr;
        TRadioSwHandler* FailWhen = nullptr;
        TRadioSwHandler* NotFound = nullptr;
        THandler* Res = nullptr;
        std::array<bool, svCount> SetByUser{};
    };

    void RegisterParameter(TCommandTree& tree, int slot);
    void ActivAfter(int slot);
    void TestOnAfter();
    void SeedLimits(int slot);
    void KeepLimitGap(int slot, bool upMoved);
    void EnableParameter(int slot);
    void StopRun();
    // A name given by command, setup line or the save dialog: its folder becomes the limit-test folder.
    // A name without a base name answers false and changes nothing.
    bool SetLimitFileName(std::string_view name);
    // The file a name (blanks trimmed) gives, or nothing for a name the placement refuses.
    std::optional<std::string> PlaceLimitFileName(std::string_view name) const;
    void ActionAfter(THandler& h);
    void OpenSaveDialog();
    // A value this unit writes, not the user's.
    void SetOwn(TDoubleEditHandler* h, double value);

    TShell& Shell_;
    TMeasCalc& Calc_;
    TMeasList& List_;
    TMeasReadouts& Readouts_;
    std::array<TParam, MeasStatisticSlotCount> Params_{};
    TRadioSwHandler* NPar_ = nullptr;
    TOnOffHandler* TestOn_ = nullptr;
    TRadioSwHandler* RunUntil_ = nullptr;
    TIntEditHandler* FailuresLimit_ = nullptr;
    TIntEditHandler* NWfms_ = nullptr;
    TCheckSwHandler* Action_ = nullptr;
    TRadioSwHandler* If_ = nullptr;
    TRadioSwHandler* FileFormat_ = nullptr;
    TGpibStringHandler* FileName_ = nullptr;
    std::string FileBase_;
    int SaveCounter_ = 0;
    TSaveErrorOnce SaveErrors_;
    std::uint32_t ActionBefore_ = 0;
    std::uint32_t OfferedParameters_ = 0;
    std::uint32_t Tested_ = 0;
    std::uint32_t Failures_ = 0;
    bool OwnWrite_ = false;
};

}  // namespace vt
