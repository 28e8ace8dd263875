#include "serial/EyeStripRows.h"

#include "acq/SignalSources.h"
#include "analysis/MeasurementReadouts.h"
#include "analysis/Measurements.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/EngineeringText.h"
#include "core/Numeric.h"
#include "core/Shell.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "display/ScreenColors.h"

namespace vt {

namespace {
constexpr int EyeRowCount = 4;
constexpr int EyeColumnCount = 7;
}  // namespace

TEyeStripRows::TEyeStripRows(TShell& shell, TEyeMeasurement& eye) : Shell_(shell), Eye_(eye) {
    StripOf = [this]() -> TNizText* {
        TScopeDisplayServices* display = Display();
        TScopeCRT* panel = display ? display->Panel() : nullptr;
        return panel ? &panel->BottomStrip() : nullptr;
    };
    DrawHeaders = [this] {
        if (auto* analysis = dynamic_cast<TScopeAnalysisServices*>(&Shell_.Analysis()))
            analysis->Measurements().Readouts().DrawMeasStatHeaders(shmEye);
    };
    // The strip asks the eye about presses in its rows.
    if (TScopeDisplayServices* display = Display()) {
        display->ReadoutProviders()[static_cast<std::size_t>(TReadoutKind::Eye)] = this;
        Installed_ = true;
    }
}

TEyeStripRows::~TEyeStripRows() {
    if (!Installed_) return;
    if (TScopeDisplayServices* display = Display()) {
        TReadoutProvider*& provider = display->ReadoutProviders()[static_cast<std::size_t>(TReadoutKind::Eye)];
        if (provider == this) provider = nullptr;
    }
}

TScopeDisplayServices* TEyeStripRows::Display() const { return dynamic_cast<TScopeDisplayServices*>(&Shell_.Display()); }

std::string TEyeStripRows::ValueText(double value, const std::string& unit) {
    // A ratio in dB reads badly with a prefix ("827.9 mdB"): it is written plain.
    const std::string number = FloatToEngStr(unit == "dB" ? 0 : 3, 4, false, false, value);
    return IsUndefinedValue(value) ? number : number + unit;
}

std::int32_t TEyeStripRows::SourceColour() const {
    const int source = Eye_.Source();
    // A source without a colour of its own (Const, None) is written in white.
    if (SourceToColorIndex(source) >= ScreenElementCount) return 0x00FFFFFF;
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    const TColor colour = display ? display->Colors().SourceRGB(source) : SourceRGB(source);
    return static_cast<std::int32_t>(colour.Value & 0x00FFFFFFu);
}

void TEyeStripRows::Out(const std::string& text, int row, int column, std::int32_t colour) {
    if (TNizText* strip = Strip()) strip->DelayedTextOut(text, NizCellRect(row, column), -1, colour);
}

void TEyeStripRows::ClearEyeRows() {
    TNizText* strip = Strip();
    if (!strip) return;
    // The header row (-1) goes with the rows: it belongs to the eye while the eye owns the strip.
    for (int row = -1; row < EyeRowCount; ++row)
        for (int column = 1; column <= EyeColumnCount; ++column) Out("", row, column, 0);
    // The names went too: the next acquisition writes them again.
    strip->EyeLabelsDrawn = false;
}

bool TEyeStripRows::StripBuilt() const {
    // Without a strip there is nothing to build.
    const TNizText* strip = Strip();
    return !strip || strip->EyeLabelsDrawn;
}

void TEyeStripRows::BuildEyeStrip() {
    TNizText* strip = Strip();
    const int mode = Eye_.Measure();
    if (!strip || mode == emOff) return;
    // Every row is cleared first: after a removal the last row would keep the removed parameter.
    ClearEyeRows();
    if (DrawHeaders) DrawHeaders();
    const std::int32_t colour = SourceColour();
    for (int slot = 1; slot <= Eye_.ParamCount(mode) && slot <= EyeRowCount; ++slot) {
        Out(Eye_.EyeParamSourceName(*Eye_.Slot(mode, slot)), slot - 1, 1, colour);
        DrawEyeParamCells(mode, slot);
    }
    strip->EyeLabelsDrawn = true;
}

void TEyeStripRows::DrawEyeParamCells(int mode, int slot) {
    const TParam* p = Eye_.Slot(mode, slot);
    if (!p || p->Stat.Count < 1 || slot > EyeRowCount || !Strip()) return;
    const std::int32_t colour = SourceColour();
    const int row = slot - 1;
    Out(ValueText(p->Value, p->Unit), row, 2, colour);
    // The statistics keep their unit while the latest value is undefined (and has none).
    Out(ValueText(p->Stat.Min, p->StatUnit), row, 4, colour);
    Out(ValueText(p->Stat.Max, p->StatUnit), row, 5, colour);
    if (!Eye_.StatisticOn()) return;
    Out(ValueText(p->Stat.Mean, p->StatUnit), row, 6, colour);
    Out(p->Stat.Count < 2 ? Shell_.LangStr("Undefined") : ValueText(p->Stat.StdDev, p->StatUnit), row, 7, colour);
}

void TEyeStripRows::WriteCountCell(int slot, const std::string& text) {
    if (slot < 1 || slot > EyeRowCount) return;
    Out(text, slot - 1, 3, SourceColour());
}

}  // namespace vt
