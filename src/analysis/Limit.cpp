#include "analysis/Limit.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "acq/SaveRecall.h"
#include "acq/WaveformSaves.h"
#include "analysis/HisticonStatistics.h"
#include "analysis/MeasCalc.h"
#include "analysis/MeasurementReadouts.h"
#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/EngineeringText.h"
#include "core/Handlers.h"
#include "core/InternalError.h"
#include "core/MenuKinds.h"
#include "core/Numeric.h"
#include "core/FileNamePlacement.h"
#include "core/Shell.h"
#include "core/StepSeries.h"
#include "core/UserServices.h"
#include "core/WindowBindings.h"

namespace vt {

namespace {

constexpr int ModeCenter = 0;
// Mode 1 (Limit) takes the limits as they stand.
constexpr int CenterUserDef = 1;
constexpr int DeltaStdDev = 0;
constexpr int DeltaUserDef = 1;
constexpr int DeltaUserPerc = 2;
constexpr int FailOutside = 0;
constexpr int FailInside = 1;
constexpr int NotFoundFail = 1;
constexpr int NotFoundPass = 2;
constexpr int UntilFailur = 1;
constexpr int UntilWfm = 2;
constexpr std::uint32_t ActBeep = 1u << 0;
constexpr std::uint32_t ActSave = 1u << 1;
constexpr std::uint32_t ActStop = 1u << 2;
constexpr double Big = 1e32;
constexpr int ExponentMode = 3;  // engineering form: a prefix for each power of a thousand
constexpr int ActSaveItem = 1;
// Ch1 .. S2: the sources a record of which can be saved.
constexpr int SavedSourceCount = 14;
constexpr int FormatCount = 3;
constexpr const char* SaveFilter =
    "Binary format (*.wfm)|*.wfm|Verbose format (*.txt)|*.txt|Y values formats (*.txty)|*.txty";

// A limit shows the digits its edit step needs, and one more: a seeded value lies off the step's
// grid, and a value read and written back must stay the same limit to well within one step. A
// seeded step is never finer than a ten-thousandth of the mean, so seven digits hold every seeded
// value; they also keep a value shown before seeding (step 1e-12) within its field. The form is the
// engineering one the measurement readouts use ("-996.92 ps").
std::string StepDigitsText(TEditHandler& h, double v) {
    constexpr int MostDigits = 7;
    int digits = h.Digits();
    const double step = h.FineStep();
    if (std::isfinite(v) && !IsUndefinedValue(v) && std::fabs(v) >= 1e-15 && step > 0) {
        const int lead = static_cast<int>(std::floor(std::log10(std::fabs(v))));
        const int last = static_cast<int>(std::floor(std::log10(step))) - 1;
        digits = std::clamp(lead - last + 1, h.Digits(), MostDigits);
    }
    return FloatToEngStr(ExponentMode, digits, false, false, v) + h.Units();
}

TEditConfig Range(double lo, double init, double hi, double fine, double coarse, std::string units = {}) {
    return TEditConfig{.Minimum = lo, .Default = init, .Maximum = hi, .CoarseStep = coarse, .CoarseKind = skLinear,
                       .FineStep = fine, .FineKind = skLinear, .Units = std::move(units)};
}

TEditConfig RealRange(double lo, double init, double hi, double fine, double coarse, std::string units = {}) {
    TEditConfig c = Range(lo, init, hi, fine, coarse, std::move(units));
    c.OnFormat = StepDigitsText;
    return c;
}

int ChoiceOf(const TRadioSwHandler* h) { return h ? h->GetItemIndex() : 0; }

std::uint32_t SourceBit(int source) { return source >= 0 && source < SavedSourceCount ? 1u << source : 0u; }

void Enable(THandler* h, bool on) {
    if (h) h->SetDisabled(!on);
}

}  // namespace

TLimitTest::TLimitTest(TShell& shell, TMeasCalc& calc, TMeasList& list, TMeasReadouts& readouts)
    : Shell_(shell), Calc_(calc), List_(list), Readouts_(readouts) {}

// ------------------------------------------------------------------------------ registration

void TLimitTest::CreateLimitHandlers(TCommandTree& tree) {
    TSpider& root = tree.Root();
    NPar_ = &root.AddRadioHandler("Shadow:NPar", {.Items = "1,2,3,4", .Initial = 0});
    TestOn_ = &root.AddOnOffHandler("Limit:TestOn", {.Initial = false, .AfterChange = [this](THandler&) { TestOnAfter(); }});
    RunUntil_ = &root.AddRadioHandler("Limit:RunUntil", {.Items = "StopBtn,Failur,Wfm", .Initial = 0,
                                                         .AfterChange = [this](THandler&) { RefreshLimitParameters(); }});
    FailuresLimit_ = &root.AddIntEditHandler(
        "Limit:Failures", {.Initial = 10, .Config = Range(1, 10, 10000, 1, 10, Shell_.LangStr("Lowfailures"))});
    NWfms_ = &root.AddIntEditHandler("Limit:NWfms",
                                     {.Initial = 200, .Config = Range(1, 200, 1000000, 1, 100, Shell_.LangStr("wfm"))});
    Action_ = &root.AddCheckHandler("Limit:Action", {.Items = "Beep,Save,Stop", .InitialMask = 0,
                                                     .BeforeChange = [this](THandler& h) {
                                                         ActionBefore_ = static_cast<TCheckSwHandler&>(h).GetMask();
                                                     },
                                                     .AfterChange = [this](THandler& h) { ActionAfter(h); }});
    If_ = &root.AddRadioHandler("Limit:If", {.Items = "AnyFail,AllPass,AllFail,AnyPass", .Initial = 0});
    FileFormat_ = &root.AddRadioHandler("Limit:FileFormat", {.Items = "Binary,Verbose,YOnly", .Initial = 0});
    // A name the placement refuses replies "ERROR", asked with a query too.
    FileName_ = &root.AddRefusing<TGpibStringHandler>(
        "Limit:FileName",
        {.Refuses = [this](const TGpibStringHandler&, std::string_view name) { return !PlaceLimitFileName(name); },
         .SetupLinesToo = true,
         .QueriesToo = true},
        std::uint8_t{0}, [this](std::string_view parameter, bool isQuery, std::uint8_t, std::string& reply) {
            if (!isQuery || !parameter.empty()) SetLimitFileName(parameter);
            if (!isQuery) return;
            if (Shell_.CommandTree()->HeaderOn()) reply += ' ';
            reply += LimitFileBase() + WaveformFileExt(std::clamp(ChoiceOf(FileFormat_), 0, FormatCount - 1));
        });
    for (int slot = 0; slot < MeasStatisticSlotCount; ++slot) RegisterParameter(tree, slot);
}

void TLimitTest::RegisterParameter(TCommandTree& tree, int slot) {
    TSpider& root = tree.Root();
    TParam& p = Params_[static_cast<std::size_t>(slot)];
    const std::string n = "Limit" + std::to_string(slot + 1) + ":";
    auto refresh = [this](THandler&) { RefreshLimitParameters(); };
    // A value set by anyone but this unit is the user's, and seeding keeps it.
    auto userSet = [this, slot](TSeeded which) {
        return [this, slot, which](THandler&) {
            if (!OwnWrite_) Params_[static_cast<std::size_t>(slot)].SetByUser[static_cast<std::size_t>(which)] = true;
        };
    };
    p.Activ = &root.AddOnOffHandler(n + "Activ", {.Initial = false, .AfterChange = [this, slot](THandler&) { ActivAfter(slot); }});
    p.Mode = &root.AddRadioHandler(n + "Mode", {.Items = "Center,Limit", .Initial = ModeCenter, .AfterChange = refresh});
    p.UpLimit = &root.AddDoubleEditHandler(
        n + "UpLimit", {.Initial = UndefinedValue, .Config = RealRange(UndefinedValue, UndefinedValue, Big, 1e-12, 1e-11),
                        .AfterChange = [this, slot, userSet](THandler& h) {
                            userSet(svUpLimit)(h);
                            KeepLimitGap(slot, true);
                        }});
    p.LowLimit = &root.AddDoubleEditHandler(
        n + "LowLimit", {.Initial = UndefinedValue, .Config = RealRange(UndefinedValue, UndefinedValue, Big, 1e-12, 1e-11),
                         .AfterChange = [this, slot, userSet](THandler& h) {
                             userSet(svLowLimit)(h);
                             KeepLimitGap(slot, false);
                         }});
    p.CenterMode = &root.AddRadioHandler(n + "CenterMode", {.Items = "CurrMean,UserDef", .Initial = 0, .AfterChange = refresh});
    p.CenterVal = &root.AddDoubleEditHandler(
        n + "CenterVal", {.Initial = 0, .Config = RealRange(-Big, 0, Big, 1e-12, 1e-11), .AfterChange = userSet(svCenterVal)});
    p.Delta = &root.AddRadioHandler(n + "Delta", {.Items = "StdDev,UserDef,UserPerc", .Initial = DeltaStdDev, .AfterChange = refresh});
    p.StdDev = &root.AddDoubleEditHandler(n + "StdDev", {.Initial = 3, .Config = RealRange(0.1, 3, 100, 0.1, 1)});
    p.UserDef = &root.AddDoubleEditHandler(
        n + "UserDef", {.Initial = 0, .Config = RealRange(-Big, 0, Big, 1e-12, 1e-11), .AfterChange = userSet(svUserDef)});
    // The limits and the centre are values of the measured parameter: they show its unit.
    for (TDoubleEditHandler* h : {p.UpLimit, p.LowLimit, p.CenterVal, p.UserDef})
        h->SetOnFormat([this, slot](TEditHandler& h, double v) {
            std::string text = StepDigitsText(h, v);
            const TParameterOfMeas* measured = List_.Slot(slot);
            if (measured && !IsUndefinedValue(v)) text += measured->UnitText;
            return text;
        });
    p.UserPerc = &root.AddDoubleEditHandler(n + "UserPerc", {.Initial = 20, .Config = RealRange(0.01, 20, 90, 0.01, 1, "%")});
    p.FailWhen = &root.AddRadioHandler(n + "FailWhen", {.Items = "Outside,Inside,Always", .Initial = FailOutside});
    p.NotFound = &root.AddRadioHandler(n + "NotFound", {.Items = "Ignore,Fail,Pass", .Initial = 0});
    p.Res = &root.AddGpibStringHandler(n + "Res", 0, [this, slot](std::string_view parameter, bool isQuery, std::uint8_t,
                                                                  std::string& reply) {
        if (!isQuery) return;
        if (TestOn() && Activ(slot)) reply += List_.MeasStatQuery(slot, parameter);
        else reply += "LIMIT TEST FOR PARAMETER IS PASSIVE";
    });
}

int TLimitTest::LimitParameterOfHandler(const THandler* handler) const {
    for (int slot = 0; slot < MeasStatisticSlotCount; ++slot) {
        const TParam& p = Params_[static_cast<std::size_t>(slot)];
        for (const THandler* h : std::initializer_list<const THandler*>{static_cast<const THandler*>(p.Activ), static_cast<const THandler*>(p.Mode),
                                  static_cast<const THandler*>(p.UpLimit), static_cast<const THandler*>(p.LowLimit),
                                  static_cast<const THandler*>(p.CenterMode), static_cast<const THandler*>(p.CenterVal),
                                  static_cast<const THandler*>(p.Delta), static_cast<const THandler*>(p.StdDev),
                                  static_cast<const THandler*>(p.UserDef), static_cast<const THandler*>(p.UserPerc),
                                  static_cast<const THandler*>(p.FailWhen), static_cast<const THandler*>(p.NotFound),
                                  p.Res})
            if (h && h == handler) return slot;
    }
    VT_INTERNAL_ERROR("Limit", "UNKNOWN Handler");
}

// ------------------------------------------------------------------------------ the list's interface

void TLimitTest::SetOwn(TDoubleEditHandler* h, double value) {
    if (!h) return;
    OwnWrite_ = true;
    h->SetValue(value);
    OwnWrite_ = false;
}

void TLimitTest::ResetLimitSlot(int slot) {
    if (slot < 0 || slot >= MeasStatisticSlotCount) return;
    TParam& p = Params_[static_cast<std::size_t>(slot)];
    if (!p.Activ) return;
    p.Activ->SetOn(false);
    p.Mode->SetItemIndex(ModeCenter);
    OwnWrite_ = true;
    p.UpLimit->SetValue(UndefinedValue);
    p.LowLimit->SetMinValue(UndefinedValue);
    p.LowLimit->SetValue(UndefinedValue);
    OwnWrite_ = false;
    p.CenterMode->SetItemIndex(0);
    p.Delta->SetItemIndex(DeltaStdDev);
    p.StdDev->SetValue(3);
    SetOwn(p.UserDef, 0);
    p.UserPerc->SetValue(20);
    p.FailWhen->SetItemIndex(FailOutside);
    p.NotFound->SetItemIndex(0);
    // A new measurement: seeding may write every value again.
    p.SetByUser = {};
    EnableParameter(slot);
}

void TLimitTest::CopyLimitParameter(int to, int from) {
    if (to < 0 || from < 0 || to >= MeasStatisticSlotCount || from >= MeasStatisticSlotCount) return;
    TParam& d = Params_[static_cast<std::size_t>(to)];
    const TParam& s = Params_[static_cast<std::size_t>(from)];
    if (!d.Activ || !s.Activ) return;
    d.Activ->SetOn(false);
    OwnWrite_ = true;
    d.Activ->SetOn(s.Activ->GetOn());
    d.Mode->SetItemIndex(s.Mode->GetItemIndex());
    d.UpLimit->SetValue(s.UpLimit->GetValue());
    d.LowLimit->SetValue(s.LowLimit->GetValue());
    d.CenterMode->SetItemIndex(s.CenterMode->GetItemIndex());
    d.CenterVal->SetValue(s.CenterVal->GetValue());
    d.Delta->SetItemIndex(s.Delta->GetItemIndex());
    d.StdDev->SetValue(s.StdDev->GetValue());
    d.UserDef->SetValue(s.UserDef->GetValue());
    d.UserPerc->SetValue(s.UserPerc->GetValue());
    d.FailWhen->SetItemIndex(s.FailWhen->GetItemIndex());
    d.NotFound->SetItemIndex(s.NotFound->GetItemIndex());
    OwnWrite_ = false;
    d.SetByUser = s.SetByUser;
}

std::string TLimitTest::LimitSlotsText() const {
    std::string text;
    auto number = [&text](double v) {
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        text.append(buf, r.ptr);
        text += ',';
    };
    for (const TParam& p : Params_) {
        if (!p.Activ) return {};
        number(p.Activ->GetOn());
        for (const TRadioSwHandler* h : {p.Mode, p.CenterMode, p.Delta, p.FailWhen, p.NotFound}) number(ChoiceOf(h));
        for (const TDoubleEditHandler* h : {p.UpLimit, p.LowLimit, p.CenterVal, p.StdDev, p.UserDef, p.UserPerc})
            number(h->GetValue());
        for (bool user : p.SetByUser) number(user);
        text += ';';
    }
    return text;
}

void TLimitTest::RestoreLimitSlots(std::string_view text) {
    for (TParam& p : Params_) {
        const std::size_t end = text.find(';');
        if (!p.Activ || end == std::string_view::npos) return;
        std::vector<double> v;
        for (std::string_view slot = text.substr(0, end); !slot.empty();) {
            const std::size_t comma = slot.find(',');
            double x = 0;
            std::from_chars(slot.data(), slot.data() + std::min(comma, slot.size()), x);
            v.push_back(x);
            slot.remove_prefix(comma == std::string_view::npos ? slot.size() : comma + 1);
        }
        text.remove_prefix(end + 1);
        if (v.size() != 12 + svCount) return;
        // As a copy of the slot's limits: off first, then every value in the order of a copy.
        p.Activ->SetOn(false);
        OwnWrite_ = true;
        p.Activ->SetOn(v[0] != 0);
        p.Mode->SetItemIndex(static_cast<int>(v[1]));
        p.UpLimit->SetValue(v[6]);
        p.LowLimit->SetValue(v[7]);
        p.CenterMode->SetItemIndex(static_cast<int>(v[2]));
        p.CenterVal->SetValue(v[8]);
        p.Delta->SetItemIndex(static_cast<int>(v[3]));
        p.StdDev->SetValue(v[9]);
        p.UserDef->SetValue(v[10]);
        p.UserPerc->SetValue(v[11]);
        p.FailWhen->SetItemIndex(static_cast<int>(v[4]));
        p.NotFound->SetItemIndex(static_cast<int>(v[5]));
        OwnWrite_ = false;
        for (int i = 0; i < svCount; ++i) p.SetByUser[static_cast<std::size_t>(i)] = v[static_cast<std::size_t>(12 + i)] != 0;
    }
}

bool TLimitTest::TestOn() const { return TestOn_ && TestOn_->GetOn(); }

void TLimitTest::SwitchTestOff() {
    if (TestOn_) TestOn_->SetOn(false);
    for (TParam& p : Params_)
        if (p.Activ) p.Activ->SetOn(false);
}

bool TLimitTest::Activ(int slot) const {
    return slot >= 0 && slot < MeasStatisticSlotCount && Params_[static_cast<std::size_t>(slot)].Activ &&
           Params_[static_cast<std::size_t>(slot)].Activ->GetOn();
}

bool TLimitTest::CentreFollowsMean(int slot) const {
    if (slot < 0 || slot >= MeasStatisticSlotCount) return false;
    const TParam& p = Params_[static_cast<std::size_t>(slot)];
    return p.Mode && ChoiceOf(p.Mode) == ModeCenter && ChoiceOf(p.CenterMode) != CenterUserDef;
}

void TLimitTest::SetCenterVal(int slot, double value) {
    if (slot >= 0 && slot < MeasStatisticSlotCount) SetOwn(Params_[static_cast<std::size_t>(slot)].CenterVal, value);
}

// ------------------------------------------------------------------------------ refreshing

void TLimitTest::SeedLimits(int slot) {
    TParameterOfMeas* entry = List_.Slot(slot);
    if (!entry || !entry->Statistics) return;
    TParam& p = Params_[static_cast<std::size_t>(slot)];
    double m = entry->Statistics->Mean;
    double s = entry->Statistics->StdDev;
    if (std::fabs(m) + std::fabs(s) < 1e-32) m = 1;
    s = std::max(s, std::fabs(m) * 0.001);
    const double step = CorrectNewVal1_2_5(s / 4);
    const double span = CorrectNewVal1_2_5((std::fabs(m) + 3 * s) * 10);
    for (TDoubleEditHandler* h : {p.UpLimit, p.LowLimit, p.CenterVal, p.UserDef}) {
        h->SetFineStep(step);
        h->SetCoarseStep(span);
    }
    if (entry->LimitsSeeded) return;
    entry->LimitsSeeded = true;
    // Limits the user set since the measurement was added stay.
    auto seed = [&p, this](TSeeded which, TDoubleEditHandler* h, double value) {
        if (!p.SetByUser[static_cast<std::size_t>(which)]) SetOwn(h, value);
    };
    seed(svUpLimit, p.UpLimit, m + 3 * s);
    seed(svLowLimit, p.LowLimit, m - 3 * s);
    seed(svCenterVal, p.CenterVal, m);
    seed(svUserDef, p.UserDef, 3 * s);
}

void TLimitTest::KeepLimitGap(int slot, bool upMoved) {
    if (OwnWrite_) return;
    TParam& p = Params_[static_cast<std::size_t>(slot)];
    if (!p.UpLimit || !p.LowLimit) return;
    const double up = p.UpLimit->GetValue();
    const double low = p.LowLimit->GetValue();
    if (up <= UndefinedValue || low <= UndefinedValue) return;
    const double step = p.UpLimit->FineStep();
    if (up >= low + step) return;
    OwnWrite_ = true;
    if (upMoved) p.UpLimit->SetValue(low + step);
    else p.LowLimit->SetValue(up - step);
    OwnWrite_ = false;
}

void TLimitTest::EnableParameter(int slot) {
    TParam& p = Params_[static_cast<std::size_t>(slot)];
    const bool center = ChoiceOf(p.Mode) == ModeCenter;
    const int delta = ChoiceOf(p.Delta);
    Enable(p.Activ, slot < List_.Count());
    Enable(p.CenterMode, center);
    Enable(p.Delta, center);
    Enable(p.CenterVal, center && ChoiceOf(p.CenterMode) == CenterUserDef);
    Enable(p.StdDev, center && delta == DeltaStdDev);
    Enable(p.UserDef, center && delta == DeltaUserDef);
    Enable(p.UserPerc, center && delta == DeltaUserPerc);
    Enable(p.UpLimit, !center);
    Enable(p.LowLimit, !center);
}

void TLimitTest::RefreshLimitParameters() {
    if (!TestOn_) return;
    std::uint32_t unprimed = 0;
    int lastListed = -1;
    for (int slot = 0; slot < MeasStatisticSlotCount; ++slot) {
        const TParameterOfMeas* entry = List_.Slot(slot);
        if (entry) lastListed = slot;
        if (!entry || !entry->LimitPrimed) unprimed |= 1u << slot;
        else if (Activ(slot)) SeedLimits(slot);
        EnableParameter(slot);
    }
    NPar_->SetDisabledMask(unprimed);
    const int fallback = lastListed >= 0 ? lastListed : MeasStatisticSlotCount - 1;
    if (unprimed & (1u << NPar_->GetItemIndex())) NPar_->SetItemIndex(fallback);
    const int until = ChoiceOf(RunUntil_);
    Enable(FailuresLimit_, until == UntilFailur);
    Enable(NWfms_, until == UntilWfm);
    Enable(FileFormat_, (Action_->GetMask() & ActSave) != 0);
    Enable(FileName_, (Action_->GetMask() & ActSave) != 0);
    // The open menu follows a change of the parameters it offers and of their labels.
    const std::uint32_t offered = unprimed | static_cast<std::uint32_t>(lastListed + 1) << MeasStatisticSlotCount;
    if (offered != OfferedParameters_) {
        OfferedParameters_ = offered;
        if (TWindowBindings* w = Shell_.WindowBindings()) w->RefreshSideMenu(mkLimitTest);
    }
}

void TLimitTest::ActivAfter(int slot) {
    if (Activ(slot) && List_.Display() != mdStatistic) {
        if (auto* display = dynamic_cast<TRadioSwHandler*>(Shell_.CommandTree()->Resolve("Meas:Display")))
            display->SetItemIndex(mdStatistic);
        Readouts_.MarkFullRedraw();
        Calc_.RequestMeasureNow();
    }
    // Nothing to test: the test ends.
    if (List_.ActiveLimitSlots() == 0 && TestOn()) TestOn_->SetOn(false);
    Enable(TestOn_, List_.ActiveLimitSlots() > 0);
    RefreshLimitParameters();
}

void TLimitTest::TestOnAfter() {
    if (!TestOn()) {
        Readouts_.MarkFullRedraw();
        return;
    }
    Tested_ = 0;
    Failures_ = 0;
    // The strip shows tested and failed of one run side by side.
    for (int slot = 0; slot < List_.MeasSlotsForLimit(); ++slot) {
        List_.Slot(slot)->TestedCount = 0;
        List_.Slot(slot)->FailedCount = 0;
    }
    Readouts_.MarkFullRedraw();
}

// ------------------------------------------------------------------------------ saving

std::string TLimitTest::LimitFileBase() const {
    return FileBase_.empty() ? Shell_.Folders.LimitTestFolder + "Noname" : FileBase_;
}

std::optional<std::string> TLimitTest::PlaceLimitFileName(std::string_view name) const {
    // Setups written on the old system separate folders with "\".
    std::string path(name);
    std::replace(path.begin(), path.end(), '\\', '/');
    return PlaceFileName(path, Shell_.Folders.LimitTestFolder, Shell_.Folders.InstallFolder);
}

bool TLimitTest::SetLimitFileName(std::string_view name) {
    while (!name.empty() && static_cast<unsigned char>(name.front()) <= ' ') name.remove_prefix(1);
    while (!name.empty() && static_cast<unsigned char>(name.back()) <= ' ') name.remove_suffix(1);
    if (name.empty()) return true;
    std::optional<std::string> placed = PlaceLimitFileName(name);
    if (!placed) return false;
    std::string& base = *placed;
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > base.rfind('/') + 1) base.erase(dot);
    FileBase_ = std::move(base);
    SaveCounter_ = 0;
    return true;
}

void TLimitTest::SaveLimitWaveform(int source) {
    if (source < 0 || source >= SavedSourceCount) return;
    const int format = std::clamp(ChoiceOf(FileFormat_), 0, FormatCount - 1);
    const std::string base = LimitFileBase();
    const std::string ext = WaveformFileExt(format);
    // The files of an earlier run under the same name stay: the counter passes over names in use.
    std::string path;
    std::error_code ec;
    for (;;) {
        path = base;
        if (SaveCounter_ > 0) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "-%.5d", SaveCounter_);
            path += suffix;
        }
        path += ext;
        if (!std::filesystem::exists(path, ec)) break;
        if (SaveCounter_ == std::numeric_limits<int>::max()) return;
        ++SaveCounter_;
    }
    // Save stays on: a disk that is full now may have room for the next failure; a failing cause is said once.
    const TBeforeSaveError once = [this](const std::string& text) { return SaveErrors_.First(text); };
    const bool written = format == 0 ? SaveWaveformBinary(Shell_, source, path, once)
                                     : SaveWaveformText(Shell_, source, path, format == 2, once);
    if (!written) return;
    SaveErrors_.Succeeded();
    if (SaveCounter_ < std::numeric_limits<int>::max()) ++SaveCounter_;
}

void TLimitTest::ActionAfter(THandler& h) {
    auto& action = static_cast<TCheckSwHandler&>(h);
    const std::uint32_t was = ActionBefore_;
    ActionBefore_ = action.GetMask();
    // Only the user at the menu is asked: a command, a setup line or an undo keeps the name it has.
    if ((action.GetMask() & ActSave) && !(was & ActSave) && action.GetWhoChangedRaw() == wcvSwitcher) OpenSaveDialog();
    RefreshLimitParameters();
}

void TLimitTest::OpenSaveDialog() {
    // The dialog opens where the last name is; the setting's own folder stays what relative names are
    // taken below.
    const std::string base = LimitFileBase();
    TSaveDialogRequest request{.Title = Shell_.LangStr("SaveWaveformAs"),
                               .Filter = SaveFilter,
                               .FilterIndex = std::clamp(ChoiceOf(FileFormat_), 0, FormatCount - 1),
                               .Name = base,
                               .Folder = base.substr(0, base.rfind('/') + 1)};
    if (!Shell_.User().ExecSaveDialog(request)) {
        Action_->SetBit(ActSaveItem, false);
        return;
    }
    // The dialog's name has no extension left: a dot in it is the user's.
    std::string name = request.Name.find('/') == std::string::npos ? request.Folder + request.Name : request.Name;
    const std::size_t slash = name.rfind('/');
    FileBase_ = name.size() > slash + 1 ? name : name + "Noname";
    SaveCounter_ = 0;
    FileFormat_->SetItemIndex(std::clamp(request.FilterIndex, 0, FormatCount - 1));
    Shell_.User().Beep();
}

// ------------------------------------------------------------------------------ the pass

void TLimitTest::StopRun() {
    Shell_.RunOn = false;
    if (THandler* run = Shell_.CommandTree()->Resolve("*Run")) run->NotifySwitchers();
}

void TLimitTest::LimitTestAcquisition() {
    const int tested = List_.MeasSlotsForLimit();
    // A pass before every tested slot has statistics counts nothing.
    for (int slot = 0; slot < tested; ++slot)
        if (!List_.Slot(slot)->Statistics) return;
    const int rule = ChoiceOf(If_);
    ++Tested_;
    bool decision = rule == liAllPass || rule == liAllFail;
    bool judged = false;
    std::uint32_t deciding = 0;
    for (int slot = 0; slot < tested; ++slot) {
        if (!Activ(slot)) continue;
        TParameterOfMeas& entry = *List_.Slot(slot);
        const TParam& p = Params_[static_cast<std::size_t>(slot)];
        ++entry.TestedCount;
        Readouts_.DrawLimitCount(slot, 4, entry.TestedCount);
        if (entry.TestedCount == 1) Readouts_.DrawLimitCount(slot, 5, entry.FailedCount);
        double low = GetValue(p.LowLimit);
        double up = GetValue(p.UpLimit);
        if (ChoiceOf(p.Mode) == ModeCenter) {
            const TStatH& stat = *entry.Statistics;
            const double centre = ChoiceOf(p.CenterMode) == CenterUserDef ? GetValue(p.CenterVal) : stat.Mean;
            const int kind = ChoiceOf(p.Delta);
            const double delta = kind == DeltaStdDev    ? GetValue(p.StdDev) * stat.StdDev
                                 : kind == DeltaUserDef ? GetValue(p.UserDef)
                                                        : std::fabs(centre) * GetValue(p.UserPerc) / 100;
            low = centre - delta;
            up = centre + delta;
        }
        bool failed = false;
        bool passed = false;
        const int when = ChoiceOf(p.FailWhen);
        if (when != FailOutside && when != FailInside) failed = true;
        else if (entry.Value > UndefinedValue) {
            const bool inside = low <= entry.Value && entry.Value <= up;
            failed = when == FailOutside ? !inside : inside;
            passed = !failed;
        } else {
            failed = ChoiceOf(p.NotFound) == NotFoundFail;
            passed = ChoiceOf(p.NotFound) == NotFoundPass;
        }
        if (failed) {
            judged = true;
            ++entry.FailedCount;
            ++Failures_;
            Readouts_.DrawLimitCount(slot, 5, entry.FailedCount);
            if (rule == liAllPass) decision = false;
            if (rule == liAnyFail) decision = true;
            if (rule == liAnyFail || rule == liAllFail) deciding |= SourceBit(entry.Source);
        } else if (passed) {
            judged = true;
            if (rule == liAllFail) decision = false;
            if (rule == liAnyPass) decision = true;
            if (rule == liAllPass || rule == liAnyPass) deciding |= SourceBit(entry.Source);
        }
    }
    // A waveform nothing was judged on brings no verdict.
    if (decision && judged) {
        const std::uint32_t actions = Action_->GetMask();
        if (actions & ActBeep) Shell_.User().Beep();
        if (actions & ActStop) StopRun();
        if (actions & ActSave)
            for (int source = 0; source < SavedSourceCount; ++source)
                if (deciding & (1u << source)) SaveLimitWaveform(source);
    }
    const int until = ChoiceOf(RunUntil_);
    if ((until == UntilWfm && Tested_ >= static_cast<std::uint32_t>(GetValue(NWfms_))) ||
        (until == UntilFailur && Failures_ >= static_cast<std::uint32_t>(GetValue(FailuresLimit_)))) {
        StopRun();
        TestOn_->SetOn(false);
    }
}

}  // namespace vt
