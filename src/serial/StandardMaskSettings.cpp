// The stored standard masks in the mask test feature: the `StdMask:` settings, the standards list and
// the masks of the chosen standard behind them, loading a stored mask with its margin, and the list
// replies.
#include <algorithm>
#include <filesystem>

#include "core/AsciiText.h"
#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/Handlers.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "serial/MaskTest.h"

namespace vt {

void TMaskTest::RegisterStdMaskSettings(TSpider& root) {
    Align_ = &root.AddOnOffHandler("StdMask:Align", {.AfterChange = [this](THandler&) {
                                                         if (GetOn(Align_)) ApplyMaskScales();
                                                     }});
    Align_->SetJoinUndo(true);
    MarginsOn_ = &root.AddOnOffHandler("StdMask:MarginsOn", {.AfterChange = [this](THandler& h) {
                                                                 MarginsVal_->SetDisabled(!GetOn(MarginsOn_) || MarginsOn_->IsDisabled());
                                                                 OnStdMarginsChange(h);
                                                             }});
    MarginsOn_->SetJoinUndo(true);
    MarginsVal_ = &root.AddIntEditHandler(
        "StdMask:MarginsVal", {.Initial = 0, .Config = {.Minimum = -100, .Default = 0, .Maximum = 100, .CoarseStep = 5,
                                                        .CoarseKind = skGrid, .FineStep = 1, .FineKind = skGrid, .Units = "%"},
                               .AfterChange = [this](THandler& h) { OnStdMarginsChange(h); }});
    MarginsVal_->SetJoinUndo(true);
    StdIndex_ = &root.AddIntEditHandler(
        "StdMask:StdIndex", {.Initial = 0, .Config = {.Minimum = 0, .Default = 1, .Maximum = 16, .CoarseStep = 1, .CoarseKind = skGrid},
                             .AfterChange = [this](THandler&) { OnStdIndexChange(); }});
    StdIndex_->SetJoinUndo(true);
    // With no stored mask to choose, only -1 (none) can be chosen.
    const auto namesNoMask = [this](const TIntEditHandler&, std::string_view p) {
        if (StdMasks_.Count() > 0) return false;
        double v = 0;
        return ParseNumberWithMultiplier(p, v) ? v >= -0.5 : SameText(p, "MAX") || SameText(p, "MID");
    };
    MaskIndex_ = &root.AddRefusing<TIntEditHandler>(
        "StdMask:MaskIndex", {.Refuses = namesNoMask},
        TEditOptions{.Initial = 0, .Config = {.Minimum = -1, .Default = 1, .Maximum = 32, .CoarseStep = 1, .CoarseKind = skGrid},
                     .BeforeChange = [this](THandler& h) {
                         // A remote choice is a step of its own, undone with the mask it loads.
                         if (h.GetWhoChangedRaw() == wcvRemote && Shell_.UndoBuffer()) Shell_.UndoBuffer()->BeginStep();
                     },
                     .AfterChange = [this](THandler& h) { OnMaskIndexChange(h); }});
    MaskIndex_->SetJoinUndo(true);
    root.AddGpibStringHandler("StdMask:StdsList", 0, [this](std::string_view, bool q, std::uint8_t, std::string& reply) {
        if (q) reply += StdsListReply();
    });
    root.AddGpibStringHandler("StdMask:MasksList", 0, [this](std::string_view, bool q, std::uint8_t, std::string& reply) {
        if (q) reply += MasksListReply();
    });
}

void TMaskTest::RefreshStdMaskFamily() {
    if (!StdIndex_) return;
    const std::string& folder = Shell_.Folders.StdMaskFolder;
    if (!ShippedMasksChecked_) {
        ShippedMasksChecked_ = true;
        if (!folder.empty() && !InstallShippedStandardMasks(folder))
            Shell_.ShowProgramMessage(Shell_.LangStr("DontCreateFile") + folder);
    }
    // The lists are read at the start-up and with every instrument: their problems are the program's
    // own messages, which hold nothing.
    std::vector<std::string> skipped;
    const bool anyMasks = !folder.empty() && Standards_.Load(folder, &skipped);
    ShowStdMaskProblems(skipped);
    if (!anyMasks) {
        // No standard holds masks: no list may name masks of one that went.
        StdMasks_ = TListOfMasksInCurrentStandard();
        StdMasksOf_ = -1;
        if (MaskIndex_) {
            // No mask is chosen, as after a start with masks; the index has no position to step to.
            MaskIndex_->SetMaxValue(0);
            MaskIndex_->SetValue(-1);
        }
        return;
    }
    InStdIndexChange_ = true;
    StdIndex_->SetMaxValue(Standards_.WithMasks() - 1);
    InStdIndexChange_ = false;
    OnStdIndexChange();
}

void TMaskTest::OnStdIndexChange() {
    if (InStdIndexChange_ || !MaskIndex_) return;
    InStdIndexChange_ = true;
    const int standard = GetValue(StdIndex_);
    const std::string path = Standards_.GetPath(standard);
    StdHelpTopic_ = StdMaskHelpTopic(path);
    std::vector<std::string> messages;
    StdMasks_.Load(path, false, &messages);
    StdMasksOf_ = standard;
    ShowStdMaskProblems(messages);
    MaskIndex_->SetMaxValue(std::max(0, StdMasks_.Count() - 1));
    UpdateStdMaskMarginControls();
    MaskIndex_->SetValue(Mask_.IsStoredMask() && Mask_.StdI == standard ? Mask_.MskI : -1);
    InStdIndexChange_ = false;
    View_->StdMaskStandardChanged();
}

void TMaskTest::ShowStdMaskProblems(const std::vector<std::string>& messages) {
    for (const std::string& m : messages) {
        if (std::find(StdMaskProblems_.begin(), StdMaskProblems_.end(), m) != StdMaskProblems_.end()) continue;
        StdMaskProblems_.push_back(m);
        Shell_.ShowProgramMessage(m);
    }
}

void TMaskTest::OnMaskIndexChange(THandler& h) {
    const TWhoChanged who = h.GetWhoChangedRaw();
    if (who == wcvRemote) {
        // -1 selects nothing, and a position past the list has no mask to load.
        const int position = GetValue(MaskIndex_);
        if (StdMasks_.At(position)) {
            SaveMaskStateForUndo();
            ApplyStdMask();
            View_->StdMaskSelectionChanged();
        }
    }
    UpdateStdMaskMarginControls();
    const bool current = Mask_.IsStoredMask() && Mask_.StdI == GetValue(StdIndex_) && Mask_.MskI == GetValue(MaskIndex_);
    const TMaskRecord* rec = current ? StdMasks_.At(Mask_.MskI) : nullptr;
    if (rec && rec->MarginsPossible()) {
        MarginsOn_->SetOn(true);
        MarginsVal_->SetValue(Mask_.Marg);
    } else if (who == wcvProgram) {
        MarginsOn_->SetOn(false);
    }
}

void TMaskTest::OnStdMarginsChange(THandler& h) {
    if (!MaskIndex_ || h.GetWhoChangedRaw() == wcvProgram) return;
    const bool selected = Mask_.IsStoredMask() && Mask_.StdI == GetValue(StdIndex_) && Mask_.MskI == GetValue(MaskIndex_);
    if (selected) ApplyStdMask();
}

void TMaskTest::UpdateStdMaskMarginControls() {
    if (!MarginsOn_) return;
    const bool ours = Mask_.IsStoredMask() && Mask_.StdI == GetValue(StdIndex_) && StdMasksOf_ == Mask_.StdI;
    const TMaskRecord* rec = ours ? StdMasks_.At(Mask_.MskI) : nullptr;
    const bool possible = rec && rec->MarginsPossible();
    MarginsOn_->SetDisabled(!possible);
    MarginsVal_->SetDisabled(!possible || !GetOn(MarginsOn_));
}

bool TMaskTest::ApplyStdMask() {
    const int standard = GetValue(StdIndex_);
    const int position = GetValue(MaskIndex_);
    // The switches may still show the margin of the mask chosen before: a mask that allows none gets 0.
    const TMaskRecord* rec = standard == StdMasksOf_ ? StdMasks_.At(position) : nullptr;
    const bool margins = GetOn(MarginsOn_) && !MarginsOn_->IsDisabled() && rec && rec->MarginsPossible();
    const int marg = margins ? GetValue(MarginsVal_) : 0;
    if (Obj_ && Mask_.IsStoredMask() && Mask_.StdI == standard && Mask_.MskI == position && Mask_.Marg == marg)
        return true;
    if (!LoadStandardMask(standard, position, marg)) {
        // The refused mask is not in use: the index names the one that is.
        MaskIndex_->SetValue(Mask_.IsStoredMask() && Mask_.StdI == standard ? Mask_.MskI : -1);
        View_->StdMaskSelectionChanged();
        return false;
    }
    Shell_.Display().TopTextUpdateAll();
    return true;
}

bool TMaskTest::LoadStandardMask(int standard, int position, int marg) {
    TListOfMasksInCurrentStandard other;
    const TListOfMasksInCurrentStandard* list = &StdMasks_;
    const std::string folder = Standards_.GetPath(standard);
    if (standard != StdMasksOf_) {
        other.Load(folder, false);
        list = &other;
    }
    const TMaskRecord* rec = list->At(position);
    if (!rec) return false;
    const std::string file = (std::filesystem::path(folder) / rec->FileName).string();
    std::optional<TCurrentMask> read = ReadStandardMask(file, *rec, marg, GetOn(Align_));
    // The file is read whole before the mask goes: one that fails leaves the mask as it was.
    if (!read) {
        ReportMaskFileError(file);
        return false;
    }
    Mask_.AddPolygonMode = false;
    ClearCurrentMask();
    Mask_.MskNm = read->MskNm;
    Mask_.BitP = read->BitP;
    Mask_.SetKind(read->Kind);
    Mask_.SetMarginMode(read->Marg);
    Mask_.SetMarginType(read->MarginType);
    Mask_.TB = read->TB;
    Mask_.X0 = read->X0;
    Mask_.VDiv = read->VDiv;
    Mask_.V0 = read->V0;
    Mask_.Polygons = std::move(read->Polygons);
    Mask_.SetPolygonCount(read->PolygonCount);
    Mask_.MarginPolygonCount = read->MarginPolygonCount;
    Mask_.StdI = standard;
    Mask_.MskI = position;
    ApplyMaskScales();
    ActivateMask();
    return true;
}

std::string TMaskTest::StdsListReply() const {
    std::string reply = " =";
    for (int i = 0; i < Standards_.Count(); ++i)
        if (Standards_.GetNumber(i) >= 0)
            reply += "\r\n" + std::to_string(Standards_.GetNumber(i)) + ": " + Standards_.GetName(i) + ";";
    return reply;
}

std::string TMaskTest::MasksListReply() const {
    std::string reply = " =";
    for (int i = 0; i < StdMasks_.Count(); ++i) {
        const TMaskRecord& rec = *StdMasks_.At(i);
        reply += "\r\n" + std::to_string(i) + ": " + rec.MaskName + ";   " + rec.BitRateText;
        reply += rec.LineType.empty() ? ";" : ";   " + rec.LineType + ";";
    }
    return reply;
}

}  // namespace vt
