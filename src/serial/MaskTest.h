#pragma once
// The mask test feature: the one current mask and its rasterised form, the `Mask:`, `Automask:` and
// `StdMask:` settings, the state object of the mask in setups and undo, the per-sample hit counting,
// the per-waveform step with its results table, run-until limits and failed-waveform files, the
// automask and the application of a stored mask's scales to the instrument.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "acq/WaveformSaves.h"
#include "serial/CurrentMask.h"
#include "serial/MaskObject.h"
#include "serial/MaskStandards.h"

namespace vt {

class TShell;
class TSpider;
class TCheckSwHandler;
class TComplexObjectHandler;
class TDoubleEditHandler;
class TEditHandler;
class THandler;
class TIntEditHandler;
class TOnOffHandler;
class TRadioSwHandler;
class TGpibStringHandler;
template <class Base>
class TRefusing;
template <class Base>
struct TRefusal;
class TRightCommandHandler;
class TSignalSourceSwHandler;
class TMarkerLayer;
class TMaskEditSurface;

// What the mask menu answers; until the menu exists, no page of it is shown.
class TMaskTestView {
public:
    virtual ~TMaskTestView() = default;
    virtual bool IsMenuPageOnSide0(int /*kind*/, int /*page*/) const { return false; }
    // The mask's controls or its edit selection changed: an open mask menu refreshes.
    virtual void RefreshMaskMenu() {}
    // An open standard-mask picker follows: the chosen standard's masks were read again, or the
    // current mask's row changed (a remote choice, a load that failed).
    virtual void StdMaskStandardChanged() {}
    virtual void StdMaskSelectionChanged() {}
};

// The counters of a test run. 64 bits: at 4,096 samples a waveform 32 bits would overflow after about
// half a million waveforms.
struct TMaskCounters {
    std::uint64_t TestedWaveforms = 0;
    std::uint64_t FailedWaveforms = 0;
    std::uint64_t Samples = 0;
    std::uint64_t FailedSamples = 0;
    std::array<std::uint64_t, 8> Polygon{};  // counter p + 1 at index p
    // With margins, polygon p's total: its mask hits and its margin hits added, so a sample inside
    // both counts twice.
    std::uint64_t PolygonTotal(std::size_t p) const { return Polygon[p] + Polygon[p + 4]; }
};

class TMaskTest {
public:
    explicit TMaskTest(TShell& shell);
    ~TMaskTest();
    TMaskTest(const TMaskTest&) = delete;
    TMaskTest& operator=(const TMaskTest&) = delete;

    void RegisterMaskObjectCommand();
    void RegisterMaskCommands();
    // The refresh: the controls' enabling and the user-mask name's default.
    void DefaultMaskFileName();

    // --- the mask
    TCurrentMask& Mask() { return Mask_; }
    const TCurrentMask& Mask() const { return Mask_; }
    int PolygonCount() const { return Mask_.PolygonCount; }
    const TMask_Obj* MaskObject() const { return Obj_.get(); }
    void ClearCurrentMask();
    void CurrentMaskEdited();
    void SetEditing(bool on);
    void ActivateMask();
    void FreeMaskObject();
    void ApplyMaskScales();
    // False when the source is not Ch1..S2, shows nothing or the widths are out of range.
    bool BuildAutomask();
    void UpdateMaskScales();
    // The state object's callback: reply the state, or apply a text (a text it cannot read is refused).
    void MaskObjectState(bool isQuery, std::string& text);
    // Records the mask's state for the undo step in progress.
    void SaveMaskStateForUndo();

    // --- the run
    void MaskTestSample(int source, int index);
    void MaskTestStep();
    void ResetMaskCounters();
    void StopMaskTest();
    void UpdateMaskControls();
    void ShowMaskTestResults();
    int MaskCompareChannel() const;
    bool MaskActionEnabled(int n) const;
    bool TestOn() const;
    void RedrawMaskLayer();
    std::string MaskResReply(std::string_view parameter) const;

    TMaskCounters& Counters() { return Counters_; }
    const std::string& FailedWaveformBase() const { return FailBase_; }
    int FailedFileCounter() const { return FileCounter_; }
    // The name the next failed waveform gets.
    std::string NextFailedFileName() const;
    void SetView(TMaskTestView* view) { View_ = view ? view : &NoView_; }
    // The user-mask file actions, filled by the mask files.
    std::function<void(const std::string& path)> SaveUserMask;
    std::function<void(const std::string& path)> RecallUserMask;
    // The user-mask file actions themselves (the hooks' defaults): the mask with the displayed scales
    // written to the file, and a file's mask, checked whole, made the current mask with undo.
    void SaveUserMaskFile(const std::string& path);
    void RecallUserMaskFile(const std::string& path);

    // --- the stored standard masks
    // Writes the shipped standards at the first call (start-up), reloads the standards list and the
    // masks of the chosen standard.
    void RefreshStdMaskFamily();
    // Loads mask `position` of the standard numbered `standard` with margin `marg`; a file that fails
    // anywhere leaves the mask as it was and says so.
    bool LoadStandardMask(int standard, int position, int marg);
    // The selected stored mask with the chosen margin made the current mask (nothing when it already is).
    bool ApplyStdMask();
    void UpdateStdMaskMarginControls();
    const TListOfStandards& Standards() const { return Standards_; }
    const TListOfMasksInCurrentStandard& StandardMasks() const { return StdMasks_; }
    // Help topic of the chosen standard.
    int StdHelpTopic() const { return StdHelpTopic_; }
    std::string StdsListReply() const;
    std::string MasksListReply() const;

    // --- editing with the mouse and the mask menu
    bool Editing() const { return Mask_.Editing; }
    // "Edit Mask...": the state recorded for undo, the mask made a user mask, editing on.
    void EnterEditing();
    // The edit page's commands, each ending in a refresh of the mask menu.
    void EditAddPoint();
    void EditDeletePoint();
    void EditAddPolygon();
    void EditDeletePolygon();
    // "Delete Mask": every polygon goes.
    void DeleteMask();
    const std::string& UserMaskName() const { return UserMaskName_; }
    void SetUserMaskName(const std::string& pathWithoutExtension) { UserMaskName_ = pathWithoutExtension; }

private:
    // The parts of RegisterMaskCommands, in the tree's order.
    void RegisterMaskTestSettings(TSpider& root);
    void RegisterAutomaskSettings(TSpider& root);
    void RegisterStdMaskSettings(TSpider& root);
    void OnTestChange();
    void OnActionChange(THandler& h);
    void OnRunUntilChange();
    // The refusal of a file-name command whose names are placed below folder.
    TRefusal<TGpibStringHandler> NameRefusal(const std::string& folder) const;
    void FileNameCommand(std::string_view parameter, bool isQuery, std::string& reply);
    void MaskFileCommand(std::string_view parameter, bool isQuery, std::string& reply);
    void SaveFailedWaveform();
    // Switches the test off at its run-until limit, and ends the run when the mask menu's page 1 shows.
    void StopAtRunLimit();
    void LayOutResults();
    void ShowCounts();
    void TopTextShowMask();
    void RefreshAutomaskReadouts();
    std::string FileExtension() const;
    bool RunUntilHolds() const;
    TMarkerLayer* ErrorLayer(int source);
    void OnStdIndexChange();
    void OnMaskIndexChange(THandler& h);
    void OnStdMarginsChange(THandler& h);
    void ReportMaskFileError(const std::string& path);
    class TBusy;
    std::unique_ptr<TMaskEditSurface> EditSurface_;

    TShell& Shell_;
    TCurrentMask Mask_;
    std::unique_ptr<TMask_Obj> Obj_;
    TMaskTestView NoView_;
    TMaskTestView* View_ = &NoView_;
    TMaskCounters Counters_;
    bool WaveformFailed_ = false;
    bool NewWaveform_ = false;
    bool TestOn_ = false;
    int CompareSource_ = 2;
    // Per record index: the waveform it was last counted in and the polygons it hit then.
    std::vector<std::uint32_t> CountedIn_;
    std::vector<std::uint8_t> CountedBits_;
    std::uint32_t Waveform_ = 1;
    TMarkerLayer* ErrorLayer_ = nullptr;
    // The results table as laid out: shown, polygon count, margins.
    bool TableShown_ = false;
    // The run-until limit is switching the test off: its final results stay to be read.
    bool RunUntilStopping_ = false;
    int TablePolygons_ = -1;
    bool TableMargins_ = false;
    std::string FailBase_;
    int FileCounter_ = 0;
    TSaveErrorOnce SaveErrors_;
    std::string UserMaskName_;
    bool InLoad_ = false;

    TRefusing<TComplexObjectHandler>* State_ = nullptr;
    TRightCommandHandler* Erase_ = nullptr;
    TRadioSwHandler* CompareWith_ = nullptr;
    TOnOffHandler* Test_ = nullptr;
    TRightCommandHandler* SaveUser_ = nullptr;
    TRadioSwHandler* RunUntil_ = nullptr;
    std::array<TIntEditHandler*, 4> Limits_{};  // FailWfms, FailSmpls, NWfms, NSamples
    TCheckSwHandler* Action_ = nullptr;
    TRadioSwHandler* FileFormat_ = nullptr;
    THandler* FileName_ = nullptr;
    TSignalSourceSwHandler* AutoSource_ = nullptr;
    TRadioSwHandler* AutoUnit_ = nullptr;
    TDoubleEditHandler* DeltaX_ = nullptr;
    TDoubleEditHandler* DeltaY_ = nullptr;
    TOnOffHandler* Align_ = nullptr;
    TOnOffHandler* MarginsOn_ = nullptr;
    TIntEditHandler* MarginsVal_ = nullptr;
    TIntEditHandler* StdIndex_ = nullptr;
    TIntEditHandler* MaskIndex_ = nullptr;
    TListOfStandards Standards_;
    TListOfMasksInCurrentStandard StdMasks_;
    int StdMasksOf_ = -1;  // the standard whose masks StdMasks_ holds
    int StdHelpTopic_ = 980;
    bool ShippedMasksChecked_ = false;
    // The file problems of the standards' lists shown so far: each is shown once.
    std::vector<std::string> StdMaskProblems_;
    void ShowStdMaskProblems(const std::vector<std::string>& messages);
    bool InStdIndexChange_ = false;
};

}  // namespace vt
