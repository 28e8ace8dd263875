#pragma once
// The engine on a fake clock, reading either a script of word blocks (the link is not connected, so
// every pass takes the simulator's road) or the fake instrument over loopback.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "acq/AcqTestSupport.h"
#include "link/AcqWordSource.h"

namespace vt::test {

// Hands out its blocks in order; once they are used up, each read ends the pass.
struct TScriptedWords : TAcqWordSource {
    bool ReadAcqWords(const std::uint16_t*& words, std::uint16_t& count) override {
        ++Reads;
        Current = {0x8000};
        if (!Blocks.empty()) Current = std::move(Blocks.front());
        if (!Blocks.empty()) Blocks.pop_front();
        words = Current.data();
        count = static_cast<std::uint16_t>(Current.size());
        return true;
    }
    std::deque<std::vector<std::uint16_t>> Blocks;
    std::vector<std::uint16_t> Current;
    int Reads = 0;
};

// The values the headers would give, where a test sets them.
struct TTestPassValues : TAcqPassValues {
    using TAcqPassValues::TAcqPassValues;
    double Offset(int) const override { return Offset1; }
    double AttenuationFactor(int) const override { return Ratio; }
    bool DualDelay() const override { return Dual; }
    bool MaskTestOn() const override { return Mask; }
    int DisplayFormat() const override { return Format; }
    double Offset1 = 0, Ratio = 1;
    bool Dual = false, Mask = false;
    int Format = 0;
};

inline std::uint16_t Code(double volts) { return static_cast<std::uint16_t>(static_cast<std::int16_t>(volts * 16000)); }

struct TEngineRig : TAcqContext {
    // onFake: a link to the fake instrument with the full 200 idle calls of grace.
    explicit TEngineRig(bool onFake = false) {
        TLinkTiming timing = FastTiming(onFake ? (Fake = std::make_unique<TFakeInstrument>())->Port() : 0);
        timing.CommErrIdleCalls = 200;
        Shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>(timing, &Clock)));
        Shell.SetSenders(MakeOwnedPart(std::make_unique<TInstrumentSenders>(*Shell.Link(), Identity)));
        Acq.AttachToProgram(Shell);
        Acq.SetClock(&Clock);
        if (!onFake) Acq.SetWordSources(&Script, &Script);
        auto values = std::make_unique<TTestPassValues>(Shell);
        Values = values.get();
        Acq.SetPassValues(std::move(values));
        Register();
        if (onFake) {
            EXPECT_TRUE(Shell.Link()->OpenInstrumentLink(false, Loopback()));
            Shell.Senders()->ClearCommandCache();  // what registration sent went nowhere
        }
        Shell.Records()->SignalsOn().SetOn(ssCh1, true);
        Shell.Records()->SignalsOn().SetOn(ssCh2, false);
        Shell.AcqEnabled = true;
    }
    // Idle steps, the clock moving a little each time so that the waits pass, until done (bounded).
    bool StepUntil(const std::function<bool()>& done, int maxSteps = 20000) {
        for (int i = 0; i < maxSteps && !done(); ++i) {
            Clock.Now += 4;
            Acq.AcquisitionIdleStep();
        }
        return done();
    }
    void RunSingle() {
        Shell.SingleOn = true;
        EXPECT_TRUE(StepUntil([&] { return !Shell.SingleOn; }));
    }
    double Point(int source, int i) { return Shell.Records()->Record(source).GetPoint(i); }

    TFakeLinkClock Clock;
    TInstrumentIdentity Identity;
    std::unique_ptr<TFakeInstrument> Fake;
    TScriptedWords Script;
    TTestPassValues* Values = nullptr;
};

}  // namespace vt::test
