#pragma once
// Numeric settings: limits, grid, the eight stepping kinds, engineering value text with multipliers,
// and the colours their controls take from a signal source.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/Handlers.h"

namespace vt {

// The display colour settings, as the numeric settings see them. The display library installs its
// implementation in the command tree; without one every numeric setting has the plain colours.
class IColorSettings {
public:
    virtual ~IColorSettings() = default;
    virtual TColor TraceColor(int source) const = 0;
    virtual TColor BackgroundColor() const = 0;
    // The settings whose changes recolour the controls (none when not registered).
    virtual THandler* TraceColorHandler(int source) const = 0;
    virtual THandler* BackgroundColorHandler() const = 0;
};

// Stepping kinds of the coarse and fine steps.
enum TStepKind : int {
    skNone = 0,
    skGrid = 1,
    skLinear = 2,
    skProportional = 3,
    sk125 = 4,
    skPowerOf2 = 5,
    skDouble = 6,
    skDbLadder = 7,
    skSnapped125 = 8,
};

// Stepping actions.
enum TStepAction : int {
    saCoarseUp = 0,
    saCoarseDown = 1,
    saFineUp = 2,
    saFineDown = 3,
    saRepeat = 4,
    saEndOfRun = 5,
};

using TCorrectCallback = std::function<double(TEditHandler&, double value)>;
using TFormatCallback = std::function<std::string(TEditHandler&, double value)>;
using TStepCallback = std::function<bool(TEditHandler&, double value, bool fine, bool up)>;

// What TEditHandler::Configure replaces at once.
struct TEditConfig {
    [[no_unique_address]] TByName ByName_{};
    double Minimum = 0;
    double Default = 0;
    double Maximum = 0;
    double CoarseStep = 0;
    int CoarseKind = skNone;
    double FineStep = 0;
    int FineKind = skNone;
    double Resolution = 0;  // the grid of a double setting (0 reads as 1e-15); integers use 1
    std::string Units{};
    int FormatMode = 0;
    int Digits = 3;
    TCorrectCallback OnCorrect{};
    TFormatCallback OnFormat{};
};

struct TEditOptions {
    [[no_unique_address]] TByName ByName_{};
    double Initial = 0;  // stored as given, without clamping or notification
    TEditConfig Config{};
    int ColorSource = NoColorSource;
    THandlerCallback BeforeChange{};
    THandlerCallback AfterChange{};
};

class TEditHandler : public THandler {
public:
    ~TEditHandler() override;
    void UpdateMyColors() override;
    void ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) override;

    // Set as program: clamped, rounded to the grid, through the set step; true when it changed.
    virtual bool SetValue(double value) = 0;
    virtual double GetValueAsDouble() const = 0;
    virtual bool IsInteger() const = 0;

    // A value typed at a control: corrected, snapped to the coarse grid when there is no fine step,
    // then set.
    bool SetValueFromSwitcher(double value);
    // 0 minimum, 1 default (clamped), 2 maximum.
    bool SetSpecialValue(int which);
    void Step(int action);

    std::string FormatValue(bool internal) const;
    // Any value of the setting as a control would show it, in the units the setting has now.
    std::string FormatShown(double value) const;

    double MinValue() const { return Min_; }
    double MaxValue() const { return Max_; }
    double DefaultValue() const { return Default_; }
    double CoarseStep() const { return CoarseStep_; }
    double FineStep() const { return FineStep_; }
    int CoarseStepKind() const { return CoarseKind_; }
    int FineStepKind() const { return FineKind_; }
    double Resolution() const { return Resolution_; }
    const std::string& Units() const { return Units_; }
    int FormatMode() const { return FormatMode_; }
    int Digits() const { return Digits_; }
    int ColorSource() const { return ColorSource_; }
    bool Highlighted() const { return Highlighted_; }
    bool Snapped() const { return Snapped_; }
    bool RunActive() const { return Run_; }
    bool FineAction() const { return FineFlag_; }
    int StepDirection() const { return Direction_; }
    TColor TextColor() const { return TextColor_; }
    TColor BackColor() const { return BackColor_; }

    void SetMinValue(double value);
    void SetMaxValue(double value);
    void SetDefaultValue(double value) { Default_ = value; }
    void SetCoarseStep(double step) { CoarseStep_ = step; }
    void SetFineStep(double step) { FineStep_ = step; }
    void SetCoarseStepKind(int kind);
    void SetUnits(std::string units);
    void SetOnFormat(TFormatCallback cb);
    void SetOnCorrectValue(TCorrectCallback cb) { OnCorrect_ = std::move(cb); }
    void SetOnStep(TStepCallback cb) { OnStep_ = std::move(cb); }
    void SetColorSource(int source);
    void SetHighlighted(bool on);
    void Configure(const TEditConfig& config);

protected:
    TEditHandler(const TEditOptions& options, bool integer);
    // The set shared by both classes, run with who-changed already set.
    virtual bool SetValueCore(double value) = 0;
    // Binds the colour settings of the colour source; the tree must be attached.
    void BindColors();

    // Steps repeated from a held key record no undo; other changes always may.
    bool RecordUndo() const { return !(Run_ && GetWhoChangedRaw() == wcvSwitcher); }

private:
    // A value, MIN, MID or MAX; stepping words and non-numbers are ignored.
    void ApplyParameter(std::string_view parameter, bool internal);
    // Follows the colour settings of the colour source on behalf of the handler.
    class TColorFollower : public IHandlerControl {
    public:
        explicit TColorFollower(TEditHandler& owner) : Owner_(owner) {}
        void HandlerValueChanged(THandler&) override { Owner_.UpdateMyColors(); }

    private:
        TEditHandler& Owner_;
    };
    friend class TSpider;

    void ApplyConfig(const TEditConfig& config, bool integer);
    double StepValue(double v, bool fine, bool up);
    void UnbindColors();

    int ColorSource_ = NoColorSource;
    bool Highlighted_ = false;
    bool Snapped_ = false;
    bool Run_ = false;
    std::string Units_;
    int FormatMode_ = 0;
    int Digits_ = 3;
    double Min_ = 0;
    double Default_ = 0;
    double Max_ = 0;
    int CoarseKind_ = skNone;
    int FineKind_ = skNone;
    double CoarseStep_ = 0;
    double FineStep_ = 0;
    double Resolution_ = 1;
    TFormatCallback OnFormat_;
    TCorrectCallback OnCorrect_;
    TStepCallback OnStep_;
    bool FineFlag_ = false;
    int Direction_ = 0;
    TColor TextColor_ = clWhite;
    TColor BackColor_ = clBlack;
    int LastAction_ = -1;
    TColorFollower ColorFollower_{*this};
};

class TIntEditHandler : public TEditHandler {
public:
    explicit TIntEditHandler(const TEditOptions& options);
    bool SetValue(double value) override;
    double GetValueAsDouble() const override { return Value_; }
    bool IsInteger() const override { return true; }
    std::int32_t GetValue() const { return Value_; }

protected:
    bool SetValueCore(double value) override;

private:
    std::int32_t Value_ = 0;
};

class TDoubleEditHandler : public TEditHandler {
public:
    explicit TDoubleEditHandler(const TEditOptions& options);
    bool SetValue(double value) override;
    double GetValueAsDouble() const override { return Value_; }
    bool IsInteger() const override { return false; }
    double GetValue() const { return Value_; }
    // Stores a value without any notification.
    void SetInitialValue(double value) { Value_ = value; }

protected:
    bool SetValueCore(double value) override;

private:
    double Value_ = 0;
};

// Reads a numeric parameter: a number, then an optional multiplier prefix ("2MEG" mega, "2M" milli,
// "500u" micro, "1.5 k" kilo); units after the prefix are not checked. False when the text does not
// start with a number or the number does not read cleanly.
bool ParseNumberWithMultiplier(std::string_view text, double& value);

inline std::int32_t GetValue(const TIntEditHandler* h) { return h ? h->GetValue() : 0; }
inline double GetValue(const TDoubleEditHandler* h) { return h ? h->GetValue() : 0.0; }

}  // namespace vt
