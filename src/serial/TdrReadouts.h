#pragma once
// What the user sees of the TDR/TDT parameters: their rows in the bottom strip (caption, current
// value, count, minimum, maximum, mean, deviation), the points of the annotated parameter on the
// screen, and the popup of a row's caption.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "display/BottomReadoutStrip.h"

namespace vt {

class TShell;
class TSignalObj;
class TScopeDisplayServices;
class TTdrSettings;
struct TReflectParam;

class TTdrReadouts : public TReadoutProvider {
public:
    TTdrReadouts(TShell& shell, TTdrSettings& tdr);
    ~TTdrReadouts() override;
    TTdrReadouts(const TTdrReadouts&) = delete;
    TTdrReadouts& operator=(const TTdrReadouts&) = delete;

    // Lists the rows with the strip's presses (the display exists).
    void Install();

    // Redraws the readout area: headers, captions and every parameter's statistics.
    void UpdateTdrMeasurements();
    // The statistics cells of row i of the current side.
    void ShowTdrParamStatistics(int i);
    // The list changed: a removed entry (its index, else -1) takes its annotations with it, an added
    // one is the annotated parameter; the area is drawn again.
    void AfterListChange(int removed);
    // Row i's points on the screen when it is the annotated parameter and holds a value.
    void RefreshTdrAnnotation(int i, const TSignalObj& record);
    // Annotates row i: the annotations of the screen go, the parameter's points come.
    void ShowTdrAnnotation(int i);
    // The pass measured: the area is drawn once after a clear of the strip.
    void EnsureDrawn();

    TStripMenu BuildTdrAnnotationMenu(int n);
    void HandleTdrAnnotationMenu(const std::string& item, int n);

    // The caption of a parameter: its label and its source's name in brackets.
    std::string Caption(const TReflectParam& p) const;
    // A value as the rows write it: 4 digits with an engineering prefix, plain for "dB", then the unit.
    static std::string ValueText(double value, const std::string& unit);

    // TReadoutProvider
    std::vector<TListedCell> ListedCells() const override;
    TStripMenu BuildPopupMenu(int number) override { return BuildTdrAnnotationMenu(number); }
    void HandlePopupCommand(const std::string& command, int selected) override {
        HandleTdrAnnotationMenu(command, selected);
    }

    // The strip written to: the display panel's by default, none without one.
    std::function<TNizText*()> StripOf;

private:
    TScopeDisplayServices* Display() const;
    TNizText* Strip() const { return StripOf ? StripOf() : nullptr; }
    bool Active() const;
    int Side() const;
    bool MarginsShown() const;
    std::int32_t SourceColour(const TReflectParam& p) const;
    void Out(const std::string& text, int row, int column, std::int32_t colour);
    void SetViewMargins(bool on);
    void DeleteAnnotations();

    TShell& Shell_;
    TTdrSettings& Tdr_;
    bool Installed_ = false;
};

}  // namespace vt
