#pragma once
// The calibration and adjustment values the instrument keeps in its flash memory: one table of every
// value (its query, ini section and key, default, conversion both ways, model line and option), the
// ini file that stands in for the instrument without one (CalibrImit.ini in the data root), and the
// flags that say whether either set was changed since it was last read or stored.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/IniFiles.h"

namespace vt {

class THandler;

inline constexpr std::string_view kCalibrImitFileName = "CalibrImit.ini";

// Which set a value's change marks modified.
enum class TAdjustSet : std::uint8_t { None, Calibration, Adjustment };

// How the raw number becomes the setting's value.
enum class TRawConversion : std::uint8_t {
    AsIs,         // integers as they are
    BridgePlus,   // PlusD: with MinusD gives BridgeVolt and Balance
    BridgeMinus,  // MinusD
    GainFix,      // text "HIGH" / "LOW"
    Srd,          // (n - 8192) / 56 / 1024 * 0.03 A
    StrbAmpl,     // n / 65535 * 100 %
    StrbDel,      // (n - 5460) / 60075 * 5e-9 s
    ChFindSrd,    // 0 or 1, any other number 0
    Tgun,         // n * 1.5e-13 s
    LvlZero,      // round((n - 32768) / 13.1072) mV
    Real,         // a real, as it is (optical converter)
    SmplInterval, // handed to the timebase, not a setting
    SmplCurve,    // text handed to the timebase
};

// The model lines a value is read from the instrument on (every line stores it).
enum class TModelLines : std::uint8_t { Both, First, Second };

struct TAdjustValue {
    std::string Group;    // query prefix and ini section after the set prefix ("Calibr:TB:")
    std::string Key;      // query and ini key ("TGUN")
    std::string Setting;  // the setting's header (BridgePlus: BridgeVolt, BridgeMinus: Balance)
    double Default = 0;   // the ini default; GainFix 0 "HIGH"
    TRawConversion Conversion = TRawConversion::AsIs;
    TModelLines ReadOn = TModelLines::Both;
    std::uint8_t Option = 0;  // the option bit the value needs (0 none)
    TAdjustSet Marks = TAdjustSet::Calibration;
    bool NoPrefix = false;  // the ini section is the group alone
    int ReadRank = 0;       // position in the order of reading
    int Channel = -1;       // channel groups: 0 Ch1Full, 1 Ch2Full, 2 Ch1Narrow, 3 Ch2Narrow
};

// Every value in the order of storing; the model line picks the GainDAC default.
const std::vector<TAdjustValue>& AdjustValueTable(bool secondModelLine);
// Indices of the table in the order of reading.
std::vector<int> AdjustReadOrder(bool secondModelLine);

// The channel groups: "Ch1Full" ... and the query group "Calibr:Sampler:Ch1:FullBW:".
std::string_view ChannelGroupName(int group);
std::string ChannelGroupQuery(int group);

double RawToSetting(TRawConversion conversion, double raw);
std::int64_t SettingToRaw(TRawConversion conversion, double value);
void BridgeFromRaw(std::int64_t plusD, std::int64_t minusD, double& bridgeVolt, double& balance);
std::int64_t PlusDFromSettings(double bridgeVolt, double balance);
std::int64_t MinusDFromSettings(double bridgeVolt, double balance);

// "Veltrane_L4xx." (first model line) or "Veltrane_L3xx." (second), then "Adjust." or "Calibr.".
std::string AdjustSectionPrefix(bool secondModelLine, bool adjustmentSet);

class TCommandTree;
struct TInfoFileValues;
// The information file's values as the calibration and adjustment settings hold them now. The find-SRD
// results belong to the channel `Flash:Calibr:Strobe:ChFindSRD` names; the other channel's stay 0.
void ReadInfoFileValues(TCommandTree* tree, TInfoFileValues& values);

// CalibrImit.ini with the section prefix of one model line and set; written back atomically.
class TMyIniFile : public TMemIniFile_Dot {
public:
    TMyIniFile(std::filesystem::path fileName, std::string prefix)
        : TMemIniFile_Dot(std::move(fileName)), Prefix(std::move(prefix)) {}
    std::string Section(const TAdjustValue& value) const { return value.NoPrefix ? value.Group : Prefix + value.Group; }
    std::string Prefix;
};

// Whether either set was changed since it was last read or stored; the store commands are enabled
// exactly while their set is modified.
class TFlashChange {
public:
    bool CalibrChanged() const { return Calibr_; }
    bool AdjustChanged() const { return Adjust_; }
    void SetCalibrChanged(bool flag);
    void SetAdjustChanged(bool flag);

    THandler* CalibrStoreAll = nullptr;  // "FLASH:Calibr:StoreAll"
    THandler* AdjustStoreAll = nullptr;  // "FLASH:Adjust:StoreAll"
    // The adjustment side menu is shown on either side: a calibration change marks adjustment too.
    std::function<bool()> AdjustMenuShown;

private:
    bool Calibr_ = false;
    bool Adjust_ = false;
};

}  // namespace vt
