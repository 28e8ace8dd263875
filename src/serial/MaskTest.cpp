#include "serial/MaskTest.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "acq/WaveformSaves.h"
#include "core/AsciiText.h"
#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/EngineeringText.h"
#include "core/Handlers.h"
#include "core/MenuKinds.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/FileNamePlacement.h"
#include "core/Shell.h"
#include "core/StepSeries.h"
#include "core/UndoBuffer.h"
#include "display/DisplayPanel.h"
#include "display/MaskLayers.h"
#include "display/ScopeDisplayServices.h"
#include "display/TopStatusStrip.h"
#include "serial/MaskEditSurface.h"

namespace vt {

namespace {

constexpr const char* SourceItems = "Ch1,Ch1B2,Ch2,Ch2B2,F1,F2,F3,F4,M1,M2,M3,M4,S1,S2,XY,DB,Hist,Const,None";
// The automask is built around a record: XY to None hold none.
constexpr std::uint32_t NonRecordSources = 0x1Fu << ssXY;
constexpr int CountedIndices = 2 * MaxSignalPoints;
constexpr const char* SaveFilter =
    "Binary format (*.wfm)|*.wfm|Verbose format (*.txt)|*.txt|Y values formats (*.txty)|*.txty";
constexpr std::array<const char*, 3> Extensions{".wfm", ".txt", ".txty"};

std::string Upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

std::string Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return std::string(s);
}

std::int32_t Rgb(TColor c) { return static_cast<std::int32_t>(c.Value & 0xFFFFFF); }

TEditConfig CountConfig(const char* units) {
    return {.Minimum = 1, .Default = 1000, .Maximum = 1000000, .CoarseStep = 25, .CoarseKind = skGrid,
            .FineStep = 1, .FineKind = skGrid, .Units = units};
}

TScopeCRT* PanelOf(TShell& shell) {
    auto* display = dynamic_cast<TScopeDisplayServices*>(&shell.Display());
    return display ? display->Panel() : nullptr;
}

// The folder part of a name (with its "/") and the name without folder and extension.
void SplitName(const std::string& name, std::string& folder, std::string& stem) {
    const std::filesystem::path p(name);
    folder = p.has_parent_path() ? p.parent_path().string() + "/" : std::string();
    stem = p.stem().string();
}

}  // namespace

// The main window's busy state around slow mask work.
class TMaskTest::TBusy {
public:
    explicit TBusy(TShell& shell) : Shell_(shell) { Shell_.User().BeginBusyCursor(); }
    ~TBusy() { Shell_.User().EndBusyCursor(); }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

private:
    TShell& Shell_;
};

TMaskTest::TMaskTest(TShell& shell)
    : Shell_(shell), CountedIn_(CountedIndices, 0), CountedBits_(CountedIndices, 0) {
    EditSurface_ = std::make_unique<TMaskEditSurface>(shell, [this] { View_->RefreshMaskMenu(); });
    Mask_.EditView = EditSurface_.get();
    SaveUserMask = [this](const std::string& path) { SaveUserMaskFile(path); };
    RecallUserMask = [this](const std::string& path) { RecallUserMaskFile(path); };
}

TMaskTest::~TMaskTest() = default;

// ------------------------------------------------------------------------------------------ settings

void TMaskTest::RegisterMaskObjectCommand() {
    TCommandTree* tree = Shell_.CommandTree();
    if (!tree) return;
    // A text that is refused replies "ERROR", from a setup line too, which the load then counts as
    // not applied.
    State_ = &tree->Root().AddRefusing<TComplexObjectHandler>(
        "NOGPIB:Mask", {}, [this](TComplexObjectHandler&, bool isQuery, std::string& text) { MaskObjectState(isQuery, text); });
}

void TMaskTest::RegisterMaskCommands() {
    TCommandTree* tree = Shell_.CommandTree();
    if (!tree) return;
    // In the tree's order: the test's settings, the automask's, the standard masks', then the results.
    TSpider& root = tree->Root();
    RegisterMaskTestSettings(root);
    RegisterAutomaskSettings(root);
    RegisterStdMaskSettings(root);
    root.AddGpibStringHandler("Mask:Res", 0, [this](std::string_view p, bool q, std::uint8_t, std::string& reply) {
        if (q) reply += MaskResReply(p);
    });
    Erase_->SetDisabled(true);
    SaveUser_->SetDisabled(true);
    OnRunUntilChange();
    FileFormat_->SetDisabled(true);
    FileName_->SetDisabled(true);
}


void TMaskTest::RegisterMaskTestSettings(TSpider& root) {
    Erase_ = &root.AddRightCommandHandler("Mask:EraseMask", [this](THandler&) {
        SaveMaskStateForUndo();
        ClearCurrentMask();
        Shell_.Display().TopTextUpdateAll();
    });
    CompareWith_ = &root.AddRadioHandler("Mask:CompareWith", {.Items = "Ch1,Ch2", .AfterChange = [this](THandler&) {
                                                                  CompareSource_ = MaskCompareChannel();
                                                                  for (TIntEditHandler* h : Limits_) h->SetColorSource(CompareSource_);
                                                                  TableShown_ = false;
                                                                  ShowMaskTestResults();
                                                              }});
    // Without a mask there is nothing to test: the switch would go back off at once.
    Test_ = &root.AddRefusing<TOnOffHandler>(
        "Mask:Test",
        {.Refuses = [this](const TOnOffHandler&, std::string_view p) { return !Obj_ && (SameText(p, "ON") || p == "1"); }},
        TOnOffOptions{.AfterChange = [this](THandler&) { OnTestChange(); }});
    root.AddRefusing<TGpibStringHandler>(
        "Mask:MaskFile", NameRefusal(Shell_.Folders.UserMaskFolder), std::uint8_t{0},
        [this](std::string_view p, bool q, std::uint8_t, std::string& reply) { MaskFileCommand(p, q, reply); });
    SaveUser_ = &root.AddRightCommandHandler("Mask:SaveUser", [this](THandler&) {
        if (SaveUserMask) SaveUserMask(UserMaskName_ + ".pcm");
    });
    root.AddRightCommandHandler("Mask:LoadUser", [this](THandler&) {
        if (RecallUserMask) RecallUserMask(UserMaskName_ + ".pcm");
    });
    RunUntil_ = &root.AddRadioHandler("Mask:RunUntil", {.Items = "StopBtn,FailedWfms,FailedSmpls,Wfms,Samples",
                                                        .AfterChange = [this](THandler&) { OnRunUntilChange(); }});
    const std::array<std::pair<const char*, const char*>, 4> limits{
        {{"Mask:FailWfms", "Wfm"}, {"Mask:FailSmpls", "Smpl"}, {"Mask:NWfms", "Wfm"}, {"Mask:NSamples", "Smpl"}}};
    for (std::size_t i = 0; i < limits.size(); ++i)
        Limits_[i] = &root.AddIntEditHandler(limits[i].first,
                                             {.Initial = 1, .Config = CountConfig(limits[i].second), .ColorSource = ssCh1});
    Action_ = &root.AddCheckHandler("Mask:Action", {.Items = "Beep,Save", .AfterChange = [this](THandler& h) {
                                                        OnActionChange(h);
                                                    }});
    FileFormat_ = &root.AddRadioHandler("Mask:FileFormat", {.Items = "Binary,Verbose,YOnly"});
    FileName_ = &root.AddRefusing<TGpibStringHandler>(
        "Mask:FileName", NameRefusal(Shell_.Folders.MaskTestFolder), std::uint8_t{0},
        [this](std::string_view p, bool q, std::uint8_t, std::string& reply) { FileNameCommand(p, q, reply); });
}

void TMaskTest::RegisterAutomaskSettings(TSpider& root) {
    AutoSource_ = &root.AddSignalSourceHandler("Automask:Source", {.Items = SourceItems, .Initial = ssCh1,
                                                                   .ExcludedMask = NonRecordSources,
                                                                   .AfterChange = [this](THandler&) {
                                                                       const int s = AutoSource_->GetSource();
                                                                       DeltaX_->SetColorSource(s);
                                                                       DeltaY_->SetColorSource(s);
                                                                       RefreshAutomaskReadouts();
                                                                   }});
    AutoSource_->SetNoSave(true);
    AutoUnit_ = &root.AddRadioHandler("Automask:Unit", {.Items = "Division,Current", .AfterChange = [this](THandler&) {
                                                            RefreshAutomaskReadouts();
                                                        }});
    AutoUnit_->SetNoSave(true);
    // "Current" shows the widths in the source's own units: a time at the column, a value per division.
    const auto current = [this]() -> const TSignalObj* {
        if (GetItemIndex(AutoUnit_) != 1 || !AutoSource_ || !Shell_.Records()) return nullptr;
        const int s = AutoSource_->GetSource();
        return s >= ssCh1 && s <= ssS2 ? Shell_.Records()->FindRecord(s) : nullptr;
    };
    DeltaX_ = &root.AddDoubleEditHandler(
        "Automask:DeltaX",
        {.Initial = 0.2,
         .Config = {.Minimum = 0.02, .Default = 0.2, .Maximum = 2, .CoarseStep = 0.1, .CoarseKind = skGrid,
                    .FineStep = 0.02, .FineKind = skGrid, .Resolution = 0.002, .Units = "div",
                    .OnCorrect = [current](TEditHandler&, double v) {
                        const TSignalObj* r = current();
                        return r ? r->TimeToColumn(v) / 400.0 : v;
                    },
                    .OnFormat = [current](TEditHandler&, double v) {
                        const TSignalObj* r = current();
                        if (!r) return FloatToEngStr(3, 4, false, false, v) + "div";
                        return FloatToEngStr(3, 5, false, false, r->ColumnToTime(v * 400)) + r->HorUnit();
                    }},
         .ColorSource = ssCh1});
    DeltaX_->SetNoSave(true);
    DeltaY_ = &root.AddDoubleEditHandler(
        "Automask:Deltay",
        {.Initial = 0.25,
         .Config = {.Minimum = 0.03125, .Default = 0.25, .Maximum = 2, .CoarseStep = 0.125, .CoarseKind = skGrid,
                    .FineStep = 0.03125, .FineKind = skGrid, .Resolution = 0.003125, .Units = "div",
                    .OnCorrect = [current](TEditHandler&, double v) {
                        const TSignalObj* r = current();
                        return r && r->GetScale() != 0 ? v / r->GetScale() : v;
                    },
                    .OnFormat = [current](TEditHandler&, double v) {
                        const TSignalObj* r = current();
                        if (!r) return FloatToEngStr(3, 4, false, false, v) + "div";
                        return FloatToEngStr(3, 3, false, false, v * r->GetScale()) + r->GetVertUnit();
                    }},
         .ColorSource = ssCh1});
    DeltaY_->SetNoSave(true);
    root.AddRightCommandHandler("Automask:BuildAMask", [this](THandler&) { BuildAutomask(); });
}

void TMaskTest::DefaultMaskFileName() {
    if (!Test_) return;
    UpdateMaskControls();
    OnRunUntilChange();
    const bool save = MaskActionEnabled(1) && !Action_->IsDisabled();
    FileFormat_->SetDisabled(!save);
    FileName_->SetDisabled(!save);
    AutoUnit_->SetDisabled(false);
    UserMaskName_ = Shell_.Folders.UserMaskFolder + "Noname";
    if (FailBase_.empty()) FailBase_ = Shell_.Folders.MaskTestFolder + "Noname";
}

int TMaskTest::MaskCompareChannel() const { return GetItemIndex(CompareWith_) == 1 ? ssCh2 : ssCh1; }

bool TMaskTest::MaskActionEnabled(int n) const {
    const std::uint32_t bit = n == 0 ? 1u : n == 1 ? 2u : 4u;
    return (GetMask(Action_) & bit) != 0;
}

bool TMaskTest::TestOn() const { return GetOn(Test_); }

void TMaskTest::OnRunUntilChange() {
    if (!RunUntil_) return;
    const int chosen = RunUntil_->GetItemIndex();
    for (std::size_t i = 0; i < Limits_.size(); ++i) Limits_[i]->SetDisabled(static_cast<int>(i) + 1 != chosen);
}

void TMaskTest::UpdateMaskControls() {
    if (!Test_) return;
    const bool off = !Obj_ || ReadChoiceSetting(Shell_.CommandTree(), "Hist:Axis", 0) != 0;
    Test_->SetDisabled(off);
    RunUntil_->SetDisabled(off);
    Action_->SetDisabled(off);
    SaveUser_->SetDisabled(!Obj_);
    View_->RefreshMaskMenu();
}

void TMaskTest::OnTestChange() {
    TestOn_ = GetOn(Test_);
    CompareSource_ = MaskCompareChannel();
    if (!TestOn_) {
        // Switched off by the user or by the mask's erasure: the table of the test goes with it.
        if (!RunUntilStopping_) ShowMaskTestResults();
        return;
    }
    if (!Obj_ && !Shell_.CommandTree()->SettingsLoading()) {
        Test_->SetOn(false);
        return;
    }
    Shell_.SwitchOffOtherModes(mkMask);
    TableShown_ = false;
    ShowMaskTestResults();
}

void TMaskTest::StopMaskTest() {
    if (!GetOn(Test_)) return;
    Test_->SetOn(false);
    Shell_.Display().ClearBottomText();
    TableShown_ = false;
}

void TMaskTest::OnActionChange(THandler& h) {
    auto& action = static_cast<TCheckSwHandler&>(h);
    if (action.LastChangedItem() != 1) return;
    if (action.LastChangedState()) {
        const TWhoChanged who = h.GetWhoChanged();
        if (who == wcvSwitcher) {
            TSaveDialogRequest request{.Title = Shell_.LangStr("SaveWaveformAs"), .Filter = SaveFilter,
                                       .FilterIndex = GetItemIndex(FileFormat_), .Name = FailBase_,
                                       .Folder = Shell_.Folders.MaskTestFolder};
            if (Shell_.User().ExecSaveDialog(request)) {
                FileCounter_ = 0;
                std::string folder, stem;
                SplitName(request.Name, folder, stem);
                FailBase_ = (folder.empty() ? request.Folder : folder) + stem;
                FileFormat_->SetItemIndex(std::clamp(request.FilterIndex, 0, 2));
                Shell_.User().Beep();
            } else {
                action.SetBit(1, false);
                return;
            }
        } else if (FailBase_.empty()) {
            FailBase_ = Shell_.Folders.MaskTestFolder + "Noname";
        }
    }
    const bool save = MaskActionEnabled(1) && !Action_->IsDisabled();
    FileFormat_->SetDisabled(!save);
    FileName_->SetDisabled(!save);
}

std::string TMaskTest::FileExtension() const {
    return Extensions[static_cast<std::size_t>(std::clamp(GetItemIndex(FileFormat_), 0, 2))];
}

std::string TMaskTest::NextFailedFileName() const {
    char suffix[16] = "";
    if (FileCounter_ > 0) std::snprintf(suffix, sizeof suffix, "-%.5d", FileCounter_);
    return FailBase_ + suffix + FileExtension();
}

TRefusal<TGpibStringHandler> TMaskTest::NameRefusal(const std::string& folder) const {
    // A name the placement refuses replies "ERROR", asked with a query too, and changes nothing.
    return {.Refuses = [this, &folder](const TGpibStringHandler&,
                                       std::string_view name) {
                return !PlaceFileName(name, folder, Shell_.Folders.InstallFolder);
            },
            .SetupLinesToo = true,
            .QueriesToo = true};
}

void TMaskTest::FileNameCommand(std::string_view parameter, bool isQuery, std::string& reply) {
    const std::string name = Trim(parameter);
    if (!isQuery || !name.empty()) {
        if (!name.empty()) {
            // A name the placement refuses was answered before this.
            const std::optional<std::string> placed =
                PlaceFileName(name, Shell_.Folders.MaskTestFolder, Shell_.Folders.InstallFolder);
            if (!placed) return;
            FileCounter_ = 0;
            FailBase_ = std::filesystem::path(*placed).replace_extension().string();
        } else if (FailBase_.empty()) {
            FailBase_ = Shell_.Folders.MaskTestFolder + "Noname";
        }
    }
    if (isQuery) reply += NextFailedFileName();
}

void TMaskTest::MaskFileCommand(std::string_view parameter, bool isQuery, std::string& reply) {
    const std::string name = Trim(parameter);
    if (!name.empty()) {
        // A name the placement refuses was answered before this.
        const std::optional<std::string> placed =
            PlaceFileName(name, Shell_.Folders.UserMaskFolder, Shell_.Folders.InstallFolder);
        if (!placed) return;
        UserMaskName_ = std::filesystem::path(*placed).replace_extension().string();
    } else if (UserMaskName_.empty()) {
        UserMaskName_ = Shell_.Folders.UserMaskFolder + "Noname";
    }
    if (isQuery) reply += " " + UserMaskName_ + ".pcm";
}

// ------------------------------------------------------------------------------------------ the mask

void TMaskTest::SaveMaskStateForUndo() {
    if (State_) State_->SaveStateForUndo(true);
}

void TMaskTest::TopTextShowMask() {
    if (auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display())) vt::TopTextShowMask(*display);
}

void TMaskTest::MaskObjectState(bool isQuery, std::string& text) {
    if (isQuery) {
        text = Mask_.StateText();
        return;
    }
    // Checked before anything goes: a text that is refused leaves the mask as it was.
    const std::optional<TMaskState> state = ParseMaskStateText(text);
    if (!state) {
        State_->Refuse();
        TopTextShowMask();
        return;
    }
    Mask_.AddPolygonMode = false;
    SaveMaskStateForUndo();
    ClearCurrentMask();
    Mask_.Apply(*state);
    if (Mask_.PolygonCount != 0) ActivateMask();
    TopTextShowMask();
}

void TMaskTest::ClearCurrentMask() {
    if (GetOn(Test_)) Test_->SetOn(false);
    FreeMaskObject();
    if (TScopeCRT* panel = PanelOf(Shell_)) panel->FreeMaskEditLayer();
    Mask_.Clear();
    TopTextShowMask();
}

void TMaskTest::CurrentMaskEdited() {
    Mask_.SetKind(mkUserMask);
    Mask_.SetMarginMode(0);
    Shell_.Display().TopTextUpdateAll();
}

void TMaskTest::SetEditing(bool on) {
    if (Mask_.Editing == on) return;
    Mask_.Editing = on;
    if (on) {
        FreeMaskObject();
        Mask_.StartEditing();
        Mask_.ShowOnEditLayer();
        return;
    }
    Mask_.CheckEditedPolygon();
    Mask_.ClearSelection(false);
    Mask_.AddPolygonMode = false;
    if (TScopeCRT* panel = PanelOf(Shell_)) panel->FreeMaskEditLayer();
    if (Mask_.PolygonCount > 0) ActivateMask();
    View_->RefreshMaskMenu();
}

void TMaskTest::FreeMaskObject() {
    if (!Obj_) return;
    {
        TBusy busy(Shell_);
        Obj_.reset();
        ErrorLayer_ = nullptr;
        if (TScopeCRT* panel = PanelOf(Shell_)) panel->FreeMaskLayer();
    }
    TopTextShowMask();
    UpdateMaskControls();
    if (Erase_) Erase_->SetDisabled(true);
}

void TMaskTest::ActivateMask() {
    FreeMaskObject();
    // Polygons put in while they are edited (an undo, a recall) are edited, not tested.
    if (Mask_.Editing) {
        if (TScopeCRT* panel = PanelOf(Shell_)) panel->FreeMaskEditLayer();
        Mask_.StartEditing();
        Mask_.ShowOnEditLayer();
        View_->RefreshMaskMenu();
        return;
    }
    auto obj = std::make_unique<TMask_Obj>();
    const bool margins = Mask_.Marg != 0;
    obj->SetMarginsOn(margins);
    if (margins) obj->SetInnerMargins(Mask_.Marg < 0);
    std::vector<double> xs, ys;
    const auto feed = [&](int set, const TMaskPolyRec& p) {
        CountedVertices(p, xs, ys);
        obj->AddPolygon(set, static_cast<int>(xs.size()), ys.data(), xs.data());
    };
    const int polygons = std::min<int>(Mask_.PolygonCount, margins ? MaskMaxMarginPolygons : MaskPolygonSlots);
    for (int i = 0; i < polygons; ++i) feed(0, Mask_.Polygons[static_cast<std::size_t>(i)]);
    if (margins)
        for (int i = 0; i < std::min<int>(Mask_.MarginPolygonCount, MaskMaxMarginPolygons); ++i)
            feed(1, Mask_.Polygons[static_cast<std::size_t>(i + 4)]);
    Obj_ = std::move(obj);
    if (Erase_) Erase_->SetDisabled(false);
    UpdateMaskControls();
    RedrawMaskLayer();
}

void TMaskTest::RedrawMaskLayer() {
    if (Mask_.Editing) {
        Mask_.ShowOnEditLayer();
        return;
    }
    TScopeCRT* panel = PanelOf(Shell_);
    if (!Obj_ || !panel || panel->HasMaskLayer()) return;
    RegisterMaskLayerClasses(panel->OverlayClasses(), [this]() -> const TMaskPointTest* { return Obj_.get(); });
    {
        TBusy busy(Shell_);
        if (auto* layer = dynamic_cast<TMaskLayer*>(panel->MaskLayer(ssCh1))) layer->Rebuild();
    }
    UpdateMaskControls();
}

void TMaskTest::ApplyMaskScales() {
    if (!Mask_.IsStoredMask() || !GetOn(Align_)) return;
    TCommandTree* tree = Shell_.CommandTree();
    const auto set = [tree](const char* path, double value) {
        if (auto* h = FindSetting<TDoubleEditHandler>(tree, path)) h->SetValue(value);
    };
    if (Mask_.Kind == mkStdPulse) {
        Mask_.VDiv = std::clamp(Mask_.VDiv, 0.001, 0.255);
        Mask_.V0 = std::clamp(Mask_.V0, -1.0, 1.0);
        for (const char* ch : {"Ch1:", "Ch2:"}) {
            set((std::string(ch) + "Scale").c_str(), Mask_.VDiv);
            set((std::string(ch) + "Offset").c_str(), -Mask_.V0);
        }
    }
    set("TB:ScaleA", CorrectNewVal1_2_5(4 * Mask_.TB));
    set("TB:ScaleB", Mask_.TB);
    if (ReadRealSetting(tree, "TB:Delay", 2) < 0.2) set("TB:Delay", 2);
    WriteChoiceSetting(tree, "TB:Mode", 2);
    if (auto* dual = FindSetting<TOnOffHandler>(tree, "TB:DualDel")) dual->SetOn(false);
}

bool TMaskTest::BuildAutomask() {
    if (!AutoSource_ || !Shell_.Records()) return false;
    const int source = AutoSource_->GetSource();
    if (source < ssCh1 || source > ssS2) return false;
    const TSignalObj* record = Shell_.Records()->FindRecord(source);
    if (!record || !Shell_.Records()->SignalsOn().IsOn(source) || record->Length() <= 0) return false;
    const double dxd = std::round(DeltaX_->GetValueAsDouble() * 400), dyd = std::round(DeltaY_->GetValueAsDouble() * 128);
    if (dxd > 65535 || dyd > 65535 || dxd < 0 || dyd < 0) return false;
    std::vector<std::pair<int, int>> points;
    const double lastIndex = record->ColumnToViewIndex(4000);
    for (int j = 0; j <= lastIndex && j < record->Length(); ++j) {
        const double column = record->ViewIndexToColumn(j);
        const double row = std::clamp(record->ValueToPixel(record->GetDisplayValue(j)), 1.0, 1023.0);
        points.emplace_back(static_cast<int>(RoundHalfEven(column)), static_cast<int>(RoundHalfEven(row)));
    }
    const std::vector<int> trace = AutomaskTrace(points);
    if (trace.empty()) return false;
    SaveMaskStateForUndo();
    CurrentMaskEdited();
    ClearCurrentMask();
    const auto polygons = BuildAutomaskPolygons(trace, static_cast<int>(dxd), static_cast<int>(dyd));
    for (const TAutomaskPolygon& p : polygons) Mask_.AppendPolygon(p.X, p.Y);
    Mask_.SetKind(mkAutomask);
    ActivateMask();
    Shell_.Display().TopTextUpdateAll();
    return true;
}

void TMaskTest::UpdateMaskScales() {
    if (!AutoSource_ || !Shell_.Records()) return;
    const int source = AutoSource_->GetSource();
    if (source < ssCh1 || source > ssS2 || !Shell_.Records()->FlagOfScalesChange().IsChanged(source)) return;
    RefreshAutomaskReadouts();
}

void TMaskTest::RefreshAutomaskReadouts() {
    if (DeltaX_) DeltaX_->NotifySwitchers();
    if (DeltaY_) DeltaY_->NotifySwitchers();
}

// ------------------------------------------------------------------------------------------ the run

void TMaskTest::ResetMaskCounters() {
    Counters_ = TMaskCounters{};
    ++Waveform_;
    TableShown_ = false;
}

TMarkerLayer* TMaskTest::ErrorLayer(int source) {
    TScopeCRT* panel = PanelOf(Shell_);
    if (!panel) return nullptr;
    // The panel frees its layers on its own (colours, screens): the one kept must still be its own.
    if (!ErrorLayer_ || panel->LayerOfKind(19) != ErrorLayer_) {
        RegisterMaskLayerClasses(panel->OverlayClasses(), [this]() -> const TMaskPointTest* { return Obj_.get(); });
        ErrorLayer_ = panel->MaskErrorLayer(source);
    }
    return ErrorLayer_;
}

void TMaskTest::MaskTestSample(int source, int index) {
    if (!TestOn_ || !Obj_ || source != CompareSource_ || index < 0 || index >= CountedIndices) return;
    NewWaveform_ = true;
    const TSignalRecords* records = Shell_.Records();
    if (!records) return;
    const TSignalObj& record = records->Record(source);
    const double columnD = record.IndexToColumn(index);
    if (!(columnD >= -0.5 && columnD < 4000.5)) return;
    const int column = static_cast<int>(RoundHalfEven(columnD));
    const double rowD = std::clamp(record.ValueToPixel(record.GetPoint(index)), 1.0, 1023.0);
    const int row = static_cast<int>(RoundHalfEven(rowD));
    const std::uint8_t hits = Obj_->HitMask(column, row);
    if (hits == 0) return;
    // A run at its limit counts nothing more (the step switches it off without counting).
    if (RunUntilHolds()) return;
    // An index counts once a waveform, however many passes the waveform takes.
    const auto i = static_cast<std::size_t>(index);
    if (CountedIn_[i] != Waveform_) {
        CountedIn_[i] = Waveform_;
        CountedBits_[i] = 0;
    }
    const std::uint8_t fresh = static_cast<std::uint8_t>(hits & ~CountedBits_[i]);
    WaveformFailed_ = true;
    if (CountedBits_[i] == 0) ++Counters_.FailedSamples;
    for (int b = 0; b < 8; ++b)
        if (fresh & (1u << b)) ++Counters_.Polygon[static_cast<std::size_t>(b)];
    CountedBits_[i] = static_cast<std::uint8_t>(CountedBits_[i] | hits);
    if (TMarkerLayer* layer = ErrorLayer(source))
        if (auto* errors = dynamic_cast<TMaskErrorLayer*>(layer)) errors->AddPoint(column, row);
}

bool TMaskTest::RunUntilHolds() const {
    const auto limit = [this](int i) { return static_cast<std::uint64_t>(Limits_[static_cast<std::size_t>(i)]->GetValue()); };
    switch (GetItemIndex(RunUntil_)) {
        case 1: return Counters_.FailedWaveforms >= limit(0);
        case 2: return Counters_.FailedSamples >= limit(1);
        case 3: return Counters_.TestedWaveforms >= limit(2);
        case 4: return Counters_.Samples >= limit(3);
        default: return false;
    }
}

void TMaskTest::MaskTestStep() {
    if (!Obj_ || !TestOn_) return;
    const bool margins = Obj_->MarginsOn();
    if (!TableShown_ || TablePolygons_ != Mask_.PolygonCount || TableMargins_ != margins) LayOutResults();
    if (!NewWaveform_) return;
    // Switching on keeps the counters: a run that already reached its limit stops at it again instead
    // of counting one waveform past it each time.
    if (RunUntilHolds()) {
        StopAtRunLimit();
        WaveformFailed_ = NewWaveform_ = false;
        ++Waveform_;
        return;
    }
    ++Counters_.TestedWaveforms;
    if (const TSignalRecords* records = Shell_.Records())
        Counters_.Samples += static_cast<std::uint64_t>(records->Record(CompareSource_).GetDecimatedLength());
    const bool failed = WaveformFailed_;
    if (failed) ++Counters_.FailedWaveforms;
    ShowCounts();
    if (RunUntilHolds()) StopAtRunLimit();
    if (failed) {
        if (MaskActionEnabled(0)) Shell_.User().Beep();
        if (MaskActionEnabled(1)) SaveFailedWaveform();
    }
    WaveformFailed_ = NewWaveform_ = false;
    ++Waveform_;
}

void TMaskTest::StopAtRunLimit() {
    if (!GetOn(Test_)) return;
    RunUntilStopping_ = true;
    Test_->SetOn(false);
    RunUntilStopping_ = false;
    if (View_->IsMenuPageOnSide0(mkMask, 1)) {
        Shell_.SingleOn = false;
        if (auto* stop = FindSetting<TMainCommandHandler>(Shell_.CommandTree(), "*StopSingle")) stop->NotifySwitchers();
        Shell_.RunOn = false;
        if (auto* run = FindSetting<TMainCommandHandler>(Shell_.CommandTree(), "*Run")) run->NotifySwitchers();
    }
}

void TMaskTest::SaveFailedWaveform() {
    const std::string path = NextFailedFileName();
    // Save stays on: a disk that is full now may have room for the next failure; a failing cause is said once.
    const TBeforeSaveError once = [this](const std::string& text) { return SaveErrors_.First(text); };
    const int source = MaskCompareChannel();
    bool written;
    switch (GetItemIndex(FileFormat_)) {
        case 1: written = SaveWaveformText(Shell_, source, path, false, once); break;
        case 2: written = SaveWaveformText(Shell_, source, path, true, once); break;
        default: written = SaveWaveformBinary(Shell_, source, path, once); break;
    }
    if (!written) return;
    SaveErrors_.Succeeded();
    ++FileCounter_;
}

// ------------------------------------------------------------------------------------------ results

void TMaskTest::ShowMaskTestResults() {
    if (!Obj_ || !TestOn_) {
        if (TableShown_) Shell_.Display().ClearBottomText();
        TableShown_ = false;
        return;
    }
    LayOutResults();
    ShowCounts();
}

void TMaskTest::LayOutResults() {
    TScopeCRT* panel = PanelOf(Shell_);
    TableShown_ = true;
    TablePolygons_ = Mask_.PolygonCount;
    TableMargins_ = Obj_ && Obj_->MarginsOn();
    if (!panel) return;
    Shell_.Display().ClearBottomText();
    TNizText& strip = panel->BottomStrip();
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    const std::int32_t colour = display ? Rgb(display->Colors().SourceColorOpaque(CompareSource_)) : 0xFFFFFF;
    const auto label = [&](const std::string& text, TPixelRect rect) { strip.DelayedTextOut(text, rect, -1, colour); };
    const auto polygonLabel = [this](int n) {
        char text[64];
        std::snprintf(text, sizeof text, Shell_.LangStr("InPolygonN").c_str(), n);
        return std::string(text);
    };
    if (!TableMargins_) {
        label(Shell_.LangStr("TotalWfms"), ParamCellRect(0, false));
        label(Shell_.LangStr("FailedSamples"), ParamCellRect(1, false));
        for (int i = 1; i <= std::min(TablePolygons_, 8); ++i) label(polygonLabel(i), ParamCellRect(i + 1, false));
    } else {
        label(Shell_.LangStr("TotalWfms"), MaskCellRect(1, 1, false));
        label(Shell_.LangStr("Margin"), MaskCellRect(1, 3, false));
        label(std::to_string(Mask_.Marg) + " %", MaskCellRect(1, 3, true));
        label(Shell_.LangStr("FailedSamples"), MaskCellRect(2, 1, false));
        label(Shell_.LangStr("MaskHits"), MaskCellRect(2, 2, false));
        label(Shell_.LangStr("MarginHits"), MaskCellRect(2, 3, false));
        for (int i = 1; i <= std::min(TablePolygons_, 3); ++i)
            for (int c = 1; c <= 3; ++c) label(polygonLabel(i), MaskCellRect(i + 2, c, false));
    }
    strip.MaskLabelsDrawn = true;
}

void TMaskTest::ShowCounts() {
    TScopeCRT* panel = PanelOf(Shell_);
    if (!panel || !TableShown_) return;
    TNizText& strip = panel->BottomStrip();
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    const std::int32_t colour = display ? Rgb(display->Colors().SourceColorOpaque(CompareSource_)) : 0xFFFFFF;
    const auto eng = [](std::uint64_t v) { return FloatToEngStr(3, 4, true, false, static_cast<double>(v)); };
    const std::string hits = " " + Shell_.LangStr("Hits");
    int slot = 0;
    const auto out = [&](const std::string& text, TPixelRect rect) { strip.DelayedTextOut(text, rect, slot++, colour); };
    const TMaskCounters& c = Counters_;
    if (!TableMargins_) {
        out(eng(c.TestedWaveforms), ParamCellRect(0, true));
        out(std::to_string(c.FailedSamples) + " hits", ParamCellRect(1, true));
        for (int i = 1; i <= std::min(TablePolygons_, 8); ++i)
            out(std::to_string(c.Polygon[static_cast<std::size_t>(i - 1)]) + hits, ParamCellRect(i + 1, true));
        return;
    }
    out(eng(c.TestedWaveforms), MaskCellRect(1, 1, true));
    out(std::to_string(c.FailedSamples) + " hits", MaskCellRect(2, 1, true));
    for (int i = 1; i <= std::min(TablePolygons_, 3); ++i) {
        const auto k = static_cast<std::size_t>(i - 1);
        out(std::to_string(c.PolygonTotal(k)) + hits, MaskCellRect(i + 2, 1, true));
        out(std::to_string(Mask_.Marg > 0 ? c.Polygon[k] : c.PolygonTotal(k)) + hits, MaskCellRect(i + 2, 2, true));
        out(std::to_string(c.Polygon[k + 4]) + hits, MaskCellRect(i + 2, 3, true));
    }
}

std::string TMaskTest::MaskResReply(std::string_view parameter) const {
    const std::string given = Trim(parameter);
    const std::string name = Upper(given);
    const bool header = Shell_.CommandTree() && Shell_.CommandTree()->HeaderOn();
    const auto answer = [header](const std::string& matched, std::uint64_t value) {
        return (header ? ":" + matched + " " : std::string()) + std::to_string(value);
    };
    const TMaskCounters& c = Counters_;
    if (name.rfind("ALLWFM", 0) == 0) return answer("AllWfm", c.TestedWaveforms);
    if (name.rfind("FAILWFM", 0) == 0) return answer("FailWfm", c.FailedWaveforms);
    if (name.rfind("ALLSMPL", 0) == 0) return answer("AllSmpl", c.Samples);
    if (name.rfind("FAILSMPL", 0) == 0) return answer("FailSmpl", c.FailedSamples);
    if (name.rfind("POLY", 0) == 0 && name.size() > 4 && std::isdigit(static_cast<unsigned char>(name[4]))) {
        const int d = name[4] - '0';
        if (d == 0 || d > Mask_.PolygonCount) return (header ? ":" + given + " " : std::string()) + "BAD POLYGON'S NUMBER";
        const std::string rest = name.substr(5);
        const auto k = static_cast<std::size_t>(d - 1);
        const bool margins = Obj_ && Obj_->MarginsOn();
        if (margins && rest.rfind("MAR", 0) == 0 && d <= 4) return answer("Poly" + std::to_string(d) + "MAR", c.Polygon[k + 4]);
        if (margins && rest.rfind("ALL", 0) == 0 && d <= 4) return answer("Poly" + std::to_string(d) + "ALL", c.PolygonTotal(k));
        return answer("Poly" + std::to_string(d), c.Polygon[k]);
    }
    return (header ? ":" + given + " " : std::string()) + "BAD PARAMETR";
}

}  // namespace vt
