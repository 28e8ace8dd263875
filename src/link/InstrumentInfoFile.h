#pragma once
// The instrument information text file: the general section, then the adjustment values and the
// calibration values section by section, with the calibration curves the instrument reports.
#include <array>
#include <filesystem>
#include <functional>
#include <string>

#include "link/InstrumentIdentity.h"

namespace vt {

class TInstrumentLink;

// One pass's values (the adjustment or the calibration set), as their settings hold them.
struct TInfoFileValues {
    struct TBand {
        double Balance = 0;        // V
        double BridgeVoltage = 0;  // V
        double Bridge = 0;         // the bridge setting (narrow band; tenths of a percent)
        int SwingAdc = 0;          // full band
        int LfDistortion = 0;
        bool FixedGainHigh = false;
    };
    struct TChannel {
        TBand Full, Narrow;
        double MinSrd1 = 0, MaxSrd1 = 0, MinSrd2 = 0, MaxSrd2 = 0;  // A
    };
    std::array<TChannel, 2> Channels;
    double Srd1Current = 0, Srd2Current = 0;  // A
    double StrobeAmplitude = 0;                // %
    double StrobeDelay = 0;                    // s
    double CoarseTimebase = 0;                 // s
    int FineTimebase = 0;
    int CoarseTimebaseDelay = 0, FineTimebaseDelay = 0;
    int ExtLevelZero = 0;  // mV
};

struct TInfoFileSources {
    const TInstrumentIdentity* Identity = nullptr;
    TInstrumentLink* Link = nullptr;  // the instrument's queries; null or not connected: none
    std::string ModelName, OptionNames, OwnVersion;
    double Temperature = 0;
    // Reads one set from the instrument into its settings and hands it over (calibration false: the
    // adjustment set). Empty: the values stay as they are given.
    std::function<void(bool calibration, TInfoFileValues& values)> ReadValues;
};

// The file's text. Numbers are written with "."; the temperature keeps its "°C" in UTF-8.
std::string InfoFileText(const TInfoFileSources& sources);
// Writes the text under a temporary name, then renames it into place; raises EFileError.
void WriteInfoFile(const std::filesystem::path& file, const TInfoFileSources& sources);

}  // namespace vt
