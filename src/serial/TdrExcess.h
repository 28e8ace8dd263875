#pragma once
// The excess inductance or capacitance between the two X markers of a TDR record in rho or ohm,
// written into the bottom strip's last marker cell.
#include <cstdint>
#include <functional>
#include <string>

namespace vt {

class TShell;
class TNizText;
class TTdrSettings;

class THeterogeneity {
public:
    THeterogeneity(TShell& shell, TTdrSettings& tdr);

    // Whether the readout applies now; a change redraws it.
    void Update();
    // Computes and writes the readout (empties it when it does not apply).
    void ShowExcess();

    bool Shown = false;
    std::uint8_t SourceIndex = 0;
    bool InOhm = false;

    // The strip written to: the display panel's by default, none without one.
    std::function<TNizText*()> StripOf;
    const std::string& LabelText() const { return Label_; }
    const std::string& ValueText() const { return Value_; }

private:
    void Write(const std::string& label, const std::string& value);

    TShell& Shell_;
    TTdrSettings& Tdr_;
    std::string Label_;
    std::string Value_;
};

}  // namespace vt
