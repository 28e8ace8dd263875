#include "analysis/MeasurementList.h"

#include <algorithm>
#include <charconv>

#include "acq/HistogramObjects.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "analysis/MeasSettings.h"
#include "analysis/MeasurementNames.h"
#include "core/AsciiText.h"
#include "core/CommandTree.h"
#include "core/EngineeringText.h"
#include "core/InternalError.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "display/AnnotationLayer.h"
#include "display/ScopeDisplayServices.h"

namespace vt {

void TStatHDelete::operator()(TStatH* stat) const { delete stat; }

namespace {

constexpr const char* MeasUnitName = "_SHELL\\SRC\\Meas";
constexpr std::array<const char*, 6> CheckListNames = {"XParam", "XFFTPar", "XDualPar", "YParam", "YFFTPar", "YDualPar"};

bool GroupExists(int source, int group) {
    if (group == mgXFft || group == mgYFft) return source >= ssF1 && source < SignalRecordCount;
    if (group == mgXDual || group == mgYDual) return source >= 0 && source <= ssM4;
    return source >= 0 && source < SignalRecordCount;
}

}  // namespace

TMeasList::TMeasList(TShell& shell, TMeasCalc& calc) : Shell_(shell), Calc_(calc) {}

TMeasList::~TMeasList() = default;

int TMeasList::Display() const { return ReadChoiceSetting(Shell_.CommandTree(), "Meas:Display", mdOff); }

int TMeasList::Capacity() const { return Display() == mdStatistic ? MeasStatisticSlotCount : MeasSlotCount; }

TParameterOfMeas* TMeasList::Slot(int slot) const {
    return slot >= 0 && slot < MeasSlotCount ? Slots_[static_cast<std::size_t>(slot)].get() : nullptr;
}

int TMeasList::SlotOf(int source, int group, int kind) const {
    for (int i = 0; i < Count_; ++i) {
        const TParameterOfMeas& p = *Slots_[static_cast<std::size_t>(i)];
        if (p.Source == source && p.Group == group && p.Kind == kind) return i;
    }
    return -1;
}

TCheckSwHandler* TMeasList::CheckList(int source, int group) const {
    if (group < mgX || group > mgYDual || !GroupExists(source, group)) return nullptr;
    return FindSetting<TCheckSwHandler>(Shell_.CommandTree(),
                                        MeasSourcePath(source, CheckListNames[static_cast<std::size_t>(group)]));
}

// ------------------------------------------------------------------------------------ adding

void TMeasList::AddMeasParameter(int source, int group, int kind) {
    if (IsMeasListed(group, kind, source)) return;
    if (IsMeasListFull()) RemoveMeasSlot(0, false);
    if (IsMeasListFull()) VT_INTERNAL_ERROR(MeasUnitName, "Parameters OVERFLOW");
    if (IsHistogramMeasurement(group, kind)) KeepJitterMeasOfOneSource(source);
    auto p = std::make_unique<TParameterOfMeas>();
    p->Group = group;
    p->Kind = kind;
    p->Source = source;
    p->Value = UndefinedValue;
    p->Source2 = source <= ssM4 ? ReadChoiceSetting(Shell_.CommandTree(), MeasSourcePath(source, "Source2"), ssCh2) : 0;
    p->Serial = NextSerial_++;
    const int slot = Count_++;
    Slots_[static_cast<std::size_t>(slot)] = std::move(p);
    ResultTexts_[static_cast<std::size_t>(slot)].clear();
    if (slot < MeasStatisticSlotCount) Limits_->ResetLimitSlot(slot);
    if (StripChanged) StripChanged();
    if (Annotate) Annotate(slot);
}

void TMeasList::KeepJitterMeasOfOneSource(int source) {
    bool removed = false;
    bool sameSource = false;
    for (int i = Count_ - 1; i >= 0; --i) {
        const TParameterOfMeas& p = *Slots_[static_cast<std::size_t>(i)];
        if (!IsHistogramMeasurement(p.Group, p.Kind)) continue;
        if (p.Source == source) {
            sameSource = true;
        } else {
            RemoveMeasSlot(i, false);
            removed = true;
        }
    }
    // The hit map holds the crossings of one source: a source's first jitter kind starts it afresh,
    // also when no jitter kind is listed before it.
    if (removed || !sameSource) {
        if (TFullHist* hist = Shell_.FullHist()) hist->Clear();
        Calc_.ResetJitterColumnRanges();
    }
}

void TMeasList::ResetMeasHistogram() {
    for (int i = 0; i < Count_; ++i) {
        const TParameterOfMeas& p = *Slots_[static_cast<std::size_t>(i)];
        if (IsHistogramMeasurement(p.Group, p.Kind)) {
            if (TFullHist* hist = Shell_.FullHist()) hist->Clear();
            break;
        }
    }
    Calc_.ResetJitterColumnRanges();
}

// ---------------------------------------------------------------------------------- removing

void TMeasList::RemoveMeasParameter(int source, int group, int kind) {
    const int slot = SlotOf(source, group, kind);
    if (slot < 0) {
        if (!Shell_.AcqEnabled) return;
        VT_INTERNAL_ERROR(MeasUnitName, "Parameter is ABSENT");
    }
    RecordOrderForUndo();
    KeepRemoved(std::move(Slots_[static_cast<std::size_t>(slot)]), ResultTexts_[static_cast<std::size_t>(slot)]);
    --Count_;
    for (int d = slot; d < Count_; ++d) {
        Slots_[static_cast<std::size_t>(d)] = std::move(Slots_[static_cast<std::size_t>(d + 1)]);
        ResultTexts_[static_cast<std::size_t>(d)] = std::move(ResultTexts_[static_cast<std::size_t>(d + 1)]);
        if (d < MeasStatisticSlotCount - 1) Limits_->CopyLimitParameter(d, d + 1);
        if (d < MeasStatisticSlotCount && PlaceHisticon) PlaceHisticon(d);
    }
    // An entry that moves into the last limit slot from beyond the limit slots brings no limits of
    // its own: it starts afresh, as an added one does.
    if (Count_ >= MeasStatisticSlotCount && slot < MeasStatisticSlotCount)
        Limits_->ResetLimitSlot(MeasStatisticSlotCount - 1);
    Slots_[static_cast<std::size_t>(Count_)].reset();
    ResultTexts_[static_cast<std::size_t>(Count_)].clear();
    Limits_->RefreshLimitParameters();
    if (StripChanged) StripChanged();
    if (auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display())) RemoveMeasAnnotations(*display, slot);
}

void TMeasList::RemoveMeasSlot(int slot, bool newStep) {
    const TParameterOfMeas* p = Slot(slot);
    if (!p || slot >= Count_) return;
    if (newStep)
        if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
    const int source = p->Source;
    const int group = p->Group;
    const int kind = p->Kind;
    TCheckSwHandler* list = CheckList(source, group);
    // The check list's callback removes the entry; without the list it goes directly.
    if (!list || !list->SetBit(kind, false) || IsMeasListed(group, kind, source)) RemoveMeasParameter(source, group, kind);
}

void TMeasList::RemoveAllMeasurements() {
    if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
    for (int i = Count_ - 1; i >= 0; --i) RemoveMeasSlot(i, false);
}

void TMeasList::TrimMeasListForStatistic() {
    if (Display() != mdStatistic) return;
    for (int i = Count_ - 1; i >= MeasStatisticSlotCount; --i) RemoveMeasSlot(i, false);
}

// ------------------------------------------------------------------------------------ values

double TMeasList::CalcMeasurement(int slot) {
    TParameterOfMeas* p = Slot(slot);
    if (!p) return UndefinedValue;
    const double value = Calc_.CalcMeasurement(*p);
    const bool defined = !IsUndefinedValue(value);
    const TSignalRecords* records = Shell_.Records();
    p->UnitText = defined ? MeasUnitText(p->Group, p->Kind, records ? records->FindRecord(p->Source) : nullptr) : "";
    if (auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
        display && display->Annotations().AnnotatedMeas == slot) {
        // A point the computation did not place has no place on the screen.
        const int used = std::min<int>(display->Annotations().UsedSlots, AnnotationRecordCount);
        for (int n = 1; n <= used; ++n)
            SetAnnotationVisible(p->Annotation, n, defined && (p->PlacedPoints & (1u << (n - 1))) != 0);
        RefreshAnnotationLayers(*display, p->Annotation);
    }
    return value;
}

void TMeasList::StoreMeasValue(int slot, const std::string& unit, double value) {
    TParameterOfMeas* p = Slot(slot);
    if (!p) return;
    p->Value = value;
    p->UnitText = unit;
    if (slot >= MeasStatisticSlotCount) return;
    if (!p->Statistics) CreateMeasStatistics(slot);
    if (!IsUndefinedValue(value)) p->Statistics->Add(1, value);
}

void TMeasList::CreateMeasStatistics(int slot) {
    TParameterOfMeas* p = Slot(slot);
    if (!p) return;
    p->Statistics.reset(new TStatH(Shell_, *this));
    p->Statistics->SetName(GetMeasLabel(slot));
    if (PlaceHisticon) PlaceHisticon(slot);
    ApplyMeasStatMode(slot);
}

void TMeasList::ApplyMeasStatMode(int slot) {
    TParameterOfMeas* p = Slot(slot);
    if (!p || !p->Statistics) return;
    TCommandTree* tree = Shell_.CommandTree();
    const int mode = ReadChoiceSetting(tree, "Meas:StatMode", 0);
    const int count = static_cast<int>(ReadRealSetting(tree, mode == 1 ? "Meas:Window" : "Meas:Weight", 8));
    p->Statistics->SetStatMode(mode, count);
}

void TMeasList::ApplyMeasStatModeToAll() {
    for (int i = 0; i < MeasStatisticSlotCount && i < Count_; ++i) ApplyMeasStatMode(i);
}

void TMeasList::RestartMeasStatistics() {
    ResetMeasHistogram();
    for (int i = 0; i < MeasStatisticSlotCount && i < Count_; ++i) {
        TParameterOfMeas& p = *Slots_[static_cast<std::size_t>(i)];
        p.LimitPrimed = false;
        if (p.Statistics) p.Statistics->Clear();
    }
    // Statistics that an undo may bring back start afresh as well.
    for (TRemoved& r : Removed_) {
        r.Entry->LimitPrimed = false;
        if (r.Entry->Statistics) r.Entry->Statistics->Clear();
    }
}

const std::string& TMeasList::ResultText(int slot) const { return ResultTexts_.at(static_cast<std::size_t>(slot)); }

void TMeasList::SetResultText(int slot, std::string text) { ResultTexts_.at(static_cast<std::size_t>(slot)) = std::move(text); }

void TMeasList::ClearMeasResultText(int slot) { ResultTexts_.at(static_cast<std::size_t>(slot)).clear(); }

// ------------------------------------------------------------------------------------- names

std::string TMeasList::MeasParamName(int slot) const {
    const TParameterOfMeas* p = Slot(slot);
    return p ? Shell_.LangStr(MeasNameKey(p->Group, p->Kind)) : std::string();
}

std::string TMeasList::GetMeasLabel(int slot) const {
    const TParameterOfMeas* p = Slot(slot);
    if (!p) return {};
    const std::string name = MeasParamName(slot);
    if (p->Group == mgXDual) return name + "  " + MeasSourceName(p->Source2) + "-" + MeasSourceName(p->Source);
    if (p->Group == mgYDual) return name + "  " + MeasSourceName(p->Source) + " / " + MeasSourceName(p->Source2);
    return name + " (" + MeasSourceName(p->Source) + ")";
}

TColor TMeasList::SourceRGB(int slot) const {
    const TParameterOfMeas* p = Slot(slot);
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    return p && display ? display->Colors().SourceRGB(p->Source) : TColor(0xFFFFFF);
}

int TMeasList::MeasSlotsForLimit() const {
    return Display() == mdOff ? 0 : std::min(Count_, MeasStatisticSlotCount);
}

int TMeasList::ActiveLimitSlots() const {
    int n = 0;
    for (int i = 0; i < MeasSlotsForLimit(); ++i)
        if (Limits_->Activ(i)) ++n;
    return n;
}

std::string TMeasList::ValueText(double value, const std::string& unit) {
    if (IsUndefinedValue(value)) return FloatToEngStr(3, 4, false, false, value);
    return FloatToEngStr(3, 4, false, false, value) + unit;
}

std::string TMeasList::MeasResultQuery(std::string_view argument) const {
    const std::string arg(TrimWhite(argument));
    std::string reply;
    if (Shell_.CommandTree() && Shell_.CommandTree()->HeaderOn()) reply = ":" + arg + " ";
    if (UpperCase(arg).rfind("LIST", 0) == 0) {
        reply += "\r\n";
        for (int i = 0; i < Count_; ++i) reply += std::to_string(i + 1) + "  " + GetMeasLabel(i) + "\r\n";
        return reply;
    }
    const std::size_t colon = arg.find(':');
    const std::string_view number = std::string_view(arg).substr(0, colon);
    const std::string_view numberText = TrimWhite(number);
    int n = 0;
    const auto [end, ec] = std::from_chars(numberText.data(), numberText.data() + numberText.size(), n);
    const bool parsed = ec == std::errc() && end == numberText.data() + numberText.size();
    const bool on = Display() != mdOff;
    if (parsed && on && n >= 1 && n <= Count_)
        return reply + MeasStatQuery(n - 1, colon == std::string::npos ? std::string_view() : std::string_view(arg).substr(colon + 1));
    return reply + (on && Count_ > 0 ? "INVALID NUMBER OF PARAMETER" : "Measure OFF");
}

std::string TMeasList::MeasStatQuery(int slot, std::string_view stat) const {
    const TParameterOfMeas* p = Slot(slot);
    if (!p) return "INVALID NUMBER OF PARAMETER";
    const std::string word = UpperCase(TrimWhite(stat));
    if (word.empty()) return ValueText(p->Value, p->UnitText);
    if (Display() != mdStatistic || !p->Statistics) return "NO STATISTIC OF MEASUREMENTS";
    const TStatH& s = *p->Statistics;
    auto starts = [&word](std::string_view key) { return word.rfind(key, 0) == 0; };
    // The keys are tried in this order, each as the beginning of the word.
    if (starts("WFM")) return std::to_string(s.Count);
    if (starts("TESTWFM")) return std::to_string(p->TestedCount);
    if (starts("FAIL")) return std::to_string(p->FailedCount);
    double value = UndefinedValue;
    if (starts("MIN")) value = s.Count > 0 ? s.Min : UndefinedValue;
    else if (starts("MAX")) value = s.Count > 0 ? s.Max : UndefinedValue;
    else if (starts("MEAN")) value = s.Count > 0 ? s.Mean : UndefinedValue;
    else if (starts("STDDEV")) value = s.Count > 1 ? s.StdDev : UndefinedValue;
    else return "BAD STATISTIC PARAMETER";
    return ValueText(value, p->UnitText);
}

// ------------------------------------------------------------------------------------- undo

void TMeasOrderHandler::ExecuteCommand(std::string_view parameter, bool isQuery, std::string&, bool) {
    if (!isQuery) List_.RestoreOrder(parameter);
}

std::string TMeasList::OrderText() const {
    std::string text;
    for (int i = 0; i < Count_; ++i) text += std::to_string(Slots_[static_cast<std::size_t>(i)]->Serial) + ",";
    return text + "|" + Limits_->LimitSlotsText();
}

void TMeasList::RecordOrderForUndo() {
    TUndoBuffer* undo = Shell_.UndoBuffer();
    if (!undo || !undo->Enabled() || OrderStamp_ >= undo->StepStamp()) return;
    undo->AddItem(OrderText(), &OrderHandler_);
    OrderStamp_ = undo->StepStamp();
}

void TMeasList::KeepRemoved(std::unique_ptr<TParameterOfMeas> entry, std::string resultText) {
    // Enough for the removals of several steps; the oldest go first.
    constexpr std::size_t MostKept = 40;
    if (!entry) return;
    if (entry->Statistics) entry->Statistics->SetHisticonShown(false);
    if (Removed_.size() >= MostKept) Removed_.erase(Removed_.begin());
    Removed_.push_back({std::move(entry), std::move(resultText)});
}

void TMeasList::RestoreOrder(std::string_view text) {
    RecordOrderForUndo();
    const std::size_t bar = text.find('|');
    const std::string_view serials = text.substr(0, bar);
    std::vector<std::uint32_t> wanted;
    for (std::size_t at = 0; at < serials.size();) {
        std::size_t end = serials.find(',', at);
        if (end == std::string_view::npos) end = serials.size();
        std::uint32_t serial = 0;
        std::from_chars(serials.data() + at, serials.data() + end, serial);
        if (serial != 0) wanted.push_back(serial);
        at = end + 1;
    }
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    const TParameterOfMeas* annotated = display ? Slot(display->Annotations().AnnotatedMeas) : nullptr;
    const std::uint32_t annotatedSerial = annotated ? annotated->Serial : 0;

    std::array<TRemoved, MeasSlotCount> now{};
    for (int i = 0; i < Count_; ++i)
        now[static_cast<std::size_t>(i)] = {std::move(Slots_[static_cast<std::size_t>(i)]),
                                            std::move(ResultTexts_[static_cast<std::size_t>(i)])};
    auto inWanted = [&wanted](std::uint32_t serial) {
        return std::find(wanted.begin(), wanted.end(), serial) != wanted.end();
    };
    int k = 0;
    auto place = [&](TRemoved& r) {
        Slots_[static_cast<std::size_t>(k)] = std::move(r.Entry);
        ResultTexts_[static_cast<std::size_t>(k)] = std::move(r.ResultText);
        ++k;
    };
    for (std::uint32_t serial : wanted) {
        auto listed = std::find_if(now.begin(), now.end(), [serial](const TRemoved& r) {
            return r.Entry && r.Entry->Serial == serial;
        });
        if (listed != now.end()) {
            place(*listed);
            continue;
        }
        auto kept = std::find_if(Removed_.begin(), Removed_.end(), [serial](const TRemoved& r) {
            return r.Entry->Serial == serial;
        });
        if (kept == Removed_.end()) continue;
        // The undo of its item listed the measurement afresh: the kept entry takes its place.
        const TParameterOfMeas& old = *kept->Entry;
        auto fresh = std::find_if(now.begin(), now.end(), [&](const TRemoved& r) {
            return r.Entry && !inWanted(r.Entry->Serial) && r.Entry->Source == old.Source &&
                   r.Entry->Group == old.Group && r.Entry->Kind == old.Kind;
        });
        if (fresh == now.end()) continue;
        TRemoved back = std::move(*kept);
        Removed_.erase(kept);
        KeepRemoved(std::move(fresh->Entry), std::move(fresh->ResultText));
        place(back);
    }
    for (TRemoved& r : now)
        if (r.Entry) place(r);
    Count_ = k;

    for (int i = 0; i < Count_; ++i) {
        TParameterOfMeas& p = *Slots_[static_cast<std::size_t>(i)];
        if (i < MeasStatisticSlotCount && PlaceHisticon) PlaceHisticon(i);
        else if (p.Statistics) p.Statistics->SetHisticonShown(false);
        if (display && annotatedSerial != 0 && p.Serial == annotatedSerial) display->Annotations().AnnotatedMeas = i;
    }
    if (bar != std::string_view::npos) Limits_->RestoreLimitSlots(text.substr(bar + 1));
    Limits_->RefreshLimitParameters();
    if (StripChanged) StripChanged();
}

}  // namespace vt
