#pragma once
// The engine on a scripted word source and a fake clock: a link that is not connected (so every pass
// takes the simulator's road) and a script that hands out blocks of words.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "acq/AcqTestSupport.h"
#include "link/AcqWordSource.h"

namespace vt::test {

struct TScriptedWords : TAcqWordSource {
    bool ReadAcqWords(const std::uint16_t*& words, std::uint16_t& count) override {
        ++Reads;
        count = 0;
        if (Fail) return false;
        if (Blocks.empty()) return true;
        Current = std::move(Blocks.front());
        Blocks.pop_front();
        words = Current.data();
        count = static_cast<std::uint16_t>(Current.size());
        return true;
    }
    std::deque<std::vector<std::uint16_t>> Blocks;
    std::vector<std::uint16_t> Current;
    int Reads = 0;
    bool Fail = false;
};

// The values the headers would give, where a test sets them.
struct TTestPassValues : TAcqPassValues {
    using TAcqPassValues::TAcqPassValues;
    double Offset(int channel) const override { return channel == 3 ? Offset2 : Offset1; }
    double AttenuationFactor(int) const override { return Ratio; }
    bool DualDelay() const override { return Dual; }
    bool MaskTestOn() const override { return Mask; }
    int DisplayFormat() const override { return Format; }
    double Offset1 = 0, Offset2 = 0, Ratio = 1;
    bool Dual = false, Mask = false;
    int Format = 0;
};

inline std::uint16_t Code(double volts) { return static_cast<std::uint16_t>(static_cast<std::int16_t>(volts * 16000)); }

struct TEngineRig : TAcqContext {
    explicit TEngineRig(bool ch2 = false) {
        Shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>(TLinkTiming{}, &Clock)));
        Acq.AttachToProgram(Shell);
        Acq.SetClock(&Clock);
        Acq.SetWordSources(&Script, &Script);
        auto values = std::make_unique<TTestPassValues>(Shell);
        Values = values.get();
        Acq.SetPassValues(std::move(values));
        Register();
        Shell.Records()->SignalsOn().SetOn(ssCh1, true);
        Shell.Records()->SignalsOn().SetOn(ssCh2, ch2);
        Shell.AcqEnabled = true;
    }
    // Idle steps with the clock moved past any wait.
    void Steps(int n) {
        for (int i = 0; i < n; ++i) {
            Clock.Now += 100;
            Acq.AcquisitionIdleStep();
        }
    }
    // Steps until the cycle of a Single has ended (bounded).
    void RunSingle() {
        Shell.SingleOn = true;
        for (int i = 0; i < 1000 && Shell.SingleOn; ++i) Steps(1);
    }
    double Point(int source, int i) { return Shell.Records()->Record(source).GetPoint(i); }

    TFakeLinkClock Clock;
    TScriptedWords Script;
    TTestPassValues* Values = nullptr;
};

}  // namespace vt::test

namespace vt::test {

// The engine on a link to the fake instrument, with the full 200 idle calls of grace.
struct TEngineOnFake : TAcqContext {
    TEngineOnFake() {
        TLinkTiming timing = FastTiming(Fake.Port());
        timing.CommErrIdleCalls = 200;
        Shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>(timing, &Clock)));
        Identity.ModelType = 4;
        Shell.SetSenders(MakeOwnedPart(std::make_unique<TInstrumentSenders>(*Shell.Link(), Identity)));
        Acq.AttachToProgram(Shell);
        Acq.SetClock(&Clock);
        auto values = std::make_unique<TTestPassValues>(Shell);
        Values = values.get();
        Acq.SetPassValues(std::move(values));
        Register();
        Shell.Records()->SignalsOn().SetOn(ssCh1, true);
        Shell.AcqEnabled = true;
    }
    // The settings registered before the link opened go out with the first pass.
    bool Open() {
        const bool ok = Shell.Link()->OpenInstrumentLink(false, Loopback());
        Shell.Senders()->ClearCommandCache();
        return ok;
    }
    // Idle steps (the clock moves a little each time, so that the waits pass) until done (bounded).
    bool StepUntil(const std::function<bool()>& done, int maxSteps = 20000) {
        for (int i = 0; i < maxSteps; ++i) {
            if (done()) return true;
            Clock.Now += 4;
            Acq.AcquisitionIdleStep();
        }
        return done();
    }
    std::vector<std::string> LinesLike(const std::string& a, const std::string& b) {
        std::vector<std::string> out;
        for (const std::string& line : Fake.Lines())
            if (line.rfind(a, 0) == 0 || line == b) out.push_back(line);
        return out;
    }

    TFakeInstrument Fake;
    TFakeLinkClock Clock;
    TInstrumentIdentity Identity;
    TTestPassValues* Values = nullptr;
};

}  // namespace vt::test
