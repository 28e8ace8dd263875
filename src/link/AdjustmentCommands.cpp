#include "link/AdjustmentCommands.h"

#include <cmath>
#include <limits>
#include <memory>

#include "core/AsciiText.h"
#include "core/CommandTree.h"
#include "core/DotNumberText.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "link/CommandSenders.h"
#include "link/DemoSimulator.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr const char* AmpereUnits = "\xD0\x90";  // the Cyrillic capital letter A

TEditConfig Numeric(double min, double def, double max, double coarse, double fine, double resolution,
                    const char* units = "") {
    return TEditConfig{.Minimum = min,
                       .Default = def,
                       .Maximum = max,
                       .CoarseStep = coarse,
                       .CoarseKind = skLinear,
                       .FineStep = fine,
                       .FineKind = fine > 0 ? skLinear : skNone,
                       .Resolution = resolution,
                       .Units = units};
}

bool IsTimebaseValue(std::string_view setting) {
    return setting == "FLASH:Calibr:CoarseTB" || setting == "FLASH:Calibr:FineTB" ||
           setting == "FLASH:Calibr:FineDelay" || setting == "FLASH:Calibr:LevelZero";
}

std::string QueryOf(const TAdjustValue& v) {
    return v.Group == "OE" || v.Group == "Gen" ? v.Group + ":" + v.Key : v.Group + v.Key;
}

bool IsSmpl(const TAdjustValue& v) {
    return v.Conversion == TRawConversion::SmplInterval || v.Conversion == TRawConversion::SmplCurve;
}

constexpr std::string_view DefaultCalCurve = "2 0 65535";

}  // namespace

// ------------------------------------------------------------------------------------------ context

bool TCalibrAdjust::Connected() const {
    const TInstrumentLink* link = Shell_.Link();
    return link && link->IsInstrumentConnected();
}

bool TCalibrAdjust::SecondLine() const {
    const TInstrumentIdentityUnit* unit = Shell_.Identity();
    return unit && unit->Identity.IsModelFamilyB();
}

std::uint8_t TCalibrAdjust::Options() const {
    const TInstrumentIdentityUnit* unit = Shell_.Identity();
    return unit ? unit->Identity.Options : 0;
}

const std::vector<TAdjustValue>& TCalibrAdjust::Table() const { return AdjustValueTable(SecondLine()); }

THandler* TCalibrAdjust::SettingOf(const TAdjustValue& v) const {
    return v.Setting.empty() || !Shell_.CommandTree() ? nullptr : Shell_.CommandTree()->Resolve(v.Setting);
}

double TCalibrAdjust::ValueOf(const TAdjustValue& v) const {
    THandler* h = SettingOf(v);
    if (auto* e = dynamic_cast<TEditHandler*>(h)) return e->GetValueAsDouble();
    if (auto* r = dynamic_cast<TRadioSwHandler*>(h)) return r->GetItemIndex();
    return 0;
}

void TCalibrAdjust::Mark(TAdjustSet set) {
    if (set == TAdjustSet::Calibration) Flash_.SetCalibrChanged(true);
    if (set == TAdjustSet::Adjustment) Flash_.SetAdjustChanged(true);
}

void TCalibrAdjust::Message(const std::string& text, bool remote) {
    if (remote) {
        Log_.push_back(text);
        Shell_.Display().PushHint(text, 5000);
    } else {
        Shell_.User().ShowErrorDlg(text);
    }
}

bool TCalibrAdjust::Confirm(const std::string& text, bool remote) {
    if (remote) {
        Log_.push_back(text + " - Cancel");
        return false;
    }
    return Shell_.User().ConfirmOkCancel(text);
}

int TCalibrAdjust::RowOf(std::string_view key, int group) const {
    const auto& table = Table();
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].Key == key && table[i].Channel == group) return static_cast<int>(i);
    return -1;
}

// ------------------------------------------------------------------------------------- registration

void TCalibrAdjust::FillRows(TShell& shell) {
    shell.Registration.Add(TRegistrationRow::RegisterAdjustCommands, [this](TShell&) { RegisterAdjustCommands(); });
    shell.LateRegistration.Add(TLateRegistrationRow::SetModelAdjustLimits, [this](TShell&) { SetModelAdjustLimits(); });
    shell.Refresh.Add(TRefreshRow::ClearTimebaseCalMode, [this](TShell&) { ClearTimebaseCalMode(); });
}

void TCalibrAdjust::RegisterAdjustCommands() {
    TCommandTree* tree = Shell_.CommandTree();
    if (Registered_ || !tree) return;
    Registered_ = true;
    TSpider& root = tree->Root();
    const auto& table = AdjustValueTable(false);
    Raws_.assign(table.size(), {});
    auto rowOf = [&table](std::string_view setting) {
        for (std::size_t i = 0; i < table.size(); ++i)
            if (table[i].Setting == setting) return static_cast<int>(i);
        return -1;
    };
    auto after = [this](int row) { return [this, row](THandler&) { ValueChanged(row); }; };
    auto real = [&](const std::string& path, double initial, const TEditConfig& config) {
        const int row = rowOf(path);
        THandler& h = root.AddDoubleEditHandler(path, {.Initial = initial, .Config = config, .AfterChange = after(row)});
        Rows_[&h] = row;
        return &h;
    };
    auto integer = [&](const std::string& path, double initial, const TEditConfig& config) {
        const int row = rowOf(path);
        auto& h = root.AddIntEditHandler(path, {.Initial = initial, .Config = config, .AfterChange = after(row)});
        Rows_[&h] = row;
        return &h;
    };
    auto choice = [&](const std::string& path, const char* items) {
        const int row = rowOf(path);
        THandler& h = root.AddRadioHandler(path, {.Items = items, .Initial = 0, .AfterChange = after(row)});
        Rows_[&h] = row;
    };
    auto run = [this](int kind) {
        return [this, kind](THandler& h) {
            (AutoCal_ ? *AutoCal_ : NoAutoCal_).RunCalibration(kind, 0, h.GetWhoChangedRaw() == wcvSwitcher);
        };
    };
    auto remote = [](const THandler& h) { return h.GetWhoChangedRaw() == wcvRemote; };

    root.AddIntEditHandler("FLASH:Calibr:AutocalResult", {.Initial = 0, .Config = Numeric(-1, 0, 10, 1, 0, 1)});
    root.AddRightCommandHandler("FLASH:Calibr:AutocalCh", run(1));
    root.AddRadioHandler("Shadow:Calibr:ChnlsBW", {.Items = "1,2,3,4", .Initial = 0});
    root.AddGpibStringHandler("Calibr:Temperature", 0,
                              [this](std::string_view, bool isQuery, std::uint8_t, std::string& reply) {
                                  if (!isQuery) return;
                                  double t = (AutoCal_ ? *AutoCal_ : NoAutoCal_).SimulatedTemperature();
                                  if (Connected() && Shell_.Senders()) t = Shell_.Senders()->ReadInstrumentTemperature(true);
                                  reply = FormatDot(" %.2f", t);
                              });
    for (int g = 0; g < 4; ++g) {
        const std::string group = "FLASH:Calibr:" + std::string(ChannelGroupName(g)) + ":";
        real(group + "BridgeVolt", 1.5, Numeric(1, 2, 3, 0.025, 0.001, 1e-4, "V"));
        real(group + "Balance", 0, Numeric(-0.5, 0, 0.5, 0.025, 0.001, 1e-4, "V"));
        integer(group + "LfDist", 0, Numeric(0, 0, 65535, 1024, 1, 1));
        integer(group + "ADC200mV", 4096, Numeric(0, 4096, 65535, 1024, 1, 1));
        if (g >= 2) {
            TEditConfig c = Numeric(500, 800, 1000, 20, 1, 1, "%");
            c.OnFormat = [](TEditHandler&, double v) { return FloatToStrDot(v / 10) + "%"; };
            c.OnCorrect = [](TEditHandler&, double v) { return v * 10; };
            integer(group + "PromBrNBW", 800, c);
        }
        choice(group + "GainFix", "High,Low");
    }
    const std::string strobe = "Flash:Calibr:Strobe:";
    for (const char* srd : {"SRD1", "SRD2", "SRD3"})
        real(strobe + srd, 0.015, Numeric(0.0001, 0.015, 0.035, 0.0025, 1e-4, 5e-5, AmpereUnits));
    real(strobe + "Amplitude", 100, Numeric(45, 100, 110, 5, 1, 0.5, "%"));
    real(strobe + "Delay", 0, Numeric(0, 1e-9, 5e-9, 5e-10, 1e-11, 5e-12, "s"));
    choice(strobe + "ChFindSRD", "Ch1,Ch2");
    // The Min settings share the Max settings' limits, default and initial value.
    for (const char* srd : {"MinSRD1", "MaxSRD1", "MinSRD2", "MaxSRD2"})
        real(strobe + srd, 0.01, Numeric(0.005, 0.015, 0.03, 0.0025, 1e-4, 1e-7, AmpereUnits));
    root.AddRightCommandHandler("FLASH:Calibr:AutocalTB", run(2));
    real("FLASH:Calibr:CoarseTB", 2.03e-9, Numeric(3e-9, 4.6e-9, 4.91e-9, 1e-11, 5e-13, 2.5e-13, "s"));
    integer("FLASH:Calibr:CoarseDelay", 8, Numeric(0, 10, 100, 1, 0, 1));
    integer("FLASH:Calibr:FineTB", 12500, Numeric(2048, 16384, 49152, 64, 1, 1));
    integer("FLASH:Calibr:FineDelay", 16384, Numeric(0, 16384, 49000, 64, 1, 1));
    integer("FLASH:Calibr:LevelZero", 0, Numeric(-250, 0, 250, 10, 1, 1, "mV"));

    root.AddRightCommandHandler("FLASH:Calibr:RecallAll", [this, remote](THandler& h) {
        ReadAdjustmentValues(0, remote(h));
        if (Flash_.CalibrStoreAll) Flash_.CalibrStoreAll->SetDisabled(true);
        Flash_.SetCalibrChanged(false);
    });
    Flash_.CalibrStoreAll = &root.AddRightCommandHandler("FLASH:Calibr:StoreAll", [this, remote](THandler& h) {
        StoreAdjustmentValues(0, remote(h));
        Flash_.SetCalibrChanged(false);
    });
    Flash_.AdjustStoreAll = &root.AddRightCommandHandler("FLASH:Adjust:StoreAll", [this, remote](THandler& h) {
        StoreAdjustmentValues(1, remote(h));
        Flash_.SetAdjustChanged(false);
        Flash_.SetCalibrChanged(false);
    });
    root.AddRightCommandHandler("FLASH:Adjust:RecallAll", [this, remote](THandler& h) {
        ReadAdjustmentValues(1, remote(h));
        if (Flash_.AdjustStoreAll) Flash_.AdjustStoreAll->SetDisabled(true);
        Flash_.SetCalibrChanged(true);
        Flash_.SetAdjustChanged(false);
    });
    root.AddRightCommandHandler("FLASH:Adjust:SetInitial", [this, remote](THandler& h) {
        ReadAdjustmentValues(2, remote(h));
        if (Flash_.AdjustStoreAll) Flash_.AdjustStoreAll->SetDisabled(true);
    });
    Flash_.CalibrStoreAll->SetDisabled(true);
    Flash_.AdjustStoreAll->SetDisabled(true);
}

void TCalibrAdjust::SetModelAdjustLimits() {
    TCommandTree* tree = Shell_.CommandTree();
    const bool second = SecondLine();
    auto limits = [tree](const char* path, double min, double def, double max) {
        if (auto* h = FindSetting<TEditHandler>(tree, path)) {
            h->SetMaxValue(max);
            h->SetMinValue(min);
            h->SetDefaultValue(def);
        }
    };
    limits("FLASH:Calibr:FineTB", second ? 4096 : 2048, second ? 32768 : 16384, second ? 65535 : 49152);
    limits("FLASH:Calibr:FineDelay", 0, second ? 32768 : 16384, second ? 65535 : 49000);
    if (auto* h = FindSetting<THandler>(tree, "Flash:Calibr:Strobe:SRD3")) h->SetDisabled(!second);
    for (const char* path : {"Flash:Calibr:Strobe:Amplitude", "Flash:Calibr:Strobe:Delay"})
        if (auto* h = FindSetting<THandler>(tree, path)) h->SetDisabled(second);
}

void TCalibrAdjust::SetTimebaseCalMode(bool on) {
    if (!Connected()) return;
    TInstrumentLink& link = *Shell_.Link();
    link.SendOnOffCommand("CALIBR:TB:MODECH3", on);
    if (on) link.SendOnOffCommand("Calibr:Sampler:Linearity", false);
    link.SendOnOffCommand("Acq:SoftOnly", on);
}

void TCalibrAdjust::UpdateFineTB() {
    if (!SecondLine()) return;
    const auto& table = Table();
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].Setting == "FLASH:Calibr:FineTB") ValueChanged(static_cast<int>(i));
}

int TCalibrAdjust::DeterminateChannelAndBW(const THandler& handler) {
    const auto it = Rows_.find(&handler);
    const int group = it == Rows_.end() ? -1 : Table()[static_cast<std::size_t>(it->second)].Channel;
    if (group < 0) Message("Internal Error in procedure \"DeterminateChannelAndBW\"", false);
    return group;
}

// ------------------------------------------------------------------------------------------- sending

void TCalibrAdjust::ValueChanged(int row) {
    if (Reading_ || TakingBack_ || row < 0 || Raws_.empty()) return;
    const TAdjustValue& v = Table()[static_cast<std::size_t>(row)];
    if (v.Conversion == TRawConversion::BridgePlus || v.Conversion == TRawConversion::BridgeMinus) {
        BridgeChanged(v.Channel);
        return;
    }
    Mark(v.Marks);
    if (!Connected()) return;
    TInstrumentLink& link = *Shell_.Link();
    if (v.Conversion == TRawConversion::GainFix) {
        if (SecondLine()) return;
        const std::string sent = ValueOf(v) == 0 ? "HIGH" : "LOW";
        const TReply reply = link.QueryUpperText(v.Group + "GainFix? " + sent, true);
        // The setting keeps the chosen value; a different answer is only noted.
        if (std::string(TrimWhite(reply.Text)) != sent)
            Log_.push_back(v.Group + "GainFix: sent " + sent + ", reply \"" + reply.ShownText() + "\"");
        Raws_[static_cast<std::size_t>(row)] = {true, ValueOf(v), ValueOf(v), sent};
        return;
    }
    const std::int64_t raw = SettingToRaw(v.Conversion, ValueOf(v));
    std::int64_t accepted = link.QueryIntParam(QueryOf(v), raw);
    // A reply that does not parse never becomes a value.
    if (accepted == QueryFailedInt) accepted = raw;
    if (accepted != raw) {
        const TResetOnExit<bool> back(TakingBack_, false);
        TakingBack_ = true;
        THandler* h = SettingOf(v);
        if (auto* e = dynamic_cast<TEditHandler*>(h)) e->SetValue(RawToSetting(v.Conversion, static_cast<double>(accepted)));
        if (auto* r = dynamic_cast<TRadioSwHandler*>(h)) r->SetItemIndex(accepted == 1 ? 1 : 0);
    }
    Raws_[static_cast<std::size_t>(row)] = {true, static_cast<double>(accepted), ValueOf(v), {}};
    if (IsTimebaseValue(v.Setting))
        if (TTutorial* sim = Shell_.Simulator()) sim->DemoInit(true);
    if (v.Setting == "FLASH:Calibr:LevelZero" && Shell_.Senders())
        Shell_.Senders()->SendTrigLevel(ReadRealSetting(Shell_.CommandTree(), "Trig:ExtLevel", 0));
}

void TCalibrAdjust::BridgeChanged(int group) {
    Mark(TAdjustSet::Calibration);
    if (!Connected()) return;
    const int plusRow = RowOf("PlusD", group), minusRow = RowOf("MinusD", group);
    const TAdjustValue& pv = Table()[static_cast<std::size_t>(plusRow)];
    const TAdjustValue& mv = Table()[static_cast<std::size_t>(minusRow)];
    const double bridge = ValueOf(pv), balance = ValueOf(mv);
    const std::int64_t plus = PlusDFromSettings(bridge, balance), minus = MinusDFromSettings(bridge, balance);
    TInstrumentLink& link = *Shell_.Link();
    std::int64_t rp = link.QueryIntParam(QueryOf(pv), plus);
    std::int64_t rm = link.QueryIntParam(QueryOf(mv), minus);
    if (rp == QueryFailedInt) rp = plus;
    if (rm == QueryFailedInt) rm = minus;
    if (rp != plus || rm != minus) {
        // Both settings follow the two accepted numbers; nothing is sent again.
        const TResetOnExit<bool> back(TakingBack_, false);
        TakingBack_ = true;
        double b = 0, l = 0;
        BridgeFromRaw(rp, rm, b, l);
        if (auto* e = dynamic_cast<TEditHandler*>(SettingOf(pv))) e->SetValue(b);
        if (auto* e = dynamic_cast<TEditHandler*>(SettingOf(mv))) e->SetValue(l);
    }
    Raws_[static_cast<std::size_t>(plusRow)] = {true, static_cast<double>(rp), ValueOf(pv), {}};
    Raws_[static_cast<std::size_t>(minusRow)] = {true, static_cast<double>(rm), ValueOf(mv), {}};
}

// ------------------------------------------------------------------------------------------- reading

void TCalibrAdjust::PutRaw(int row, double raw, const std::string& text) {
    const TAdjustValue& v = Table()[static_cast<std::size_t>(row)];
    THandler* h = SettingOf(v);
    if (auto* r = dynamic_cast<TRadioSwHandler*>(h)) {
        if (v.Conversion == TRawConversion::GainFix)
            r->SetItemIndex(UpperCase(TrimWhite(text)) == "HIGH" ? 0 : 1);
        else
            r->SetItemIndex(raw == 1 ? 1 : 0);
    } else if (auto* e = dynamic_cast<TEditHandler*>(h)) {
        e->SetValue(RawToSetting(v.Conversion, raw));
    }
    Raws_[static_cast<std::size_t>(row)] = {true, raw, ValueOf(v), text};
}

bool TCalibrAdjust::ReadRowFromInstrument(int row, double& raw, std::string& text) {
    const TAdjustValue& v = Table()[static_cast<std::size_t>(row)];
    TInstrumentLink& link = *Shell_.Link();
    if (v.Conversion == TRawConversion::GainFix) {
        const TReply reply = link.QueryUpperText(QueryOf(v));
        text = std::string(TrimWhite(reply.Text));
        return reply.Received();
    }
    if (v.Conversion == TRawConversion::Real) {
        raw = link.QueryFloat(QueryOf(v));
        return raw != QueryFailedFloat;
    }
    const std::int32_t n = link.QueryInt(QueryOf(v));
    raw = n;
    return n != QueryFailedInt;
}

void TCalibrAdjust::ReadRowFromIni(const TMyIniFile& ini, int row, double& raw, std::string& text, std::string& bad) {
    const TAdjustValue& v = Table()[static_cast<std::size_t>(row)];
    if (v.Conversion == TRawConversion::GainFix || v.Conversion == TRawConversion::SmplCurve) {
        text = ini.ReadString(ini.Section(v), v.Key, v.Conversion == TRawConversion::GainFix ? "HIGH" : DefaultCalCurve);
        return;
    }
    raw = ini.ReadFloatOrDefault(ini.Section(v), v.Key, v.Default, [&bad](const std::string& m) { bad += m + "\n"; });
    if (v.Conversion == TRawConversion::Real) return;
    // The instrument's codes are 32-bit numbers: an entry beyond them is as bad as one that is no number.
    if (!(std::fabs(raw) <= std::numeric_limits<std::int32_t>::max())) {
        bad += ini.FileName().filename().string() + ": [" + ini.Section(v) + "] " + std::string(v.Key) + "=" +
               ini.ReadString(ini.Section(v), v.Key, "") + " is out of range; the default " + FloatToStrDot(v.Default) +
               " is used\n";
        raw = v.Default;
    }
    raw = static_cast<double>(RoundHalfEven(raw));
}

namespace {
constexpr const char* ValuesAbsentText = "The calibration Values is absent!\r\r\nDo you want to set INITIAL VALUES?";
}  // namespace

bool TCalibrAdjust::QueryValuesPresent(int source, bool remote) {
    const char* command = source == 0 ? "Calibr:ReRead" : source == 1 ? "Calibr:AdjRecall" : "Calibr:SetInitialVal";
    const std::int32_t reply = Shell_.Link()->QueryInt(command);
    if (reply == 2) Message("Read only from FAT2", remote);
    return reply != 0;
}

void TCalibrAdjust::SetInitialValues(bool remote) {
    ReadAdjustmentValues(2, remote);
    StoreAdjustmentValues(1, remote);
    if (Shell_.Link()->QueryInt("Calibr:AdjRecall") != 1) Message("Error in Storing of initial Values", remote);
}

void TCalibrAdjust::ReadAdjustmentValues(int source, bool remote) {
    if (!Shell_.CommandTree() || Raws_.empty()) return;
    if (Connected() && !QueryValuesPresent(source, remote) && source != 2 && Confirm(ValuesAbsentText, remote)) {
        SetInitialValues(remote);
        return;
    }
    ReadValues(source, remote);
}

void TCalibrAdjust::ReadAdjustmentValuesByItself() {
    if (!Shell_.CommandTree() || Raws_.empty()) return;
    const bool absent = Connected() && !QueryValuesPresent(0, false);
    // What Cancel would leave: the values the instrument has.
    ReadValues(0, false);
    if (!absent || InitialValuesAsked_) return;
    InitialValuesAsked_ = true;
    Shell_.User().ConfirmOkCancelLater(ValuesAbsentText, [this, instrument = Shell_.StartInstrumentName](bool ok) {
        InitialValuesAsked_ = false;
        // Answered for the instrument it was asked about only.
        if (ok && Connected() && Shell_.StartInstrumentName == instrument) SetInitialValues(false);
    });
}

void TCalibrAdjust::ReadValues(int source, bool remote) {
    const bool connected = Connected();
    const bool second = SecondLine();
    const TResetOnExit<bool> reading(Reading_, false);
    Reading_ = true;
    std::unique_ptr<TMyIniFile> ini;
    if (!connected)
        ini = std::make_unique<TMyIniFile>(std::filesystem::path(Shell_.Folders.InstallFolder) / kCalibrImitFileName,
                                           AdjustSectionPrefix(second, source == 1));
    const auto& table = Table();
    std::string bad;
    std::int32_t interval = CalInterval_;
    std::string curve = CalCurveText_;
    const TInstrumentIdentityUnit* unit = Shell_.Identity();
    const bool curveFromInstrument = connected && unit && IsVersionAtLeast(unit->Identity.SWVersion, {3, 7, 10});
    for (const int row : AdjustReadOrder(second)) {
        const TAdjustValue& v = table[static_cast<std::size_t>(row)];
        if ((v.Option && !(Options() & v.Option)) || (v.ReadOn == TModelLines::First && second) ||
            (v.ReadOn == TModelLines::Second && !second) || v.Conversion == TRawConversion::BridgeMinus)
            continue;
        if (IsSmpl(v)) {
            double raw = v.Default;
            std::string text(DefaultCalCurve);
            if (!connected) {
                ReadRowFromIni(*ini, row, raw, text, bad);
            } else if (curveFromInstrument) {
                if (v.Conversion == TRawConversion::SmplCurve) {
                    const TReply reply = Shell_.Link()->QueryCommand("Calibr:SmplTB:CalCurve?");
                    if (reply.Received()) text = reply.Text;
                } else if (!ReadRowFromInstrument(row, raw, text)) {
                    raw = v.Default;
                }
            }
            if (v.Conversion == TRawConversion::SmplCurve) curve = text;
            else interval = static_cast<std::int32_t>(raw);
            continue;
        }
        if (!SettingOf(v)) continue;
        if (v.Conversion == TRawConversion::BridgePlus) {
            const int minusRow = RowOf("MinusD", v.Channel);
            double plus = 0, minus = 0;
            std::string text;
            if (connected) {
                if (!ReadRowFromInstrument(row, plus, text) || !ReadRowFromInstrument(minusRow, minus, text)) continue;
            } else {
                ReadRowFromIni(*ini, row, plus, text, bad);
                ReadRowFromIni(*ini, minusRow, minus, text, bad);
            }
            double bridge = 0, balance = 0;
            BridgeFromRaw(static_cast<std::int64_t>(plus), static_cast<std::int64_t>(minus), bridge, balance);
            if (auto* e = dynamic_cast<TEditHandler*>(SettingOf(v))) e->SetValue(bridge);
            const TAdjustValue& mv = table[static_cast<std::size_t>(minusRow)];
            if (auto* e = dynamic_cast<TEditHandler*>(SettingOf(mv))) e->SetValue(balance);
            Raws_[static_cast<std::size_t>(row)] = {true, plus, ValueOf(v), {}};
            Raws_[static_cast<std::size_t>(minusRow)] = {true, minus, ValueOf(mv), {}};
            continue;
        }
        double raw = 0;
        std::string text;
        if (connected) {
            // An unparsable reply keeps the setting as it is.
            if (!ReadRowFromInstrument(row, raw, text)) continue;
        } else {
            ReadRowFromIni(*ini, row, raw, text, bad);
        }
        PutRaw(row, raw, text);
    }
    CalInterval_ = interval;
    CalCurveText_ = curve;
    if (CalCurve_) CalCurve_->SetTimebaseCalCurve(interval, curve);
    if (!bad.empty()) Message(bad, remote);
    Flash_.SetCalibrChanged(false);
    Flash_.SetAdjustChanged(false);
    if (Flash_.CalibrStoreAll) Flash_.CalibrStoreAll->SetDisabled(true);
    if (Flash_.AdjustStoreAll) Flash_.AdjustStoreAll->SetDisabled(true);
    if (TTutorial* sim = Shell_.Simulator()) sim->DemoInit(connected);
}

void TCalibrAdjust::ReadSamplerCalibration() {
    if (!Connected() || Raws_.empty()) return;
    {
        const TResetOnExit<bool> reading(Reading_, false);
        Reading_ = true;
        const auto& table = Table();
        for (std::size_t i = 0; i < table.size(); ++i) {
            const TAdjustValue& v = table[i];
            const int row = static_cast<int>(i);
            double raw = 0, minus = 0;
            std::string text;
            if (v.Key == "SRD1" || v.Key == "SRD2") {
                if (ReadRowFromInstrument(row, raw, text)) PutRaw(row, raw, text);
            } else if (v.Conversion == TRawConversion::BridgePlus) {
                const int minusRow = RowOf("MinusD", v.Channel);
                if (!ReadRowFromInstrument(row, raw, text) || !ReadRowFromInstrument(minusRow, minus, text)) continue;
                double bridge = 0, balance = 0;
                BridgeFromRaw(static_cast<std::int64_t>(raw), static_cast<std::int64_t>(minus), bridge, balance);
                const TAdjustValue& mv = table[static_cast<std::size_t>(minusRow)];
                if (auto* e = dynamic_cast<TEditHandler*>(SettingOf(v))) e->SetValue(bridge);
                if (auto* e = dynamic_cast<TEditHandler*>(SettingOf(mv))) e->SetValue(balance);
                Raws_[i] = {true, raw, ValueOf(v), {}};
                Raws_[static_cast<std::size_t>(minusRow)] = {true, minus, ValueOf(mv), {}};
            }
        }
    }
    Mark(TAdjustSet::Calibration);
}

// ------------------------------------------------------------------------------------------- storing

std::int64_t TCalibrAdjust::RawForStore(int row) const {
    const TAdjustValue& v = Table()[static_cast<std::size_t>(row)];
    const TRaw& r = Raws_[static_cast<std::size_t>(row)];
    const double value = ValueOf(v);
    // A value read and not changed since goes back as the very number read.
    if (r.Valid && r.Value == value) return static_cast<std::int64_t>(r.Raw);
    if (v.Conversion == TRawConversion::BridgePlus || v.Conversion == TRawConversion::BridgeMinus) {
        const int plusRow = RowOf("PlusD", v.Channel), minusRow = RowOf("MinusD", v.Channel);
        const double bridge = ValueOf(Table()[static_cast<std::size_t>(plusRow)]);
        const double balance = ValueOf(Table()[static_cast<std::size_t>(minusRow)]);
        return v.Conversion == TRawConversion::BridgePlus ? PlusDFromSettings(bridge, balance)
                                                          : MinusDFromSettings(bridge, balance);
    }
    return SettingToRaw(v.Conversion, value);
}

void TCalibrAdjust::WriteRowToIni(TMyIniFile& ini, int row) {
    const TAdjustValue& v = Table()[static_cast<std::size_t>(row)];
    const std::string section = ini.Section(v);
    switch (v.Conversion) {
        case TRawConversion::SmplInterval: ini.WriteInteger(section, v.Key, CalInterval_); break;
        case TRawConversion::SmplCurve: ini.WriteString(section, v.Key, CalCurveText_); break;
        case TRawConversion::GainFix: ini.WriteString(section, v.Key, ValueOf(v) == 0 ? "HIGH" : "LOW"); break;
        case TRawConversion::Real: ini.WriteFloat(section, v.Key, ValueOf(v)); break;
        default: ini.WriteInteger(section, v.Key, RawForStore(row)); break;
    }
}

void TCalibrAdjust::StoreAdjustmentValues(int set, bool remote) {
    if (Raws_.empty()) return;
    if (Connected()) {
        // The values are in the instrument already: it only writes them to its flash.
        const std::int32_t reply = Shell_.Link()->QueryInt(set == 1 ? "Calibr:AdjStore" : "Calibr:Store", 1500);
        if (reply != 3) Message("Stored only into FAT " + std::to_string(reply), remote);
        return;
    }
    const bool second = SecondLine();
    TMyIniFile ini(std::filesystem::path(Shell_.Folders.InstallFolder) / kCalibrImitFileName,
                   AdjustSectionPrefix(second, set == 1));
    const auto& table = Table();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const TAdjustValue& v = table[i];
        if (v.Option && !(Options() & v.Option)) continue;
        if (!IsSmpl(v) && !SettingOf(v)) continue;
        WriteRowToIni(ini, static_cast<int>(i));
    }
    try {
        ini.UpdateFile();
    } catch (const std::exception& e) {
        Message(e.what(), remote);
    }
}

// --------------------------------------------------------------------------------------------- close

void TCalibrAdjust::AddUnstoredValues(TUnstoredValues& values) const {
    values.AdjustmentModified = values.AdjustmentModified || Flash_.AdjustChanged();
    values.CalibrationModified = values.CalibrationModified || Flash_.CalibrChanged();
    values.AdjustAccessGranted = values.AdjustAccessGranted || Shell_.AdjustAccessGranted;
}

// As the store commands do: a stored set is no longer modified (storing the adjustment set covers both).
void TCalibrAdjust::StoreValues(bool adjustment) {
    StoreAdjustmentValues(adjustment ? 1 : 0);
    if (adjustment) Flash_.SetAdjustChanged(false);
    Flash_.SetCalibrChanged(false);
}

}  // namespace vt
