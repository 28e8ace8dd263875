#include "acq/OEConv.h"

#include <cmath>
#include <string>

#include "acq/OEConvCalibration.h"
#include "core/CommandTree.h"
#include "core/DotNumberText.h"
#include "core/EditHandlers.h"
#include "core/EngineeringText.h"
#include "core/InternalError.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "link/AdjustmentCommands.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr int ExponentMode = 3;
constexpr double DarkLevelTolerance = 0.001;
constexpr double PointTolerance = 1e-10;
constexpr double WattScaleMaximum = 4e-4;
constexpr double WattScaleMinimum = 1e-6;
constexpr double WattScaleStart = 2e-4;
// Back to volts: the channel's own scale limits and steps.
constexpr double VoltScaleMinimum = 0.002;
constexpr double VoltScaleMaximum = 0.5;
constexpr double VoltScaleStart = 0.2;

TEditConfig Numeric(double minimum, double def, double maximum, int coarseKind, double coarse, int fineKind,
                    double fine, double resolution, const char* units, int digits = 4) {
    return {.Minimum = minimum, .Default = def, .Maximum = maximum, .CoarseStep = coarse, .CoarseKind = coarseKind,
            .FineStep = fine, .FineKind = fineKind, .Resolution = resolution, .Units = units,
            .FormatMode = ExponentMode, .Digits = digits};
}

std::string Eng(double v, int digits = 4) { return FloatToEngStr(ExponentMode, digits, false, false, v); }

std::string ChannelPrefix(int channel) { return channel == 2 ? "Ch1:" : "Ch2:"; }

}  // namespace

bool IsValidOEWavelength(double wavelength) { return wavelength >= 7.797e-7 && wavelength <= 2e-6; }
bool IsValidOEGain(double gain) { return gain >= 9.995e-4 && gain <= 1000.5; }
double UsableOEGain(double gain) { return gain < 1e-4 || gain >= 10000 ? OEFallbackGain : gain; }

int TOESortedPoints::PositionOf(int d) const {
    for (int k = 0; k < Count; ++k)
        if (Points[static_cast<std::size_t>(k)] == d) return k;
    return -1;
}

TOESortedPoints SortOEPoints(const std::array<double, OEUserPoints>& wavelengths,
                             const std::array<double, OEUserPoints>& gains) {
    TOESortedPoints list;
    std::array<bool, OEUserPoints> taken{};
    for (;;) {
        int best = -1;
        for (int d = 0; d < OEUserPoints; ++d) {
            const auto i = static_cast<std::size_t>(d);
            if (taken[i] || !IsValidOEWavelength(wavelengths[i]) || !IsValidOEGain(gains[i])) continue;
            if (best < 0 || wavelengths[i] < wavelengths[static_cast<std::size_t>(best)]) best = d;
        }
        if (best < 0) return list;
        taken[static_cast<std::size_t>(best)] = true;
        list.Points[static_cast<std::size_t>(list.Count++)] = best;
    }
}

TOEConv::TOEConv(TShell& shell, TCalibrAdjust* calibration)
    : Shell_(shell), Calibration_Values_(calibration), Calibration_(std::make_unique<TOEConvCalibration>(shell, *this)) {}

TOEConv::~TOEConv() = default;

void TOEConv::FillRows(TShell& shell) {
    shell.Registration.Add(TRegistrationRow::CreateOEConvHandlers, [this](TShell& s) {
        if (TCommandTree* tree = s.CommandTree()) CreateOEConvHandlers(*tree);
    });
    shell.Refresh.Add(TRefreshRow::RefreshOEConvHandlers, [this](TShell&) { RefreshOEConvHandlers(); });
    shell.AcqCycle.Add(TAcqCycleRow::OEConvCalibrationStep, [this](TShell&) {
        Calibration_->AcquisitionStep();
        return false;
    });
}

int TOEConv::CheckDeadlines(TShell&) { return Calibration_->StallCheck(); }

void TOEConv::StopRunning() {
    if (Calibration_->Running()) Calibration_->Close(false);
}

bool TOEConv::Quiet() const { return TakingBack_ || (Calibration_Values_ && Calibration_Values_->Reading()); }

// ------------------------------------------------------------------------------------ registration

void TOEConv::CreateOEConvHandlers(TCommandTree& tree) {
    if (Registered_) return;
    Registered_ = true;
    TSpider& root = tree.Root();
    const auto real = [&](const std::string& header, double initial, TEditConfig config, THandlerCallback after = {}) {
        return &root.AddDoubleEditHandler(header, {.Initial = initial, .Config = std::move(config), .AfterChange = after});
    };
    const auto radio = [&](const std::string& header, const char* items, THandlerCallback after = {}) {
        return &root.AddRadioHandler(header, {.Items = items, .AfterChange = after});
    };
    const auto gainConfig = [](double minimum, double resolution) {
        return Numeric(minimum, 1, 1000, sk125, 1, skProportional, 0.001, resolution, "V/ W");
    };
    const auto wavelengthConfig = [](double minimum) {
        return Numeric(minimum, 1.31e-6, 1.55e-6, skGrid, 1e-8, skGrid, 5e-10, 1e-10, "m");
    };
    const auto start = [this](bool gain) {
        return [this, gain](THandler& h) { Calibration_->Start(gain, h.GetWhoChangedRaw() == wcvSwitcher); };
    };

    Dest_ = &root.AddRadioHandler("OEConv:Dest", {.Items = "OEConv,Ch1,Ch2",
                                                  .BeforeChange = [this](THandler&) { RememberedDest_ = Dest_->GetItemIndex(); },
                                                  .AfterChange = [this](THandler& h) { DestChanged(h); }});
    WaveLen_ = radio("OEConv:WaveLen", "WL1,WL2,WL3,WLUserDef", [this](THandler&) { WaveLenChanged(); });
    UserWaveLen_ = radio("OEConv:UserWaveLen", "WL1,WL2,WL3,WL4,WL5,WL6,WL7,WL8", [this](THandler&) { GainUpdate(); });
    ConversionGain_ = real("Flash:OE:ConversionGain", 1, gainConfig(0.001, 0.0001));
    root.AddRightCommandHandler("FLASH:OECalibr:AutoDarkLvl", start(false));
    DarkLvl_ = real("FLASH:OECalibr:DarkLvl", 50, Numeric(0, 50, 100, skGrid, 0.25, skGrid, 0.005, 0.001, "%"),
                    [this](THandler&) { DarkLevelChanged(); });
    PointNum_ = radio("FLASH:OECalibr:PointNum", "1,2,3,4,5,6,7,8");
    Power_ = real("FLASH:OECalibr:Power", 0.0003, Numeric(1e-6, 0.0003, 0.00065, skGrid, 2.5e-5, skGrid, 5e-7, 1e-7, "W"));
    AutoCalGain_ = &root.AddRightCommandHandler("FLASH:OECalibr:AutoCalGain", start(true));
    real("FLASH:OECalibr:ERCorrFact", 0, Numeric(-5, 0, 5, skGrid, 0.5, skGrid, 0.1, 0.01, "dB"));
    root.AddRightCommandHandler("FLASH:OECalibr:StoreFCorr", {}).SetDisabled(true);
    root.AddRightCommandHandler("FLASH:OECalibr:RecallFCorr", {});
    radio("FLASH:OECalibr:BitRatePoint", "BRP1,BRP2,BRP3,BRP4,BRP5");
    radio("FLASH:OECalibr:PatternLen", "7,15,23,31");
    root.AddRightCommandHandler("FLASH:OECalibr:RclFactFCorr", {});
    for (int n = 1; n <= OEFactoryPoints; ++n) {
        TPoint& p = Factory_[static_cast<std::size_t>(n - 1)];
        const std::string k = std::to_string(n);
        p.Wavelength = real("Shadow:Adjust:OEWaveLen" + k, 1e-6, wavelengthConfig(7.8e-7),
                            [this, k](THandler& h) { FactoryPointChanged(h, "OE:FP" + k + "WLEN"); });
        p.Gain = real("Shadow:Adjust:OEGain" + k, 1, gainConfig(0.001, 0.0001),
                      [this, k](THandler& h) { FactoryPointChanged(h, "OE:FP" + k + "GAIN"); });
    }
    for (int d = 0; d < OEUserPoints; ++d) {
        TPoint& p = Points_[static_cast<std::size_t>(d)];
        const std::string node = "Shadow:OECalibr" + std::to_string(d + 1) + ":";
        TEditConfig wavelength = wavelengthConfig(7.795e-7);
        wavelength.OnFormat = [this](TEditHandler&, double v) {
            return IsValidOEWavelength(v) ? Eng(v) + "m" : Shell_.LangStr("Undefined");
        };
        p.Wavelength = real(node + "Wavelength", 1e-6, wavelength, [this, d](THandler&) { UserPointChanged(d, true); });
        TEditConfig gain = gainConfig(0.00099, 1e-5);
        gain.OnFormat = [this](TEditHandler&, double v) {
            return IsValidOEGain(v) ? Eng(v) + "V/ W" : Shell_.LangStr("Undefined");
        };
        p.Gain = real(node + "Gain", 1, gain, [this, d](THandler&) { UserPointChanged(d, false); });
    }
    radio("Shadow:Adjust:FreqCorPoint", "1,2,3,4,5");
    TEditConfig bitRate = Numeric(1e8, 1e9, 4e10, sk125, 1, skProportional, 0.01, 1000, "b/s");
    bitRate.OnFormat = [this](TEditHandler&, double v) {
        return v < 1.000001e8 ? Shell_.LangStr("Empty") : Eng(v) + "b/s";
    };
    real("Shadow:Adjust:ERBitRate", 1e8, bitRate);
    radio("Shadow:Adjust:PattLenght", "7,15,23,31");
    real("Shadow:Adjust:ERCorrFact", 0, Numeric(-5, 0, 5, skGrid, 0.5, skGrid, 0.1, 0.01, "dB"));
}

// ------------------------------------------------------------------------------------------ gain

double TOEConv::FactoryWavelength(int n) const { return Factory_[static_cast<std::size_t>(n)].Wavelength->GetValue(); }
double TOEConv::UserWavelength(int d) const { return Points_[static_cast<std::size_t>(d)].Wavelength->GetValue(); }
double TOEConv::UserGain(int d) const { return Points_[static_cast<std::size_t>(d)].Gain->GetValue(); }
int TOEConv::ChosenPoint() const { return GetItemIndex(PointNum_); }

double OEConvGainForWavelength(TShell& shell) {
    return UsableOEGain(ReadRealSetting(shell.CommandTree(), "Flash:OE:ConversionGain", OEFallbackGain));
}

double OEConvStoredZeroPower(const TShell& shell) { return shell.OEStoredZeroPower; }

double TOEConv::StoredZeroPower() const { return Shell_.OEStoredZeroPower; }
void TOEConv::SetStoredZeroPower(double power) { Shell_.OEStoredZeroPower = power; }

double TOEConv::OEConvGainForWavelength() const {
    if (!Registered_) return OEFallbackGain;
    const int w = WaveLen_->GetItemIndex();
    if (w < oewUserDef) return UsableOEGain(Factory_[static_cast<std::size_t>(w)].Gain->GetValue());
    // A position beyond the list (a command may choose a disabled item) has no gain.
    const int k = UserWaveLen_->GetItemIndex();
    if (k < 0 || k >= Sorted_.Count) return OEFallbackGain;
    return UsableOEGain(UserGain(Sorted_.Points[static_cast<std::size_t>(k)]));
}

bool TOEConv::IsChannelFedByOEConverter(int channel) const {
    return ConverterChannel() == channel && channel != 0;
}

int TOEConv::ConverterChannel() const {
    const TInstrumentIdentityUnit* identity = Shell_.Identity();
    if (!Registered_ || !identity || !identity->Identity.HasOptOptics()) return 0;
    switch (Dest_->GetItemIndex()) {
        case oedCh1: return 2;
        case oedCh2: return 3;
        default: return 0;
    }
}

double TOEConv::ChannelFactor(int channel) const {
    TCommandTree* tree = Shell_.CommandTree();
    const std::string prefix = ChannelPrefix(channel) + "Atten:";
    switch (ReadChoiceSetting(tree, prefix + "Unit", 0)) {
        case 1: return ReadRealSetting(tree, prefix + "Ratio", 1);
        case 2: return std::pow(10.0, ReadRealSetting(tree, prefix + "DB", 0) / 20);
        default: return 1;
    }
}

void TOEConv::GainUpdate() {
    if (!Registered_) return;
    const double gain = OEConvGainForWavelength();
    ConversionGain_->SetValue(gain);
    const int channel = ConverterChannel();
    if (channel == 0) return;
    TCommandTree* tree = Shell_.CommandTree();
    const std::string prefix = ChannelPrefix(channel);
    WriteRealSetting(tree, prefix + "Atten:Ratio", 1 / gain);
    if (auto* scale = FindSetting<TEditHandler>(tree, prefix + "Scale")) {
        const double factor = ChannelFactor(channel);
        // Twice: the first may be refused while the minimum is still above it.
        scale->SetMaxValue(WattScaleMaximum / factor);
        scale->SetMinValue(WattScaleMinimum / factor);
        scale->SetMaxValue(WattScaleMaximum / factor);
    }
}

void TOEConv::WaveLenChanged() {
    GainUpdate();
    UserWaveLen_->SetDisabled(WaveLen_->GetItemIndex() != oewUserDef);
}

// ----------------------------------------------------------------------------------- destination

void TOEConv::DestChanged(THandler& h) {
    const int p = RememberedDest_;
    const int n = Dest_->GetItemIndex();
    // Also when the value is applied again unchanged (start, recall), which runs no before-change step.
    RememberedDest_ = n;
    const TWhoChanged who = h.GetWhoChangedRaw();
    if (who != wcvSwitcher && who != wcvRemote && who != wcvCommandList) return;
    // Applied again unchanged: the channels keep the scales loaded beside it.
    if (p == n) return;
    const std::string message = n != oedNone ? FormatDot(Shell_.LangStr("ConnectElectricalOutput"), n)
                                             : FormatDot(Shell_.LangStr("DisconnectElectricalOutput"), p);
    if (who == wcvSwitcher) {
        if (!Shell_.User().ConfirmOkCancel(message)) {
            Dest_->SetItemIndex(p);
            return;
        }
    } else if (who == wcvRemote) {
        // A command never waits on a dialog: the cable instruction goes by as a hint.
        Shell_.Display().PushHint(message, 5000);
    }
    if (p != oedNone) ToVolts(p + 1);
    if (n != oedNone) ToWatts(n + 1);
    Shell_.Display().RedrawSampleRateField();
}

void TOEConv::ToVolts(int channel) {
    TCommandTree* tree = Shell_.CommandTree();
    const std::string prefix = ChannelPrefix(channel);
    WriteChoiceSetting(tree, prefix + "Atten:Unit", 0);
    if (auto* scale = FindSetting<TEditHandler>(tree, prefix + "Scale")) {
        scale->SetCoarseStepKind(sk125);
        scale->SetMaxValue(VoltScaleMaximum);
        scale->SetMinValue(VoltScaleMinimum);
    }
    WriteRealSetting(tree, prefix + "Offset", 0);
    WriteRealSetting(tree, prefix + "Scale", VoltScaleStart);
}

void TOEConv::ToWatts(int channel) {
    TCommandTree* tree = Shell_.CommandTree();
    const std::string prefix = ChannelPrefix(channel);
    WriteChoiceSetting(tree, prefix + "Atten:Unit", 1);
    WriteChoiceSetting(tree, prefix + "Atten:Dimens", 1);
    auto* scale = FindSetting<TEditHandler>(tree, prefix + "Scale");
    if (scale) scale->SetCoarseStepKind(skDouble);
    WriteRealSetting(tree, prefix + "Offset", -3 * ReadRealSetting(tree, prefix + "Scale", 0));
    GainUpdate();
    if (scale) scale->SetValue(WattScaleStart / ChannelFactor(channel));
}

// ----------------------------------------------------------------------------- calibration values

bool TOEConv::TakeBack(THandler& h, const std::string& query, double tolerance) {
    TInstrumentLink* link = Shell_.Link();
    if (!link || !link->IsInstrumentConnected()) return false;
    auto& edit = static_cast<TDoubleEditHandler&>(h);
    const double value = edit.GetValue();
    const double accepted = link->QueryFloatParam(query, value);
    // An unreadable reply is no value of the instrument's.
    if (accepted == QueryFailedFloat || std::fabs(accepted - value) <= tolerance) return false;
    TakingBack_ = true;
    edit.SetValue(accepted);
    TakingBack_ = false;
    return true;
}

void TOEConv::DarkLevelChanged() {
    if (Quiet()) return;
    if (Calibration_Values_) Calibration_Values_->FlashChange().SetCalibrChanged(true);
    TakeBack(*DarkLvl_, "OE:DarkLevel", DarkLevelTolerance);
}

void TOEConv::FactoryPointChanged(THandler& h, const std::string& query) {
    if (Quiet()) return;
    if (Calibration_Values_) Calibration_Values_->FlashChange().SetCalibrChanged(true);
    TakeBack(h, query, PointTolerance);
}

void TOEConv::UserPointChanged(int d, bool wavelength) {
    TPoint& p = Points_[static_cast<std::size_t>(d)];
    if (!Quiet()) {
        if (Calibration_Values_) Calibration_Values_->FlashChange().SetCalibrChanged(true);
        const std::string k = std::to_string(d + 1);
        TakeBack(wavelength ? static_cast<THandler&>(*p.Wavelength) : *p.Gain,
                 "OE:UP" + k + (wavelength ? "WLEN" : "GAIN"), PointTolerance);
    }
    p.Wavelength->SetHighlighted(!IsValidOEWavelength(p.Wavelength->GetValue()));
    p.Gain->SetHighlighted(!IsValidOEGain(p.Gain->GetValue()));
    if (d == ChosenPoint()) {
        const bool invalid = !IsValidOEWavelength(p.Wavelength->GetValue());
        Power_->SetDisabled(invalid);
        AutoCalGain_->SetDisabled(invalid);
    }
    PointBookkeeping(d, true);
}

void TOEConv::PointBookkeeping(int d, bool select) {
    // The point's controls show it again: the "7 - d and back" of the list leaves no undo and sends nothing.
    PointNum_->NotifySwitchers();
    const int selectedBefore = WaveLen_->GetItemIndex() == oewUserDef && UserWaveLen_->GetItemIndex() < Sorted_.Count
                                   ? Sorted_.Points[static_cast<std::size_t>(UserWaveLen_->GetItemIndex())]
                                   : -1;
    std::array<double, OEUserPoints> wavelengths{};
    std::array<double, OEUserPoints> gains{};
    for (int k = 0; k < OEUserPoints; ++k) wavelengths[static_cast<std::size_t>(k)] = UserWavelength(k),
                                          gains[static_cast<std::size_t>(k)] = UserGain(k);
    Sorted_ = SortOEPoints(wavelengths, gains);
    const bool empty = Sorted_.Count == 0;
    WaveLen_->SetDisabledMask(empty ? 1u << oewUserDef : 0u);
    if (empty && WaveLen_->GetItemIndex() == oewUserDef) WaveLen_->SetItemIndex(oewWL1);
    std::uint32_t beyond = 0;
    for (int k = Sorted_.Count; k < OEUserPoints; ++k) beyond |= 1u << k;
    UserWaveLen_->SetDisabledMask(beyond);
    if (PointsChanged) PointsChanged();
    const int position = Sorted_.PositionOf(d);
    if (select && (position >= 0 || d == selectedBefore) && !empty) {
        WaveLen_->SetItemIndex(oewUserDef);
        UserWaveLen_->SetItemIndex(std::max(position, 0));
        GainUpdate();
    } else if (const int kept = Sorted_.PositionOf(selectedBefore); kept >= 0 && kept != UserWaveLen_->GetItemIndex()) {
        // The list moved under the chosen point: the choice stays with the point, not the position.
        UserWaveLen_->SetItemIndex(kept);
    } else {
        UserWaveLen_->NotifySwitchers();
    }
}

void TOEConv::RefreshOEConvHandlers() {
    if (!Registered_) return;
    PointNum_->SetItemIndex(0);
    PointBookkeeping(0, false);
    WaveLenChanged();
}

std::string TOEConv::PointWavelengthText(int point) const {
    const double w = UserWavelength(point);
    return IsValidOEWavelength(w) ? Eng(w) + " m" : Shell_.LangStr("Empty");
}

std::string TOEConv::SortedPositionText(int position) const {
    if (position < 0 || position >= Sorted_.Count) return Shell_.LangStr("Empty");
    return PointWavelengthText(Sorted_.Points[static_cast<std::size_t>(position)]);
}

}  // namespace vt
