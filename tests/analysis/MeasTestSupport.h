#pragma once
// A fresh shell with records, the shared hit map and a display panel that exists, the measurement
// engine on settings the test sets, and a stub measurement list that computes its slots through the
// engine and remembers what the pass asked of it.
#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "acq/HistogramObjects.h"
#include "acq/SignalSources.h"
#include "analysis/MeasCalc.h"
#include "core/Shell.h"

namespace vt::test {

class TStubMeasSettings : public TMeasSettings {
public:
    TStubMeasSettings() { Global_.Display = 1; }
    TMeasGlobalSettings Global() const override { return Global_; }
    TMeasSourceSettings Source(int source) const override { return Sources_.at(static_cast<std::size_t>(source)); }
    void SetSlopes(int source, int left, int right) override {
        Sources_.at(static_cast<std::size_t>(source)).LeftSlope = std::clamp(left, 0, MaxSlopeSetting);
        Sources_.at(static_cast<std::size_t>(source)).RightSlope = std::clamp(right, 0, MaxSlopeSetting);
    }
    void SetMarkers(int source, int left, int right) override {
        Sources_.at(static_cast<std::size_t>(source)).LeftMarker = left;
        Sources_.at(static_cast<std::size_t>(source)).RightMarker = right;
    }
    TMeasGlobalSettings Global_;
    std::array<TMeasSourceSettings, SignalRecordCount> Sources_{};
};

// A slot's parameter, as the list fills it in.
inline TParameterOfMeas Param(int group, int kind, int source, int source2 = ssCh2) {
    TParameterOfMeas p;
    p.Group = group;
    p.Kind = kind;
    p.Source = source;
    p.Source2 = source2;
    return p;
}

class TStubMeasList : public TMeasListHooks {
public:
    explicit TStubMeasList(TMeasCalc& calc) : Calc_(calc) {}
    bool IsSourceMeasured(int source) override {
        return std::any_of(Slots.begin(), Slots.end(), [source](const TParameterOfMeas& p) {
            const bool dual = p.Group == mgXDual || p.Group == mgYDual;
            return p.Source == source || (dual && p.Source2 == source);
        });
    }
    void MeasureSlotsOfSource(int source) override {
        ++SlotPasses;
        for (TParameterOfMeas& p : Slots)
            if (p.Source == source) Calc_.CalcMeasurement(p);
    }
    void Add(int group, int kind, int source, int source2 = ssCh2) {
        Slots.push_back(Param(group, kind, source, source2));
        Slots.back().Value = 12345;  // not yet computed
    }
    std::vector<TParameterOfMeas> Slots;
    int SlotPasses = 0;

private:
    TMeasCalc& Calc_;
};

struct TPanelExists : TDisplayServices {
    bool PanelExists() const override { return true; }
};

struct TMeasRig {
    TMeasRig() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.SetFullHist(MakeOwnedPart(std::make_unique<TFullHist>()));
        Shell.SetDisplayServices(std::make_unique<TPanelExists>());
        Calc = std::make_unique<TMeasCalc>(Shell);
        auto settings = std::make_unique<TStubMeasSettings>();
        Settings = settings.get();
        Calc->SetSettings(std::move(settings));
        List = std::make_unique<TStubMeasList>(*Calc);
        Calc->SetListHooks(List.get());
    }
    // A record of the values, 1 V/div around 0, dt 1e-11 s, switched on and marked new.
    TSignalObj& SetRecord(int source, const std::vector<double>& values, double dt = 1e-11) {
        TSignalObj& r = Shell.Records()->Record(source);
        r.SetLength(static_cast<int>(values.size()));
        r.SetVertScale(1);
        r.SetVertOffset(0);
        r.SetSampleInterval(dt);
        r.SetOrigin(0);
        for (int i = 0; i < static_cast<int>(values.size()); ++i) r.SetPoint(i, values[static_cast<std::size_t>(i)]);
        r.SetChangedFlags();
        Shell.Records()->SignalsOn().SetOn(source, true);
        return r;
    }
    TMeasSourceSettings& SourceSettings(int source) { return Settings->Sources_.at(static_cast<std::size_t>(source)); }
    double Measure(int group, int kind, int source, int source2 = ssCh2) {
        TParameterOfMeas p = Param(group, kind, source, source2);
        return Calc->CalcMeasurement(p);
    }

    TShell Shell;
    std::unique_ptr<TMeasCalc> Calc;
    TStubMeasSettings* Settings = nullptr;
    std::unique_ptr<TStubMeasList> List;
};

// n points of f(i).
inline std::vector<double> Points(int n, const std::function<double(int)>& f) {
    std::vector<double> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i)] = f(i);
    return v;
}

}  // namespace vt::test
