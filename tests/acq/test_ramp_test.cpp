// The service settings against the fake instrument: one command line per change, the DAC choice that
// the instrument may correct, the model's extra DACs, and the test stand put back at the program's end.
#include <gtest/gtest.h>

#include "OptionsOnFakeSupport.h"
#include "acq/RampTest.h"

using namespace vt;
using namespace vt::test;

namespace {

struct TRampOnFake : TOptionsOnFake {
    // flashCode 2: model type 2; 251: model type 8.
    TRampOnFake(int flashCode, const char* software, const char* fpga) : TOptionsOnFake(255, flashCode, software, fpga) {
        Start({&Ramp}, {});
    }
    TRampTest Ramp{Shell, nullptr};
};

using TLines = std::vector<std::string>;

}  // namespace

TEST(RampTest, EachChangeIsOneLineAndTheInstrumentCorrectsTheDacChoice) {
    TRampOnFake t(2, "3.7.4", "3");
    for (const char* line : {"RampTest:Operat Read", "RampTest:Mode Manual", "RAMPTEST:ADDRESS 70000", "RampTest:IncData On",
                             "RampDAC:StepHigh 16", "RampDAC:Mode Manual", "RampDAC:InitData 1234"})
        t.Run(line);
    EXPECT_EQ(t.Since("RampTest:DAC:InitData 1234"),
              (TLines{"RampTest:ReadOp On", "RampTest:Cycle Off", "RampTest:Addr 65535", "RampTest:IncData On",
                      "RampTest:DAC:StepHigh 16", "RampTest:DAC:Cycle Off", "RampTest:DAC:InitData 1234"}));
    t.Run("TestSbor:SRD1 0.01");
    EXPECT_EQ(t.Run("TestSbor:SRD1?"), "TESTSBOR:SRD1 10 m\u0410");

    t.Fake.SetReply("RampTest:DAC:Select? 5", "7");
    t.Fake.SetReply("RampTest:DAC:Select? 9", "busy");
    t.Run("RampDAC:Select 5");
    EXPECT_EQ(t.Choice("RampDAC:Select"), 7);
    t.Run("RampDAC:Select 9;:RampDAC:Select 17");  // an unreadable reply is no choice; 17 is no item
    EXPECT_EQ(t.Choice("RampDAC:Select"), 9);

    // Before 3.7.4 the stand's commands are unknown to the instrument.
    TRampOnFake old(2, "3.7.3", "3");
    old.Ramp.ProgramEnded(old.Shell);
    old.Shell.Link()->QueryInt("*IDN");  // a round trip: everything sent before it has arrived
    for (const std::string& line : old.Since("*IDN?")) EXPECT_EQ(line.find("STENDSAMPL"), std::string::npos) << line;
}

TEST(RampTest, ModelTypeEightOffersTwoMoreDacsAndTheStandRunsNormallyAfterTheEnd) {
    TRampOnFake t(251, "3.7.4", "3");  // FPGA 0.3
    // Registered again at the next start: replaced, not doubled.
    RegisterLateCommandHandlers(t.Shell);
    EXPECT_EQ(dynamic_cast<TRadioSwHandler&>(t.Setting("RampDAC:Select")).Items().size(), 19u);

    t.Shell.StandSampler = {.Strobe = false, .SamplerTimebase = true, .Linearization = false, .Jitter = 1e-12};
    t.Ramp.ProgramEnded(t.Shell);
    EXPECT_EQ(t.Since("STENDSAMPL:SMPLTBJTR 0"),
              (TLines{"STENDSAMPL:WITHOUTSTROBE Off", "STENDSAMPL:SMPLTBON Off", "STENDSAMPL:WITHOUTLINEAR Off",
                      "STENDSAMPL:SMPLTBJTR 0"}));
}
