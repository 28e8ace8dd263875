#pragma once
// What the user sees of the listed measurements: the per-slot loop the measurement pass runs for a
// source, the cells of the bottom strip in the two displays (values, or values with statistics), the
// popup of a measurement cell, the annotation of one chosen measurement, the definition layer of the
// source "Meas:DisplSrc" names with its drags, and the routines that move levels and thresholds into
// the settings.
#include <functional>
#include <string>

#include "analysis/MeasCalc.h"
#include "core/Color.h"
#include "display/BottomReadoutStrip.h"

namespace vt {

class TShell;
class TMeasList;
class TScopeCRT;
class TScopeDisplayServices;
class TSignalObj;

// Modes of the statistic headers: plain statistics, limit test on, the eye and TDR readouts.
enum TStatHeaderMode : int { shmPlain = 0, shmLimitTest = 1, shmEye = 2 };

class TMeasReadouts : public TMeasListHooks, public TReadoutProvider {
public:
    TMeasReadouts(TShell& shell, TMeasCalc& calc, TMeasList& list);
    ~TMeasReadouts() override;
    TMeasReadouts(const TMeasReadouts&) = delete;
    TMeasReadouts& operator=(const TMeasReadouts&) = delete;

    // Puts the strip provider, the drag sinks and the histicon plugs in place (the display exists).
    void Install();

    // --- the pass
    bool IsSourceMeasured(int source) override;
    void MeasureSlotsOfSource(int source) override { MeasureSlotsOfSource(source, false); }
    void MeasureSlotsOfSource(int source, bool all);
    void ShowMeasDefinitionLayer() override;
    void ShowFftDefinitionLayer() override;
    void RefreshScaleControls(int source) override {
        if (ScaleChanged) ScaleChanged(source);
    }
    // The settings' controls of a source follow its new scale.
    std::function<void(int source)> ScaleChanged;

    // --- the strip
    void DrawMeasStrip();
    void DrawMeasStatHeaders(int mode);
    void DrawMeasStatCells(int slot);
    void DrawMeasMinMax(int slot);
    // The limit test's tested (column 4) or failed (column 5) count of a slot, in its source's colour.
    void DrawLimitCount(int slot, int column, std::uint32_t count);
    void ShowMeasStatistic(int slot);
    void ShowAllMeasStatistics();
    void InvalidateHisticons();
    void RedrawHisticons();
    // The histicon of a slot takes its row, colour and label.
    void PlaceHisticon(int slot);
    // An entry came or went: the strip is drawn anew before the next values.
    void MarkFullRedraw();
    bool FullRedrawRequested() const { return FullRedraw_; }
    bool MeasurementsUpdated() const { return Updated_; }

    // --- annotations
    void ShowMeasAnnotation(int slot);
    void RefreshMeasAnnotation();
    int AnnotatedSlot() const;

    // --- the popup of a cell
    TStripMenu BuildMeasPopupMenu(int slot);
    void HandleMeasPopupCommand(const std::string& command, int slot);

    // TReadoutProvider
    std::vector<TListedCell> ListedCells() const override;
    void LeftClick(int number) override;
    TStripMenu BuildPopupMenu(int number) override { return BuildMeasPopupMenu(number); }
    void HandlePopupCommand(const std::string& command, int selected) override {
        HandleMeasPopupCommand(command, selected);
    }

    // --- levels and thresholds into the settings
    void PlaceLevelMarkers(int source);
    void ThresholdsToRows(int source);
    void LevelsToThresholdPercents(int source);

    // --- the drags of the definition layers
    void GrabMeasPart(int part);
    void DragMeasPart(int part, int x, int y);
    void DragFftPart(int part, int x, int y);

private:
    TScopeDisplayServices* Display() const;
    TScopeCRT* Panel() const;
    TNizText* Strip() const;
    const TSignalObj* Record(int source) const;
    bool SourceShown(int source) const;
    int DisplaySetting() const;
    int DisplSrc() const;
    bool ViewOn() const;
    std::int32_t SourceRGB(int source) const;
    void Out(const std::string& text, TPixelRect rect, int slot, std::int32_t colour);
    void Write(int source, const char* name, double value);
    void DefineAnnotation(int slot);

    TShell& Shell_;
    TMeasCalc& Calc_;
    TMeasList& List_;
    bool FullRedraw_ = false;
    bool Updated_ = false;
    bool Installed_ = false;
    // The crossing window at the grab of a margin: a drag never crosses its opposite limit.
    int GrabLeft_ = 0;
    int GrabRight_ = 0;
};

}  // namespace vt
