#pragma once
// What the eye shows of its parameters: the rows of the bottom strip (slot n in row n - 1) with name,
// current value, count, minimum and maximum, and with statistics on mean and deviation; the
// annotations of the one shown slot; the popup of a row; the menu page and the top strip's icon.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "display/AnnotationState.h"
#include "display/BottomReadoutStrip.h"
#include "serial/EyeMeasurement.h"

namespace vt {

class TScopeDisplayServices;
class TShell;

class TEyeStripRows : public TEyeReadouts, public TReadoutProvider {
public:
    TEyeStripRows(TShell& shell, TEyeMeasurement& eye);
    ~TEyeStripRows() override;
    TEyeStripRows(const TEyeStripRows&) = delete;
    TEyeStripRows& operator=(const TEyeStripRows&) = delete;

    void BuildEyeStrip() override;
    void ClearEyeRows() override;
    bool StripBuilt() const override;
    void DrawEyeParamCells(int mode, int slot) override;
    void WriteCountCell(int slot, const std::string& text) override;

    // The strip written to: the display panel's by default, none without one.
    std::function<TNizText*()> StripOf;
    // The statistics column headers in their eye form: the measurement readouts' by default.
    std::function<void()> DrawHeaders;

    // --- the menu and the top strip
    void ResetMenuPage() override;
    void RefreshSampleModeIcon() override;

    // --- annotations (owner kind 2 for an NRZ slot, 3 for RZ)
    void ClearAnnotations() override;
    int AnnotationOwner() const override;
    void BuildEyeAnnotations(int slot, int mode) override;
    int ShownSlot() const override;
    void RemoveSlotAnnotations(int mode, int slot) override;
    void ReshowEyeAnnotations() override;
    // After a language switch: the shown slot's texts anew.
    void ShowEyeAnnotations();
    void RefreshAnnotationLayers() override;

    // --- the popup of a row
    TStripMenu BuildEyePopupMenu(int slot);
    void HandleEyePopupCommand(const std::string& command, int slot);
    std::vector<TListedCell> ListedCells() const override;
    TStripMenu BuildPopupMenu(int number) override { return BuildEyePopupMenu(number); }
    void HandlePopupCommand(const std::string& command, int selected) override { HandleEyePopupCommand(command, selected); }

    // A value as the rows write it: 4 digits with an engineering prefix, none for "dB", then the unit.
    static std::string ValueText(double value, const std::string& unit);

private:
    TNizText* Strip() const { return StripOf ? StripOf() : nullptr; }
    std::int32_t SourceColour() const;
    void Out(const std::string& text, int row, int column, std::int32_t colour);

    TScopeDisplayServices* Display() const;
    // The display's annotation state; a display without annotations gets one of the rows' own.
    TAnnotationState& AnnState() const;
    void SetDisplayWindow(bool on);

    TShell& Shell_;
    TEyeMeasurement& Eye_;
    mutable TAnnotationState OwnAnnState_;
    int ShownSlot_ = 0;
    bool Installed_ = false;
};

}  // namespace vt
