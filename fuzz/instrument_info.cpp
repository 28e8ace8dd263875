// The instrument information file: what the instrument reports goes into it (the identity's version
// texts, the calibration curves it replies as lists of numbers, the values of both sets). The input
// is taken apart into those replies; the file's text is built from them.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <vector>

#include "core/TextHelpers.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentInfo.h"
#include "link/InstrumentInfoFile.h"

namespace {

void FillBand(FuzzedDataProvider& in, vt::TInfoFileValues::TBand& band) {
    band.Balance = in.ConsumeFloatingPoint<double>();
    band.BridgeVoltage = in.ConsumeFloatingPoint<double>();
    band.Bridge = in.ConsumeFloatingPoint<double>();
    band.SwingAdc = in.ConsumeIntegral<int>();
    band.LfDistortion = in.ConsumeIntegral<int>();
    band.FixedGainHigh = in.ConsumeBool();
}

void FillValues(FuzzedDataProvider& in, vt::TInfoFileValues& v) {
    for (auto& ch : v.Channels) {
        FillBand(in, ch.Full);
        FillBand(in, ch.Narrow);
        ch.MinSrd1 = in.ConsumeFloatingPoint<double>();
        ch.MaxSrd2 = in.ConsumeFloatingPoint<double>();
    }
    v.Srd1Current = in.ConsumeFloatingPoint<double>();
    v.StrobeAmplitude = in.ConsumeFloatingPoint<double>();
    v.StrobeDelay = in.ConsumeFloatingPoint<double>();
    v.CoarseTimebase = in.ConsumeFloatingPoint<double>();
    v.FineTimebase = in.ConsumeIntegral<int>();
    v.CoarseTimebaseDelay = in.ConsumeIntegral<int>();
    v.ExtLevelZero = in.ConsumeIntegral<int>();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    vt::TInstrumentIdentity id;
    id.BlockNo = in.ConsumeIntegral<std::uint8_t>();
    id.ModelType = in.ConsumeIntegralInRange<std::uint8_t>(0, 8);
    id.Options = in.ConsumeIntegral<std::uint8_t>();
    id.Year = in.ConsumeIntegral<std::uint16_t>();
    id.SerialNo = in.ConsumeIntegral<std::uint16_t>();
    for (std::uint8_t& b : id.MacAddress) b = in.ConsumeIntegral<std::uint8_t>();
    id.SWVersion.Text = in.ConsumeRandomLengthString(64);
    vt::ParseVersionString(id.SWVersion);
    id.FPGAVersion.Text = in.ConsumeRandomLengthString(64);
    vt::ParseVersionString(id.FPGAVersion);
    vt::TMacAddress mac{};
    vt::ParseMacAddress(in.ConsumeRandomLengthString(64), mac);
    // A calibration curve as the instrument replies it.
    std::array<std::int32_t, 4096> curve{};
    vt::ParseIntList(in.ConsumeRandomLengthString(), curve);

    vt::TInfoFileValues adjustment, calibration;
    FillValues(in, adjustment);
    FillValues(in, calibration);
    vt::TInfoFileSources sources;
    sources.Identity = &id;
    sources.ModelName = vt::GetModelName(id.ModelType, id.SerialNo, true);
    sources.OptionNames = vt::GetOptionsText(id.ModelType, id.Options, true, {});
    sources.OwnVersion = in.ConsumeRandomLengthString(64);
    sources.Temperature = in.ConsumeFloatingPoint<double>();
    sources.ReadValues = [&](bool calibrationPass, vt::TInfoFileValues& values) {
        values = calibrationPass ? calibration : adjustment;
    };
    vt::InfoFileText(sources);
    return 0;
}
