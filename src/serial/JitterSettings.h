#pragma once
// The jitter feature below the windows: the `Jitter:` settings, the start and stop of the one
// analyser, the program side of the analyser (record, trigger delay, record length, the settings it
// writes), the readout list on the bottom strip and the dispatch to the plot windows.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "serial/JitterAnalyser.h"
#include "serial/JitterPlots.h"

namespace vt {

class TShell;
class TOnOffHandler;
class TCheckSwHandler;
class TNizText;

class TJitterAnalysis : public TJitterHost {
public:
    static constexpr int MaxReadouts = 10;
    struct TReadout {
        std::string Label;
        int Param = 0;
        double Value = 0;
        std::string Unit;
    };

    explicit TJitterAnalysis(TShell& shell);
    ~TJitterAnalysis() override;
    TJitterAnalysis(const TJitterAnalysis&) = delete;
    TJitterAnalysis& operator=(const TJitterAnalysis&) = delete;

    void CreateJitterHandlers();

    // --- the cycle and the windows
    void Step();
    bool Exists() const { return Analyser_ != nullptr; }
    TJ_Obj* Analyser() { return Analyser_.get(); }
    void DrawPlot(int plot, int action, int position);
    void ShowJitterPlotWindows();
    void SetPlotWindows(TJitterPlotWindows* windows) { Windows_ = windows ? windows : &NoWindows_; }

    // --- readouts
    void AddJitterReadout(int param, const std::string& label);
    void RemoveJitterReadout(int param, bool quiet);
    void DrawJitterReadoutLabels();
    void ShowJitterResults();
    const std::vector<TReadout>& Readouts() const { return Readouts_; }

    // The channel the last pattern-length search kept (0 Ch1, 1 Ch2; -1 none since start).
    std::function<int()> SearchedChannel;

    // --- TJitterHost
    const TSignalObj& Record() const override;
    int PatternDelay() const override;
    void SetPatternDelay(int bits) override;
    void SetRecordLength(int points) override;
    void ApplyPatternSettings(double high, double low, double delayDivisions) override;
    int SamplingLevelKind() const override;
    double PercAmpl() const override;
    double CustLevel() const override;
    void ShowBitMapError() override;
    void ReportError(const std::string& text) override;
    void ShowResults() override;

private:
    void OnJitterOnChange(TOnOffHandler& h);
    bool DelayCountsBits() const;
    void Start();
    void ApplyStartSettings();
    void ShowMessage(const std::string& text);
    TNizText* Strip() const;
    // The strip's jitter cells blanked, once their labels show.
    void BlankReadoutCells();
    int SourceColour() const;
    void SetChoice(const char* path, const char* item);
    void SetOn(const char* path, bool on);
    void SetReal(const std::string& path, double value);

    TShell& Shell_;
    std::unique_ptr<TJ_Obj> Analyser_;
    // Switched off from inside its own message: freed at the next step, once its call has returned.
    std::unique_ptr<TJ_Obj> Retired_;
    TJitterPlotWindows NoWindows_;
    TJitterPlotWindows* Windows_ = &NoWindows_;
    std::vector<TReadout> Readouts_;
    TOnOffHandler* JitterOn_ = nullptr;
    TCheckSwHandler* JParam_ = nullptr;
    TCheckSwHandler* JPlots_ = nullptr;
    int Source_ = 0;  // source index of the analysed record
    bool SavedFlagTimer_ = false;
    bool MessageOpen_ = false;
    bool Switching_ = false;
};

}  // namespace vt
