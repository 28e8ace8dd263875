#pragma once
// The measurement list: up to 10 listed measurements (4 while statistics are shown), each picked by
// checking an item of a source's check list. The list adds and removes entries as the items change,
// keeps the jitter measurements to one source, stores each computed value with its statistics and
// answers the "Meas:Res" queries.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Handlers.h"

#include "analysis/MeasCalc.h"
#include "analysis/MeasurementStatistics.h"

namespace vt {

class TShell;
class TCheckSwHandler;

// What the list and the readouts need of the limit test; until the limit test exists every call
// does nothing and the test is off.
class TMeasLimitTest {
public:
    virtual ~TMeasLimitTest() = default;
    // A measurement came into slot 0..3: its limit settings start afresh.
    virtual void ResetLimitSlot(int /*slot*/) {}
    // The limit settings of slot from move to slot to.
    virtual void CopyLimitParameter(int /*to*/, int /*from*/) {}
    // The limit edits and the choice of parameters follow the list.
    virtual void RefreshLimitParameters() {}
    // "Limit:TestOn".
    virtual bool TestOn() const { return false; }
    // "Limit:TestOn" and every "Limit<n>:Activ" off.
    virtual void SwitchTestOff() {}
    // "Limit<n>:Activ" of slot 0..3.
    virtual bool Activ(int /*slot*/) const { return false; }
    // "Limit<n>:Mode" Center with "Limit<n>:CenterMode" CurrMean: the centre follows the mean.
    virtual bool CentreFollowsMean(int /*slot*/) const { return false; }
    virtual void SetCenterVal(int /*slot*/, double /*value*/) {}
    // The limit settings of slots 0..3 as one text, and put back from it (an undo of the list).
    virtual std::string LimitSlotsText() const { return {}; }
    virtual void RestoreLimitSlots(std::string_view /*text*/) {}
};

inline constexpr int MeasSlotCount = 10;
inline constexpr int MeasStatisticSlotCount = 4;
// "Meas:Display".
enum TMeasDisplay : int { mdOff = 0, mdParam = 1, mdStatistic = 2 };

class TMeasList;

// The undo buffer's handle on the order of the list: its text names the entries slot by slot.
class TMeasOrderHandler : public THandler {
public:
    explicit TMeasOrderHandler(TMeasList& list) : List_(list) {}
    void ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) override;

private:
    TMeasList& List_;
};

class TMeasList : public THisticonOwner {
public:
    TMeasList(TShell& shell, TMeasCalc& calc);
    ~TMeasList() override;
    TMeasList(const TMeasList&) = delete;
    TMeasList& operator=(const TMeasList&) = delete;

    // The limit test (none: the empty one); not owned.
    void SetLimitTest(TMeasLimitTest* limits) { Limits_ = limits ? limits : &NoLimits_; }
    TMeasLimitTest& Limits() const { return *Limits_; }

    // What the list tells the readouts: an entry came or went (the strip is drawn anew), and the slot
    // to annotate after an addition.
    std::function<void()> StripChanged;
    std::function<void(int slot)> Annotate;
    // The statistics name and row of a slot's histicon follow the slot (the readouts place it).
    std::function<void(int slot)> PlaceHisticon;

    int Count() const { return Count_; }
    int Capacity() const;
    TParameterOfMeas* Slot(int slot) const;
    int Display() const;
    int SlotOf(int source, int group, int kind) const;
    bool IsMeasListed(int group, int kind, int source) const { return SlotOf(source, group, kind) >= 0; }
    bool IsMeasListFull() const { return Count_ >= Capacity(); }

    // --- adding and removing (the check lists' callbacks)
    void AddMeasParameter(int source, int group, int kind);
    void RemoveMeasParameter(int source, int group, int kind);
    // Unchecks the slot's item as the program; newStep opens an undo step first.
    void RemoveMeasSlot(int slot, bool newStep);
    void RemoveAllMeasurements();
    void KeepJitterMeasOfOneSource(int source);
    void ResetMeasHistogram();
    void TrimMeasListForStatistic();
    // The check list of a group of a source ("Meas:<src>:XParam" ...), none for a group it lacks.
    TCheckSwHandler* CheckList(int source, int group) const;

    // --- values and statistics
    // Computes the slot through the engine: value and unit text, the annotation shown when defined.
    double CalcMeasurement(int slot);
    void StoreMeasValue(int slot, const std::string& unit, double value);
    void CreateMeasStatistics(int slot);
    void ApplyMeasStatMode(int slot);
    void ApplyMeasStatModeToAll();
    void RestartMeasStatistics();
    // The text last drawn for the slot.
    const std::string& ResultText(int slot) const;
    void SetResultText(int slot, std::string text);
    void ClearMeasResultText(int slot);

    // --- names
    std::string MeasParamName(int slot) const;
    std::string GetMeasLabel(int slot) const override;
    // The colour of the slot's source (white without the display).
    TColor SourceRGB(int slot) const override;
    int MeasSlotsForLimit() const;
    int ActiveLimitSlots() const;
    // "Meas:Res" with its argument; the statistics of one slot.
    std::string MeasResultQuery(std::string_view argument) const;
    std::string MeasStatQuery(int slot, std::string_view stat) const;
    // A value as the readouts show it: 4 digits and the unit, undefined without the unit.
    static std::string ValueText(double value, const std::string& unit);

    // --- undo of removals
    // Once per undo step, before the list changes: the way back to the list as it is now.
    void RecordOrderForUndo();
    // The list as the text of an undo step names it, slot for slot: entries re-added by the undo of
    // their items get back the statistics they had; the limit settings of the slots come back too.
    void RestoreOrder(std::string_view text);
    // Entries removed lately, kept for an undo that brings them back.
    int KeptRemovedCount() const { return static_cast<int>(Removed_.size()); }

private:
    std::string OrderText() const;
    void KeepRemoved(std::unique_ptr<TParameterOfMeas> entry, std::string resultText);

    TShell& Shell_;
    TMeasCalc& Calc_;
    TMeasLimitTest NoLimits_;
    TMeasLimitTest* Limits_ = &NoLimits_;
    std::array<std::unique_ptr<TParameterOfMeas>, MeasSlotCount> Slots_{};
    std::array<std::string, MeasSlotCount> ResultTexts_{};
    int Count_ = 0;
    std::uint32_t NextSerial_ = 1;
    struct TRemoved {
        std::unique_ptr<TParameterOfMeas> Entry;
        std::string ResultText;
    };
    std::vector<TRemoved> Removed_;
    TMeasOrderHandler OrderHandler_{*this};
    std::uint32_t OrderStamp_ = 0;
};

}  // namespace vt
