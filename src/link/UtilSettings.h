#pragma once
// The utility settings: the language selector "Shadow:Lang", the internal calibrator and calibration
// clock ("Util:"), the automatic-calibration schedule, and the four simulated signal generators
// ("GSS:A:" .. "GSS:D:") with their routing to the channels ("GSS:Ch1", "GSS:Ch2"). Every change that
// shapes a simulated signal reconfigures the demo simulator.
#include <string>

namespace vt {

class TShell;

// Registers the settings; the link-dependent starts follow the link as it is now.
void CreateUtilHandlers(TShell& shell);
// Enabling and limits from the values; ch1Shown: Ch1 is on screen, the menu then shows generator A.
void RefreshUtilHandlers(TShell& shell, bool ch1Shown);

// Connected: both channels are real (routing Off, Off items enabled); else the calibration schedule is
// cleared and Ch1, Ch2 show generators A and B (Off items disabled).
void ApplyGssDefaultsForLink(TShell& shell);
// The `Waweform` index of the generator "SHADOW:GssSelect" names.
int GetSelectedGssWaveform(TShell& shell);
// 1: every TDT waveform becomes TDR and the TDT item is disabled; 2 the other way round; 0 all
// items enabled.
void RestrictGssWaveformsForTdr(TShell& shell, int kind);
// When the channel (2 Ch1, 3 Ch2) selects a generator, sets its ":TDRCircuit" (resp. ":TDTCircuit")
// item to value.
void SetChannelGeneratorFlag(TShell& shell, int channel, int value);
void SetChannelGeneratorFlag2(TShell& shell, int channel, int value);

// The limits of "Util:ClcPeriod" that follow the trigger source and the calibration mode.
void ApplyUtilClockLimits(TShell& shell);

// "GSS:" + letter of generator 1..4 + ":" + suffix.
std::string GssPath(int generator, const char* suffix);

// The steps of "Util:ClcPeriod": 8e-8, 2e-7, 4e-7, 1e-6, then 1-2-5 up; a value within tolerance of
// a ladder value stays.
double ClcPeriodLadder(double value, bool up);

}  // namespace vt
