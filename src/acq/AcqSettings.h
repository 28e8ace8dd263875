#pragma once
// The acquisition settings ("Acq:" node): shared or separate channel settings, each channel's mode with
// its parameter and record length, run-until with its reaction, and the prefix of automatic saves;
// their rules after a change, and the getters the engine, the top text and the menu read.
// Channels are 2 (Ch1) and 3 (Ch2).
#include <cstdint>
#include <optional>
#include <string>

#include "core/Handlers.h"

namespace vt {

class TShell;
class TSignalAcq;

enum TAcqMode : int {
    amSample = 0,
    amAvgStab = 1,
    amAvgMult = 2,
    amAvgMedian = 3,
    amEnvMinMax = 4,
    amEnvMax = 5,
    amEnvMin = 6,
    amPeak = 7,
};

inline constexpr const char* AcqModeItems = "Sample,AvgStab,AvgMult,AvgMedian,EnvMinMax,EnvMax,EnvMin,Peak";
inline constexpr const char* AcqFileFilter =
    "Binary format (*.wfm)|*.wfm|Verbose format (*.txt)|*.txt|Y values formats (*.txty)|*.txty";
// Envelope counts above this accumulate without end.
inline constexpr int AcqEnvContinuousAbove = 6000;
inline constexpr int AcqEnvContinuousCount = 1000000;
inline constexpr double AcqFitToHoldoff = 1e-5;

// The header of a per-channel setting: "Acq:Ch<n>:<name>".
std::string AcqChannelPath(int channel, const char* name);

// "Acq:FileName": the prefix of the automatic saves; a relative name is taken below folder, the
// setting's own folder in the data root. A setting of the setup files: its saved line is the shown
// value, which gives the same prefix back.
class TAcqFileNameHandler : public THandler {
public:
    TAcqFileNameHandler(std::string folder, std::string root);
    void ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) override;
    // A name sets the prefix (the name without extension), placed as every file-name setting places it;
    // an empty value with no prefix yet makes it the folder + "Noname". A shown value ("<prefix>*.wfm",
    // "*.wfm" for none yet) sets its prefix. A name refused there answers false and changes nothing.
    bool SetFileName(std::string_view name);
    // The prefix a name would set, or nothing for a name the placement refuses.
    std::optional<std::string> PrefixOf(std::string_view name) const;
    // The prefix + "*" + the extension of the file format.
    std::string ShownValue() const;
    const std::string& Prefix() const { return Prefix_; }
    const std::string& Folder() const { return Folder_; }

private:
    std::string ShownValueOf(const std::string& prefix) const;
    std::string Prefix_;
    std::string Folder_;
    std::string Root_;
};

// Registers the settings in their order; the engine takes the redraw flags.
void CreateAcqHandlers(TShell& shell, TSignalAcq& acq);
// Re-applies the side effects of the settings (instrument start, setup load).
void RefreshAcqHandlers(TShell& shell, TSignalAcq& acq);

// --- getters ---
bool AcqSettingsShared(TShell& shell);
int GetAcqMode(TShell& shell, int channel);
int GetAcqIntSetting(TShell& shell, int channel);
double GetAcqRealSetting(TShell& shell, int channel);
int GetAcqCount(TShell& shell, int channel);
int GetAcqAccumulationCount(TShell& shell, int channel);
double GetPeakDetectInterval(TShell& shell, int channel);
bool AcqIsPlainSampling(TShell& shell, bool autoScaleRunning);
bool AcqEndBeepOn(TShell& shell);
bool AcqEndSaveOn(TShell& shell);
// The channel the menu shows when the settings are separate.
int AcqMenuChannel(TShell& shell);
// The prefix of the automatic saves ("" when the setting is absent).
std::string AcqFilePrefix(TShell& shell);

// Sends the sampling mode (`Acq:FitTo`) when it differs from the one last sent; the engine calls it
// before each start.
void SyncSampleMode(TShell& shell);

}  // namespace vt
