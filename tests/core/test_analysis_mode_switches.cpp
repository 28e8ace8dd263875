#include <gtest/gtest.h>

#include <string>

#include "core/AnalysisModeSwitches.h"

using namespace vt;

namespace {

struct TModeLog : TAnalysisModeSwitches {
    std::string Log;
    void SwitchOffMarkers() override { Log += "mark "; }
    void SwitchOffMeasurements() override { Log += "meas "; }
    void SwitchOffHistogram() override { Log += "hist "; }
    void SwitchOffMaskTest() override { Log += "mask "; }
    void SwitchOffEyeMeasurement() override { Log += "eye "; }
    void SwitchOffTdr() override { Log += "tdr "; }
    void SwitchOffJitter() override { Log += "jitter "; }
};

std::string SwitchedOff(int kind) {
    TModeLog log;
    SwitchOffOtherModes(kind, log);
    return log.Log;
}

}  // namespace

TEST(AnalysisModes, EveryAnalysisModeButTheMenusOwnIsSwitchedOff) {
    EXPECT_EQ(SwitchedOff(mkMarkers), "meas hist mask eye tdr jitter ");
    EXPECT_EQ(SwitchedOff(mkEye), "mark meas hist mask tdr jitter ");
    EXPECT_EQ(SwitchedOff(mkJitter), "mark meas hist mask eye tdr ");
    EXPECT_EQ(SwitchedOff(mkChannels), "mark meas hist mask eye tdr jitter ");
    // The null switches do nothing.
    TAnalysisModeSwitches none;
    SwitchOffOtherModes(mkEye, none);
}
