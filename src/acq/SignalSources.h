#pragma once
// The 19 signal sources: 14 that hold a record (channels on timebase A and B, functions, memories,
// spectra) and five that do not (XY, waveform database, histogram, constant, none); their names,
// their on/off flags, the per-cycle tracking of scale changes, and the owner of the 14 records.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "acq/SignalObj.h"

namespace vt {

enum TSignalSource : int {
    ssCh1 = 0, ssCh1B2 = 1, ssCh2 = 2, ssCh2B2 = 3,
    ssF1 = 4, ssF2 = 5, ssF3 = 6, ssF4 = 7,
    ssM1 = 8, ssM2 = 9, ssM3 = 10, ssM4 = 11,
    ssS1 = 12, ssS2 = 13,
    ssXY = 14, ssDB = 15, ssHist = 16, ssConst = 17, ssNone = 18,
};
inline constexpr int SignalRecordCount = 14;
inline constexpr int SourceIndexCount = 19;
// Channel indexes wherever a channel is meant.
inline constexpr int ChannelIndex1 = 2;
inline constexpr int ChannelIndex2 = 3;

// The text of a language key; the shell passes its language table.
using TLangLookup = std::function<std::string(std::string_view key)>;

std::string SourceShortName(int source);         // "???" outside the table and for XY
int ChannelNumber(int channelIndex);             // 1 for channel index 2, 2 for 3
int OtherChannelIndex(int channelIndex);         // 3 for 2, 2 for anything else
int ChannelSignalIndex(int channelIndex, int timebase);  // the record of a channel on timebase 0 A / 1 B
int FuncSignalIndex(int function);               // function counted from 0
int MemorySignalIndex(int memory);
int SpectrSignalIndex(int spectrum);
// Caption of a source in the current language ("X/Y" and "DB" are not translated; None has none).
std::string SourceCaption(int source, const TLangLookup& lang);

// The colour element of a signal source: sources 0 to 13 keep their number, 14 and 15 swap, 16 gives
// 17, 17 gives 23, any other 22. Elements above 21 have no colour setting.
constexpr int SourceToColorIndex(int source) {
    if (source >= 0 && source <= 13) return source;
    switch (source) {
        case 14: return 15;
        case 15: return 14;
        case 16: return 17;
        case 17: return 23;
        default: return 22;
    }
}

// The vertical compression of a `Displ:Format` index ("YT,2YT,4YT,XY,CombYTXY,Comb2YTXY").
constexpr int VerticalCompressionOfFormat(int format) {
    switch (format) {
        case 1:
        case 4: return 2;
        case 2:
        case 5: return 4;
        default: return 1;
    }
}

// On/off flag of each source, with the notifications that follow a change.
class TSignalsOn {
public:
    TSignalsOn();
    bool IsOn(int source) const;
    // Stores the flag, refreshes the controls bound to the signal enabling, then calls the
    // switch-off callback (when the source is now off) and the change callback.
    void SetOn(int source, bool on);

    std::function<void()> OnEnablityChange;
    std::function<void(int source)> OnSwitchOff;
    std::function<void(int source)> OnChange;
    // Further listeners of every change, called after the change callback; the id removes one.
    int AddChangeListener(std::function<void(int source)> listener);
    void RemoveChangeListener(int id);

private:
    static void CheckSource(int source);
    std::array<bool, SourceIndexCount> On_{};
    std::vector<std::pair<int, std::function<void(int)>>> Listeners_;
    int NextListenerId_ = 1;
};

class THandlerSignalEnablity;
// Lets the source choices of the command tree follow the sources' on/off flags.
void ConnectSignalEnablity(TSignalsOn& signalsOn, THandlerSignalEnablity& enablity);

struct TScalesOfSignal {
    double ViewStartTime = 0;
    double TimeSpan = 0;
    std::string HorUnit;
    double Centre = 0;
    double Scale = 0;
    std::string DisplayUnit;
    std::uint16_t DisplayedPoints = DefaultSignalPoints;
    std::uint16_t PrevDisplayedPoints = DefaultSignalPoints;
    bool Changed = false;
    bool PointsChanged = false;
};

class TSignalRecords;

// Which records changed their scales in the last acquisition cycle.
class TFlagOfScalesChange {
public:
    // Once per cycle, with the current display format choice.
    void Update(int displayFormat, const TSignalRecords& records);
    bool IsChanged(int source) const;
    const TScalesOfSignal& Entry(int source) const;
    bool FormatChanged() const { return FormatChanged_; }
    bool AnyChanged() const { return AnyChanged_; }
    int LastFormat() const { return LastFormat_; }

private:
    std::array<TScalesOfSignal, SignalRecordCount> Entries_{};
    std::uint8_t LastFormat_ = 0;
    bool FormatChanged_ = false;
    bool AnyChanged_ = false;
};

// Processing state of a source: off, stale, fresh, up to date.
enum TSourceState : std::uint8_t { srcOff = 0, srcStale = 1, srcFresh = 2, srcUpToDate = 3 };

// The 14 records of the run with the sources' flags, captions and states; owned by the shell.
class TSignalRecords {
public:
    TSignalRecords();

    TSignalObj& Record(int source);  // 0..13, else an internal error
    const TSignalObj& Record(int source) const;
    // The record of a source, or none for the sources that hold no record.
    TSignalObj* FindRecord(int source);
    const TSignalObj* FindRecord(int source) const;

    TSignalsOn& SignalsOn() { return SignalsOn_; }
    const TSignalsOn& SignalsOn() const { return SignalsOn_; }
    TFlagOfScalesChange& FlagOfScalesChange() { return ScalesChange_; }
    const TFlagOfScalesChange& FlagOfScalesChange() const { return ScalesChange_; }

    TSourceState State(int source) const;
    void SetState(int source, TSourceState state);
    // The XY display's state beside the records'.
    TSourceState XYState() const { return XYState_; }
    void SetXYState(TSourceState state) { XYState_ = state; }
    // Every state, the XY display's too, to off (an instrument start).
    void ResetStates();
    // The settings fingerprint of a record (0..13) or the XY display (14) when it was last computed.
    std::int32_t Fingerprint(int source) const;
    void SetFingerprint(int source, std::int32_t fingerprint);

    // Spectrum flags of S1 and S2, and the default scaling and cleared points of the channels.
    void ResetSignalObjects();
    // Captions of the sources and names of the records in the current language.
    void BuildSourceCaptions(const TLangLookup& lang);
    const std::string& Caption(int source) const;

    // The record as its last ended pass left it. A pass changes the record's length and scales when
    // it begins and brings its points later: from its beginning until a pass on the record ends (a
    // pass left open does not), StoredRecord answers a copy taken when the first of them began, so
    // that a reader gets the points and scales of one acquisition. Any other time it is the record
    // itself.
    void BeginAcquiredPass(int source);
    void EndAcquiredPass(int source);
    const TSignalObj* StoredRecord(int source) const;
    // A pass broken off leaves no trace: the record becomes the copy of the last ended pass again.
    // False when no pass on the record was open.
    bool RestoreBrokenPass(int source);

private:
    std::array<std::unique_ptr<TSignalObj>, SignalRecordCount> Records_;
    std::array<std::unique_ptr<TSignalObj>, SignalRecordCount> PassCopies_;
    std::array<bool, SignalRecordCount> PassOpen_{};
    std::array<std::string, SourceIndexCount> Captions_;
    std::array<TSourceState, SignalRecordCount> States_{};
    TSourceState XYState_ = srcOff;
    std::array<std::int32_t, SignalRecordCount + 1> Fingerprints_{};
    TSignalsOn SignalsOn_;
    TFlagOfScalesChange ScalesChange_;
};

}  // namespace vt
