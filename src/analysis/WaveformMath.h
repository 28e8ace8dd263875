#pragma once
// The math functions F1..F4 ("F1:" .. "F4:", "SHADOW:FuncSelect"): arithmetic of two sources or of a
// source and a constant, unary functions, interpolation to 512 points, smoothing, and the operators
// that other features supply (trend, normalized TDR/TDT channel, re-timing by the reference sine).
#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace vt {

class TShell;
class TCommandTree;
class TSpider;
class TSignalObj;
class TZoomViews;
class TRefSineCapture;
class THandler;
class TOnOffHandler;
class TRadioSwHandler;
class TSignalSourceSwHandler;
class TDoubleEditHandler;
class TIntEditHandler;

inline constexpr int MathFunctionCount = 4;

// Operator numbers of "F<i>:Operat".
enum TMathOperator : int {
    moAdd, moSub, moMult, moDiv, moInvert, moAbs, moExpE, moExp10, moLogE, moLog10, moDifAl, moIntAl,
    moIFFT, moLinInt, moSinInt, moSmooth, moTrend, moNormalized, moRefSine, MathOperatorCount
};

// The trend of a time measurement cycle by cycle (with the limit test and trend): fills the function's
// record from the source; restarts the scale averaging.
class TMathTrend {
public:
    virtual ~TMathTrend() = default;
    virtual bool CalcTrendWaveform(int function, int source, int kind) = 0;
    virtual void ResetTrendAverage(int function) = 0;
};

// The normalized TDR/TDT channel (with the TDR normalization).
class TMathTdrNormalization {
public:
    virtual ~TMathTdrNormalization() = default;
    // Whether the normalization holds function 0..3 (its controls are then its own).
    virtual bool UsesFunction(int function) const = 0;
    // The normalized channel 1 or 2 into target; false when not available.
    virtual bool EvalTdrNormalizedFunction(int channel, TSignalObj& target) = 0;
};

// --- the computations on records; target may be one of the sources
// Operators 0..3; source2 null with a constant.
void MathArith(const TSignalObj& source1, const TSignalObj* source2, TSignalObj& target, double constant,
               int op);
// Operators 4..12; false (target untouched) when the operator cannot run on the source: a derivative
// of fewer than 2 points, an inverse FFT of a length not 2..8192 in powers of two.
bool MathUnaryFunction(const TSignalObj& source, TSignalObj& target, int op);
// LinInt / SinInt to 512 points.
void MathInterpolate(const TSignalObj& source, TSignalObj& target, bool sinc);
// Centred moving average of the odd window length.
void MathSmooth(const TSignalObj& source, TSignalObj& target, int length);
// The vertical scale of a quotient (see MathArith).
double DivisionScale(double scale1, double offset1, double scale2, double offset2);

class TWaveformMath {
public:
    struct THandlers {
        TOnOffHandler* Display = nullptr;
        TRadioSwHandler* Operat = nullptr;
        TSignalSourceSwHandler* Source1 = nullptr;
        TSignalSourceSwHandler* Source2 = nullptr;
        TDoubleEditHandler* Const = nullptr;
        TIntEditHandler* SmoothLen = nullptr;
        TRadioSwHandler* TrendMeas = nullptr;
    };

    explicit TWaveformMath(TShell& shell) : Shell_(shell) {}

    void CreateMathHandlers(TCommandTree& tree);
    void UpdateMathControls(int function);
    void UpdateAllMathControls();
    // Function source 4..7; false when not computed (the record is kept).
    bool EvaluateMathFunction(int source);
    void ResetAllTrendAverages();

    TZoomViews* Zoom = nullptr;
    const TRefSineCapture* Capture = nullptr;
    TMathTrend* Trend = nullptr;
    TMathTdrNormalization* Tdr = nullptr;
    // A setting of a function changed (the derived sources are brought up to date while stopped).
    std::function<void()> SettingsChanged;

    int Selected() const;  // 0..3
    const THandlers& Handlers(int function) const { return Handlers_.at(static_cast<std::size_t>(function)); }
    const std::string& KeptError(int function) const { return Errors_.at(static_cast<std::size_t>(function)); }
    // How often each function has been computed: a changed setting while stopped costs one.
    std::uint64_t Evaluations(int function) const { return Evaluations_.at(static_cast<std::size_t>(function)); }

private:
    bool Evaluate(int function, TSignalObj& target);
    // A non-empty text is shown when it differs from the last one kept; the result is whether the
    // function may be computed.
    bool Report(int function, const std::string& text);
    // The function's kept message has lost its cause: its box closes.
    void Withdraw(int function);
    void Changed(int function, bool restartTrend);
    std::string OperatorName(int op) const;
    // The settings of function f that choose what it computes: shown, operator and sources.
    void AddFunctionChoices(TSpider& root, int f, const std::string& operators);
    // The values its operators take: the constant, the smoothing length and the trend's measurement.
    void AddFunctionValues(TSpider& root, int f);

    TShell& Shell_;
    TRadioSwHandler* Select_ = nullptr;
    std::array<THandlers, MathFunctionCount> Handlers_{};
    std::array<std::string, MathFunctionCount> Errors_{};
    std::array<std::uint64_t, MathFunctionCount> Evaluations_{};
};

}  // namespace vt
