#include "link/AdjustmentValues.h"

#include <algorithm>
#include <array>
#include <numeric>

#include "core/Handlers.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentInfoFile.h"

namespace vt {

namespace {

constexpr std::array<std::string_view, 4> GroupNames = {"Ch1Full", "Ch2Full", "Ch1Narrow", "Ch2Narrow"};
// The channel groups are read Ch1 Full, Ch1 Narrow, Ch2 Full, Ch2 Narrow and stored Ch1 Full, Ch2 Full,
// Ch1 Narrow, Ch2 Narrow.
constexpr std::array<int, 4> GroupReadRank = {0, 2, 1, 3};

std::vector<TAdjustValue> BuildTable(bool second) {
    using C = TRawConversion;
    std::vector<TAdjustValue> t;
    int rank = 0;
    for (int g = 0; g < 4; ++g) {
        const std::string group = ChannelGroupQuery(g);
        const std::string setting = "FLASH:Calibr:" + std::string(GroupNames[static_cast<std::size_t>(g)]) + ":";
        const int base = GroupReadRank[static_cast<std::size_t>(g)] * 6;
        auto add = [&](const char* key, const char* name, double def, C conv, TAdjustSet marks, int r) {
            TAdjustValue v{.Group = group, .Key = key, .Setting = setting + name, .Default = def, .Conversion = conv};
            v.Marks = marks;
            v.ReadRank = base + r;
            v.Channel = g;
            if (conv == C::GainFix) v.ReadOn = TModelLines::First;
            t.push_back(std::move(v));
        };
        add("PlusD", "BridgeVolt", 32768, C::BridgePlus, TAdjustSet::Calibration, 0);
        add("MinusD", "Balance", 32768, C::BridgeMinus, TAdjustSet::Calibration, 1);
        add("LfComp", "LfDist", 32768, C::AsIs, TAdjustSet::Calibration, 2);
        add("ADC200mV", "ADC200mV", 4096, C::AsIs, TAdjustSet::Calibration, 3);
        add("GainFix", "GainFix", 0, C::GainFix, TAdjustSet::Adjustment, 4);
        if (g >= 2) add("PromBrNBW", "PromBrNBW", 800, C::AsIs, TAdjustSet::Calibration, 5);
    }
    rank = 100;
    auto plain = [&](const char* group, const char* key, std::string setting, double def, C conv, TAdjustSet marks,
                     TModelLines readOn = TModelLines::Both) {
        TAdjustValue v{.Group = group, .Key = key, .Setting = std::move(setting), .Default = def, .Conversion = conv};
        v.Marks = marks;
        v.ReadOn = readOn;
        v.ReadRank = rank++;
        t.push_back(std::move(v));
        return &t.back();
    };
    const char* sampler = "Calibr:Sampler:";
    const std::string strobe = "Flash:Calibr:Strobe:";
    plain(sampler, "SRD1", strobe + "SRD1", 32768, C::Srd, TAdjustSet::Calibration);
    plain(sampler, "SRD2", strobe + "SRD2", 32768, C::Srd, TAdjustSet::Calibration);
    plain(sampler, "SRD3", strobe + "SRD3", 32768, C::Srd, TAdjustSet::Calibration, TModelLines::Second);
    plain(sampler, "StrbAmpl", strobe + "Amplitude", 65535, C::StrbAmpl, TAdjustSet::Calibration, TModelLines::First);
    plain(sampler, "StrbDel", strobe + "Delay", 65535, C::StrbDel, TAdjustSet::Calibration, TModelLines::First);
    plain(sampler, "ChFndSRD", strobe + "ChFindSRD", 0, C::ChFindSrd, TAdjustSet::Adjustment);
    plain(sampler, "MINSRD1", strobe + "MinSRD1", 0, C::Srd, TAdjustSet::Adjustment);
    plain(sampler, "MAXSRD1", strobe + "MaxSRD1", 0, C::Srd, TAdjustSet::Adjustment);
    plain(sampler, "MINSRD2", strobe + "MinSRD2", 0, C::Srd, TAdjustSet::Adjustment);
    plain(sampler, "MAXSRD2", strobe + "MaxSRD2", 0, C::Srd, TAdjustSet::Adjustment);
    plain("Calibr:TB:", "TGUN", "FLASH:Calibr:CoarseTB", 30667, C::Tgun, TAdjustSet::Calibration);
    plain("Calibr:TB:", "Digit0", "FLASH:Calibr:CoarseDelay", 0, C::AsIs, TAdjustSet::Adjustment);
    plain("Calibr:TB:", "GainDAC", "FLASH:Calibr:FineTB", second ? 36387 : 18333, C::AsIs, TAdjustSet::Calibration);
    plain("Calibr:TB:", "MinDAC", "FLASH:Calibr:FineDelay", 16384, C::AsIs, TAdjustSet::Adjustment);
    // 32768 is 0 mV, the setting's own default.
    plain("Calibr:Trig:", "LvlZero", "FLASH:Calibr:LevelZero", 32768, C::LvlZero, TAdjustSet::Adjustment);
    plain("Calibr:SmplTB:", "CalIntrvlA", "", 68267, C::SmplInterval, TAdjustSet::None);
    plain("Calibr:SmplTB:", "CalCurve", "", 0, C::SmplCurve, TAdjustSet::None);
    // The converter's and the generators' values belong to their own settings, which mark and send.
    plain("OE", "DarkLevel", "FLASH:OECalibr:DarkLvl", 50, C::Real, TAdjustSet::None)->NoPrefix = true;
    t.back().Option = optOptics;
    for (int k = 1; k <= 3; ++k) {
        const std::string n = std::to_string(k);
        plain("OE", ("FP" + n + "WLEN").c_str(), "Shadow:Adjust:OEWaveLen" + n, 0, C::Real, TAdjustSet::None)->Option =
            optOptics;
        plain("OE", ("FP" + n + "Gain").c_str(), "Shadow:Adjust:OEGain" + n, 0, C::Real, TAdjustSet::None)->Option =
            optOptics;
    }
    for (int k = 1; k <= 8; ++k) {
        const std::string n = std::to_string(k);
        plain("OE", ("UP" + n + "WLEN").c_str(), "Shadow:OECalibr" + n + ":Wavelength", 0, C::Real, TAdjustSet::None)
            ->Option = optOptics;
        plain("OE", ("UP" + n + "Gain").c_str(), "Shadow:OECalibr" + n + ":Gain", 0, C::Real, TAdjustSet::None)
            ->Option = optOptics;
    }
    for (int k = 1; k <= 2; ++k) {
        const std::string out = "Out" + std::to_string(k) + ":";
        plain("Gen", (out + "PosZero").c_str(), "FLASH:Gen:" + out + "PositiveZero", 0, C::AsIs, TAdjustSet::None)
            ->Option = optGenerators;
        plain("Gen", (out + "NegZero").c_str(), "FLASH:Gen:" + out + "NegativeZero", 0, C::AsIs, TAdjustSet::None)
            ->Option = optGenerators;
    }
    return t;
}

}  // namespace

const std::vector<TAdjustValue>& AdjustValueTable(bool secondModelLine) {
    static const std::vector<TAdjustValue> First = BuildTable(false);
    static const std::vector<TAdjustValue> Second = BuildTable(true);
    return secondModelLine ? Second : First;
}

std::vector<int> AdjustReadOrder(bool secondModelLine) {
    const auto& table = AdjustValueTable(secondModelLine);
    std::vector<int> order(table.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&table](int a, int b) {
        return table[static_cast<std::size_t>(a)].ReadRank < table[static_cast<std::size_t>(b)].ReadRank;
    });
    return order;
}

std::string_view ChannelGroupName(int group) { return GroupNames[static_cast<std::size_t>(group & 3)]; }

std::string ChannelGroupQuery(int group) {
    return std::string("Calibr:Sampler:") + ((group & 1) ? "Ch2:" : "Ch1:") + (group >= 2 ? "NarrowBW:" : "FullBW:");
}

double RawToSetting(TRawConversion conversion, double n) {
    switch (conversion) {
        case TRawConversion::Srd: return (n - 8192) / 56 / 1024 * 0.03;
        case TRawConversion::StrbAmpl: return n / 65535 * 100;
        case TRawConversion::StrbDel: return (n - 5460) / 60075 * 5e-9;
        case TRawConversion::ChFindSrd: return n == 1 ? 1 : 0;
        case TRawConversion::Tgun: return n * 1.5e-13;
        case TRawConversion::LvlZero: return static_cast<double>(RoundHalfEven((n - 32768) / 13.1072));
        default: return n;
    }
}

std::int64_t SettingToRaw(TRawConversion conversion, double v) {
    switch (conversion) {
        case TRawConversion::Srd: return RoundHalfEven(v / 0.03 * 1024 * 56 + 8192);
        case TRawConversion::StrbAmpl: return RoundHalfEven(v / 100 * 65535);
        case TRawConversion::StrbDel: return RoundHalfEven(v / 5e-9 * 60075 + 5460);
        case TRawConversion::Tgun: return RoundHalfEven(v / 1.5e-13);
        case TRawConversion::LvlZero: return RoundHalfEven(v * 13.1072) + 32768;
        default: return RoundHalfEven(v);
    }
}

void BridgeFromRaw(std::int64_t plusD, std::int64_t minusD, double& bridgeVolt, double& balance) {
    const double p = static_cast<double>(plusD) * 6.25e-5;
    const double m = -static_cast<double>(minusD) * 6.25e-5;
    bridgeVolt = (p - m) / 2;
    balance = (p + m) / 2;
}

std::int64_t PlusDFromSettings(double bridgeVolt, double balance) {
    return RoundHalfEven((bridgeVolt + balance) / 4.096 * 65536);
}

std::int64_t MinusDFromSettings(double bridgeVolt, double balance) {
    return -RoundHalfEven((balance - bridgeVolt) / 4.096 * 65536);
}

std::string AdjustSectionPrefix(bool secondModelLine, bool adjustmentSet) {
    return std::string(secondModelLine ? "Veltrane_L3xx." : "Veltrane_L4xx.") + (adjustmentSet ? "Adjust." : "Calibr.");
}

void TFlashChange::SetCalibrChanged(bool flag) {
    if (flag != Calibr_) {
        Calibr_ = flag;
        if (CalibrStoreAll) CalibrStoreAll->SetDisabled(!flag);
    }
    if (AdjustMenuShown && AdjustMenuShown()) SetAdjustChanged(flag);
}

void TFlashChange::SetAdjustChanged(bool flag) {
    if (flag == Adjust_) return;
    Adjust_ = flag;
    if (AdjustStoreAll) AdjustStoreAll->SetDisabled(!flag);
}

void ReadInfoFileValues(TCommandTree* tree, TInfoFileValues& values) {
    auto real = [tree](const std::string& path) { return ReadRealSetting(tree, path, 0); };
    auto whole = [&real](const std::string& path) { return static_cast<int>(RoundHalfEven(real(path))); };
    for (int ch = 0; ch < 2; ++ch) {
        TInfoFileValues::TChannel& c = values.Channels[static_cast<std::size_t>(ch)];
        for (const bool full : {true, false}) {
            const std::string group = "FLASH:Calibr:Ch" + std::to_string(ch + 1) + (full ? "Full:" : "Narrow:");
            TInfoFileValues::TBand& b = full ? c.Full : c.Narrow;
            b.Balance = real(group + "Balance");
            b.BridgeVoltage = real(group + "BridgeVolt");
            if (!full) b.Bridge = real(group + "PromBrNBW");
            b.SwingAdc = whole(group + "ADC200mV");
            b.LfDistortion = whole(group + "LfDist");
            b.FixedGainHigh = ReadChoiceSetting(tree, group + "GainFix", 1) == 0;  // "High,Low"
        }
    }
    const std::string strobe = "Flash:Calibr:Strobe:";
    TInfoFileValues::TChannel& found =
        values.Channels[ReadChoiceSetting(tree, strobe + "ChFindSRD", 0) == 1 ? 1u : 0u];
    found.MinSrd1 = real(strobe + "MinSRD1");
    found.MaxSrd1 = real(strobe + "MaxSRD1");
    found.MinSrd2 = real(strobe + "MinSRD2");
    found.MaxSrd2 = real(strobe + "MaxSRD2");
    values.Srd1Current = real(strobe + "SRD1");
    values.Srd2Current = real(strobe + "SRD2");
    values.StrobeAmplitude = real(strobe + "Amplitude");
    values.StrobeDelay = real(strobe + "Delay");
    values.CoarseTimebase = real("FLASH:Calibr:CoarseTB");
    values.FineTimebase = whole("FLASH:Calibr:FineTB");
    values.CoarseTimebaseDelay = whole("FLASH:Calibr:CoarseDelay");
    values.FineTimebaseDelay = whole("FLASH:Calibr:FineDelay");
    values.ExtLevelZero = whole("FLASH:Calibr:LevelZero");
}

}  // namespace vt
