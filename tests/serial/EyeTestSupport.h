#pragma once
// Eyes of known geometry written into the real hit map through the acquisition's own path, and the
// independent sums the tests compare with: every value written is also kept as the map will hold it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "acq/HistogramObjects.h"
#include "acq/SignalObj.h"

namespace vt::test {

// 0.1 V per division: 1280 rows per volt, row 512 at 0 V; 4096 points, 1 ps a point = a column.
inline void SetUpEyeRecord(TSignalObj& r, const char* vertUnit = "V", const char* horUnit = "s") {
    r.SetLength(4096);
    r.SetSampleInterval(1e-12);
    r.SetOrigin(0);
    r.SetVertScale(0.1);
    r.SetVertOffset(0);
    r.SetVertUnit(vertUnit);
    r.SetHorUnit(horUnit);
}

inline constexpr double RowsPerVolt = 1280;
// The upward row the map files a value under.
inline int RowOfValue(double v) { return 512 + static_cast<int>(std::nearbyint(v * RowsPerVolt)); }
inline double ValueOfRow(double row) { return (row - 512) / RowsPerVolt; }

struct TEyeShape {
    bool Rz = false;
    double One = 0.25, Zero = -0.25;
    double First = 1000;    // first boundary (NRZ) or rising edge (RZ) on screen
    double Period = 2000;   // columns a bit
    double Ramp = 400;      // columns of a full transition
    double PulseWidth = 1000;  // RZ: rising to falling edge
    double Noise = 0;       // volts (Gaussian)
    double Jitter = 0;      // columns (Gaussian, one shift a waveform)
    double OneProbability = 0.5;
};

// Writes waveforms and keeps, per point, the quantized values and what the map holds.
class TEyeWriter {
public:
    explicit TEyeWriter(TEyeShape shape, unsigned seed = 7) : Shape_(shape), Rng_(seed) {}

    // Level of bit k's slot at column x (a shift j): ramps centred on the boundaries.
    double Shape(const std::vector<int>& bits, double x, double j) const {
        const double p = Shape_.Period, w = Shape_.Ramp;
        const auto ramp = [w](double d) { return std::clamp(d / w + 0.5, 0.0, 1.0); };
        const int k = static_cast<int>(std::floor((x - Shape_.First - j) / p)) + 2;  // slot index, offset 2
        const double start = Shape_.First + j + (k - 2) * p;
        const auto bit = [&](int i) { return bits[static_cast<std::size_t>(std::clamp(i, 0, static_cast<int>(bits.size()) - 1))]; };
        double level;
        if (!Shape_.Rz) {
            // Bit k starts at start; the ramp from bit k-1 is centred there, to bit k+1 at start + p.
            const double d0 = x - start, d1 = x - (start + p);
            if (d0 < w / 2) level = bit(k - 1) + (bit(k) - bit(k - 1)) * ramp(d0);
            else if (d1 > -w / 2) level = bit(k) + (bit(k + 1) - bit(k)) * ramp(d1);
            else level = bit(k);
        } else {
            const double rise = x - start, fall = x - (start + Shape_.PulseWidth), next = x - (start + p);
            double pulse = bit(k) ? std::min(ramp(rise), 1 - ramp(fall)) : 0;
            if (next > -w / 2 && bit(k + 1)) pulse = std::max(pulse, ramp(next));
            if (rise < w / 2 && bit(k - 1)) pulse = std::max(pulse, 1 - ramp(x - (start - p + Shape_.PulseWidth)));
            level = pulse;
        }
        return Shape_.Zero + (Shape_.One - Shape_.Zero) * level;
    }

    void Write(TSignalObj& record, TFullHist& hist, int waveforms) {
        std::normal_distribution<double> noise(0, 1);
        std::bernoulli_distribution coin(Shape_.OneProbability);
        for (int n = 0; n < waveforms; ++n) {
            std::vector<int> bits(8);
            for (int& b : bits) b = coin(Rng_) ? 1 : 0;
            const double j = Shape_.Jitter * noise(Rng_);
            for (int i = 0; i < 4096; ++i) {
                const double v = Shape(bits, i, j) + Shape_.Noise * noise(Rng_);
                record.SetPoint(i, v);
                Kept.push_back(static_cast<float>(ValueOfRow(RowOfValue(v))));
            }
            AddSignalToHist(hist, record);
            ++Count;
        }
    }

    // Sums over the kept values of points from..to whose rows lie in lo..hi.
    struct TSums {
        double N = 0, Sum = 0, SumSq = 0, Max = -1e9, Min = 1e9;
        double Mean() const { return Sum / N; }
        double Rms() const { return std::sqrt(SumSq / N); }
        double AcRms() const { return std::sqrt(SumSq / N - Mean() * Mean()); }
    };
    TSums Sums(int from, int to, int lo = 10, int hi = 1014) const {
        TSums s;
        for (int n = 0; n < Count; ++n)
            for (int i = from; i <= to; ++i) {
                const double v = Kept[static_cast<std::size_t>(n) * 4096 + static_cast<std::size_t>(i)];
                const int row = RowOfValue(v);
                if (row < lo || row > hi) continue;
                s.N += 1, s.Sum += v, s.SumSq += v * v, s.Max = std::max(s.Max, v), s.Min = std::min(s.Min, v);
            }
        return s;
    }

    TEyeShape Shape_;
    std::mt19937 Rng_;
    std::vector<float> Kept;
    int Count = 0;
};

}  // namespace vt::test

#include <map>
#include <memory>
#include <string>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/DisplayServices.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "serial/ScopeSerialServices.h"

namespace vt::test {

// Hints as the hint stack keeps them: id to text.
struct THintRecorder : TDisplayServices {
    int PushOrRefreshHint(int id, const std::string& text, int, int, int) override {
        if (id == 0 || !Hints.count(id)) id = ++LastId;
        Hints[id] = text;
        return id;
    }
    void RemoveHint(int id) override { Hints.erase(id); }
    std::string GetSourceName() const override { return Database; }
    std::string Top() const { return Hints.empty() ? "" : Hints.rbegin()->second; }
    std::map<int, std::string> Hints;
    int LastId = 0;
    std::string Database = "NONEDATABASEATTHESCREEN";
};

// A shell with records (Ch1 on), the hit map, the command tree with undo and the serial services.
struct TEyeRig {
    TEyeRig() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.SetFullHist(MakeOwnedPart(std::make_unique<TFullHist>()));
        auto hints = std::make_unique<THintRecorder>();
        Hints = hints.get();
        Shell.SetDisplayServices(std::move(hints));
        Shell.SetCommandTree(CreateCommandTree());
        Shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
        Shell.UndoBuffer()->SetEnabled(true);
        TSerialFeature feature;
        feature.FillRows(Shell);
        Shell.Registration.RunRow(Shell, TRegistrationRow::RegisterEyeCommands);
        Shell.Records()->SignalsOn().SetOn(ssCh1, true);
        SetUpEyeRecord(Ch1());
    }
    TEyeMeasurement& Eye() { return static_cast<TScopeSerialServices&>(Shell.Serial()).Eye(); }
    TSignalObj& Ch1() { return Shell.Records()->Record(ssCh1); }
    std::string Run(const std::string& command) { return Shell.CommandTree()->ExecuteCommandString(command, false); }
    // One acquisition of the writer's eye, then the cycle's eye step.
    void Acquire(TEyeWriter& writer, int n = 1) {
        for (int i = 0; i < n; ++i) {
            WriteOne(writer);
            Ch1().SetChangedFlags();
            Shell.Serial().UpdateEyeMeasurements();
        }
    }
    void WriteOne(TEyeWriter& writer) {
        std::normal_distribution<double> noise(0, 1);
        std::bernoulli_distribution coin(writer.Shape_.OneProbability);
        std::vector<int> bits(8);
        for (int& b : bits) b = coin(writer.Rng_) ? 1 : 0;
        const double j = writer.Shape_.Jitter * noise(writer.Rng_);
        for (int i = 0; i < 4096; ++i) Ch1().SetPoint(i, writer.Shape(bits, i, j) + writer.Shape_.Noise * noise(writer.Rng_));
    }
    void Undo() {
        auto list = Shell.UndoBuffer()->Undo();
        ASSERT_TRUE(list.has_value());
        for (const TUndoItem& item : *list) ApplyCommandText(*item.Handler, item.Text);
    }

    TShell Shell;
    THintRecorder* Hints = nullptr;
};

}  // namespace vt::test
