#include "serial/TdrExcess.h"

#include <algorithm>
#include <cmath>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "analysis/Markers.h"
#include "core/CommandTree.h"
#include "core/EngineeringText.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/SourceHandlers.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/ScreenColors.h"
#include "display/ScopeDisplayServices.h"
#include "serial/TdrMeasurements.h"
#include "serial/TdrSettings.h"

namespace vt {

namespace {
constexpr int ExcessRow = 4;
constexpr int ExcessColumn = 4;

int MarkerSourceOf(TCommandTree* tree, int n) {
    auto* source = FindSetting<TSignalSourceSwHandler>(tree, "Mark:M" + std::to_string(n) + ":Source");
    return source ? source->GetSource() : ssCh1;
}
}  // namespace

THeterogeneity::THeterogeneity(TShell& shell, TTdrSettings& tdr) : Shell_(shell), Tdr_(tdr) {
    StripOf = [this]() -> TNizText* {
        auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
        TScopeCRT* panel = display ? display->Panel() : nullptr;
        return panel ? &panel->BottomStrip() : nullptr;
    };
}

void THeterogeneity::Update() {
    TCommandTree* tree = Shell_.CommandTree();
    bool shown = false;
    if (tree && Tdr_.IsTdrActive()) {
        const int type = ReadChoiceSetting(tree, "Mark:Type", mtOff);
        const int source = MarkerSourceOf(tree, 1);
        // The marker reference's dB ratio owns the same cell while it is on.
        const bool refer = ReadOnOffSetting(tree, "Mark:Refer", false);
        if ((type == mtMX || type == mtXY) && !refer && source == MarkerSourceOf(tree, 2) && source >= 0 && source < 4) {
            const int state = Tdr_.TdrChannelState(source < ssCh2 ? TdrChannel1 : TdrChannel2);
            shown = state == 1 || state == 2;
            SourceIndex = static_cast<std::uint8_t>(source);
            InOhm = state == 2;
        }
    }
    if (shown == Shown) return;
    Shown = shown;
    ShowExcess();
}

void THeterogeneity::ShowExcess() {
    if (!Shown) {
        Write("", "");
        return;
    }
    const TSignalRecords* records = Shell_.Records();
    TCommandTree* tree = Shell_.CommandTree();
    if (!records || !tree) return;
    const TSignalObj& r = records->Record(SourceIndex);
    // From the left marker's record point to the right one's.
    const auto point = [&](int n) {
        const double column = ReadRealSetting(tree, "Mark:M" + std::to_string(n) + ":XPos", 0);
        return static_cast<int>(std::lround(r.ColumnToIndex(column)));
    };
    const int a = point(1), b = point(2);
    const TExcessLC x = ComputeExcessLC(r, std::min(a, b), std::max(a, b));
    const std::string label = Shell_.LangStr("Excess") + " " + (x.Valid ? std::string(1, x.Letter) : std::string());
    const std::string value = x.Valid ? FloatToEngStr(3, 3, false, false, x.Value) + (x.Letter == 'C' ? "F" : "H") : "";
    Write(label, value);
}

void THeterogeneity::Write(const std::string& label, const std::string& value) {
    TNizText* strip = StripOf ? StripOf() : nullptr;
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    // In the colour of the record the markers are on, as the markers' own differences.
    const auto colour = static_cast<std::int32_t>(
        (display ? display->Colors().SourceRGB(SourceIndex) : SourceRGB(SourceIndex)).Value & 0x00FFFFFFu);
    if (strip && !strip->ExcessDrawn) {
        // The strip was cleared under the texts: the cell is blank now. Nothing is written into it
        // while the readout is not shown: the markers' reference ratio may own it.
        strip->ExcessDrawn = true;
        Label_.clear();
        Value_.clear();
    }
    if (label != Label_) {
        Label_ = label;
        if (strip) strip->DelayedTextOut(label, MarkerCellRect(ExcessRow, ExcessColumn, false), -1, colour);
    }
    if (value != Value_) {
        Value_ = value;
        if (strip) strip->DelayedTextOut(value, MarkerCellRect(ExcessRow, ExcessColumn, true), -1, colour);
    }
}

}  // namespace vt
