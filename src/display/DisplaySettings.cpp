#include "display/DisplaySettings.h"

#include <memory>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "display/ColorSettings.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr const char* SourceItems = "Ch1,Ch1B2,Ch2,Ch2B2,F1,F2,F3,F4,M1,M2,M3,M4,S1,S2,XY,DB,Hist,Const,None";
constexpr const char* StyleItems = "Dots,Vectors,VarPersist,InfinPers,VarGrayScal,InfGrayScal,VColorGrad,IColorGrad";
constexpr std::uint32_t MemoryStylesDisabled = 252;  // M1..M4: only Dots and Vectors
constexpr std::uint32_t DatabaseStylesDisabled = 87;  // InfinPers, InfGrayScal, IColorGrad
constexpr std::uint32_t Screen2Disabled = 12;         // screens 3 and 4
constexpr double InfinitePersistence = 1000000.0;
constexpr int PaletteOfGradeColours = 0;
constexpr int PaletteOfTraceShades = 1;

std::uint32_t SourcesFrom(int first, int last) {
    std::uint32_t mask = 0;
    for (int s = first; s <= last; ++s) mask |= std::uint32_t{1} << s;
    return mask;
}

bool IsMemory(int source) { return source >= ssM1 && source <= ssM4; }

TSignalSourceSwHandler& AddSourceChoice(TCommandTree& tree, std::string_view path, int initial,
                                        std::uint32_t excluded) {
    return tree.Root().AddSignalSourceHandler(path,
                                              {.Items = SourceItems, .Initial = initial, .ExcludedMask = excluded});
}

// A choice whose unavailable items are refused from commands and setups: the value stays.
TRadioSwHandler& AddAvailableItemsRadio(TCommandTree& tree, std::string_view path, const TRadioOptions& options) {
    return tree.Root().AddRefusing<TRadioSwHandler>(
        path,
        {.Refuses = [](const TRadioSwHandler& self, std::string_view value) {
             const int index = self.FindItem(value);
             return index >= 0 && (self.GetDisabledMask() & GetMaskForButtinNr(index)) != 0;
         },
         .SetupLinesToo = true},
        options);
}

TEditConfig TimeConfig(double minimum, double def, double maximum, double fine) {
    return {.Minimum = minimum, .Default = def, .Maximum = maximum, .CoarseStep = 1, .CoarseKind = sk125,
            .FineStep = fine, .FineKind = skGrid, .Resolution = 0.001, .Units = "s"};
}

}  // namespace

std::string DisplaySourceName(int source) { return source == ssXY ? std::string("XY") : SourceShortName(source); }

TDisplaySettings::TDisplaySettings(TShell& shell) : Shell_(shell) {}

TDisplaySettings::~TDisplaySettings() {
    if (auto* services = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display()); services && services->Settings() == this)
        services->SetSettings(nullptr);
    if (TSignalRecords* records = Shell_.Records(); records && SignalsListener_ != 0)
        records->SignalsOn().RemoveChangeListener(SignalsListener_);
}

void TDisplaySettings::FillRows(TShell& shell) {
    if (auto* services = dynamic_cast<TScopeDisplayServices*>(&shell.Display())) services->SetSettings(this);
    shell.Registration.Add(TRegistrationRow::CreateDisplayHandlers, [this](TShell& s) {
        CreateDisplaySettings(*s.CommandTree());
        // The screen colours register after the display settings.
        CreateColorSettings(s);
    });
    shell.Refresh.Add(TRefreshRow::RefreshDisplayHandlers, [this](TShell& s) {
        RefreshDisplayHandlers();
        if (auto* display = dynamic_cast<TScopeDisplayServices*>(&s.Display())) RefreshColorSettings(s, *display);
    });
}

void TDisplaySettings::AttachToProgram(TShell& shell) {
    TSignalRecords* records = shell.Records();
    if (!records || SignalsListener_ != 0) return;
    SignalsListener_ = records->SignalsOn().AddChangeListener([this](int) { ScreenChoiceEnabling(); });
}

// ----------------------------------------------------------------------------------- questions

TScopeCRT* TDisplaySettings::Panel() const {
    auto* services = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    return services ? services->Panel() : nullptr;
}

bool TDisplaySettings::Started() const { return Shell_.AcqEnabled; }

int TDisplaySettings::StyleOf(int source) const {
    if (source < 0 || source >= StyledSourceCount || !Traces_[static_cast<std::size_t>(source)].Style) return dsVarPersist;
    return Traces_[static_cast<std::size_t>(source)].Style->GetItemIndex();
}

int TDisplaySettings::Format() const { return Format_ ? Format_->GetItemIndex() : dfYT; }

int TDisplaySettings::SelectedTrace() const {
    const int s = TraceSel_ ? TraceSel_->GetSource() : ssCh1;
    return s >= 0 && s < StyledSourceCount ? s : ssCh1;
}

bool TDisplaySettings::AllLocked() const { return !TraceMode_ || TraceMode_->GetItemIndex() == 0; }

int TDisplaySettings::Screen2NumberOfSignal(int source) const {
    if (source < 0 || source >= PlacedSourceCount || !Screen2_[static_cast<std::size_t>(source)]) return 1;
    return Screen2_[static_cast<std::size_t>(source)]->GetItemIndex() + 1;
}

int TDisplaySettings::Screen4NumberOfSignal(int source) const {
    if (source < 0 || source >= PlacedSourceCount || !Screen4_[static_cast<std::size_t>(source)]) return 1;
    return Screen4_[static_cast<std::size_t>(source)]->GetItemIndex() + 1;
}

int TDisplaySettings::TraceOfHandler(const THandler& h) const {
    for (int s = 0; s < StyledSourceCount; ++s) {
        const TTraceHandlers& t = Traces_[static_cast<std::size_t>(s)];
        if (&h == t.Style || &h == t.PersistTime || &h == t.RefreshTime) return s;
    }
    return -1;
}

// -------------------------------------------------------------------------------- registration

void TDisplaySettings::CreateDisplaySettings(TCommandTree& tree) {
    TSpider& root = tree.Root();
    TraceMode_ = &root.AddRadioHandler("Displ:TraceMode", {.Items = "AllLocked,PerTrace",
                                                           .AfterChange = [this](THandler&) { TraceModeRule(); }});
    TraceSel_ = &AddSourceChoice(tree, "Displ:TraceSel", ssCh1, SourcesFrom(ssDB, ssNone));
    for (int s = 0; s < StyledSourceCount; ++s) {
        const std::string node = "Displ:" + DisplaySourceName(s) + ":";
        TTraceHandlers& t = Traces_[static_cast<std::size_t>(s)];
        t.Style = &root.AddRadioHandler(node + "Style", {.Items = StyleItems, .Initial = dsVarPersist,
                                                         .DisabledMask = IsMemory(s) ? MemoryStylesDisabled : 0,
                                                         .AfterChange = [this, s](THandler&) { StyleChanged(s); }});
        t.PersistTime = &root.AddDoubleEditHandler(
            node + "PersistTime", {.Initial = 2, .Config = TimeConfig(0.1, 2, 20, 0.1),
                                   .AfterChange = [this](THandler& h) { PersistTimeChanged(h); }});
        t.RefreshTime = &root.AddDoubleEditHandler(
            node + "RefreshTime", {.Initial = 20, .Config = TimeConfig(1, 20, 200, 1),
                                   .AfterChange = [this](THandler& h) { RefreshTimeChanged(h); }});
    }
    DBStyle_ = &AddAvailableItemsRadio(tree, "Displ:DBStyle",
                                       {.Items = StyleItems, .Initial = dsInfGrayScal, .DisabledMask = DatabaseStylesDisabled});
    ResetAll_ = &root.AddRightCommandHandler("Displ:ResetAll", [this](THandler&) { ResetAll(); });
    Format_ = &root.AddRadioHandler("Displ:Format", {.Items = "YT,2YT,4YT,XY,CombYTXY,Comb2YTXY",
                                                     .AfterChange = [this](THandler&) { FormatChanged(); }});
    Wfm_ = &AddSourceChoice(tree, "SHADOW:Displ:Wfm", ssCh1, SourcesFrom(ssXY, ssDB) | SourcesFrom(ssConst, ssNone));
    for (int s = 0; s < PlacedSourceCount; ++s) {
        const std::string name = DisplaySourceName(s);
        const auto moved = [this](THandler& h) { ScreenMoved(h); };
        Screen4_[static_cast<std::size_t>(s)] =
            &root.AddRadioHandler("Displ:Screen4:" + name, {.Items = "1,2,3,4", .Initial = (s / 2) % 4, .AfterChange = moved});
        Screen2_[static_cast<std::size_t>(s)] = &AddAvailableItemsRadio(
            tree, "Displ:Screen2:" + name,
            {.Items = "1,2,3,4", .Initial = (s / 2) % 2, .DisabledMask = Screen2Disabled, .AfterChange = moved});
    }
    XAxis_ = &AddSourceChoice(tree, "Displ:XAxis", ssCh1, SourcesFrom(ssXY, ssNone));
    YAxis_ = &AddSourceChoice(tree, "Displ:YAxis", ssCh2, SourcesFrom(ssXY, ssNone));
    Gratic_ = &root.AddRadioHandler("Displ:Gratic", {.Items = "Grid,Frame,Axis,Off", .AfterChange = [this](THandler& h) {
                                                         TScopeCRT* panel = Panel();
                                                         if (!panel) return;
                                                         const int style = static_cast<TRadioSwHandler&>(h).GetItemIndex();
                                                         for (int n = 1; n <= MaxScreens; ++n) panel->SetGraticuleStyle(n, style);
                                                     }});
}

// ---------------------------------------------------------------------------------- algorithms

void TDisplaySettings::TraceModeRule() {
    if (!TraceMode_ || !TraceSel_) return;
    if (AllLocked()) {
        if (IsMemory(TraceSel_->GetSource())) TraceSel_->SetSource(ssCh1);
        const int sel = SelectedTrace();
        const int style = StyleOf(sel);
        const TTraceHandlers& from = Traces_[static_cast<std::size_t>(sel)];
        for (int s = 0; s < StyledSourceCount; ++s) {
            if (s == sel) continue;
            TTraceHandlers& to = Traces_[static_cast<std::size_t>(s)];
            to.Style->SetItemIndex(IsMemory(s) && style > dsVectors ? dsDots : style);
            if (style == dsVarPersist) to.PersistTime->SetValue(from.PersistTime->GetValue());
            else if (style == dsVarGrayScal || style == dsVColorGrad) to.RefreshTime->SetValue(from.RefreshTime->GetValue());
        }
    }
    TraceSel_->SetDisabled(AllLocked());
    Shell_.Display().TopTextShowDisplayStyle();
}

void TDisplaySettings::StyleChanged(int source) {
    if (!Started()) return;
    const bool byProgram = Traces_[static_cast<std::size_t>(source)].Style->GetWhoChangedRaw() == wcvProgram;
    StyleStep(source);
    if (!byProgram) TraceModeRule();
}

void TDisplaySettings::StyleStep(int source) {
    TTraceHandlers& t = Traces_[static_cast<std::size_t>(source)];
    Enabling();
    if (IsMemory(source)) {
        if (t.Style->GetItemIndex() > dsVectors) t.Style->SetItemIndex(dsDots);
        if (TScopeCRT* panel = Panel()) panel->FreeSignalLayer(source);
    }
    switch (t.Style->GetItemIndex()) {
        case dsVarPersist: PanelPersistTime(source, t.PersistTime->GetValue()); break;
        case dsInfinPers: PanelPersistTime(source, InfinitePersistence); break;
        case dsVarGrayScal:
            PanelGradeParam(source, t.RefreshTime->GetValue());
            PanelGradeStyle(source, PaletteOfTraceShades);
            break;
        case dsInfGrayScal:
            PanelGradeParam(source, 0);
            PanelGradeStyle(source, PaletteOfTraceShades);
            break;
        case dsVColorGrad:
            PanelGradeParam(source, t.RefreshTime->GetValue());
            PanelGradeStyle(source, PaletteOfGradeColours);
            break;
        case dsIColorGrad:
            PanelGradeParam(source, 0);
            PanelGradeStyle(source, PaletteOfGradeColours);
            break;
        default: break;
    }
}

void TDisplaySettings::PersistTimeChanged(THandler& h) {
    const int source = TraceOfHandler(h);
    if (source < 0) return;
    PanelPersistTime(source, static_cast<TDoubleEditHandler&>(h).GetValue());
    if (Started() && h.GetWhoChangedRaw() != wcvProgram) TraceModeRule();
}

void TDisplaySettings::RefreshTimeChanged(THandler& h) {
    const int source = TraceOfHandler(h);
    if (source < 0) return;
    const int style = StyleOf(source);
    const bool infinite = style == dsInfGrayScal || style == dsIColorGrad;
    PanelGradeParam(source, infinite ? 0 : static_cast<TDoubleEditHandler&>(h).GetValue());
    if (Started() && h.GetWhoChangedRaw() != wcvProgram) TraceModeRule();
}

void TDisplaySettings::Enabling() {
    if (!TraceSel_) return;
    const TTraceHandlers& t = Traces_[static_cast<std::size_t>(SelectedTrace())];
    const int style = t.Style->GetItemIndex();
    if (THandler* grade = Shell_.CommandTree() ? Shell_.CommandTree()->Resolve("Displ:GradeDefCol") : nullptr)
        grade->SetDisabled(style != dsVColorGrad && style != dsIColorGrad);
    if (!DataBase_.On()) {
        t.PersistTime->SetDisabled(style != dsVarPersist);
        t.RefreshTime->SetDisabled(style != dsVarGrayScal && style != dsVColorGrad);
    }
    const auto listeners = EnablingListeners_;
    for (const auto& [id, listener] : listeners) listener();
}

int TDisplaySettings::AddEnablingListener(std::function<void()> listener) {
    EnablingListeners_.emplace_back(NextListenerId_, std::move(listener));
    return NextListenerId_++;
}

void TDisplaySettings::RemoveEnablingListener(int id) {
    std::erase_if(EnablingListeners_, [id](const auto& l) { return l.first == id; });
}

void TDisplaySettings::FormatChanged() {
    if (!Format_) return;
    const int format = Format();
    const bool xy = format == dfXY || format == dfCombYTXY || format == dfComb2YTXY;
    if (TSignalRecords* records = Shell_.Records()) records->SignalsOn().SetOn(ssXY, xy);
    Shell_.Analysis().SyncHistPlacementWithSource(-1);
    Wfm_->SetDisabled(format != df2YT && format != df4YT && format != dfComb2YTXY);
    ScreenChoiceEnabling();
    XAxis_->SetDisabled(!xy);
    YAxis_->SetDisabled(!xy);
    if (TScopeCRT* panel = Panel()) panel->SetScreenMode(format);
    ScreenAssignment();
}

void TDisplaySettings::ScreenChoiceEnabling() {
    if (!Format_) return;
    const int format = Format();
    const TSignalRecords* records = Shell_.Records();
    for (int s = 0; s < PlacedSourceCount; ++s) {
        const bool on = records && records->SignalsOn().IsOn(s);
        Screen2_[static_cast<std::size_t>(s)]->SetDisabled(!(on && (format == df2YT || format == dfComb2YTXY)));
        Screen4_[static_cast<std::size_t>(s)]->SetDisabled(!(on && format == df4YT));
    }
}

int TDisplaySettings::AssignedScreen(int source) const {
    const int format = Format();
    int screens = format == df2YT || format == dfComb2YTXY ? 2 : format == df4YT ? 4 : format == dfXY ? 0 : 1;
    if (Shell_.Serial().MaskPolygonCount() > 0) screens = 1;
    switch (screens) {
        case 0: return 0;
        case 2: return Screen2NumberOfSignal(source);
        case 4: return Screen4NumberOfSignal(source);
        default: return 1;
    }
}

void TDisplaySettings::ScreenAssignment() {
    TScopeCRT* panel = Panel();
    if (!panel) return;
    for (int s = 0; s < PlacedSourceCount; ++s) panel->MoveSignalToScreen(s, AssignedScreen(s));
}

void TDisplaySettings::ScreenMoved(THandler& h) {
    int source = -1;
    for (int s = 0; s < PlacedSourceCount && source < 0; ++s)
        if (&h == Screen2_[static_cast<std::size_t>(s)] || &h == Screen4_[static_cast<std::size_t>(s)]) source = s;
    if (source < 0) return;
    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(true);
    Shell_.Analysis().SyncHistPlacementWithSource(source);
    // The move follows the format: a choice of the other format keeps the source where it is.
    if (TScopeCRT* panel = Panel()) panel->MoveSignalToScreen(source, AssignedScreen(source));
}

void TDisplaySettings::ResetAll() {
    const TTraceHandlers& t = Traces_[static_cast<std::size_t>(SelectedTrace())];
    t.Style->SetItemIndex(dsVarPersist);
    t.PersistTime->SetValue(2);
    if (Started()) TraceModeRule();
}

void TDisplaySettings::SetDatabase(bool on, const std::string& name) {
    if (!on && !DataBase_.On()) return;
    if (on && DataBase_.On() && DataBase_.GetSourceName() == name) return;
    TCommandTree* tree = Shell_.CommandTree();
    if (auto* record = tree ? dynamic_cast<TComplexObjectHandler*>(tree->Resolve("NOGPIB:DataBase")) : nullptr)
        record->SaveStateForUndo(true);
    DataBase_.Store(on, name);
    if (!TraceSel_) return;
    Enabling();
    Shell_.Analysis().UpdateMarkerTypeChoice();
}

void TDisplaySettings::RefreshDisplayHandlers() {
    if (!TraceMode_) return;
    // The style steps without the rule, which runs once after them. XY's too: per trace, nothing else
    // hands its times and palette to a new panel.
    for (int s = 0; s <= ssXY; ++s) StyleStep(s);
    TraceModeRule();
    FormatChanged();
}

// ------------------------------------------------------------------------------- panel values

void TDisplaySettings::PanelPersistTime(int source, double seconds) {
    TScopeCRT* panel = Panel();
    if (panel && source >= 0 && source <= XYLayerSlot)
        panel->SetPersistTime(source, seconds);
}

void TDisplaySettings::PanelGradeParam(int source, double seconds) {
    TScopeCRT* panel = Panel();
    if (panel && source >= 0 && source <= XYLayerSlot)
        panel->SetColorGradeParam(source, seconds);
}

void TDisplaySettings::PanelGradeStyle(int source, int choice) {
    TScopeCRT* panel = Panel();
    if (panel && source >= 0 && source <= XYLayerSlot)
        panel->SetColorGradeStyle(source, choice);
}

}  // namespace vt
