#pragma once
// The display settings ("Displ:"): how each trace is drawn, whether one style governs all traces, the
// screen format and the screen of each source, the graticule, the XY axes, and the database shown on
// the screen. Their after-change steps pass the values to the display panel and the top strip.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/Feature.h"

namespace vt {

class TCommandTree;
class THandler;
class TRadioSwHandler;
class TDoubleEditHandler;
class TSignalSourceSwHandler;
class TRightCommandHandler;
class TScopeCRT;
class TShell;

// Display styles.
inline constexpr int dsDots = 0;
inline constexpr int dsVectors = 1;
inline constexpr int dsVarPersist = 2;
inline constexpr int dsInfinPers = 3;
inline constexpr int dsVarGrayScal = 4;
inline constexpr int dsInfGrayScal = 5;
inline constexpr int dsVColorGrad = 6;
inline constexpr int dsIColorGrad = 7;
// Screen formats.
inline constexpr int dfYT = 0;
inline constexpr int df2YT = 1;
inline constexpr int df4YT = 2;
inline constexpr int dfXY = 3;
inline constexpr int dfCombYTXY = 4;
inline constexpr int dfComb2YTXY = 5;

inline constexpr int StyledSourceCount = 16;  // sources 0..15 have a style and times
inline constexpr int PlacedSourceCount = 17;  // sources 0..16 have a screen choice
inline constexpr const char* NoDatabaseOnScreen = "NONEDATABASEATTHESCREEN";

// The name of a source in the display headers: the short name, "XY" for the XY source.
std::string DisplaySourceName(int source);

// Whether a database is on the screen, and which.
class TDataBaseExist {
public:
    bool On() const { return On_; }
    std::string GetSourceName() const { return On_ ? Name_ : NoDatabaseOnScreen; }
    void Store(bool on, std::string name) {
        On_ = on;
        Name_ = on ? std::move(name) : std::string();
    }

private:
    bool On_ = false;
    std::string Name_;
};

class TDisplaySettings : public TFeature {
public:
    explicit TDisplaySettings(TShell& shell);
    ~TDisplaySettings() override;

    void FillRows(TShell& shell) override;
    void AttachToProgram(TShell& shell) override;

    // Registration of the "Displ:" settings other than the colours, which follow them in the same row.
    void CreateDisplaySettings(TCommandTree& tree);
    void RefreshDisplayHandlers();

    // The chosen screen (1..4) of a source in the two-screen and four-screen formats.
    int Screen2NumberOfSignal(int source) const;
    int Screen4NumberOfSignal(int source) const;
    int StyleOf(int source) const;
    int Format() const;
    int SelectedTrace() const;
    bool AllLocked() const;

    // The database on the screen (on, name): recorded for undo, then the enabling follows.
    void SetDatabase(bool on, const std::string& name);
    const TDataBaseExist& DataBaseExist() const { return DataBase_; }

    // Runs after a style change, a database change, a grade colour change, and for the side menu.
    void Enabling();
    // The side menu follows the enabling and the database state.
    int AddEnablingListener(std::function<void()> listener);
    void RemoveEnablingListener(int id);

private:
    struct TTraceHandlers {
        TRadioSwHandler* Style = nullptr;
        TDoubleEditHandler* PersistTime = nullptr;
        TDoubleEditHandler* RefreshTime = nullptr;
    };

    TScopeCRT* Panel() const;
    bool Started() const;
    // The source whose style or time handler this is, or -1.
    int TraceOfHandler(const THandler& h) const;
    void TraceModeRule();
    void StyleChanged(int source);
    // The style's step without the trace-mode rule.
    void StyleStep(int source);
    void PersistTimeChanged(THandler& h);
    void RefreshTimeChanged(THandler& h);
    void FormatChanged();
    void ScreenChoiceEnabling();
    int AssignedScreen(int source) const;
    void ScreenAssignment();
    void ScreenMoved(THandler& h);
    void ResetAll();
    // The per-source values the panel hands to its persistence and grade layers.
    void PanelPersistTime(int source, double seconds);
    void PanelGradeParam(int source, double seconds);
    void PanelGradeStyle(int source, int choice);

    TShell& Shell_;
    TDataBaseExist DataBase_;
    TRadioSwHandler* TraceMode_ = nullptr;
    TSignalSourceSwHandler* TraceSel_ = nullptr;
    std::array<TTraceHandlers, StyledSourceCount> Traces_{};
    TRadioSwHandler* DBStyle_ = nullptr;
    TRightCommandHandler* ResetAll_ = nullptr;
    TRadioSwHandler* Format_ = nullptr;
    TSignalSourceSwHandler* Wfm_ = nullptr;
    std::array<TRadioSwHandler*, PlacedSourceCount> Screen4_{};
    std::array<TRadioSwHandler*, PlacedSourceCount> Screen2_{};
    TSignalSourceSwHandler* XAxis_ = nullptr;
    TSignalSourceSwHandler* YAxis_ = nullptr;
    TRadioSwHandler* Gratic_ = nullptr;
    int SignalsListener_ = 0;
    std::vector<std::pair<int, std::function<void()>>> EnablingListeners_;
    int NextListenerId_ = 1;
};

}  // namespace vt
