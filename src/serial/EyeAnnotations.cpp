// The annotations of the eye's shown slot: their texts by parameter, and their life from the slot's
// choice until a removal, a mode change or a clear drops them.
#include <string>
#include <string_view>
#include <vector>

#include "core/MenuKinds.h"
#include "core/Numeric.h"
#include "core/Shell.h"
#include "core/WindowBindings.h"
#include "display/AnnotationLayer.h"
#include "display/Annotations.h"
#include "display/ScopeDisplayServices.h"
#include "display/TopStatusStrip.h"
#include "serial/EyeStripRows.h"

namespace vt {

namespace {

// Shapes: the eye's points alternate left and right arrows; widths and single-line levels have their own.
constexpr int ShapeLeftWidth = 2;
constexpr int ShapeRightWidth = 3;
constexpr int ShapeLine = 4;
constexpr int AutoShape = -1;

struct TPointText {
    int N;
    std::string Text;  // without the blanks round it
    int Shape = AutoShape;
};

class TTextTable {
public:
    explicit TTextTable(const TShell& shell) : Shell_(shell) {}
    std::string Lang(const char* key) const { return Shell_.LangStr(key); }

    std::vector<TPointText> For(int mode, int axis, std::string_view item) const {
        std::vector<TPointText> t;
        const auto is = [item](std::initializer_list<std::string_view> names) {
            for (std::string_view n : names)
                if (n == item) return true;
            return false;
        };
        const auto add = [&](int n, const std::string& text, int shape = AutoShape) { t.push_back({n, text, shape}); };
        const auto pair = [&](int first, const char* key) {
            add(first, Lang(key));
            add(first + 1, Lang(key));
        };
        const auto cross = [&] {
            add(1, Lang("an_L_Cross"));
            add(2, Lang("an_R_Cross"));
        };
        const auto widths = [&](int first) {
            add(first, Lang("anL_Width"), ShapeLeftWidth);
            add(first + 1, Lang("anR_Width"), ShapeRightWidth);
        };
        const auto levels = [&] {
            pair(1, "an1_Lvl");
            pair(3, "an0_Lvl");
        };
        const auto signalToNoise = [&] {
            add(1, Lang("an0_Lvl"));
            add(2, Lang("an1_Lvl"));
            add(3, Lang("an1_Noise"));
            add(4, Lang("an0_Noise"));
        };
        const bool rz = mode == emRz;
        if (axis == eaX) {
            if (is({"BitRate", "BitTime", "CycleArea", "FallTime", "Freq", "Period", "RiseTime"})) cross();
            else if (is({"CrossTime"})) add(1, Lang("an_Crossing"));
            else if (is({"DutCycDistP", "DutCycDistS"})) add(1, Lang("an_L50Perc")), add(2, Lang("an_R50Perc"));
            else if (is({"EyeWidth", "EyeWidthP"})) {
                // The RZ eye opens between its pulses: its crossings come first.
                if (rz && item == "EyeWidthP") cross();
                add(rz ? 3 : 1, Lang("anL_Open"));
                add(rz ? 4 : 2, Lang("anR_Open"));
            } else if (is({"JitterPP", "JittPpFall", "JittPpRise"})) add(1, Lang("anLPp")), add(2, Lang("anRPp"));
            else if (is({"JitterRMS", "JittRMSFall", "JittRMSRise"})) add(1, Lang("anL_RMS")), add(2, Lang("anR_RMS"));
            else if (is({"NegCross", "PosCross"})) add(1, (item == "NegCross" ? "- " : "+ ") + Lang("an_Crossing"));
            else if (is({"PosDutyCyc"})) cross(), widths(3);
            else if (is({"PulseSymm"})) widths(1), add(3, Lang("Max"));
            else if (is({"PulseWidth"})) widths(3);
            return t;
        }
        if (is({"AcRMS"})) add(1, rz ? Lang("RMS") : std::string("AC RMS"), ShapeLine);
        else if (is({"CrossPerc", "CrossLevel"})) levels(), add(5, Lang("an_Crossing"));
        else if (is({"ExtRatioDB", "ExtRatioP", "ExtRatio"})) levels(), add(5, Lang("anDarkLevel"));
        else if (is({"EyeAmpl"})) levels();
        else if (is({"Contrast", "ContrastBb", "ContrastP"})) pair(1, "an1_Lvl"), pair(3, "an1P_Level");
        else if (is({"EyeHeight", "EyeHeightDB"})) pair(1, "an1_Open"), pair(3, "an0_Open");
        else if (is({"Max", "Min"})) add(1, Lang(item == "Max" ? "Max" : "Min"));
        else if (is({"Mean", "Mid", "RMS"})) add(1, Lang(std::string(item).c_str()), ShapeLine);
        else if (is({"NegOver", "PosOver"})) levels(), add(5, Lang(item == "NegOver" ? "anMinusPeak" : "anPlusPeak"));
        else if (is({"PPNoiseOne", "PPNoiseZero"})) {
            add(1, Lang(rz ? "anMinusPeak" : "anPlusPeak"));
            add(2, Lang(rz ? "anPlusPeak" : "anMinusPeak"));
        } else if (is({"RMSNoiseOne", "RMSNoiseZero", "RmsNoiseOne"})) {
            if (rz) add(1, "- " + Lang("RMS")), add(2, "+ " + Lang("RMS"));
            else add(1, Lang("anPlusRMS")), add(2, Lang("anMinusRMS"));
        } else if (is({"OneLevel"})) pair(1, "an1_Lvl");
        else if (is({"ZeroLevel"})) pair(1, "an0_Lvl");
        else if (is({"PeakPeak"})) add(1, Lang("Max")), add(2, Lang("Min"));
        else if (is({"SNRaio", "SNRaioDB", "SignToNoise"})) signalToNoise();
        else if (is({"EyeOpenFact"})) {
            add(1, Lang("an0_Lvl"));
            add(2, Lang("an1_Lvl"));
            add(3, "1 " + Lang("RMS"));
            add(4, "0 " + Lang("RMS"));
        }
        return t;
    }

private:
    const TShell& Shell_;
};

bool IsEyeOwner(int owner) { return owner == emNrz + 1 || owner == emRz + 1; }

}  // namespace

// ------------------------------------------------------------------------- menu and top strip

void TEyeStripRows::ResetMenuPage() {
    if (TWindowBindings* bindings = Shell_.WindowBindings()) bindings->ResetMenuPage(mkEye);
}

void TEyeStripRows::RefreshSampleModeIcon() {
    if (TScopeDisplayServices* display = Display()) TopTextShowSampleModeIcon(*display);
}

// -------------------------------------------------------------------------------- annotations

TAnnotationState& TEyeStripRows::AnnState() const {
    if (TScopeDisplayServices* display = Display()) return display->Annotations();
    return OwnAnnState_;
}

int TEyeStripRows::AnnotationOwner() const { return AnnState().Owner; }

// Another feature's annotations (or none) mean the eye shows none.
int TEyeStripRows::ShownSlot() const { return IsEyeOwner(AnnState().Owner) ? ShownSlot_ : 0; }

void TEyeStripRows::ClearAnnotations() {
    if (TScopeDisplayServices* display = Display()) {
        vt::ClearAnnotations(*display);
    } else {
        OwnAnnState_.UsedSlots = 0;
        OwnAnnState_.Owner = 0;
    }
    ShownSlot_ = 0;
}

void TEyeStripRows::BuildEyeAnnotations(int slot, int mode) {
    const int current = Eye_.Measure();
    TParam* p = Eye_.Slot(mode, slot);
    if (current == emOff || mode != current || !p || ShownSlot() == slot) return;
    ClearAnnotations();
    TAnnotationState& state = AnnState();
    ShownSlot_ = slot;
    state.Owner = static_cast<std::int8_t>(mode + 1);
    // The points stay where the last value put them; only what is drawn there is defined anew.
    TAnnLabelArray& a = p->Annotations;
    for (int n = 1; n <= AnnotationRecordCount; ++n) a[n].Kind = 0;
    const auto list = EyeParamList(p->Mode, p->Axis);
    if (p->Kind < list.size()) {
        const int source = Eye_.Source();
        for (const TPointText& t : TTextTable(Shell_).For(p->Mode, p->Axis, list[p->Kind].Item)) {
            const int shape = t.Shape == AutoShape ? (t.N % 2 == 1 ? 0 : 1) : t.Shape;
            DefinePointAnnotation(state, a, t.N, source, false, " " + t.Text + " ", shape);
        }
    }
    // A slot without a value yet keeps its records hidden: their points are not placed.
    RefreshAnnotationLayers();
}

void TEyeStripRows::RefreshAnnotationLayers() {
    TParam* p = Eye_.Slot(Eye_.Measure(), ShownSlot());
    if (!p) return;
    SetAllAnnotationsVisible(AnnState(), p->Annotations, !IsUndefinedValue(p->Value));
    if (TScopeDisplayServices* display = Display()) vt::RefreshAnnotationLayers(*display, p->Annotations);
}

void TEyeStripRows::RemoveSlotAnnotations(int mode, int slot) {
    if (AnnState().Owner != mode + 1 || ShownSlot_ == 0) return;
    if (slot == ShownSlot_) ClearAnnotations();
    else if (slot < ShownSlot_) --ShownSlot_;
}

void TEyeStripRows::ReshowEyeAnnotations() {
    const int slot = ShownSlot();
    if (slot == 0) return;
    ShownSlot_ = 0;
    BuildEyeAnnotations(slot, Eye_.Measure());
}

void TEyeStripRows::ShowEyeAnnotations() {
    if (Eye_.Measure() != emOff) ReshowEyeAnnotations();
}

}  // namespace vt
