#include "analysis/MeasSettings.h"

#include <algorithm>

#include "acq/SignalSources.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"

namespace vt {

std::string MeasSourcePath(int source, const char* name) {
    return "Meas:" + SourceShortName(source) + ":" + name;
}

TCommandTree* TMeasSettings::Tree() const { return Shell_ ? Shell_->CommandTree() : nullptr; }

TMeasGlobalSettings TMeasSettings::Global() const {
    TMeasGlobalSettings g;
    g.Display = ReadChoiceSetting(Tree(), "Meas:Display", g.Display);
    g.DisplSrc = ReadChoiceSetting(Tree(), "Meas:DisplSrc", g.DisplSrc);
    g.View = ReadOnOffSetting(Tree(), "Meas:View", g.View);
    g.Mode = ReadChoiceSetting(Tree(), "Meas:Mode", g.Mode);
    g.LimitTestOn = ReadOnOffSetting(Tree(), "Limit:TestOn", g.LimitTestOn);
    return g;
}

TMeasSourceSettings TMeasSettings::Source(int source) const {
    TMeasSourceSettings s;
    // Without the settings every path would be built for nothing.
    TCommandTree* tree = Tree();
    if (!tree || !FindSetting<TRadioSwHandler>(tree, MeasSourcePath(source, "Method"))) {
        if (source <= ssM4) s.Source2 = ReadChoiceSetting(Tree(), MeasSourcePath(source, "Source2"), s.Source2);
        return s;
    }
    auto choice = [&](const char* name, int& v) { v = ReadChoiceSetting(Tree(), MeasSourcePath(source, name), v); };
    auto real = [&](const char* name, double& v) { v = ReadRealSetting(Tree(), MeasSourcePath(source, name), v); };
    auto integer = [&](const char* name, int& v) {
        v = static_cast<int>(ReadRealSetting(Tree(), MeasSourcePath(source, name), v));
    };
    choice("Method", s.Method);
    real("Top", s.Top);
    real("Base", s.Base);
    choice("Thresh", s.Thresh);
    choice("Unit", s.Unit);
    real("UpThresh", s.UpThresh);
    real("MidThresh", s.MidThresh);
    real("LowThresh", s.LowThresh);
    real("UpThPerc", s.UpThPerc);
    real("MidThPerc", s.MidThPerc);
    real("LowThPerc", s.LowThPerc);
    choice("MargMode", s.MargMode);
    integer("LeftSlope", s.LeftSlope);
    integer("RightSlope", s.RightSlope);
    choice("LeftTresh", s.LeftTresh);
    choice("RightTresh", s.RightTresh);
    real("LeftMarker", s.LeftMarker);
    real("RightMarker", s.RightMarker);
    if (source >= ssF1) {
        choice("FFTMethod", s.FFTMethod);
        real("FFTLeft", s.FFTLeft);
        real("FFTRight", s.FFTRight);
        real("PeakLevel", s.PeakLevel);
        integer("PeakLeft", s.PeakLeft);
        integer("PeakRight", s.PeakRight);
    }
    if (source <= ssM4) choice("Source2", s.Source2);
    return s;
}

void TMeasSettings::SetSlopes(int source, int left, int right) {
    // An empty crossing table answers 1000 for the right edge: the settings hold 0..127.
    WriteRealSetting(Tree(), MeasSourcePath(source, "LeftSlope"), std::clamp(left, 0, MaxSlopeSetting));
    WriteRealSetting(Tree(), MeasSourcePath(source, "RightSlope"), std::clamp(right, 0, MaxSlopeSetting));
}

void TMeasSettings::SetMarkers(int source, int left, int right) {
    WriteRealSetting(Tree(), MeasSourcePath(source, "LeftMarker"), left);
    WriteRealSetting(Tree(), MeasSourcePath(source, "RightMarker"), right);
}

}  // namespace vt
