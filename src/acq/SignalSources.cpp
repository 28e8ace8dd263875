#include "acq/SignalSources.h"

#include "core/InternalError.h"
#include "core/DotNumberText.h"
#include "core/SourceHandlers.h"

namespace vt {

namespace {

constexpr const char* UnitName = "SignalObj_Unit";

bool HoldsRecord(int source) { return source >= 0 && source < SignalRecordCount; }

void CheckRecord(int source) {
    if (!HoldsRecord(source)) VT_INTERNAL_ERROR(UnitName, "Range check error: signal record index");
}

}  // namespace

std::string SourceShortName(int source) {
    static constexpr const char* Names[SourceIndexCount] = {
        "Ch1", "Ch1B2", "Ch2", "Ch2B2", "F1", "F2", "F3", "F4", "M1", "M2",
        "M3",  "M4",    "S1",  "S2",    "???", "DB", "Hist", "Const", "None"};
    if (source < 0 || source >= SourceIndexCount) return "???";
    return Names[source];
}

int ChannelNumber(int channelIndex) { return channelIndex - 1; }

int OtherChannelIndex(int channelIndex) { return channelIndex == ChannelIndex1 ? ChannelIndex2 : ChannelIndex1; }

int ChannelSignalIndex(int channelIndex, int timebase) { return 2 * (channelIndex - ChannelIndex1) + timebase; }

int FuncSignalIndex(int function) { return function + ssF1; }

int MemorySignalIndex(int memory) { return memory + ssM1; }

int SpectrSignalIndex(int spectrum) { return spectrum + ssS1; }

std::string SourceCaption(int source, const TLangLookup& lang) {
    switch (source) {
        case ssCh1: return lang("Ch") + "1";
        case ssCh1B2: return lang("Ch") + "1 B2";
        case ssCh2: return lang("Ch") + "2";
        case ssCh2B2: return lang("Ch") + "2 B2";
        case ssXY: return "X/Y";
        case ssDB: return "DB";
        case ssHist: return lang("Histogram");
        case ssConst: return lang("Constant");
        default: break;
    }
    if (source >= ssF1 && source <= ssF4) return FormatDot(lang("Fn"), source - ssF1 + 1);
    if (source >= ssM1 && source <= ssM4) return FormatDot(lang("Mn"), source - ssM1 + 1);
    if (source >= ssS1 && source <= ssS2) return FormatDot(lang("Sn"), source - ssS1 + 1);
    return {};
}

// --- TSignalsOn

TSignalsOn::TSignalsOn() {
    On_[ssCh1] = On_[ssCh2] = On_[ssHist] = On_[ssConst] = true;
}

void TSignalsOn::CheckSource(int source) {
    if (source < 0 || source >= SourceIndexCount) VT_INTERNAL_ERROR(UnitName, "Range check error: signal source");
}

bool TSignalsOn::IsOn(int source) const {
    CheckSource(source);
    return On_[source];
}

void TSignalsOn::SetOn(int source, bool on) {
    CheckSource(source);
    On_[source] = on;
    if (OnEnablityChange) OnEnablityChange();
    if (!on && OnSwitchOff) OnSwitchOff(source);
    if (OnChange) OnChange(source);
    // A listener may remove itself.
    const auto listeners = Listeners_;
    for (const auto& [id, listener] : listeners) listener(source);
}

int TSignalsOn::AddChangeListener(std::function<void(int source)> listener) {
    Listeners_.emplace_back(NextListenerId_, std::move(listener));
    return NextListenerId_++;
}

void TSignalsOn::RemoveChangeListener(int id) {
    std::erase_if(Listeners_, [id](const auto& l) { return l.first == id; });
}

void ConnectSignalEnablity(TSignalsOn& signalsOn, THandlerSignalEnablity& enablity) {
    enablity.SetSourceOnQuery([&signalsOn](int source) { return signalsOn.IsOn(source); });
    signalsOn.OnEnablityChange = [&enablity] { enablity.Notify(); };
    // Source choices registered before the connection recompute what they offer.
    enablity.Notify();
}

// --- TFlagOfScalesChange

void TFlagOfScalesChange::Update(int displayFormat, const TSignalRecords& records) {
    FormatChanged_ = displayFormat != LastFormat_;
    if (FormatChanged_) LastFormat_ = static_cast<std::uint8_t>(displayFormat);
    AnyChanged_ = FormatChanged_;
    for (int s = 0; s < SignalRecordCount; ++s) {
        if (!records.SignalsOn().IsOn(s)) continue;
        const TSignalObj& r = records.Record(s);
        TScalesOfSignal& e = Entries_[s];
        const double start = r.GetViewStartTime();
        const double span = r.Length() * r.SampleInterval();
        const double centre = r.GetCentre();
        const double scale = r.GetScale();
        std::string unit = r.GetDisplayUnit();
        const auto points = static_cast<std::uint16_t>(r.GetDecimatedLength());
        e.Changed = FormatChanged_ || start != e.ViewStartTime || span != e.TimeSpan || r.HorUnit() != e.HorUnit ||
                    centre != e.Centre || scale != e.Scale || unit != e.DisplayUnit || points != e.DisplayedPoints;
        if (e.Changed) {
            AnyChanged_ = true;
            e.ViewStartTime = start;
            e.TimeSpan = span;
            e.HorUnit = r.HorUnit();
            e.Centre = centre;
            e.Scale = scale;
            e.DisplayUnit = std::move(unit);
            e.PointsChanged = e.DisplayedPoints != points;
            if (e.PointsChanged) {
                e.PrevDisplayedPoints = e.DisplayedPoints;
                e.DisplayedPoints = points;
            }
        } else {
            e.PointsChanged = false;
        }
    }
}

bool TFlagOfScalesChange::IsChanged(int source) const { return Entry(source).Changed; }

const TScalesOfSignal& TFlagOfScalesChange::Entry(int source) const {
    CheckRecord(source);
    return Entries_[source];
}

// --- TSignalRecords

TSignalRecords::TSignalRecords() {
    for (auto& r : Records_) r = std::make_unique<TSignalObj>();
}

TSignalObj& TSignalRecords::Record(int source) {
    CheckRecord(source);
    return *Records_[source];
}

const TSignalObj& TSignalRecords::Record(int source) const {
    CheckRecord(source);
    return *Records_[source];
}

TSignalObj* TSignalRecords::FindRecord(int source) {
    return HoldsRecord(source) ? Records_[source].get() : nullptr;
}

const TSignalObj* TSignalRecords::FindRecord(int source) const {
    return HoldsRecord(source) ? Records_[source].get() : nullptr;
}

TSourceState TSignalRecords::State(int source) const {
    CheckRecord(source);
    return States_[source];
}

void TSignalRecords::SetState(int source, TSourceState state) {
    CheckRecord(source);
    States_[source] = state;
}

void TSignalRecords::ResetStates() {
    States_.fill(srcOff);
    XYState_ = srcOff;
}

std::int32_t TSignalRecords::Fingerprint(int source) const {
    if (source != ssXY) CheckRecord(source);
    return Fingerprints_[static_cast<std::size_t>(source)];
}

void TSignalRecords::SetFingerprint(int source, std::int32_t fingerprint) {
    if (source != ssXY) CheckRecord(source);
    Fingerprints_[static_cast<std::size_t>(source)] = fingerprint;
}

void TSignalRecords::BeginAcquiredPass(int source) {
    CheckRecord(source);
    // After a pass left open the record mixes two: the copy of the last whole one stays.
    if (PassOpen_[source]) return;
    if (!PassCopies_[source]) PassCopies_[source] = std::make_unique<TSignalObj>();
    *PassCopies_[source] = *Records_[source];
    PassOpen_[source] = true;
}

void TSignalRecords::EndAcquiredPass(int source) {
    CheckRecord(source);
    PassOpen_[source] = false;
}

bool TSignalRecords::RestoreBrokenPass(int source) {
    CheckRecord(source);
    if (!PassOpen_[source]) return false;
    *Records_[source] = *PassCopies_[source];
    PassOpen_[source] = false;
    return true;
}

const TSignalObj* TSignalRecords::StoredRecord(int source) const {
    if (!HoldsRecord(source)) return nullptr;
    return PassOpen_[source] ? PassCopies_[source].get() : Records_[source].get();
}

void TSignalRecords::ResetSignalObjects() {
    // The cleared channels are what a reader gets from now on.
    PassOpen_.fill(false);
    for (int s = 0; s < SignalRecordCount; ++s) Records_[s]->SetSpectrum(s == ssS1 || s == ssS2);
    for (int s = ssCh1; s <= ssCh2B2; ++s) {
        TSignalObj& r = *Records_[s];
        r.SetVertUnit("V");
        r.SetTdrUnit(tdrNone);
        r.SetVertScale(0.2);
        r.SetVertOffset(0);
        r.SetHorUnit("s");
        r.SetOrigin(0);
        r.SetSampleInterval(1e-10);
        // Points 0..512: every point of a default record, point 0 included.
        for (int i = 0; i <= DefaultSignalPoints; ++i) r.SetPoint(i, 0);
    }
}

void TSignalRecords::BuildSourceCaptions(const TLangLookup& lang) {
    for (int s = 0; s < SourceIndexCount; ++s) Captions_[s] = SourceCaption(s, lang);
    static constexpr const char* ChannelSuffix[] = {" 1", " 1 B2", " 2", " 2 B2"};
    for (int s = ssCh1; s <= ssCh2B2; ++s) Records_[s]->SetName(lang("Channel") + ChannelSuffix[s]);
    for (int n = 0; n < 4; ++n) {
        Records_[FuncSignalIndex(n)]->SetName(FormatDot(lang("Function") + " %d", n + 1));
        Records_[MemorySignalIndex(n)]->SetName(FormatDot(lang("MemoryZona") + " %d", n + 1));
    }
    for (int n = 0; n < 2; ++n) Records_[SpectrSignalIndex(n)]->SetName(FormatDot(lang("Spectrum") + " %d", n + 1));
}

const std::string& TSignalRecords::Caption(int source) const {
    if (source < 0 || source >= SourceIndexCount) VT_INTERNAL_ERROR(UnitName, "Range check error: signal source");
    return Captions_[source];
}

}  // namespace vt
