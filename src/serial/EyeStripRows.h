#pragma once
// The eye's rows of the bottom strip: one row a listed parameter (slot n in row n - 1) with its name,
// current value, count, minimum and maximum, and with statistics on its mean and deviation.
#include <cstdint>
#include <functional>
#include <string>

#include "serial/EyeMeasurement.h"

namespace vt {

class TNizText;
class TShell;

class TEyeStripRows : public TEyeReadouts {
public:
    TEyeStripRows(TShell& shell, TEyeMeasurement& eye);

    void BuildEyeStrip() override;
    void ClearEyeRows() override;
    bool StripBuilt() const override;
    void DrawEyeParamCells(int mode, int slot) override;
    void WriteCountCell(int slot, const std::string& text) override;

    // The strip written to: the display panel's by default, none without one.
    std::function<TNizText*()> StripOf;
    // The statistics column headers in their eye form: the measurement readouts' by default.
    std::function<void()> DrawHeaders;

    // A value as the rows write it: 4 digits with an engineering prefix, none for "dB", then the unit.
    static std::string ValueText(double value, const std::string& unit);

private:
    TNizText* Strip() const { return StripOf ? StripOf() : nullptr; }
    std::int32_t SourceColour() const;
    void Out(const std::string& text, int row, int column, std::int32_t colour);

    TShell& Shell_;
    TEyeMeasurement& Eye_;
};

}  // namespace vt
