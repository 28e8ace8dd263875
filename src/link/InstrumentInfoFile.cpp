#include "link/InstrumentInfoFile.h"

#include <vector>

#include "core/DotNumberText.h"
#include "core/TextFiles.h"
#include "core/TextHelpers.h"
#include "link/InstrumentInfo.h"
#include "link/InstrumentLink.h"
#include "link/InstrumentList.h"

namespace vt {

namespace {

constexpr int AdcCurvePoints = 65;
constexpr int MaxCurvePoints = 4096;

class TWriter {
public:
    explicit TWriter(const TInfoFileSources& s) : S_(s) {}
    std::string Text;

    void Line(const std::string& line = {}) { Text += line + "\n"; }
    void Heading(const std::string& title) {
        Line();
        Line("   " + title);
    }
    bool Firmware(std::initializer_list<int> at) const {
        return S_.Link && S_.Link->IsInstrumentConnected() && S_.Identity &&
               IsVersionAtLeast(S_.Identity->SWVersion, at);
    }
    std::vector<std::int32_t> Curve(const std::string& query) {
        std::vector<std::int32_t> values(MaxCurvePoints);
        const int n = ParseIntList(S_.Link->QueryCommand(query).Text, values);
        values.resize(static_cast<std::size_t>(n < 0 ? -n : n));
        return values;
    }
    // Values in rows of eight.
    void Rows(const std::vector<std::int32_t>& values) {
        std::string row;
        for (std::size_t i = 0; i < values.size(); ++i) {
            row += (row.empty() ? "" : "\t") + std::to_string(values[i]);
            if (i % 8 == 7 || i + 1 == values.size()) {
                Line(row);
                row.clear();
            }
        }
    }
    static std::vector<std::int32_t> Steps(const std::vector<std::int32_t>& v) {
        std::vector<std::int32_t> d;
        for (std::size_t i = 1; i < v.size(); ++i) d.push_back(v[i] - v[i - 1]);
        return d;
    }

    void Channels(const TInfoFileValues& v, bool adjustment) {
        for (int ch = 1; ch <= 2; ++ch) {
            const TInfoFileValues::TChannel& c = v.Channels[static_cast<std::size_t>(ch - 1)];
            const std::string chPart = ch == 1 ? "CH1:" : "CH2:";
            for (bool full : {true, false}) {
                const TInfoFileValues::TBand& b = full ? c.Full : c.Narrow;
                Heading(FormatDot("CHANNEL %d  ", ch) + (full ? "FULL BW:" : "NARROW BW:"));
                Line(FormatDot("Balance: %g V", b.Balance));
                Line(FormatDot("Bridge Voltage: %g V", b.BridgeVoltage));
                if (Firmware({3, 10})) {
                    const std::vector<std::int32_t> curve = Curve(std::string("CALIBR:SAMPLER:") + chPart +
                                                                  (full ? "FULLBW:" : "NARROWBW:") + "CALCURVE?");
                    if (curve.size() == AdcCurvePoints) {
                        Line("ADC codes for input Voltage -1024mV, ..., 0V, ..., 1024mV step 32mV:");
                        Rows(curve);
                        Line("ADC increments for every 32mv-steps -1024mV - +1024mV:");
                        Rows(Steps(curve));
                    }
                }
                if (adjustment && !full) Line(FormatDot("%% OF BRIDGE: %g %%", b.Bridge / 10));
                if (adjustment && full) Line(FormatDot("Swing ADC/200 mV: %d", b.SwingAdc));
                Line(FormatDot("LF Distortion: %d", b.LfDistortion));
                if (adjustment) Line(std::string("Fixed Gain: ") + (b.FixedGainHigh ? "High" : "Low"));
            }
            if (Firmware({3, 10})) {
                Heading(FormatDot("CHANNEL %d  ", ch));
                Line(FormatDot("Delta Code of ADC without Strobe = %d",
                               S_.Link->QueryInt("CALIBR:SAMPLER:" + chPart + "ZEROOFADC")));
            }
        }
    }
    void SamplerTimebase() {
        if (!Firmware({3, 8, 5})) return;
        Heading("SAMPLER'S TimeBase: ");
        Line("Calibration's Interval = " + std::to_string(S_.Link->QueryInt("CALIBR:SMPLTB:CALINTRVLA")) + "s");
        const std::vector<std::int32_t> points = Curve("CALIBR:SMPLTB:CALCURVE?");
        const std::vector<std::int32_t> steps = Steps(points);
        Line(FormatDot("Calibration's Points: %d; Intervals: %d", static_cast<int>(points.size()),
                       static_cast<int>(steps.size())));
        Line("Calibration's Points:");
        Rows(points);
        Line("Calibration's Intervals:");
        Rows(steps);
    }
    void Strobe(const TInfoFileValues& v, bool adjustment) {
        Heading("STROBE GENERATOR:");
        Line(FormatDot("SRD1 Current: %g mA", v.Srd1Current * 1000));
        Line(FormatDot("SRD2 Current: %g mA", v.Srd2Current * 1000));
        if (!adjustment) return;
        Line(FormatDot("Amplitude: %g %%", v.StrobeAmplitude));
        Line(FormatDot("Delay: %g ns", v.StrobeDelay * 1e9));
    }
    void FindSrds(const TInfoFileValues& v) {
        Heading("FIND SRDs:");
        for (int ch = 1; ch <= 2; ++ch) {
            const TInfoFileValues::TChannel& c = v.Channels[static_cast<std::size_t>(ch - 1)];
            Line(FormatDot("Channel: Channel %d", ch));
            Line(FormatDot("Min SRD1 Current: %g mA", c.MinSrd1 * 1000));
            Line(FormatDot("Max SRD1 Current: %g mA", c.MaxSrd1 * 1000));
            Line(FormatDot("Min SRD2 Current: %g mA", c.MinSrd2 * 1000));
            Line(FormatDot("Max SRD2 Current: %g mA", c.MaxSrd2 * 1000));
        }
    }
    void Timebase(const TInfoFileValues& v, bool adjustment) {
        Heading("TIMEBASE:");
        Line(FormatDot("Coarse Timebase: %g ns", v.CoarseTimebase * 1e9));
        if (adjustment) Line(FormatDot("Coarse Timebase Delay: %d", v.CoarseTimebaseDelay));
        Line(FormatDot("Fine Timebase / 4 ns: %d", v.FineTimebase));
        if (adjustment) Line(FormatDot("Fine Timebase Delay: %d", v.FineTimebaseDelay));
    }
    void Trigger(const TInfoFileValues& v) {
        Heading("TRIGGER:");
        Line(FormatDot("Ext. Level Zero: %d mV", v.ExtLevelZero));
    }

private:
    const TInfoFileSources& S_;
};

}  // namespace

std::string InfoFileText(const TInfoFileSources& s) {
    TWriter w(s);
    const TInstrumentIdentity none;
    const TInstrumentIdentity& id = s.Identity ? *s.Identity : none;
    w.Line("\tGENERAL");
    w.Line(std::string(28, '-'));
    w.Line();
    w.Line("Model: " + s.ModelName);
    w.Line("Options: " + s.OptionNames);
    w.Line(FormatDot("Year: %d", static_cast<int>(id.Year)));
    w.Line(FormatDot("Serial Number: %d", static_cast<int>(id.SerialNo)));
    w.Line("FPGA FW Version: " + VersionText(id.FPGAVersion));
    w.Line("FW Version: " + VersionText(id.SWVersion));
    w.Line("SW Version: " + s.OwnVersion);
    if (id.HasOptLAN()) w.Line("MAC Address: " + MacAddressText(id.MacAddress));
    w.Line(FormatDot("Temperature: %4.2f", s.Temperature) + "\u00B0C");

    TInfoFileValues adjustment;
    if (s.ReadValues) s.ReadValues(false, adjustment);
    w.Line();
    w.Line("\tADJUSTMENTS");
    w.Line(std::string(25, '-'));
    w.Channels(adjustment, true);
    w.Strobe(adjustment, true);
    w.FindSrds(adjustment);
    w.SamplerTimebase();
    w.Timebase(adjustment, true);
    w.Trigger(adjustment);

    TInfoFileValues calibration;
    if (s.ReadValues) s.ReadValues(true, calibration);
    w.Line();
    w.Line("\tCALIBRATIONS");
    w.Line(std::string(25, '-'));
    w.Channels(calibration, false);
    w.Strobe(calibration, false);
    w.SamplerTimebase();
    w.Timebase(calibration, false);
    return w.Text;
}

void WriteInfoFile(const std::filesystem::path& file, const TInfoFileSources& sources) {
    WriteFileAtomic(file, InfoFileText(sources));
}

}  // namespace vt
