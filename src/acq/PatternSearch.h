#pragma once
// The pattern-length search: which length of the user's list makes the pattern trigger repeat the
// data stream, whether the instrument's additional delay is needed and which trigger divider shows a
// stable picture. One step per acquisition inside a modal dialog; every setting it changes goes into
// one undo step that is undone at its end, before the result is applied.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acq/RefSineCapture.h"
#include "core/Feature.h"
#include "core/RunningStat.h"

namespace vt {

class TAxisHist;
class TMainCommandSteps;
class TShell;
class TSignalObj;
class TTrigger;

class TPatternSearch;

// The search's dialog: modal while a search the user started runs; without one (tests) the search is
// stepped from outside and ends by itself.
class TPatternSearchView {
public:
    virtual ~TPatternSearchView() = default;
    virtual void RunModal(TPatternSearch& search) = 0;
    virtual void EndRun(bool success) = 0;
    // A search a script or the program started nests no loop: the view may show a progress box that
    // waits for nobody; AsideEnded follows the search's end.
    virtual void RunAside(TPatternSearch& search) { (void)search; }
    virtual void AsideEnded() {}
    virtual void ProgressChanged(int position) { (void)position; }
};

// The transitions of a record between its high (above u) and low (below l) runs; middle points end
// no run.
struct TTransitions {
    int Changes = 0;
    int ShortestHigh = 0, ShortestLow = 0;  // points; 0 when there was no such run
};
TTransitions CountTransitions(const double* points, int n, double u, double l);
// The divider a change count asks for: 8 above 200, 4 above 100, 2 above 50, else 1.
int DividerForChanges(int changes);

class TPatternSearch : public TFeature {
public:
    static constexpr int StepNotFound = 7;
    static constexpr int StepFound = 10;

    explicit TPatternSearch(TShell& shell);
    ~TPatternSearch() override;
    TPatternSearch(const TPatternSearch&) = delete;
    TPatternSearch& operator=(const TPatternSearch&) = delete;

    void FillRows(TShell& shell) override;

    // The lengths of the user's list (the list feature's).
    std::function<const std::vector<int>&()> Lengths;

    // AutoDetect asks for the length at data rate (bit/s); nothing until the interface is ready.
    void FindPatternTrigger(double rate);
    // After each acquisition while the search runs.
    void FindPatternTriggerStep();
    // The dialog's Cancel.
    void Cancel();

    bool Running() const { return Running_; }
    int Step() const { return Step_; }
    int Progress() const { return Progress_; }
    int Candidate() const { return Candidate_; }
    bool AddDelay() const { return AddDelay_; }
    int Divider() const { return Divider_; }
    double High() const { return High_; }
    double Low() const { return Low_; }
    // The channel the last search kept (0 Ch1, 1 Ch2), or -1 when none ran since start.
    int SearchedSource() const { return Searched_ ? Source_ : -1; }

    TPatternSearchView* View = nullptr;
    // The undo of the main commands (keeps the timebase delays); none: a plain undo.
    TMainCommandSteps* Steps = nullptr;
    // The low-jitter reference capture, stepped by the same hook.
    TRefSineCapture RefSine;

private:
    void SetUp(double rate);
    // Whether the user's own click (or the window's command list) asked for the search.
    bool StartedByUser() const;
    void Finish();
    void End(int step);
    void SetScales();
    void SetProgress(int position);
    void CountStep();
    void SetLength(int length);
    const TSignalObj& Record() const;
    void Run(const char* line);
    void SetChoice(const char* path, const char* item);
    void SetOn(const char* path, bool on);

    TShell& Shell_;
    std::unique_ptr<TAxisHist> Hist_;
    TStat Stat1_, Stat2_;
    bool Running_ = false;
    bool Modal_ = false;
    bool Aside_ = false;
    bool ByUser_ = false;
    std::function<void(const std::string&)> Later_;
    int Step_ = 0;
    int Source_ = 0;  // 0 Ch1, 1 Ch2
    bool Searched_ = false;
    double Rate_ = 1e9;
    double High_ = 0, Low_ = 0, Upper_ = 0, Lower_ = 0, Split_ = 0;
    std::size_t ListPos_ = 0;
    int Candidate_ = 0;
    bool AddDelay_ = false;
    int CountOff_ = 0;
    int Divider_ = 1;
    int Counted_ = 0;
    int Progress_ = 0;
    bool Ended_ = false;
    bool Cancelled_ = false;
    bool WasManual_ = false;
    bool WasRun_ = false;
    bool WasFlagReading_ = false;
    bool UndoOpen_ = false;
    std::uint32_t UndoStamp_ = 0;
};

}  // namespace vt
